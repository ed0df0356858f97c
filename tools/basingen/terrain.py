"""Terrain of the synthetic basins: the shaped-basin and benchmark builders,
D8 by steepest descent and the cell numbers the program gives.

Two terrain builders:
  * shaped basins (demo, basin): an irregular basin outline, a tilted valley
    with a meandering main stream and slanted side valleys plus noise, pits
    removed by a priority flood from the outlet, D8 by steepest descent;
  * bench basins: a rectangular basin with a herringbone valley system whose
    elevations are computed row by row, so that continental grids stay cheap.
Both give every basin square a strictly lower basin neighbour and one
receiving square just outside the basin edge, below every basin square.
"""

import heapq
import math
import random
import struct

from .d8 import D8, D8_DIST


def f32(x):
    """The value as the program holds it (32-bit real)."""
    return struct.unpack("f", struct.pack("f", x))[0]


def steepest(z, i, j, inside, extra=None):
    """D8 code of the steepest strictly lower neighbour among `inside` squares
    (and `extra`, a square allowed for this cell only); 0 when there is none.
    Ties keep the lowest code."""
    best, code = 0.0, 0
    zi = z[i][j]
    for c in range(1, 9):
        di, dj = D8[c]
        a, b = i + di, j + dj
        if not (inside(a, b) or (extra is not None and (a, b) == extra)):
            continue
        drop = (zi - z[a][b]) / D8_DIST[c]
        if drop > best:
            best, code = drop, c
    return code


def largest_remainder(weights, total=100):
    """Whole-number shares of `total` proportional to weights, summing exactly."""
    s = sum(weights)
    raw = [w * total / s for w in weights]
    out = [int(math.floor(r)) for r in raw]
    rest = total - sum(out)
    order = sorted(range(len(raw)), key=lambda k: (out[k] - raw[k], k))
    for k in order[:rest]:
        out[k] += 1
    return out


def class_kind(name):
    """The kind of a land-cover class by its name: open, forest, wetland, water or impervious."""
    n = name.lower()
    if "water" in n:
        return "water"
    if "imperv" in n or "urban" in n:
        return "impervious"
    if "wetland" in n:
        return "wetland"
    if any(w in n for w in ("forest", "conifer", "decid", "mixed")):
        return "forest"
    return "open"


# --------------------------------------------------------------------------
# Shaped basins
# --------------------------------------------------------------------------

class Basin:
    """Grids are lists of rows, row 0 = south, column 0 = west."""


def neighbours8(i, j):
    for c in range(1, 9):
        di, dj = D8[c]
        yield c, i + di, j + dj


def shaped_basin(rows, cols, seed, classes, distinct=True, ring=2):
    rng = random.Random(seed)
    ny, nx = rows, cols
    if ny < 12 or nx < 12:
        raise SystemExit("a shaped basin needs at least 12 x 12 squares")

    # Outline: an ellipse whose radius wobbles with a few harmonics, kept
    # inside a blank ring.
    cy, cx = (ny - 1) / 2.0 + 0.4, (nx - 1) / 2.0
    ry, rx = (ny - 1) / 2.0 - ring + 0.2, (nx - 1) / 2.0 - ring + 0.2
    harm = [(rng.uniform(0.04, 0.09), k, rng.uniform(0, 2 * math.pi)) for k in (2, 3, 5)]
    mask = [[False] * nx for _ in range(ny)]
    for i in range(ring, ny - ring):
        for j in range(ring, nx - ring):
            u, v = (j - cx) / rx, (i - cy) / ry
            th = math.atan2(v, u)
            lim = 1.0 - sum(a * (1 + math.sin(k * th + p)) / 2 for a, k, p in harm)
            mask[i][j] = u * u + v * v <= lim * lim
    # one 4-connected piece without holes
    mask = _largest_piece(mask)
    mask = _fill_holes(mask)
    jc = int(round(cx))
    io = min(i for i in range(ny) if mask[i][jc])
    outlet, recv = (io, jc), (io - 1, jc)
    if recv[0] < 1:
        raise SystemExit("basin touches the south edge")
    inside = lambda a, b: 0 <= a < ny and 0 <= b < nx and mask[a][b]

    # Raw terrain (m): tilted towards the outlet, a meandering main valley,
    # side valleys slanting up from it, smooth waves and a little roughness.
    g_main = rng.uniform(5.0, 7.0)
    v_side = rng.uniform(10.0, 14.0)
    s_amp, period, slant = rng.uniform(18.0, 28.0), rng.uniform(5.0, 7.0), rng.uniform(0.4, 0.7)
    amp, ph = rng.uniform(1.5, 3.0), rng.uniform(0, 2 * math.pi)
    waves = [(rng.uniform(3.0, 7.0), rng.uniform(0.2, 0.6), rng.uniform(0.2, 0.6), rng.uniform(0, 6.3))
             for _ in range(4)]
    z0 = 250.0
    raw = [[0.0] * nx for _ in range(ny)]
    for i in range(ny):
        t = i - io
        xc = jc + amp * math.sin(t / ny * math.pi * 1.3 + ph) * min(1.0, max(t, 0) / 4.0)
        for j in range(nx):
            dx = j - xc
            a = abs(dx)
            z = z0 + g_main * t + v_side * a ** 0.85
            z += s_amp * 0.5 * (1 - math.cos(2 * math.pi * (t - slant * a) / period + (0.0 if dx < 0 else 1.7))) \
                * min(1.0, a / 2.0)
            z += sum(w * math.sin(kx * j + ky * i + p) for w, kx, ky, p in waves)
            z += rng.gauss(0.0, 1.5)
            raw[i][j] = max(z, 20.0)

    # Priority flood from the outlet, in whole centimetres: every square gets
    # a strictly lower parent, so none is a pit.
    cm = [[int(round(raw[i][j] * 100)) for j in range(nx)] for i in range(ny)]
    eps = 5
    elev = [[0] * nx for _ in range(ny)]
    seen = [[False] * nx for _ in range(ny)]
    heap = [(cm[io][jc], 0, io, jc)]
    seen[io][jc] = True
    seq, last = 1, None
    order = []
    while heap:
        e, _, i, j = heapq.heappop(heap)
        if distinct and last is not None and e <= last:
            e = last + 1
        elev[i][j] = e
        last = e
        order.append((i, j))
        for _c, a, b in neighbours8(i, j):
            if inside(a, b) and not seen[a][b]:
                seen[a][b] = True
                heapq.heappush(heap, (max(cm[a][b], e + eps), seq, a, b))
                seq += 1
    lowest = elev[io][jc]
    elev[recv[0]][recv[1]] = lowest - 150  # 1.5 m below the outlet

    # D8 by steepest descent among basin squares; the outlet drains out.
    dirs = [[0] * nx for _ in range(ny)]
    for (i, j) in order:
        if (i, j) == outlet:
            dirs[i][j] = steepest(elev, i, j, inside, extra=recv)
        else:
            dirs[i][j] = steepest(elev, i, j, inside)
        assert dirs[i][j], "pit at %d,%d" % (i, j)
    dirs[recv[0]][recv[1]] = 4

    # Fractions: partial on the edge of the outline.
    frac = [[0.0] * nx for _ in range(ny)]
    for i in range(ny):
        for j in range(nx):
            if mask[i][j]:
                edge = any(not inside(a, b) for _c, a, b in neighbours8(i, j))
                frac[i][j] = round(rng.uniform(30.0, 95.0), 1) if edge and (i, j) != outlet else 100.0

    # Drainage areas (squares' shares, km-free), highest first.
    down = {}
    for (i, j) in order:
        di, dj = D8[dirs[i][j]]
        down[(i, j)] = (i + di, j + dj)
    acc = [[0.0] * nx for _ in range(ny)]
    for (i, j) in reversed(order):
        acc[i][j] += frac[i][j] / 100.0
        d = down[(i, j)]
        if d != recv:
            acc[d[0]][d[1]] += acc[i][j]
    up = {}
    for c, d in down.items():
        up.setdefault(d, []).append(c)
    total = acc[io][jc]

    iak = [[0] * nx for _ in range(ny)]
    t2, t3 = max(3.0, 0.03 * total), max(12.0, 0.15 * total)
    for (i, j) in order:
        a = acc[i][j]
        iak[i][j] = 3 if a >= t3 else (2 if a >= t2 else 1)

    # Lakes: reach 1 on the main stem, reach 2 on a side branch.  A lake is a
    # lake outlet square plus squares upstream of it, so it ends in one place.
    main = set()
    # walk the main stem up from the outlet along the largest tributary
    p = outlet
    while p in up:
        main.add(p)
        p = max(up[p], key=lambda q: acc[q[0]][q[1]])
    main.add(p)
    B = Basin()
    B.outlet, B.recv, B.acc, B.up, B.down, B.main, B.lakes = outlet, recv, acc, up, down, main, []
    sub = pick_subwatershed_outlet(B)
    region = _upstream(B, sub) if sub else set(order)
    sub_acc = acc[sub[0]][sub[1]] if sub else total
    reach = [[0] * nx for _ in range(ny)]
    stem = [q for q in main if q in region and q != sub and 0.3 * sub_acc <= acc[q[0]][q[1]] <= 0.8 * sub_acc]
    lake1_out = min(stem, key=lambda q: (acc[q[0]][q[1]], q), default=None)
    side = [q for q in region if q not in main and 0.05 * sub_acc <= acc[q[0]][q[1]] <= 0.25 * sub_acc]
    lake2_out = max(side, key=lambda q: (acc[q[0]][q[1]], q)) if side else None
    lakes = []
    for r, lo, size in ((1, lake1_out, 6), (2, lake2_out, 4)):
        if lo is None:
            continue
        cells = [lo]
        while len(cells) < size:
            cand = [q for c2 in cells for q in up.get(c2, ()) if q not in cells and reach[q[0]][q[1]] == 0]
            if not cand:
                break
            # compact lakes: prefer squares touching more of the lake
            touch = lambda q: sum(1 for _c, a, b in neighbours8(*q) if (a, b) in cells)
            cells.append(max(cand, key=lambda q: (touch(q), acc[q[0]][q[1]], q)))
        for q in cells:
            reach[q[0]][q[1]] = r
        lakes.append(cells)

    # Contours from the local relief (steeper squares are crossed by more
    # contour lines), channels from relief with some scatter.
    cintv = 10.0
    cont = [[0] * nx for _ in range(ny)]
    chan = [[0] * nx for _ in range(ny)]
    relief = {}
    for (i, j) in order:
        near = [elev[a][b] for _c, a, b in neighbours8(i, j) if inside(a, b)] + [elev[i][j]]
        relief[(i, j)] = (max(near) - min(near)) / 100.0
    by_relief = sorted(order, key=lambda p: (relief[p], p))
    for r, (i, j) in enumerate(by_relief):
        q = r * 5 // len(by_relief)
        cont[i][j] = 1 + q
        chan[i][j] = min(5, max(1, 1 + q + rng.choice((-1, 0, 0, 1))))

    # Land cover: percentages from elevation, relief, drainage, lakes and a
    # small town by the outlet.
    zmin = min(elev[i][j] for (i, j) in order)
    zmax = max(elev[i][j] for (i, j) in order)
    names = [c for c in classes]
    kinds = [class_kind(c) for c in names]
    cover = [[[0] * nx for _ in range(ny)] for _ in names]
    tc = sub or outlet  # a town at the gauge
    for (i, j) in order:
        h = (elev[i][j] - zmin) / max(1, zmax - zmin)
        rel = relief[(i, j)]
        a = acc[i][j]
        town = max(0.0, 1.0 - math.hypot(i - tc[0], j - tc[1]) / 3.5)
        w = []
        open_seen = 0
        for k in kinds:
            if k == "forest":
                w.append(10 + 80 * h + 0.5 * rel + rng.uniform(0, 10))
            elif k == "open":
                w.append((45 * (1 - h) ** 2 if open_seen == 0 else 30 * (1 - h)) + rng.uniform(2, 12))
                open_seen += 1
            elif k == "wetland":
                wet = 35 * (1 - h) * (1.0 if rel < 40 else 0.3) + (25 if a > 5 else 0) + rng.uniform(0, 15)
                w.append(wet if rng.random() < 0.75 else rng.uniform(0, 3))
            elif k == "water":
                w.append((4 if iak[i][j] == 3 else 0.5 if iak[i][j] == 2 else 0) + rng.uniform(0, 1))
            else:  # impervious
                w.append(60 * town + (2 if rng.random() < 0.15 else 0))
        if reach[i][j]:
            wk = kinds.index("water")
            w = [x * 0.15 for x in w]
            w[wk] = rng.uniform(70, 90)
        pct = largest_remainder([max(x, 0.01) for x in w])
        for k in range(len(names)):
            cover[k][i][j] = pct[k]
    for k in range(len(names)):
        cover[k][recv[0]][recv[1]] = cover[k][io][jc]
    iak[recv[0]][recv[1]] = iak[io][jc]
    cont[recv[0]][recv[1]] = cont[io][jc]
    chan[recv[0]][recv[1]] = chan[io][jc]

    # Bankfull (optional block): a power of the drainage area.
    bank = [[0.0] * nx for _ in range(ny)]
    for (i, j) in order:
        bank[i][j] = round(0.35 * acc[i][j] ** 0.75 + 0.05, 3)

    B.ny, B.nx, B.mask, B.order = ny, nx, mask, order
    B.elev_units, B.elev_decimals = elev, 2
    B.frac, B.dirs, B.iak, B.cont, B.chan, B.reach = frac, dirs, iak, cont, chan, reach
    B.cover, B.names, B.bank = cover, names, bank
    B.lakes, B.sub_outlet = lakes, sub
    B.raw, B.relief, B.cintv = raw, relief, cintv
    B.rng = rng
    return B


def _largest_piece(mask):
    ny, nx = len(mask), len(mask[0])
    lab = [[0] * nx for _ in range(ny)]
    best, best_cells = 0, []
    n = 0
    for i in range(ny):
        for j in range(nx):
            if mask[i][j] and not lab[i][j]:
                n += 1
                stack, cells = [(i, j)], []
                lab[i][j] = n
                while stack:
                    a, b = stack.pop()
                    cells.append((a, b))
                    for da, db in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                        p, q = a + da, b + db
                        if 0 <= p < ny and 0 <= q < nx and mask[p][q] and not lab[p][q]:
                            lab[p][q] = n
                            stack.append((p, q))
                if len(cells) > best:
                    best, best_cells = len(cells), cells
    out = [[False] * nx for _ in range(ny)]
    for a, b in best_cells:
        out[a][b] = True
    return out


def _fill_holes(mask):
    ny, nx = len(mask), len(mask[0])
    outside = [[False] * nx for _ in range(ny)]
    stack = [(i, j) for i in range(ny) for j in (0, nx - 1)] + [(i, j) for j in range(nx) for i in (0, ny - 1)]
    for a, b in stack:
        outside[a][b] = True
    while stack:
        a, b = stack.pop()
        for da, db in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            p, q = a + da, b + db
            if 0 <= p < ny and 0 <= q < nx and not mask[p][q] and not outside[p][q]:
                outside[p][q] = True
                stack.append((p, q))
    return [[not outside[i][j] for j in range(nx)] for i in range(ny)]


def program_ranks(B):
    """Cell numbers as the program gives them: by descending elevation (as a
    32-bit real), equal values south row first, then west to east."""
    cells = []
    for i in range(B.ny):
        for j in range(B.nx):
            if B.elev_units[i][j] > 0:
                cells.append((-f32(B.elev_units[i][j] / 10 ** B.elev_decimals), i, j))
    cells.sort()
    return {(i, j): n + 1 for n, (_e, i, j) in enumerate(cells)}


def pick_subwatershed_outlet(B):
    """A main-stem square holding about half the basin whose downstream square
    has no other inflow, so that the cut-out is exactly its watershed."""
    total = B.acc[B.outlet[0]][B.outlet[1]]
    best = None
    for p in sorted(B.main):
        a = B.acc[p[0]][p[1]]
        d = B.down[p]
        if p == B.outlet or d == B.recv or len(B.up.get(d, ())) != 1 or not (0.4 * total <= a <= 0.75 * total):
            continue
        score = abs(a - 0.55 * total)
        if best is None or score < best[0]:
            best = (score, p)
    return best[1] if best else None


def _upstream(B, p):
    seen, stack = {p}, [p]
    while stack:
        q = stack.pop()
        for r in B.up.get(q, ()):
            if r not in seen:
                seen.add(r)
                stack.append(r)
    return seen


DEMO_CLASSES = ["grass", "crops", "forest", "wetland", "water", "impervious"]


# --------------------------------------------------------------------------
# Benchmark basins (herringbone valleys, written row by row)
# --------------------------------------------------------------------------
#
# Heights in units of 1 cm (A per row northwards, B per column away from the
# main valley, C per row up a hillside, side valleys every P rows, D for the
# main valley's depth).  A > C * (P - 1), so within a column the height grows
# northwards and (height, column) identifies every square: a column-dependent
# fraction of a centimetre makes all written elevations distinct.  Margins
# between competing drops are several centimetres, far above that fraction and
# above a 32-bit real's resolution, so every square's steepest lower
# neighbour is the same whether taken from the text or from 32-bit reals.

BENCH_P, BENCH_C, BENCH_E, BENCH_B, BENCH_D = 8, 10, 6, 24, 40
BENCH_A = BENCH_C * (BENCH_P - 1) + BENCH_E
BENCH_CLASSES = ["crops", "grass", "deciduous", "conifer", "mixed_forest", "wetland", "water", "impervious"]


class BenchGrid:
    """nx columns by ny rows: the main valley runs north up column nx // 2,
    the side valleys go east and west from it every BENCH_P rows."""

    def __init__(self, nx, ny=None, seed=11):
        ny = nx if ny is None else ny
        self.nx, self.ny = nx, ny
        self.jc = nx // 2
        # the column number is the tie-breaking fraction, so the padding
        # follows the column count
        self.npad = 10 ** max(2, len(str(nx - 1)))
        self.dec = 2 + len(str(self.npad)) - 1
        self.seed = seed
        lake_len = max(2, ny // 60)
        self.lakes = [(1, max(4, ny // 6), lake_len), (2, max(4 + lake_len + 3, ny // 2), lake_len)]

    def inside(self, i, j):
        return 2 <= i <= self.ny - 3 and 2 <= j <= self.nx - 3

    def units(self, i, j):
        """Height in 1/npad cm above the datum (100 m below the outlet band)."""
        k = abs(j - self.jc)
        d = (i - 2) % BENCH_P
        if j == self.jc:
            coarse = BENCH_A * (i - 2) - BENCH_D
        else:
            coarse = BENCH_A * (i - 2) + BENCH_B * k + BENCH_C * d
        return (coarse + 10000) * self.npad + j

    def units_row(self, i):
        """units(i, j) for every column j of row i (the same integers, made
        without a call per square)."""
        npad, jc = self.npad, self.jc
        cols = getattr(self, "_cols", None)
        if cols is None:
            cols = self._cols = [BENCH_B * abs(j - jc) * npad + j for j in range(self.nx)]
        base = (BENCH_A * (i - 2) + BENCH_C * ((i - 2) % BENCH_P) + 10000) * npad
        row = [base + c for c in cols]
        row[jc] = (BENCH_A * (i - 2) - BENCH_D + 10000) * npad + jc
        return row

    def elev(self, i, j):
        return self.units(i, j) / (100.0 * self.npad)

    def recv(self):
        return (1, self.jc)

    def recv_units(self):
        return self.units(2, self.jc) - 500 * self.npad

    def row_key(self, i):
        return ((i - 2) % BENCH_P, i == 2, i == self.ny - 3)

    def dirs_row(self, i):
        nx = self.nx
        ys = (i - 1, i, i + 1)
        z = {y: self.units_row(y) for y in ys}
        zz = _RowView(z)
        out = [0] * nx
        inside = self.inside
        for j in range(nx):
            if not inside(i, j):
                continue
            extra = self.recv() if (i, j) == (2, self.jc) else None
            out[j] = steepest(zz, i, j, inside, extra=extra)
        return out

    def reach_at(self, i, j):
        if j != self.jc:
            return 0
        for r, start, length in self.lakes:
            if start <= i < start + length:
                return r
        return 0


class _RowView:
    """z[i][j] over three cached rows, for steepest()."""

    def __init__(self, rows):
        self.rows = rows

    def __getitem__(self, i):
        return self.rows[i]


def bench_class_templates(seed):
    rng = random.Random(seed)
    kinds = [class_kind(c) for c in BENCH_CLASSES]
    temps = []
    for t in range(12):
        w = []
        for k in kinds:
            if k == "water":
                w.append(rng.uniform(0, 3))
            elif k == "impervious":
                w.append(rng.uniform(0, 8))
            elif k == "wetland":
                w.append(rng.uniform(0, 40) if t % 3 else rng.uniform(0, 4))
            else:
                w.append(rng.uniform(5, 40))
        temps.append(largest_remainder(w))
    lake = largest_remainder([2, 3, 1, 1, 1, 8, 82, 2])
    main = largest_remainder([15, 20, 8, 8, 8, 25, 12, 4])
    return temps, main, lake
