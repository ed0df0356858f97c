"""The eight drainage directions, taken from the program's own table.

src/common/d8.hpp holds the one table of D8 steps (kRowStep, kColStep) and
the length of a diagonal step (kDiagonalFactor); this module reads them from
there when it is imported, so the tool and the program cannot drift apart.

D8[c] is the (row, column) step of code c = 1..8; rows count from the south,
columns from the west.  D8_DIST[c] is the length of that step in squares.
"""

import os
import re

HEADER = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                      "src", "common", "d8.hpp")

_NEIGHBOURS = {(di, dj) for di in (-1, 0, 1) for dj in (-1, 0, 1) if di or dj}


class D8HeaderError(ValueError):
    pass


def _code_only(text):
    """The text without its comments (none of the header's strings holds one)."""
    return re.sub(r"//[^\n]*", "", re.sub(r"/\*.*?\*/", " ", text, flags=re.S))


def _int_table(code, name):
    found = re.findall(r"\bconstexpr\s+int\s+%s\s*\[\s*9\s*\]\s*=\s*\{([^{}]*)\}\s*;" % name, code)
    if len(found) != 1:
        raise D8HeaderError("expected one 'constexpr int %s[9] = {...};', found %d" % (name, len(found)))
    items = [s.strip() for s in found[0].split(",")]
    if len(items) != 9 or not all(re.fullmatch(r"[+-]?[0-9]+", s) for s in items):
        raise D8HeaderError("%s must hold 9 whole numbers: {%s}" % (name, found[0].strip()))
    return [int(s) for s in items]


def parse_d8_header(text):
    """(D8, diagonal factor) from the text of d8.hpp; D8HeaderError when the
    table is missing, malformed or not the eight neighbours once each."""
    code = _code_only(text)
    rows, cols = _int_table(code, "kRowStep"), _int_table(code, "kColStep")
    if (rows[0], cols[0]) != (0, 0):
        raise D8HeaderError("code 0 must not move, it moves by (%d, %d)" % (rows[0], cols[0]))
    steps = {c: (rows[c], cols[c]) for c in range(1, 9)}
    if set(steps.values()) != _NEIGHBOURS:
        raise D8HeaderError("codes 1..8 are not the eight neighbours once each: %s" % steps)
    found = re.findall(r"\bconstexpr\s+(?:float|double)\s+kDiagonalFactor\s*=\s*"
                       r"([0-9]+\.[0-9]+)[fF]?\s*;", code)
    if len(found) != 1:
        raise D8HeaderError("expected one 'constexpr float kDiagonalFactor = <decimal>;', found %d"
                            % len(found))
    factor = float(found[0])
    if not 1.0 < factor < 2.0:
        raise D8HeaderError("diagonal factor %s is not between 1 and 2" % found[0])
    return steps, factor


def load_d8_header(path=HEADER):
    try:
        with open(path) as f:
            text = f.read()
    except OSError as e:
        raise D8HeaderError("cannot read %s: %s" % (path, e.strerror)) from None
    try:
        return parse_d8_header(text)
    except D8HeaderError as e:
        raise D8HeaderError("%s: %s" % (path, e)) from None


try:
    D8, DIAGONAL_FACTOR = load_d8_header()
except D8HeaderError as e:
    raise SystemExit("basingen: no D8 table: %s" % e)
D8_DIST = {c: (DIAGONAL_FACTOR if di and dj else 1.0) for c, (di, dj) in D8.items()}
