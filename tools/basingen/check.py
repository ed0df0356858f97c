"""Reading a basin folder back and checking it independently of the writers."""

import os

from .d8 import D8
from .terrain import class_kind, f32, steepest


class CheckError(Exception):
    pass


def _tokens_lines(path):
    with open(path) as f:
        return f.read().split("\n")


def read_map(path):
    lines = _tokens_lines(path)
    hdr, pos = {}, 0
    while True:
        if pos >= len(lines):
            raise CheckError("no :endHeader line")
        ln = lines[pos]
        pos += 1
        if ln[:10] == ":endHeader":
            break
        parts = ln.replace(",", " ").split()
        if parts and parts[0].startswith(":") and len(parts) > 1:
            hdr[parts[0]] = parts[1]
    nx, ny = int(hdr[":xCount"]), int(hdr[":yCount"])

    def block(conv):
        nonlocal pos
        title = lines[pos]
        pos += 1
        rows = []
        for _ in range(ny):
            vals = lines[pos].split()
            pos += 1
            if len(vals) != nx:
                raise CheckError("row of %d values, %d expected (block %r)" % (len(vals), nx, title))
            rows.append([conv(v) for v in vals])
        rows.reverse()  # row 0 = south
        return title, rows

    def as_int(v):
        if not v.lstrip("-").isdigit():
            raise CheckError("integer block holds %r" % v)
        return int(v)

    M = {"hdr": hdr, "nx": nx, "ny": ny}
    _t, M["elev_text"] = block(str)
    _t, M["frac"] = block(float)
    for key in ("dirs", "iak", "cont", "chan", "reach"):
        _t, M[key] = block(as_int)
    ncls = int(float(hdr[":classCount"]))
    M["names"], M["cover"] = [], []
    for _ in range(ncls):
        title, rows = block(as_int)
        M["names"].append(title.split()[0])
        M["cover"].append(rows)
    rest = [ln for ln in lines[pos:] if ln.strip()]
    M["bankfull"] = bool(rest)
    return M


def _units(texts):
    dec = 0
    for row in texts:
        for t in row:
            if "." in t:
                dec = max(dec, len(t) - t.index(".") - 1)
    out = []
    for row in texts:
        r = []
        for t in row:
            if "." in t:
                a, b = t.split(".")
                b = (b + "0" * dec)[:dec]
                r.append(int(a) * 10 ** dec + (int(b) if b else 0))
            else:
                r.append(int(t) * 10 ** dec)
        out.append(r)
    return out, dec


def check_folder(folder, full_d8=True, verbose=True):
    """Read a basin folder back and check it.  Returns a summary dict."""
    say = print if verbose else (lambda *a: None)
    M = read_map(os.path.join(folder, "zelm.map"))
    nx, ny = M["nx"], M["ny"]
    z, dec = _units(M["elev_text"])
    frac, dirs = M["frac"], M["dirs"]
    basin = [(i, j) for i in range(ny) for j in range(nx) if frac[i][j] > 0]
    bset = set(basin)
    inside = lambda a, b: (a, b) in bset
    recv = [(i, j) for i in range(ny) for j in range(nx) if z[i][j] > 0 and frac[i][j] <= 0]
    if len(recv) != 1:
        raise CheckError("%d receiving squares, 1 expected" % len(recv))
    recv = recv[0]
    for (i, j) in basin:
        if z[i][j] <= 0:
            raise CheckError("basin square %d,%d without elevation" % (i + 1, j + 1))
    for i in range(ny):
        for j in range(nx):
            if (i in (0, ny - 1) or j in (0, nx - 1)) and (z[i][j] or frac[i][j]):
                raise CheckError("outer ring not blank at %d,%d" % (i + 1, j + 1))
    if recv[0] in (0, ny - 1) or recv[1] in (0, nx - 1):
        raise CheckError("receiving square on the grid edge")
    zr = z[recv[0]][recv[1]]
    scale = 10 ** dec
    if any(z[i][j] <= zr or f32(z[i][j] / scale) <= f32(zr / scale) for (i, j) in basin):
        raise CheckError("receiving square not below every basin square")
    into_recv = 0
    for (i, j) in basin:
        c = dirs[i][j]
        if c not in D8:
            raise CheckError("direction %d at %d,%d" % (c, i + 1, j + 1))
        a, b = i + D8[c][0], j + D8[c][1]
        if (a, b) == recv:
            into_recv += 1
        elif (a, b) not in bset:
            raise CheckError("square %d,%d drains out of the basin" % (i + 1, j + 1))
        if not (z[a][b] < z[i][j] and f32(z[a][b] / scale) < f32(z[i][j] / scale)):
            raise CheckError("square %d,%d does not drain to a lower square" % (i + 1, j + 1))
        if full_d8:
            want = steepest(z, i, j, inside, extra=recv if (a, b) == recv else None)
            if want != c:
                raise CheckError("square %d,%d: direction %d, steepest descent gives %d" % (i + 1, j + 1, c, want))
    if into_recv != 1:
        raise CheckError("%d squares drain into the receiving square" % into_recv)
    for key, lo, hi in (("iak", 1, 3), ("cont", 1, 5), ("chan", 1, 5)):
        vals = {M[key][i][j] for (i, j) in basin}
        if min(vals) < lo or max(vals) > hi:
            raise CheckError("%s outside %d..%d" % (key, lo, hi))
    if {M["iak"][i][j] for (i, j) in basin} != {1, 2, 3}:
        raise CheckError("not all three river classes are used")
    ncls = len(M["names"])
    names = M["names"]
    wk = ncls - 2
    for (i, j) in basin:
        s = sum(M["cover"][k][i][j] for k in range(ncls))
        if s != 100:
            raise CheckError("class percentages sum to %d at %d,%d" % (s, i + 1, j + 1))
        if M["cover"][wk][i][j] >= 100 and M["reach"][i][j] == 0:
            raise CheckError("100%% water without a reach at %d,%d" % (i + 1, j + 1))
    for i in range(ny):
        for j in range(nx):
            if (i, j) not in bset and (i, j) != recv:
                if any(M[key][i][j] for key in ("dirs", "iak", "cont", "chan", "reach")) or \
                        any(M["cover"][k][i][j] for k in range(ncls)):
                    raise CheckError("values outside the basin at %d,%d" % (i + 1, j + 1))
    # lakes: reach 1 and 2, each ending in exactly one square
    reaches = {}
    for (i, j) in basin:
        r = M["reach"][i][j]
        if r:
            reaches.setdefault(r, []).append((i, j))
    if sorted(reaches) != [1, 2]:
        raise CheckError("reaches %s, expected 1 and 2" % sorted(reaches))
    for r, cells in reaches.items():
        ends = 0
        for (i, j) in cells:
            a, b = i + D8[dirs[i][j]][0], j + D8[dirs[i][j]][1]
            if M["reach"][a][b] != r:
                ends += 1
        if ends != 1:
            raise CheckError("reach %d ends in %d places" % (r, ends))
        if min(M["cover"][wk][i][j] for (i, j) in cells) < 10:
            raise CheckError("reach %d has squares with little water" % r)
    if class_kind(names[-1]) != "impervious" or class_kind(names[-2]) != "water" or \
            class_kind(names[-3]) != "wetland":
        raise CheckError("classes must end with wetland, water, impervious: %s" % names)
    partial = sum(1 for (i, j) in basin if 0 < frac[i][j] < 100)
    if not partial:
        raise CheckError("no partial fractions on the edge")
    flat = len({z[i][j] for (i, j) in basin})
    summary = {"cells": len(basin), "receiving": (recv[0] + 1, recv[1] + 1), "partial": partial,
               "distinct": flat, "classes": names, "bankfull": M["bankfull"]}
    say("map: %d x %d, %d basin squares (%d partial), receiving square row %d col %d, "
        "%d distinct elevations, classes %s%s" % (nx, ny, len(basin), partial, recv[0] + 1, recv[1] + 1,
                                                  flat, " ".join(names),
                                                  ", bankfull block" if M["bankfull"] else ""))

    # answers
    R = _tokens_lines(os.path.join(folder, "zel_responses.txt"))
    if R[-1] == "":
        R = R[:-1]
    if len(R) != 14:
        raise CheckError("zel_responses.txt has %d lines" % len(R))
    keys = ["version_#", "map_file_name", "par_file_name", "initial", "no_outlets_&_locations",
            "no_inlets_&_locations", "wetland_split_%", "split_type_1~2", "min_allowed_slope",
            "adjust_frac_y|n", "nca_choice_1|2", "%_to_use(choice_1)", "nca_classes(1-3)(choice_2)",
            "create_max|mean.r2c_y~n"]
    widths = [26, 30, 30, 30, 23, 23, 30, 30, 30, 30, 26, 30, 26, 30]
    for ln, key, w in zip(R, keys, widths):
        if ln[:w].rstrip() != key or len(ln) <= w:
            raise CheckError("answers line %r" % ln)
    val = [ln[w:] for ln, w in zip(R, widths)]
    outs = [int(v) for v in val[4].split()]
    if outs[0] != len(outs) - 1:
        raise CheckError("outlet count does not match")
    split = float(val[6])
    par_name = val[2].strip()
    say("answers: outlets %s, inlets %s, split %.1f type %s, nca %s choice %s, dem %s, par %s" % (
        outs[1:], val[5].split()[1:], split, val[7].strip(), val[9].strip(), val[10].strip(),
        val[13].strip(), par_name))
    if val[13].strip() == "y" and not os.path.exists(os.path.join(folder, "dem.r2s")):
        say("note: DEM statistics asked for without dem.r2s")

    # class combination and the classes of the run
    run_classes = ncls
    cc = os.path.join(folder, "class_combine.csv")
    if os.path.exists(cc):
        L = [ln for ln in _tokens_lines(cc) if ln]
        if L[0].split(",")[1].strip() != "2":
            raise CheckError("class_combine.csv is not version 2")
        recs = [ln.split(",") for ln in L[2:]]
        for r in recs:
            if len(r) < 5 or " " in ",".join(r) or not (1 <= int(r[2]) <= ncls) or not (1 <= int(r[3]) <= ncls):
                raise CheckError("class_combine.csv record %s" % r)
        run_classes = max(int(r[3]) for r in recs)
        say("class_combine.csv: %d records, %d classes after combination" % (len(recs), run_classes))
    if split > 0:
        run_classes += 1
    if val[9].strip() == "y" and int(val[10]) == 2:
        run_classes += int(val[12])

    # parameter file
    pf = os.path.join(folder, "basin_par.csv")
    if os.path.exists(pf):
        P = _read_par(pf)
        ncp = int(P[":LandCoverClasses"][0])
        if par_name.startswith("na") or not par_name:
            pass
        elif ncp != run_classes:
            raise CheckError("parameter file has %d land-cover classes, the run has %d" % (ncp, run_classes))
        if int(P[":RiverClasses"][0]) != 3:
            raise CheckError("parameter file river classes")
        _check_par_values(P, ncp, 3)
        say("basin_par.csv: %d land-cover classes, 3 river classes, values pass the checks" % ncp)

    # DEM
    dp = os.path.join(folder, "dem.r2s")
    if os.path.exists(dp):
        H, V = read_r2s(dp, float)
        k = int(H[":xCount"]) // nx
        if int(H[":xCount"]) != k * nx or int(H[":yCount"]) != k * ny:
            raise CheckError("dem.r2s size is not a multiple of the map's")
        if abs(float(H[":xOrigin"]) - float(M["hdr"][":xOrigin"])) > 1e-6:
            raise CheckError("dem.r2s origin")
        worst = 0.0
        sums = {}
        for r in range(k * ny):
            row = V[r]
            for c in range(k * nx):
                key = (r // k, c // k)
                if key in bset:
                    sums[key] = sums.get(key, 0.0) + row[c]
        for (i, j), s in sums.items():
            mean = s / (k * k)
            worst = max(worst, abs(mean - z[i][j] / scale))
        if worst > 60.0:
            raise CheckError("dem.r2s mean departs %.1f m from a map elevation" % worst)
        say("dem.r2s: %d x %d (%d x finer), square means within %.1f m of the map elevations" % (
            k * nx, k * ny, k, worst))
    np_ = os.path.join(folder, "nca.r2s")
    if os.path.exists(np_):
        L = _tokens_lines(np_)
        if not L[12].startswith(":Projection"):
            raise CheckError("nca.r2s: projection not on line 13")
        H, V = read_r2s(np_, str)
        ones = sum(1 for row in V for v in row if v == "1")
        if any(v not in ("0", "1") for row in V for v in row):
            raise CheckError("nca.r2s values other than 0 and 1")
        say("nca.r2s: %s x %s, %d non-contributing pixels" % (H[":xCount"], H[":yCount"], ones))
    return summary


def read_r2s(path, conv):
    lines = _tokens_lines(path)
    H, pos = {}, 0
    while lines[pos][:10] not in (":EndHeader", ":endHeader"):
        p = lines[pos].split()
        if p and len(p) > 1:
            H[p[0]] = p[1]
        pos += 1
    pos += 1
    nx, ny = int(H[":xCount"]), int(H[":yCount"])
    V = []
    for r in range(ny):
        vals = lines[pos + r].split()
        if len(vals) != nx:
            raise CheckError("%s: row %d has %d values" % (path, r + 1, len(vals)))
        V.append([conv(v) for v in vals])
    return H, V


def _read_par(path):
    P = {}
    for ln in _tokens_lines(path):
        if not ln.startswith(":"):
            continue
        body = ln.split("#")[0]
        parts = [p.strip() for p in body.split(",")]
        P[parts[0]] = [p for p in parts[1:] if p]
    return P


def _check_par_values(P, nc, nrvr):
    fl = lambda k: [float(v) for v in P[k]]
    for k, v in P.items():
        pass
    ak, akfs = fl(":ak"), fl(":akfs")
    for c in range(nc):
        if c == nc - 2:
            if not (ak[c] < 0 and akfs[c] < 0):
                raise CheckError("water class needs negative ak and akfs")
        elif ak[c] <= 0 or akfs[c] <= 0:
            raise CheckError("ak/akfs of class %d not positive" % (c + 1))
    checks = [(":rec", lambda v: v >= 0), (":ffcap", lambda v: v > 0), (":spore", lambda v: v > 0),
              (":ak2", lambda v: v <= 1), (":ak2fs", lambda v: v <= 1), (":fratio", lambda v: 0.01 <= v <= 10),
              (":fratiohgh", lambda v: v <= 10), (":fratiolow", lambda v: v >= 0.01),
              (":sublim_factor", lambda v: v <= 0.75)]
    for key, ok in checks:
        vals = fl(key)
        if len(vals) < nc or not all(ok(v) for v in vals[:nc]):
            raise CheckError("parameter %s fails its check" % key)
    for key in (":flz", ":widep"):
        if not all(v > 0 for v in fl(key)[:nrvr]):
            raise CheckError("parameter %s fails its check" % key)
    if not all(0.1 <= v <= 4.0 for v in fl(":pwr")[:nrvr]):
        raise CheckError("pwr out of range")
    g = lambda k: float(P[k][0])
    if not (0.5 <= g(":a7") <= 0.99 and 0.333 <= g(":a9") <= 5.0 and 0.5 <= g(":a10") <= 3.0):
        raise CheckError("a7/a9/a10 out of range")
    if g(":tempa3") < 0.0001 or fl(":fpet")[nc - 2] <= 0:
        raise CheckError("tempa3 or water fpet")
    if g(":smoothdist") > 0.5 * g(":radiusinflce"):
        raise CheckError("smoothdist above half the radius of influence")
    if g(":flgevp2") in (2.0, 4.0) and g(":lat") == 0:
        raise CheckError("lat needed")
    for key, n in ((":ClassName", nc), (":RiverClassName", nrvr)):
        if len(P[key]) < n or any(len(x) > 10 for x in P[key]):
            raise CheckError("%s names" % key)
    for key in [k for k in P if k.startswith((":IntCap_", ":Montly_ET_"))]:
        if len(P[key]) < nc:
            raise CheckError("%s too short" % key)
