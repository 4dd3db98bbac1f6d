"""The rooms check fails on a wrong-way include, naming the file and line, and on a rooms table that
misses a header or names one that is gone; it passes the rest."""
import pathlib
import re
import tempfile
import unittest

import check_layers

CMAKE = "set(TALLOWFEN_ROOMS system world level ui core)\n"
PROJECT = pathlib.Path(__file__).resolve().parent.parent
TABLE = """## Rooms

| room | owns |
|---|---|
| `platform/` | `raylib.h` |
| `system` | `SafeFile` |
| `level` | `Gun` and the `Shot`s it fires |

## One frame
"""
HEADERS = {  # a room's header, the layer's header, a class gone but for a comment
    "src/system/SafeFile.h": "bool WriteFileSafely(const char *path);\n",
    "src/level/Gun.h": "struct Shot {};  // once fired a Bullet\nconst char *kName = \"Bullet\";\n",
    "platform/include/raylib.h": "void InitWindow(int width, int height);\n",
}


class CheckLayersTest(unittest.TestCase):
    def in_tree(self, files, check, cmake=CMAKE):
        with tempfile.TemporaryDirectory() as tmp:
            root = pathlib.Path(tmp)
            for name, text in {"src/CMakeLists.txt": cmake, **files}.items():
                (root / name).parent.mkdir(parents=True, exist_ok=True)
                (root / name).write_text(text)
            return check(root)

    def test_includes(self):
        cases = [  # (file, its text, the problem expected or None)
            ("src/level/Gun.cpp", '#include "world/Player.h"\n', None),
            ("src/level/Gun.cpp", '#include "level/Gun.h"\n#include <vector>\n', None),
            ("src/level/Gun.cpp", '#include "core/VirtualScreen.h"\n', None),
            ("src/level/GameRunner.h", '#include "ui/GUIText.h"\n', None),
            ("src/level/Gun.cpp", '#include "../world/Player.h"\n#include "./Gun.h"\n#include <gtest/gtest.h>\n',
             None),
            ("src/ui/GameUI.cpp", '#include "../core/GameState.h"\n#include <core/VirtualScreen.h>\n', None),
            ("src/world/Player.cpp", '\n#include "raylib.h"\n  # include "level/Gun.h"\n',
             "src/world/Player.cpp:3: world includes level/Gun.h, from level above it"),
            ("src/system/SafeFile.h", '#include "core/Game.h" // why\n',
             "src/system/SafeFile.h:1: system includes core/Game.h, from core above it"),
            ("src/system/SafeFile.cpp", "#include <core/Game.h>\n",
             "src/system/SafeFile.cpp:1: system includes core/Game.h, from core above it"),
            ("src/world/Player.cpp", '#include "../level/Gun.h"\n',
             "src/world/Player.cpp:1: world includes level/Gun.h, from level above it"),
            ("src/world/Player.cpp", '#include "../world/../ui/GUIButton.h"\n',
             "src/world/Player.cpp:1: world includes ui/GUIButton.h, from ui above it"),
            ("platform/src/window.cpp", '#include "core/GameState.h"\n',
             "platform/src/window.cpp:1: the platform layer includes the game's core/GameState.h"),
            ("platform/src/window.cpp", '#include "../../src/core/Game.h"\n',
             "platform/src/window.cpp:1: the platform layer includes the game's core/Game.h"),
            ("platform/src/window.cpp", '#include "../include/raylib.h"\n#include <GLFW/glfw3.h>\n', None),
            ("src/extras/Thing.h", "", "src/extras: a folder that is not in the room order system world level ui core"),
        ]
        for name, text, expected in cases:
            with self.subTest(name=name, text=text):
                found = self.in_tree({name: text}, check_layers.include_problems)
                self.assertEqual(found, [expected] if expected else [])

    def test_backends(self):
        tree = {"platform/src/web/web.h": "", "platform/src/desktop/gl_api.h": "", "platform/src/web/gl_api.h": "",
                "platform/src/common/backend/gl.h": ""}
        shared = "not through an interface header in platform/src/common/backend"
        cases = [  # (file under platform/src, its text, the problem expected after "file:line: " or None)
            ("common/window.cpp", "#ifdef __EMSCRIPTEN__\n", "shared code tests the system (__EMSCRIPTEN__)"),
            ("common/input.cpp", "\n# if defined(_WIN32) || defined(__APPLE__)\n", "shared code tests the system (_WIN32)"),
            ("common/backend/files.h", "#elif __linux__\n", "shared code tests the system (__linux__)"),
            ("common/log.cpp", "#endif  // __EMSCRIPTEN__\n// not on _WIN32\n#ifdef RLP_TRACE\n", None),
            ("desktop/window_desktop.cpp", "#ifdef __linux__\n", None),
            ("common/window.cpp", '#include "../web/web.h"\n', f"shared code includes ../web/web.h, web's, {shared}"),
            ("common/window.cpp", '#include "web.h"\n', f"shared code includes web.h, web's, {shared}"),
            ("common/batch.cpp", '#include "gl_api.h"\n', f"shared code includes gl_api.h, desktop's, {shared}"),
            ("common/backend/gl.h", '#include "gl_api.h"\n#include <GL/gl.h>\n', None),
            ("common/backend/gl.h", '#include "../../web/web.h"\n', f"shared code includes ../../web/web.h, web's, {shared}"),
            ("desktop/audio.cpp", '#include "web.h"\n', "the desktop backend includes web.h, web's"),
            ("desktop/audio.cpp", '\n#include "../web/gl_api.h"\n', "the desktop backend includes ../web/gl_api.h, web's"),
            ("web/gl_web.cpp", '#include "gl_api.h"\n#include "backend/gl.h"\n#include "../common/backend/gl.h"\n', None),
        ]
        for name, text, expected in cases:
            with self.subTest(name=name, text=text):
                found = self.in_tree({**tree, f"platform/src/{name}": text}, check_layers.backend_problems)
                line = 2 if text.startswith("\n") else 1
                self.assertEqual(found, [f"platform/src/{name}:{line}: {expected}"] if expected else [])
        stray = self.in_tree({**tree, "platform/src/files.cpp": ""}, check_layers.backend_problems)
        self.assertEqual(stray, ["platform/src/files.cpp: outside platform/src/common and the backends' folders"])

    def test_the_board_includes_the_game_up_to_demo_only(self):
        cmake = "set(TALLOWFEN_ROOMS system demo ui core)\n"
        cases = [  # (the board's source, its text, the problem expected or None)
            ("board/src/Board.cpp", '#include "demo/DemoFile.h"\n#include "system/SafeFile.h"\n#include "Other.h"\n', None),
            ("board/tests/Tool.cpp", '#include "core/Game.h"\n', None),  # its tests may drive the game
            ("board/src/Board.cpp", '#include <string>\n#include "ui/GUIText.h"\n',
             "board/src/Board.cpp:2: board includes ui/GUIText.h, from ui above demo"),
        ]
        for name, text, expected in cases:
            with self.subTest(name=name, text=text):
                found = self.in_tree({name: text}, check_layers.include_problems, cmake)
                self.assertEqual(found, [expected] if expected else [])

    def test_rooms_table(self):
        page = check_layers.DESIGN
        unnamed = f"src/level/Gun.h: not named as `Gun` in the level row of {page}"
        stale = f"{page}: the level row names `{{}}`, which no header under src/ is or declares"
        cases = [  # (what the table says instead of the first text, the problem expected or None)
            (("", ""), None),
            (("`Gun` and", "`Gun.h` and"), None),
            (("the `Shot`s", "`InitWindow`'s"), None),
            (("`Gun` and", "the"), unnamed),
            (("`SafeFile` |\n| `level` | `Gun`", "`SafeFile`, `Gun` |\n| `level` | it"), unnamed),
            (("the `Shot`s", "the `Bullet`s"), stale.format("Bullet")),
            (("`Gun` and", "`Gun`, `Shot.h` and"), stale.format("Shot.h")),
            (("| `system` | `SafeFile` |\n", ""), f"{page}: the rooms table has no row for system"),
            (("|\n\n", "|\n| `extras` | more |\n\n"),
             f"{page}: the rooms table has a row for extras, which is not a room in src/CMakeLists.txt"),
            (("## Rooms", "## Parts"), f"{page}: no \"## Rooms\" section with the rooms table"),
        ]
        for (old, new), expected in cases:
            with self.subTest(new=new):
                files = {page: TABLE.replace(old, new, 1), **HEADERS}
                found = self.in_tree(files, check_layers.design_problems, "set(TALLOWFEN_ROOMS system level)\n")
                self.assertEqual(found, [expected] if expected else [])

    def test_the_project_itself_passes_and_fails_on_a_missing_or_stale_row(self):
        self.assertEqual(check_layers.problems(PROJECT), [])
        page = (PROJECT / check_layers.DESIGN).read_text()
        without_ui = re.sub(r"^\| `ui` \|.*\n", "", page, flags=re.M)
        stale = re.sub(r"^(\| `level` \|.*)\|$", r"\1 `Ricochet`. |", page, flags=re.M)
        self.assertEqual(check_layers.design_problems(PROJECT, without_ui),
                         [f"{check_layers.DESIGN}: the rooms table has no row for ui"])
        self.assertEqual(check_layers.design_problems(PROJECT, stale), [
            f"{check_layers.DESIGN}: the level row names `Ricochet`, which no header under src/ is or declares"])


if __name__ == "__main__":
    unittest.main()
