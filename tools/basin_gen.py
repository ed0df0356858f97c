#!/usr/bin/env python3
"""Synthetic basin folders for ZEL.

Writes everything a ZEL run needs in one folder: the basin map (zelm.map), a
parameter file that passes every check (basin_par.csv), class_combine.csv,
dem.r2s, nca.r2s and zel_responses.txt.  Standard library only; the same
seed always gives the same bytes.

  basin_gen.py demo OUT [--outlet-rank auto|N]   the example basin (40 x 30)
  basin_gen.py basin OUT [options]                a shaped basin of any size
  basin_gen.py bench OUT [--sizes ...] [--big]    benchmark basins (n x n)
  basin_gen.py check OUT                          read a folder back and check it

Two terrain builders:
  * shaped basins (demo, basin): an irregular basin outline, a tilted valley
    with a meandering main stream and slanted side valleys plus noise, pits
    removed by a priority flood from the outlet, D8 by steepest descent;
  * bench basins: a square basin with a herringbone valley system whose
    elevations are written row by row, so that 4000 x 4000 grids stay cheap.
Both give every basin square a strictly lower basin neighbour and one
receiving square just outside the basin edge, below every basin square.
"""

import argparse
import heapq
import math
import os
import random
import struct
import sys

# D8 codes: 1=ne,2=e,3=se,4=s,5=sw,6=w,7=nw,8=n; rows count from the south.
D8 = {1: (1, 1), 2: (0, 1), 3: (-1, 1), 4: (-1, 0), 5: (-1, -1), 6: (0, -1), 7: (1, -1), 8: (1, 0)}
D8_DIST = {c: (1.4142 if di and dj else 1.0) for c, (di, dj) in D8.items()}

FIXED_DATE = "2016-03-06  12:00"
GENERATOR = "tools/basin_gen.py"


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


def fmt_frac(v):
    if v == 0:
        return "0"
    if v == int(v):
        return "%d" % v
    return "%.1f" % v


# --------------------------------------------------------------------------
# Land-cover kinds and the parameter file
# --------------------------------------------------------------------------

def class_kind(name):
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


HYDRO = {  # ds dsfs rec ak akfs retn ak2 ak2fs r3 r3fs r4 fpet ftall flint fcap ffcap spore fratio
    "open": (5.0, 5.0, 0.30, 12.0, 10.0, 40.0, 0.020, 0.020, 25.0, 25.0, 10.0, 2.5, 1.0, 1, 150.0, 0.1, 0.30, 1.0),
    "forest": (8.0, 8.0, 0.20, 8.0, 8.0, 80.0, 0.015, 0.015, 40.0, 40.0, 10.0, 2.0, 0.7, 1, 200.0, 0.1, 0.35, 1.0),
    "wetland": (2.0, 2.0, 0.10, 3.0, 3.0, 100.0, 0.010, 0.010, 20.0, 20.0, 10.0, 1.5, 1.0, 1, 300.0, 0.1, 0.40, 1.0),
    "water": (0.0, 0.0, 0.00, -1.0, -1.0, 0.0, 0.000, 0.000, 10.0, 10.0, 10.0, 1.0, 1.0, 0, 0.0, 0.1, 0.30, 1.0),
    "impervious": (1.0, 1.0, 0.10, 0.5, 0.5, 1.0, 0.001, 0.001, 5.0, 5.0, 5.0, 1.0, 1.0, 0, 10.0, 0.1, 0.05, 1.0),
}
HYDRO_KEYS = (":ds", ":dsfs", ":rec", ":ak", ":akfs", ":retn", ":ak2", ":ak2fs", ":r3", ":r3fs", ":r4",
              ":fpet", ":ftall", ":flint", ":fcap", ":ffcap", ":spore", ":fratio")
HYDRO_NOTES = ("depression storage bare ground mm", "depression storage snow covered mm",
               "interflow coefficient", "infiltration coefficient bare ground (water < 0)",
               "infiltration coefficient snow covered (water < 0)", "upper zone retention mm",
               "recharge coefficient bare ground", "recharge coefficient snow covered",
               "overland flow roughness bare ground", "overland flow roughness snow covered",
               "overland flow roughness impervious", "interception evaporation factor",
               "tall vegetation PET reduction", "interception flag", "not used (see retn)",
               "wilting point mm", "soil porosity", "interception capacity multiplier")

SNOW = {  # fm base fmn uadj tipm rho whcl alb sublim snocap sdcsca sdcd
    "open": (0.12, -1.0, 0.10, 2.5, 0.10, 0.333, 0.035, 0.11, 0.30, 500.0, 1.0, 50.0),
    "forest": (0.08, 0.0, 0.10, 2.5, 0.10, 0.333, 0.035, 0.11, 0.20, 500.0, 1.0, 100.0),
    "wetland": (0.10, -1.0, 0.10, 2.5, 0.10, 0.333, 0.035, 0.11, 0.25, 500.0, 1.0, 60.0),
    "water": (0.12, 0.0, 0.10, 2.5, 0.10, 0.333, 0.035, 0.11, 0.30, 500.0, 1.0, 50.0),
    "impervious": (0.15, 0.0, 0.10, 2.5, 0.10, 0.333, 0.035, 0.11, 0.30, 500.0, 1.0, 30.0),
}
INTCAP = {
    "open": (0.5, 0.5, 0.6, 0.8, 1.2, 1.5, 1.5, 1.5, 1.2, 0.8, 0.6, 0.5),
    "forest": (1.5, 1.5, 1.6, 2.0, 2.6, 3.0, 3.0, 3.0, 2.6, 2.0, 1.6, 1.5),
    "wetland": (0.5, 0.5, 0.6, 0.8, 1.0, 1.2, 1.2, 1.2, 1.0, 0.8, 0.6, 0.5),
    "water": (0.0,) * 12,
    "impervious": (0.0,) * 12,
}
ET_SHAPE = (0.0, 0.0, 10.0, 40.0, 90.0, 120.0, 130.0, 110.0, 70.0, 30.0, 5.0, 0.0)
ET_SCALE = {"open": 1.0, "forest": 1.1, "wetland": 1.2, "water": 1.3, "impervious": 0.5}
MONTHS = ("Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec")

RIVER = {  # per river class 1..3
    ":flz": (1.0e-5, 2.0e-5, 3.0e-5), ":pwr": (2.5, 2.0, 1.5), ":r1n": (0.10, 0.09, 0.08),
    ":r2n": (0.040, 0.035, 0.030), ":mndr": (1.2, 1.15, 1.1), ":aa2": (0.1, 0.5, 1.0),
    ":aa3": (0.04, 0.05, 0.06), ":aa4": (0.9, 0.85, 0.8), ":theta": (0.5, 0.5, 0.5),
    ":widep": (20.0, 30.0, 40.0), ":kcond": (0.3, 0.3, 0.3), ":pool": (0.0, 0.0, 0.0),
    ":rlake": (0.0, 0.0, 0.0),
}
RIVER_NOTES = {":flz": "lower zone coefficient", ":pwr": "lower zone exponent",
               ":r1n": "overbank Manning n", ":r2n": "channel Manning n",
               ":mndr": "meander multiplier", ":aa2": "channel area intercept",
               ":aa3": "channel area coefficient", ":aa4": "channel area exponent",
               ":theta": "wetland/bank porosity", ":widep": "width to depth ratio",
               ":kcond": "wetland/bank lateral conductivity", ":pool": "zero-flow pool area",
               ":rlake": "in-channel lake retardation"}


def num(v):
    if isinstance(v, int):
        return "%d" % v
    if v != 0 and (abs(v) < 1e-3 or abs(v) >= 1e6):
        return "%.3E" % v
    s = "%.4f" % v
    s = s.rstrip("0")
    return s + "0" if s.endswith(".") else s


def par_line(key, values, note=None, width=10):
    text = "%-16s" % (key + ",") + ",".join("%*s" % (width, num(v) if not isinstance(v, str) else v)
                                            for v in values)
    if note:
        text += "   # " + note
    return text


def par_text(class_names, nrvr=3, title="synthetic basin", lat=46.5):
    """A parameter file for `class_names` (the classes of the run, impervious
    last, water second to last) and `nrvr` river classes."""
    kinds = [class_kind(c) for c in class_names]
    nc = len(class_names)
    if kinds[-2] != "water" or kinds[-1] != "impervious":
        raise ValueError("class list must end with water and impervious: %s" % class_names)
    rv = lambda key: [RIVER[key][min(k, 2)] for k in range(nrvr)]
    L = []
    L.append("# ZEL parameter file for the %s" % title)
    L.append("# written by %s; %d land-cover classes, %d river classes" % (GENERATOR, nc, nrvr))
    L.append("# water is class %d (negative ak and akfs), impervious is class %d" % (nc - 1, nc))
    L.append("#")
    L.append(":FileType,par_file,ASCII")
    L.append(":Application,ZEL")
    L.append("#")
    L.append(":GlobalParameters")
    glob = [(":iopt", 0, "debug level"), (":itype", 0, "channel type"), (":itrace", 0, "tracer choice"),
            (":a1", -999.0, "ice cover weighting factor"), (":a2", 1.0, "in-stream lake correction"),
            (":a3", 0.0, "error penalty coefficient"), (":a4", 0.0, "error penalty threshold"),
            (":a5", 0.985, "API coefficient"), (":a6", 900.0, "minimum routing time step s"),
            (":a7", 0.9, "weighting old vs new sca"), (":a8", 0.1, "minimum temperature offset"),
            (":a9", 0.333, "heat deficit to swe ratio"), (":a10", 1.0, "uz discharge exponent"),
            (":a11", 0.1, "bare ground equivalent vegetation height"),
            (":a12", 0.0, "minimum precipitation rate for smearing"),
            (":fmadjust", 0.0, "snowmelt ripening rate"), (":fmalow", 0.0, "minimum melt factor multiplier"),
            (":fmahigh", 0.0, "maximum melt factor multiplier"), (":gladjust", 1.0, "glacier melt multiplier"),
            (":rlapse", 0.0, "precipitation lapse rate mm/m"), (":tlapse", 0.0065, "temperature lapse rate C/m"),
            (":elvref", 300.0, "reference elevation"), (":rainsnowtemp", 2.0, "rain/snow temperature"),
            (":radiusinflce", 100.0, "radius of influence km"), (":smoothdist", 20.0, "smoothing distance km"),
            (":flgevp2", 2.0, "evaporation method (2 = Hargreaves)"), (":albe", 0.11, "albedo"),
            (":tempa2", 50.0, ""), (":tempa3", 50.0, ""), (":tton", 0.0, ""),
            (":lat", lat, "mid-basin latitude")]
    for k, v, note in glob:
        L.append(par_line(k, [v], note or None))
    for t in range(1, 6):
        L.append(par_line(":chnl(%d)" % t, [1.0], "Manning n multiplier channel type %d" % t))
    L.append(":EndGlobalParameters")
    L.append("#")
    L.append(":RoutingParameters")
    L.append(par_line(":RiverClasses", [nrvr], "number of river classes"))
    L.append(par_line(":RiverClassName", ["river%d" % (k + 1) for k in range(nrvr)]))
    for key in (":flz", ":pwr", ":r1n", ":r2n", ":mndr", ":aa2", ":aa3", ":aa4", ":theta", ":widep",
                ":kcond", ":pool", ":rlake"):
        L.append(par_line(key, rv(key), RIVER_NOTES[key]))
    L.append(":EndRoutingParameters")
    L.append("#")
    L.append(":HydrologicalParameters")
    L.append(par_line(":LandCoverClasses", [nc], "number of land-cover classes"))
    L.append(par_line(":ClassName", [c[:10] for c in class_names]))
    for idx, key in enumerate(HYDRO_KEYS):
        L.append(par_line(key, [HYDRO[k][idx] for k in kinds], HYDRO_NOTES[idx]))
    L.append(":EndHydrologicalParameters")
    L.append("#")
    L.append(":SnowParameters")
    skeys = (":fm", ":base", ":fmn", ":uadj", ":tipm", ":rho", ":whcl", ":alb", ":sublim_factor")
    for idx, key in enumerate(skeys):
        L.append(par_line(key, [SNOW[k][idx] for k in kinds]))
    L.append(par_line(":idump", list(range(1, nc + 1)), "receiving class for redistribution"))
    L.append(par_line(":snocap", [SNOW[k][9] for k in kinds]))
    L.append(par_line(":nsdc", [1] * nc))
    L.append(par_line(":sdcsca", [SNOW[k][10] for k in kinds]))
    L.append(par_line(":sdcd", [SNOW[k][11] for k in kinds]))
    L.append(":EndSnowParameters")
    L.append("#")
    L.append(":InterceptionCapacityTable")
    for m, mon in enumerate(MONTHS):
        L.append(par_line(":IntCap_" + mon, [INTCAP[k][m] for k in kinds]))
    L.append(":EndInterceptionCapacityTable")
    L.append("#")
    L.append(":MonthlyEvapotranspirationTable")
    for m, mon in enumerate(MONTHS):
        L.append(par_line(":Montly_ET_" + mon, [round(ET_SHAPE[m] * ET_SCALE[k], 1) for k in kinds]))
    L.append(":EndMonthlyEvapotranspirationTable")
    L.append("#")
    L.append(":OptimizationSwitches")
    for k, v, note in ((":numa", 0, "pattern search"), (":nper", 1, "delta steps"), (":kc", 5, "step halvings"),
                       (":maxn", 2000, "maximum trials"), (":ddsflg", 0, "single run"),
                       (":errflg", 1, "wMSE")):
        L.append(par_line(k, [v], note))
    L.append(":EndOptimizationSwitches")
    L.append("#")
    L.append(":APILimits")
    L.append(par_line(":a5dlt", [0.01]))
    L.append(par_line(":a5low", [0.95]))
    L.append(par_line(":a5hgh", [0.999]))
    L.append(":EndAPILimits")
    L.append("#")
    L.append(":HydrologicalParLimits")

    def triple(name, vals, lo=0.5, hi=2.0):
        L.append(par_line(":%sdlt" % name, [abs(v) * 0.1 if v > 0 else -1.0 for v in vals]))
        L.append(par_line(":%slow" % name, [v * lo if v > 0 else v for v in vals]))
        L.append(par_line(":%shgh" % name, [v * hi if v > 0 else v for v in vals]))

    col = lambda key: [HYDRO[k][HYDRO_KEYS.index(key)] for k in kinds]
    triple("ak", col(":ak"))
    triple("akfs", col(":akfs"))
    triple("rec", col(":rec"))
    triple("r3", col(":r3"))
    triple("fpet", col(":fpet"))
    triple("ftall", col(":ftall"), 0.5, 1.0)
    L.append(par_line(":fratiodlt", [0.1] * nc))
    L.append(par_line(":fratiolow", [0.5] * nc))
    L.append(par_line(":fratiohgh", [2.0] * nc))
    triple("retn", col(":retn"))
    triple("ak2", col(":ak2"), 0.5, 1.0)
    triple("ak2fs", col(":ak2fs"), 0.5, 1.0)
    L.append(":EndHydrologicalParLimits")
    L.append("#")
    L.append(":GlobalSnowParLimits")
    for name, v in (("fmadjust", 0.0), ("fmalow", 0.0), ("fmahigh", 0.0), ("gladjust", 1.0)):
        L.append(par_line(":%sdlt" % name, [-1.0]))
        L.append(par_line(":%slow" % name, [v]))
        L.append(par_line(":%shgh" % name, [v]))
    L.append(":EndGlobalSnowParLimits")
    L.append("#")
    L.append(":SnowParLimits")
    for name, idx in (("fm", 0), ("base", 1), ("sub", 8)):
        vals = [SNOW[k][idx] for k in kinds]
        L.append(par_line(":%sdlt" % name, [0.01] * nc))
        L.append(par_line(":%slow" % name, [v - abs(v) * 0.5 - (1.0 if name == "base" else 0.0) for v in vals]))
        L.append(par_line(":%shgh" % name, [v + abs(v) * 0.5 + (1.0 if name == "base" else 0.0) for v in vals]))
    L.append(":EndSnowParLimits")
    L.append("#")
    L.append(":RoutingParLimits")
    for key in (":flz", ":pwr", ":r2n", ":theta", ":kcond", ":rlake"):
        vals = rv(key)
        name = key[1:]
        L.append(par_line(":%sdlt" % name, [abs(v) * 0.1 for v in vals]))
        L.append(par_line(":%slow" % name, [v * 0.5 for v in vals]))
        L.append(par_line(":%shgh" % name, [v * 2.0 for v in vals]))
    L.append(":EndRoutingParLimits")
    L.append("#")
    L.append(":GlobalParLimits")
    for name, v in (("rlapse", 0.0), ("tlapse", 0.0065), ("radinfl", 100.0), ("smoothdis", 20.0)):
        L.append(par_line(":%sdlt" % name, [-1.0]))
        L.append(par_line(":%slow" % name, [v * 0.5]))
        L.append(par_line(":%shgh" % name, [v * 1.5]))
    L.append(":EndGlobalParLimits")
    return "\n".join(L) + "\n"


# --------------------------------------------------------------------------
# Small text files
# --------------------------------------------------------------------------

def responses_text(map_file="zelm.map", par_file="basin_par.csv", initials="ZEL", outlets=(), inlets=(),
                   split=0.0, split_type="2", min_slope=0.0001, adjust_nca="n", nca_choice=0,
                   nca_percent=0.0, nca_classes=0, dem_stats="n"):
    """zel_responses.txt, version 4: 14 lines in the program's own layout."""
    L = [
        "%-26s%5d" % ("version_#", 4),
        "%-30s%-40s" % ("map_file_name", map_file[:40]),
        "%-30s%-40s" % ("par_file_name", par_file[:40]),
        "%-30s%-40s" % ("initial", initials[:40]),
        "%-23s" % "no_outlets_&_locations" + "".join("%8d" % v for v in [len(outlets)] + list(outlets)),
        "%-23s" % "no_inlets_&_locations" + "".join("%8d" % v for v in [len(inlets)] + list(inlets)),
        "%-30s%12.7f" % ("wetland_split_%", split),
        # the type line always carries a character: a blank would leave the
        # free-format read short of a value and it would take the next line
        "%-30s%s" % ("split_type_1~2", split_type or "2"),
        "%-30s%12.7f" % ("min_allowed_slope", min_slope),
        "%-30s%s" % ("adjust_frac_y|n", adjust_nca),
        "%-26s%5d" % ("nca_choice_1|2", nca_choice),
        "%-30s%12.7f" % ("%_to_use(choice_1)", nca_percent),
        "%-26s%5d" % ("nca_classes(1-3)(choice_2)", nca_classes),
        "%-30s%s" % ("create_max|mean.r2c_y~n", dem_stats),
    ]
    return "\n".join(L) + "\n"


def combine_text(records):
    """class_combine.csv, version 2. records: (old name, new name, old no, new no, output name)."""
    L = ["version,2", "old_class_name,new_class_name,old_class_no,new_class_no,new_class_label"]
    for r in records:
        L.append("%s,%s,%d,%d,%s" % r)
    return "\n".join(L) + "\n"


def geometry_lines(proj, zone, datum, xo, yo, nx, ny, dx, dy):
    """The projection and grid lines shared by the r2s and map headers."""
    L = [":Projection              " + proj]
    if proj == "UTM":
        L.append(":Zone                    " + zone)
    L.append(":Ellipsoid               " + datum)
    L += ["#",
          ":xOrigin                 " + coord(xo, proj),
          ":yOrigin                 " + coord(yo, proj),
          "#",
          ":xCount                  %d" % nx,
          ":yCount                  %d" % ny,
          ":xDelta                  " + coord(dx, proj, delta=True),
          ":yDelta                  " + coord(dy, proj, delta=True)]
    return L


def r2s_header(name, proj, zone, datum, xo, yo, nx, ny, dx, dy, unit="m"):
    """EnSim r2s header in the usual positional layout (projection on line 13,
    the geometry on the lines after it), which nca.r2s needs."""
    L = ["########################################",
         ":FileType r2s  ASCII  EnSim 1.0",
         "#",
         "# DataType               2D Rect Cell",
         "#",
         ":Application             EnSimHydrologic",
         ":Version                 2.1.23",
         ":WrittenBy               basin_gen",
         ":CreationDate            " + FIXED_DATE,
         "#",
         "#---------------------------------------",
         "#"]
    L += geometry_lines(proj, zone, datum, xo, yo, nx, ny, dx, dy)
    L += ["#",
          ":Name                    " + name,
          ":AttributeUnits          " + unit,
          "#",
          ":EndHeader"]
    return "\n".join(L) + "\n"


def coord(v, proj, delta=False):
    if proj == "LATLONG":
        return "%.6f" % v
    return "%.3f" % v


def map_header(comments, proj, zone, datum, xo, yo, nx, ny, dx, dy, cintv, aimpr, classcount, elvconv=1.0):
    L = ["# " + c if c else "#" for c in comments]
    L += [":FileType map  ASCII  EnSim 1.0",
          "#",
          ":Application             EnSimHydrologic",
          ":WrittenBy               basin_gen",
          ":CreationDate            " + FIXED_DATE,
          "#"]
    L += geometry_lines(proj, zone, datum, xo, yo, nx, ny, dx, dy)
    L += ["#",
          ":contourInterval         %.1f" % cintv,
          ":imperviousArea          %.1f" % aimpr,
          ":classCount              %d" % classcount,
          ":elevConversion          %.1f" % elvconv,
          "#",
          ":endHeader"]
    return "\n".join(L) + "\n"


BLOCK_TITLES = ("Elevation (m)", "Fraction in basin (%)", "Drainage direction (1=ne 2=e 3=se 4=s 5=sw 6=w 7=nw 8=n)",
                "River class", "Contour crossings", "Channels", "Reach number")


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


def elev_text(B, i, j):
    u = B.elev_units[i][j]
    if u == 0:
        return "0"
    return "%.*f" % (B.elev_decimals, u / 10 ** B.elev_decimals)


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


def write_shaped(B, out, cfg):
    os.makedirs(out, exist_ok=True)
    ny, nx = B.ny, B.nx
    proj = cfg["projection"]
    if proj == "LATLONG":
        xo, yo, dx, dy, zone, datum = -80.5, 45.0, 0.0125, 0.0125, "", "WGS84"
    else:
        xo, yo, dx, dy, zone, datum = 500000.0, 5000000.0, 1000.0, 1000.0, "17", "GRS80"
    names = B.names
    comments = ["ZEL %s basin: synthetic valley of %d x %d squares" % (cfg["title"], nx, ny),
                "written by %s, seed %d" % (GENERATOR, cfg["seed"]),
                "land cover: " + " ".join(names), ""]
    parts = [map_header(comments, proj, zone, datum, xo, yo, nx, ny, dx, dy, B.cintv, cfg["aimpr"], len(names))]

    def block(title, cell):
        rows = [title]
        for i in range(ny - 1, -1, -1):
            rows.append(" ".join(cell(i, j) for j in range(nx)))
        return "\n".join(rows) + "\n"

    w_el = max(len(elev_text(B, i, j)) for i in range(ny) for j in range(nx))
    parts.append(block(BLOCK_TITLES[0], lambda i, j: "%*s" % (w_el, elev_text(B, i, j))))
    parts.append(block(BLOCK_TITLES[1], lambda i, j: "%5s" % fmt_frac(B.frac[i][j])))
    parts.append(block(BLOCK_TITLES[2], lambda i, j: "%d" % B.dirs[i][j]))
    parts.append(block(BLOCK_TITLES[3], lambda i, j: "%d" % B.iak[i][j]))
    parts.append(block(BLOCK_TITLES[4], lambda i, j: "%d" % B.cont[i][j]))
    parts.append(block(BLOCK_TITLES[5], lambda i, j: "%d" % B.chan[i][j]))
    parts.append(block(BLOCK_TITLES[6], lambda i, j: "%d" % B.reach[i][j]))
    for k, name in enumerate(names):
        parts.append(block(name, lambda i, j, k=k: "%3d" % B.cover[k][i][j]))
    if cfg["bankfull"]:
        parts.append(block("Bankfull", lambda i, j: "%.3f" % B.bank[i][j] if B.bank[i][j] else "0"))
    _write(out, "zelm.map", "".join(parts))

    # Classes of the run: after combination, plus the coupled wetland class.
    run_names = list(names)
    if cfg["combine"]:
        recs, new_names = combine_plan(names)
        _write(out, "class_combine.csv", combine_text(recs))
        run_names = new_names
    else:
        _remove(out, "class_combine.csv")
    if cfg["split"] > 0:
        w = len(run_names) - 3
        run_names = run_names[:w + 1] + [run_names[w]] + run_names[w + 1:]
    if cfg["nca_choice"] == 2 and cfg["nca_classes"] > 0:
        # split classes come first, each followed by its non-contributing part
        k = cfg["nca_classes"]
        run_names = [x for c in run_names[:k] for x in (c, "nca_" + c)] + run_names[k:]
    _write(out, "basin_par.csv", par_text(run_names, 3, cfg["title"] + " basin",
                                          lat=yo + ny * dy / 2 if proj == "LATLONG" else 46.5))

    # DEM at k times the resolution: ground above the channel, smooth across squares.
    k = cfg["dem_factor"]
    if k:
        ground = [[0.0] * nx for _ in range(ny)]
        for i in range(ny):
            for j in range(nx):
                if B.elev_units[i][j] > 0 and (i, j) != B.recv:
                    base = B.elev_units[i][j] / 100.0
                    ground[i][j] = base + 2.0 + 0.3 * B.relief[(i, j)]
                else:
                    ground[i][j] = B.raw[i][j] + 8.0
        rng = random.Random(cfg["seed"] + 1)
        lines = [r2s_header("dem", proj, zone, datum, xo, yo, nx * k, ny * k, dx / k, dy / k)]
        for r in range(ny * k):
            y = (r + 0.5) / k - 0.5
            row = []
            for c in range(nx * k):
                x = (c + 0.5) / k - 0.5
                row.append("%.2f" % (_bilinear(ground, y, x) + rng.uniform(-1.0, 1.0)))
            lines.append(" ".join(row) + "\n")
        _write(out, "dem.r2s", "".join(lines))
    else:
        _remove(out, "dem.r2s")

    # Non-contributing areas: a few closed depressions on the flatter uplands.
    if cfg["nca"]:
        k2 = cfg["nca_factor"]
        rng = random.Random(cfg["seed"] + 2)
        cand = [p for p in B.order if B.relief[p] < 60 and p not in B.main and not B.reach[p[0]][p[1]]]
        rng.shuffle(cand)
        blobs = [(p[0] + 0.5, p[1] + 0.5, rng.uniform(0.6, 1.6)) for p in cand[:5]]
        lines = [r2s_header("nca", proj, zone, datum, xo, yo, nx * k2, ny * k2, dx / k2, dy / k2, unit="-")]
        for r in range(ny * k2):
            y = (r + 0.5) / k2
            row = []
            for c in range(nx * k2):
                x = (c + 0.5) / k2
                v = any((y - by) ** 2 + (x - bx) ** 2 <= rad * rad for by, bx, rad in blobs)
                row.append("1" if v else "0")
            lines.append(" ".join(row) + "\n")
        _write(out, "nca.r2s", "".join(lines))
    else:
        _remove(out, "nca.r2s")

    # Answers.
    ranks = program_ranks(B)
    outlets = cfg["outlets"]
    if outlets == "auto":
        p = B.sub_outlet
        outlets = [ranks[p]] if p else []
    _write(out, "zel_responses.txt", responses_text(
        par_file=cfg["par_answer"], initials=cfg["initials"], outlets=outlets, inlets=cfg["inlets"],
        split=cfg["split"], split_type=cfg["split_type"], min_slope=cfg["min_slope"],
        adjust_nca="y" if cfg["nca_choice"] else "n", nca_choice=cfg["nca_choice"],
        nca_percent=cfg["nca_percent"] if cfg["nca_choice"] == 1 else 0.0,
        nca_classes=cfg["nca_classes"] if cfg["nca_choice"] == 2 else 0,
        dem_stats="y" if cfg["dem_stats"] else "n"))
    return {"outlets": outlets, "ranks": ranks, "cells": len(B.order)}


def _bilinear(g, y, x):
    ny, nx = len(g), len(g[0])
    y = min(max(y, 0.0), ny - 1.0)
    x = min(max(x, 0.0), nx - 1.0)
    i0, j0 = int(y), int(x)
    i1, j1 = min(i0 + 1, ny - 1), min(j0 + 1, nx - 1)
    fy, fx = y - i0, x - j0
    return (g[i0][j0] * (1 - fy) * (1 - fx) + g[i0][j1] * (1 - fy) * fx
            + g[i1][j0] * fy * (1 - fx) + g[i1][j1] * fy * fx)


def combine_plan(names):
    """Merge the first two classes (grass and crops, say) into one 'open'
    class; every other class keeps its place."""
    recs = [(names[0], "open", 1, 1, "open"), (names[1], "open", 2, 1, "open")]
    new_names = ["open"]
    for k, n in enumerate(names[2:], start=3):
        recs.append((n, n, k, k - 1, n))
        new_names.append(n)
    return recs, new_names


def _write(folder, name, text):
    path = os.path.join(folder, name)
    tmp = path + ".tmp"
    with open(tmp, "w", newline="\n") as f:
        f.write(text)
    os.replace(tmp, path)


def _remove(folder, name):
    try:
        os.remove(os.path.join(folder, name))
    except FileNotFoundError:
        pass


DEMO_CLASSES = ["grass", "crops", "forest", "wetland", "water", "impervious"]


def demo_config(args):
    return {"title": "demo", "seed": args.seed, "projection": "UTM", "aimpr": 40.0, "combine": True,
            "split": 30.0, "split_type": "2", "dem_factor": 5, "nca": True, "nca_factor": 5,
            "par_answer": "basin_par.csv", "initials": "ZEL", "outlets": args.outlet_rank,
            "inlets": args.inlet_rank, "min_slope": 0.0001, "nca_choice": 1, "nca_percent": 50.0,
            "nca_classes": 0, "dem_stats": True, "bankfull": False, "distinct": True}


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
    def __init__(self, n, seed=11):
        self.n = n
        self.jc = n // 2
        self.npad = 10 ** max(2, len(str(n - 1)))
        self.dec = 2 + len(str(self.npad)) - 1
        self.seed = seed
        lake_len = max(2, n // 60)
        self.lakes = [(1, max(4, n // 6), lake_len), (2, max(4 + lake_len + 3, n // 2), lake_len)]

    def inside(self, i, j):
        n = self.n
        return 2 <= i <= n - 3 and 2 <= j <= n - 3

    def units(self, i, j):
        """Height in 1/npad cm above the datum (100 m below the outlet band)."""
        k = abs(j - self.jc)
        d = (i - 2) % BENCH_P
        if j == self.jc:
            coarse = BENCH_A * (i - 2) - BENCH_D
        else:
            coarse = BENCH_A * (i - 2) + BENCH_B * k + BENCH_C * d
        return (coarse + 10000) * self.npad + j

    def elev(self, i, j):
        return self.units(i, j) / (100.0 * self.npad)

    def recv(self):
        return (1, self.jc)

    def recv_units(self):
        return self.units(2, self.jc) - 500 * self.npad

    def row_key(self, i):
        n = self.n
        return ((i - 2) % BENCH_P, i == 2, i == n - 3)

    def dirs_row(self, i):
        n = self.n
        ys = (i - 1, i, i + 1)
        z = {y: [self.units(y, j) for j in range(n)] for y in ys}
        zz = _RowView(z)
        out = [0] * n
        inside = self.inside
        for j in range(n):
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


def write_bench(out, n, dem_factor, seed=11, force=False):
    """One n x n benchmark basin folder; returns its basin square count."""
    os.makedirs(out, exist_ok=True)
    stamp = "basin_gen bench n=%d dem=%d seed=%d v1\n" % (n, dem_factor, seed)
    stamp_path = os.path.join(out, "basin_gen_stamp.txt")
    cells = (n - 4) * (n - 4)
    if not force and os.path.exists(stamp_path) and open(stamp_path).read().startswith(stamp):
        return cells
    _remove(out, "basin_gen_stamp.txt")
    G = BenchGrid(n, seed)
    jc = G.jc
    xo, yo, dx = 400000.0, 4000000.0, 1000.0
    comments = ["ZEL benchmark basin: %d x %d squares, herringbone valleys" % (n, n),
                "written by %s, seed %d; all elevations distinct" % (GENERATOR, seed),
                "land cover: " + " ".join(BENCH_CLASSES), ""]
    path = os.path.join(out, "zelm.map")
    tmp = path + ".tmp"
    rng = random.Random(seed)
    blank = " ".join(["0"] * n) + "\n"

    def write_rows(f, title, receiving, key_of, row_of):
        """A block, north row first: blank edge rows, the receiving square's
        value on row 1, and inside rows built once for each key_of(row)."""
        f.write(title + "\n")
        cache = {}
        for i in range(n - 1, -1, -1):
            if i < 1 or i > n - 3:
                f.write(blank)
            elif i == 1:
                row = ["0"] * n
                row[jc] = receiving
                f.write(" ".join(row) + "\n")
            else:
                key = key_of(i)
                if key not in cache:
                    cache[key] = row_of(i)
                f.write(cache[key])

    with open(tmp, "w", newline="\n") as f:
        f.write(map_header(comments, "UTM", "17", "GRS80", xo, yo, n, n, dx, dx, 10.0, 40.0,
                           len(BENCH_CLASSES)))
        # 1 elevations
        f.write(BLOCK_TITLES[0] + "\n")
        fmt = "%%.%df" % G.dec
        ru = G.recv_units()
        scale = 100.0 * G.npad
        for i in range(n - 1, -1, -1):
            if i < 1 or i > n - 3:
                f.write(blank)
                continue
            if i == 1:
                row = ["0"] * n
                row[jc] = fmt % (ru / scale)
                f.write(" ".join(row) + "\n")
                continue
            units = G.units
            row = ["0", "0"] + [fmt % (units(i, j) / scale) for j in range(2, n - 2)] + ["0", "0"]
            f.write(" ".join(row) + "\n")
        # 2 fractions: partial along the outline, full inside
        f.write(BLOCK_TITLES[1] + "\n")
        edge_vals = [str(60 + (7 * j) % 36) for j in range(n)]
        side = ["0", "0", "75"] + ["100"] * (n - 6) + ["80", "0", "0"]
        mid = " ".join(side) + "\n"
        for i in range(n - 1, -1, -1):
            if i < 2 or i > n - 3:
                f.write(blank)
            elif i == 2 or i == n - 3:
                row = ["0", "0"] + edge_vals[2:n - 2] + ["0", "0"]
                if i == 2:
                    row[jc] = "100"
                f.write(" ".join(row) + "\n")
            else:
                f.write(mid)
        # 3 directions: one pattern per row kind
        write_rows(f, BLOCK_TITLES[2], "4", G.row_key,
                   lambda i: " ".join("%d" % c for c in G.dirs_row(i)) + "\n")

        # 4-7 river class, contours, channels, reach
        def interior_row(i, fn):
            return " ".join(fn(i, j) if G.inside(i, j) else "0" for j in range(n)) + "\n"

        def iak(i, j):
            return "3" if j == jc else ("2" if (i - 2) % BENCH_P == 0 else "1")

        def cont(i, j):
            return "1" if j == jc else ("2" if (i - 2) % BENCH_P == 0 else str(2 + j % 3))

        def chan(i, j):
            return "1" if j == jc else ("2" if (i - 2) % BENCH_P == 0 else str(1 + j % 4))

        for title, fn, recv_val in ((BLOCK_TITLES[3], iak, "3"), (BLOCK_TITLES[4], cont, "1"),
                                    (BLOCK_TITLES[5], chan, "1")):
            write_rows(f, title, recv_val, lambda i: (i - 2) % BENCH_P == 0,
                       lambda i, fn=fn: interior_row(i, fn))
        f.write(BLOCK_TITLES[6] + "\n")
        for i in range(n - 1, -1, -1):
            r = G.reach_at(i, jc) if G.inside(i, jc) else 0
            if r:
                row = ["0"] * n
                row[jc] = str(r)
                f.write(" ".join(row) + "\n")
            else:
                f.write(blank)
        # land-cover classes
        temps, main_t, lake_t = bench_class_templates(seed)
        for k, name in enumerate(BENCH_CLASSES):
            def class_row(i, k=k):
                row = ["0"] * n
                for j in range(2, n - 2):
                    row[j] = str(temps[(i * 7 + j * 3 + j // 5) % 12][k])
                row[jc] = str((lake_t if G.reach_at(i, jc) != 0 else main_t)[k])
                return " ".join(row) + "\n"

            write_rows(f, name, str(main_t[k]), lambda i: (i % 12, G.reach_at(i, jc) != 0),
                       class_row)
    os.replace(tmp, path)

    if dem_factor:
        k = dem_factor
        offs = [[0.75 * (abs(a - k // 2) + abs(b - k // 2)) for b in range(k)] for a in range(k)]
        p = os.path.join(out, "dem.r2s")
        with open(p + ".tmp", "w", newline="\n") as f:
            f.write(r2s_header("dem", "UTM", "17", "GRS80", xo, yo, n * k, n * k, dx / k, dx / k))
            for i in range(n):
                # coarse ground of the squares (no tie-breaking needed here)
                zs = [G.units(i, j) / (100.0 * G.npad) + 1.0 for j in range(n)]
                for a in range(k):
                    oa = offs[a]
                    f.write(" ".join(["%.2f" % (zj + o) for zj in zs for o in oa]) + "\n")
        os.replace(p + ".tmp", p)
    else:
        _remove(out, "dem.r2s")
    _remove(out, "nca.r2s")
    _remove(out, "class_combine.csv")
    _write(out, "basin_par.csv", par_text(BENCH_CLASSES, 3, "benchmark basin %d x %d" % (n, n)))
    _write(out, "zel_responses.txt", responses_text(par_file="na", initials="bench",
                                                    dem_stats="y" if dem_factor else "n"))
    _write(out, "basin_gen_stamp.txt", stamp + "cells %d\n" % cells)
    return cells


# --------------------------------------------------------------------------
# Reading a folder back
# --------------------------------------------------------------------------

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


# --------------------------------------------------------------------------
# Command line
# --------------------------------------------------------------------------

def _outlet_arg(v):
    if v == "auto":
        return "auto"
    n = int(v)
    return [] if n == 0 else [n]


def main(argv=None):
    ap = argparse.ArgumentParser(description="Write synthetic basin folders for ZEL.")
    sub = ap.add_subparsers(dest="mode", required=True)
    d = sub.add_parser("demo", help="the example basin (40 x 30 squares)")
    d.add_argument("out")
    d.add_argument("--outlet-rank", type=_outlet_arg, default="auto",
                   help="sub-watershed outlet rank: auto (a main-stem square holding about half the "
                        "basin, ranked as the program numbers cells), 0 for none, or a rank")
    d.add_argument("--inlet-rank", type=int, action="append", default=[])
    d.add_argument("--seed", type=int, default=7)

    b = sub.add_parser("basin", help="a shaped basin with chosen options")
    b.add_argument("out")
    b.add_argument("--cols", type=int, default=40)
    b.add_argument("--rows", type=int, default=30)
    b.add_argument("--seed", type=int, default=7)
    b.add_argument("--projection", choices=("UTM", "LATLONG"), default="UTM")
    b.add_argument("--classes", default=",".join(DEMO_CLASSES),
                   help="comma-separated class names, ending with wetland,water,impervious")
    b.add_argument("--no-combine", action="store_true", help="write no class_combine.csv")
    b.add_argument("--split", type=float, default=0.0, help="wetland split %% (0 = none)")
    b.add_argument("--split-type", default="2")
    b.add_argument("--outlet-rank", type=_outlet_arg, default=[])
    b.add_argument("--inlet-rank", type=int, action="append", default=[])
    b.add_argument("--nca-choice", type=int, default=0, help="0 = no nca, 1 or 2")
    b.add_argument("--nca-percent", type=float, default=100.0)
    b.add_argument("--nca-classes", type=int, default=0)
    b.add_argument("--no-dem", action="store_true")
    b.add_argument("--dem-stats", choices=("y", "n"), default="y")
    b.add_argument("--par", default="basin_par.csv", help="parameter file name in the answers (na = none)")
    b.add_argument("--bankfull", action="store_true", help="add the optional bankfull block")
    b.add_argument("--aimpr", type=float, default=40.0)
    b.add_argument("--min-slope", type=float, default=0.0001)
    b.add_argument("--no-distinct", action="store_true", help="allow equal elevations")

    be = sub.add_parser("bench", help="benchmark basins under OUT/n<size>")
    be.add_argument("out")
    be.add_argument("--sizes", default="100,300,1000,2000")
    be.add_argument("--big", action="store_true", help="add the 4000 x 4000 basin")
    be.add_argument("--dem-max", type=int, default=1000, help="largest size that gets a DEM")
    be.add_argument("--seed", type=int, default=11)
    be.add_argument("--force", action="store_true", help="regenerate even when up to date")

    c = sub.add_parser("check", help="read a basin folder back and check it")
    c.add_argument("folders", nargs="+")
    c.add_argument("--quick", action="store_true", help="skip the steepest-descent comparison")

    a = ap.parse_args(argv)
    if a.mode == "demo":
        cfg = demo_config(a)
        B = shaped_basin(30, 40, a.seed, DEMO_CLASSES, distinct=True)
        info = write_shaped(B, a.out, cfg)
        print("demo basin written to %s: %d basin squares, outlet ranks %s" % (a.out, info["cells"],
                                                                              info["outlets"]))
    elif a.mode == "basin":
        classes = [c.strip() for c in a.classes.split(",") if c.strip()]
        cfg = {"title": "synthetic", "seed": a.seed, "projection": a.projection, "aimpr": a.aimpr,
               "combine": not a.no_combine, "split": a.split, "split_type": a.split_type,
               "dem_factor": 0 if a.no_dem else 5, "nca": a.nca_choice != 0, "nca_factor": 5,
               "par_answer": a.par, "initials": "ZEL", "outlets": a.outlet_rank, "inlets": a.inlet_rank,
               "min_slope": a.min_slope, "nca_choice": a.nca_choice, "nca_percent": a.nca_percent,
               "nca_classes": a.nca_classes, "dem_stats": a.dem_stats == "y", "bankfull": a.bankfull}
        B = shaped_basin(a.rows, a.cols, a.seed, classes, distinct=not a.no_distinct)
        info = write_shaped(B, a.out, cfg)
        print("basin written to %s: %d basin squares, outlet ranks %s" % (a.out, info["cells"], info["outlets"]))
    elif a.mode == "bench":
        sizes = [int(s) for s in a.sizes.replace(",", " ").split()]
        if a.big and 4000 not in sizes:
            sizes.append(4000)
        for n in sizes:
            folder = os.path.join(a.out, "n%04d" % n)
            cells = write_bench(folder, n, 5 if n <= a.dem_max else 0, a.seed, a.force)
            print("%s %d %d" % (folder, n, cells))
    elif a.mode == "check":
        bad = 0
        for folder in a.folders:
            try:
                print("== %s" % folder)
                check_folder(folder, full_d8=not a.quick)
                print("ok")
            except (CheckError, KeyError, ValueError, IndexError) as e:
                print("FAILED: %s" % e)
                bad += 1
        return 1 if bad else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
