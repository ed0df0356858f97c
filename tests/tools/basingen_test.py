"""Unit tests of tools/basingen: the D8 table read from the program's header,
and faults the folder check must catch in a copy of the demo basin."""

import contextlib
import hashlib
import io
import os
import shutil
import sys
import tempfile
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools"))

from basingen import check, cli, d8  # noqa: E402
from basingen.writers import BLOCK_TITLES  # noqa: E402

DEMO = os.path.join(REPO, "examples", "demo")


class D8Table(unittest.TestCase):
    def test_codes_follow_the_compass_from_north_east(self):
        # rows count from the south, columns from the west
        compass = {"N": (1, 0), "NE": (1, 1), "E": (0, 1), "SE": (-1, 1),
                   "S": (-1, 0), "SW": (-1, -1), "W": (0, -1), "NW": (1, -1)}
        want = {c: compass[name] for c, name in enumerate("NE E SE S SW W NW N".split(), start=1)}
        self.assertEqual(d8.D8, want)
        self.assertEqual(d8.DIAGONAL_FACTOR, 1.4142)
        self.assertEqual([d8.D8_DIST[c] for c in range(1, 9)], [1.4142, 1.0] * 4)

    def test_malformed_headers_are_refused(self):
        with open(d8.HEADER) as f:
            good = f.read()
        rows = "{0, 1, 0, -1, -1, -1, 0, 1, 1}"
        factor = "kDiagonalFactor = 1.4142f;"
        self.assertIn(rows, good)
        self.assertIn(factor, good)
        cases = {
            "row table missing": good.replace("kRowStep[9]", "kRowSteps[9]"),
            "eight entries": good.replace(rows, "{0, 1, 0, -1, -1, -1, 0, 1}"),
            "not a number": good.replace(rows, "{0, 1, 0, -1, -1, -1, 0, 1, one}"),
            "code 0 moves": good.replace(rows, "{1, 1, 0, -1, -1, -1, 0, 1, 1}"),
            "a neighbour twice": good.replace(rows, "{0, 1, 0, -1, -1, -1, 0, 1, 0}"),
            "table only in a comment": good.replace("inline constexpr int kColStep", "// inline constexpr int kColStep"),
            "factor missing": good.replace(factor, "kDiagonalFactor = M_SQRT2;"),
            "factor out of range": good.replace(factor, "kDiagonalFactor = 2.5f;"),
        }
        for name, text in cases.items():
            with self.subTest(name):
                self.assertNotEqual(text, good)
                with self.assertRaises(d8.D8HeaderError):
                    d8.parse_d8_header(text)


def _square_where(M, z, want):
    """The first basin square (i, j) and code c for which want(z, i, j, a, b) holds
    for its neighbour (a, b) = (i, j) + D8[c], that neighbour in the basin too."""
    inb = lambda a, b: 0 <= a < M["ny"] and 0 <= b < M["nx"] and M["frac"][a][b] > 0
    for i in range(M["ny"]):
        for j in range(M["nx"]):
            for c, (di, dj) in d8.D8.items():
                a, b = i + di, j + dj
                if inb(i, j) and inb(a, b) and c != M["dirs"][i][j] and want(z, i, j, a, b):
                    return i, j, c
    raise AssertionError("no such square in the demo basin")


def _set_cell(lines, M, title, i, j, value):
    """Writes `value` into square (i, j) (row 0 = south) of the block `title`."""
    row = lines.index(title) + 1 + (M["ny"] - 1 - i)
    vals = lines[row].split()
    vals[j] = value
    lines[row] = " ".join(vals)


def _uphill(lines, M, z):
    i, j, c = _square_where(M, z, lambda z, i, j, a, b: z[a][b] > z[i][j])
    _set_cell(lines, M, BLOCK_TITLES[2], i, j, str(c))


def _lower_not_steepest(lines, M, z):
    def lower_than_here_not_downstream(z, i, j, a, b):
        di, dj = d8.D8[M["dirs"][i][j]]
        return z[i + di][j + dj] + 1.0 < z[a][b] < z[i][j]
    i, j, c = _square_where(M, z, lower_than_here_not_downstream)
    _set_cell(lines, M, BLOCK_TITLES[2], i, j, str(c))


def _cover_off_by_one(lines, M, z):
    i, j = next((i, j) for i in range(M["ny"]) for j in range(M["nx"])
                if M["frac"][i][j] > 0 and M["cover"][0][i][j] < 100)
    _set_cell(lines, M, M["names"][0], i, j, str(M["cover"][0][i][j] + 1))


class FolderCheck(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.root, self.copies = tmp.name, 0

    def fresh_copy(self):
        self.copies += 1
        self.folder = os.path.join(self.root, "demo%d" % self.copies)
        shutil.copytree(DEMO, self.folder)

    def edit(self, name, change):
        path = os.path.join(self.folder, name)
        with open(path) as f:
            lines = f.read().split("\n")
        change(lines)
        with open(path, "w") as f:
            f.write("\n".join(lines))

    def edit_map(self, change):
        M = check.read_map(os.path.join(self.folder, "zelm.map"))
        z = [[float(t) for t in row] for row in M["elev_text"]]
        self.edit("zelm.map", lambda lines: change(lines, M, z))

    def run_check(self, quick=False):
        return check.check_folder(self.folder, full_d8=not quick, verbose=False)

    def test_faults_are_caught(self):
        def outlets_miscounted(lines):
            self.assertTrue(lines[4].startswith("no_outlets_&_locations"))
            lines[4] = lines[4][:23] + "%8d" % 2 + lines[4][31:]

        cases = [  # (name, file or None for the map, change, message, caught by --quick too)
            ("drains uphill", None, _uphill, "does not drain to a lower square", True),
            ("lower but not steepest", None, _lower_not_steepest, "steepest descent gives", False),
            ("cover sums to 101", None, _cover_off_by_one, "class percentages sum to 101", True),
            ("outlet count", "zel_responses.txt", outlets_miscounted, "outlet count does not match", True),
            ("no class combination", "class_combine.csv", None,
             "parameter file has 6 land-cover classes, the run has 7", True),
        ]
        for name, file, change, message, quick_too in cases:
            with self.subTest(name):
                self.fresh_copy()
                if file is None:
                    self.edit_map(change)
                elif change is None:
                    os.remove(os.path.join(self.folder, file))
                else:
                    self.edit(file, change)
                with self.assertRaisesRegex(check.CheckError, message):
                    self.run_check()
                if quick_too:
                    with self.assertRaisesRegex(check.CheckError, message):
                        self.run_check(quick=True)
                else:
                    self.run_check(quick=True)

    def test_command_line_status(self):
        self.fresh_copy()
        self.edit_map(_uphill)
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            self.assertEqual(cli.main(["check", DEMO]), 0)
            self.assertEqual(cli.main(["check", "--quick", DEMO, self.folder]), 1)
        self.assertEqual(out.getvalue().count("\nok\n"), 2)
        self.assertIn("FAILED: square", out.getvalue())


class BenchBasins(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.root = tmp.name

    def write(self, sizes):
        with contextlib.redirect_stdout(io.StringIO()):
            self.assertEqual(cli.main(["bench", self.root, "--sizes", sizes]), 0)

    def test_square_basins_keep_their_bytes(self):
        self.write("40")
        want = {"zelm.map": "d97e234f86572e729a91eb6141791607366fed77cec51f714f9d91e4fde47663",
                "dem.r2s": "b48adf8a57232448bdeb418291a502b38cd0a3a4cdc4ef44c8b431e30eca3812"}
        for name, digest in want.items():
            with open(os.path.join(self.root, "n0040", name), "rb") as f:
                self.assertEqual(hashlib.sha256(f.read()).hexdigest(), digest, name)

    def test_wide_and_tall_basins_pass_the_check(self):
        self.write("48x30,30x48")
        for folder in ("n0048x0030", "n0030x0048"):
            with self.subTest(folder):
                M = check.read_map(os.path.join(self.root, folder, "zelm.map"))
                self.assertEqual((M["nx"], M["ny"]), tuple(int(v) for v in folder[1:].split("x")))
                check.check_folder(os.path.join(self.root, folder), verbose=False)

    def test_size_list(self):
        self.assertEqual(cli.bench_sizes("100, 6000x5000"), [(100, 100), (6000, 5000)])
        for bad in ("6000x", "10", "1x2x3", "big"):
            with self.subTest(bad), self.assertRaises(SystemExit):
                cli.bench_sizes(bad)


if __name__ == "__main__":
    unittest.main()
