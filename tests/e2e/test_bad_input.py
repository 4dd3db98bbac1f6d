"""The real game on damaged input files: every data-file case and each asset
damage on one file of every kind, each started to its menu and to a level.
tools/e2e/bad_input_matrix.py runs the full matrix, every asset file alone."""

import os
import sys
import unittest
import unittest.mock

ROOT = os.environ.get("TALLOWFEN_SOURCE_DIR",
                      os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))

import bad_input_matrix as matrix  # noqa: E402
from harness import Session  # noqa: E402

ASSET = matrix.asset_case("missing", ["assets/bird.png", "assets/hit.wav"])
SHADER = matrix.asset_case("random", ["shaders/grain.fs"])
MAP = matrix.data_cases()[0]  # data/map missing


class JudgeTest(unittest.TestCase):
    """The matrix's output rules reject what they should, so a pass means something."""

    def test_output_rules(self):
        def game(path):
            return f"WARNING: ASSET: [{path}] damaged or missing: FILEIO: [{path}] Failed to open file"
        bird, hit, grain = game("assets/bird.png"), game("assets/hit.wav"), game("shaders/grain.fs")
        shader_lines = ["WARNING: SHADER: [ID 5] Failed to compile fragment shader code",
                        "WARNING: SHADER: [ID 5] Compile error: 0:3(14): error: syntax error",
                        "WARNING: SHADER: Failed to load custom shader code, using default shader"]
        map_line = "Error: Could not open file data/map"
        cases = [
            (ASSET, [bird, hit], [], True),
            (ASSET, [bird], ["Warning: stream size off"], True),  # a decoder's stderr line counts as hit's
            (ASSET, [bird, bird], [], False),                     # two lines for one file
            (ASSET, [bird, "WARNING: something"], [], False),     # a line naming no damaged file
            (ASSET, [bird, hit], ["Warning: more"], False),       # over one line per file
            (ASSET, [bird, "WARNING: FILEIO: [assets/hit.wav] Failed to open file"], [], False),  # raylib's line
            (ASSET, [bird, game("assets/crab.png")], [], False),  # a file that was not damaged
            (SHADER, [grain], [], True),
            (SHADER, shader_lines, [], False),                    # raylib's several lines for one shader
            (SHADER, shader_lines[2:], [], False),                # its last line alone names no file
            (MAP, [map_line], [], True),
            (MAP, [], [], False),                                 # the missing map must be reported
            (MAP, [map_line, map_line], [], False),
            (MAP, [map_line], ["noise"], False),
        ]
        for case, extra, library, ok in cases:
            with self.subTest(file=case.file, extra=extra, library=library):
                self.assertEqual(matrix.judge(case, extra, library, level=True) is None, ok)

    def test_normal_lines_are_counted(self):
        lines = matrix.CATALOGUE + ["12 1", "17 15", "9 14", "extra"]
        self.assertEqual(matrix.extra_lines(MAP, lines, level=True), (["extra"], []))
        _, wrong = matrix.extra_lines(MAP, lines, level=False)  # no enemies before play
        self.assertEqual(wrong, ["3 placed enemies"])
        _, wrong = matrix.extra_lines(MAP, matrix.CATALOGUE[:5] + lines[10:13], level=True)
        self.assertEqual(wrong, ["5 catalogue lines"])


def cases_of_this_slice(cases):
    """ctest may run the cases as several entries, each taking every n-th case
    from the k-th on (TALLOWFEN_E2E_SLICE=k/n); without it, all of them."""
    k, n = map(int, os.environ.get("TALLOWFEN_E2E_SLICE", "1/1").split("/"))
    if not 1 <= k <= n:
        raise ValueError(f"TALLOWFEN_E2E_SLICE={k}/{n}")
    return cases[k - 1::n]


class SliceTest(unittest.TestCase):
    def test_slices_take_every_case_once(self):
        cases = list(range(35))
        for n in (1, 2, 3, 4):
            taken = []
            for k in range(1, n + 1):
                with unittest.mock.patch.dict(os.environ, {"TALLOWFEN_E2E_SLICE": f"{k}/{n}"}):
                    taken += cases_of_this_slice(cases)
            self.assertEqual(sorted(taken), cases, f"{n} slices")


class BadInputTest(unittest.TestCase):
    def test_game_survives_every_case(self):
        skipped = []
        with Session() as session:
            for case in cases_of_this_slice(matrix.quick_matrix()):
                with self.subTest(file=case.file, case=case.how):
                    row = matrix.run_case(session, case)
                    if row.skipped:
                        skipped.append(f"{case.file} {case.how}: {row.skipped}")
                        continue
                    self.assertEqual(row.problems, [], matrix.format_row(row))
        if skipped:
            self.skipTest("; ".join(skipped))

    def test_damaged_demos_are_refused_and_changed_ones_differ(self):
        with Session() as session:
            for row in matrix.demo_rows(session):
                with self.subTest(case=f"{row.file} {row.how}"):
                    self.assertEqual(row.problems, [], matrix.format_row(row))


if __name__ == "__main__":
    unittest.main()
