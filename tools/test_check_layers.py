"""The layering check fails on a wrong-way include, naming the file and line, and passes the rest."""
import pathlib
import tempfile
import unittest

import check_layers

CMAKE = "set(TALLOWFEN_ROOMS system world level ui core)\n"


class CheckLayersTest(unittest.TestCase):
    def run_on(self, files):
        with tempfile.TemporaryDirectory() as tmp:
            root = pathlib.Path(tmp)
            for name, text in {"src/CMakeLists.txt": CMAKE, **files}.items():
                (root / name).parent.mkdir(parents=True, exist_ok=True)
                (root / name).write_text(text)
            return check_layers.problems(root)

    def test_includes(self):
        cases = [  # (file, its text, the problem expected or None)
            ("src/level/Gun.cpp", '#include "world/Player.h"\n', None),
            ("src/level/Gun.cpp", '#include "level/Gun.h"\n#include <vector>\n', None),
            ("src/level/Gun.cpp", '#include "core/VirtualScreen.h"\n', None),
            ("src/level/GameRunner.h", '#include "ui/GUIText.h"\n', None),
            ("src/world/Player.cpp", '\n#include "raylib.h"\n  # include "level/Gun.h"\n',
             "src/world/Player.cpp:3: world includes level/Gun.h, from level above it"),
            ("src/system/SafeFile.h", '#include "core/Game.h" // why\n',
             "src/system/SafeFile.h:1: system includes core/Game.h, from core above it"),
            ("platform/src/window.cpp", '#include "core/GameState.h"\n',
             "platform/src/window.cpp:1: the platform layer includes the game's core/GameState.h"),
            ("src/extras/Thing.h", "", "src/extras: a folder that is not in the room order system world level ui core"),
        ]
        for name, text, expected in cases:
            with self.subTest(name=name, text=text):
                self.assertEqual(self.run_on({name: text}), [expected] if expected else [])

    def test_the_project_itself_passes(self):
        self.assertEqual(check_layers.problems(pathlib.Path(__file__).resolve().parent.parent), [])


if __name__ == "__main__":
    unittest.main()
