"""Text of the basin folder's files (map, parameter file, answers,
class_combine.csv, r2s grids) and the writers of whole folders."""

import os
import random

from .terrain import (BENCH_CLASSES, BENCH_P, BenchGrid, bench_class_templates, class_kind,
                      program_ranks)

FIXED_DATE = "2016-03-06  12:00"
GENERATOR = "tools/basin_gen.py"


def fmt_frac(v):
    if v == 0:
        return "0"
    if v == int(v):
        return "%d" % v
    return "%.1f" % v


# --------------------------------------------------------------------------
# The parameter file
# --------------------------------------------------------------------------

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


def elev_text(B, i, j):
    u = B.elev_units[i][j]
    if u == 0:
        return "0"
    return "%.*f" % (B.elev_decimals, u / 10 ** B.elev_decimals)


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


def write_bench(out, nx, ny, dem_factor, seed=11, force=False):
    """One benchmark basin folder of nx columns by ny rows, written a row at a
    time (no grid is held whole); returns its basin square count."""
    os.makedirs(out, exist_ok=True)
    if nx == ny:
        stamp = "basin_gen bench n=%d dem=%d seed=%d v1\n" % (nx, dem_factor, seed)
    else:
        stamp = "basin_gen bench nx=%d ny=%d dem=%d seed=%d v1\n" % (nx, ny, dem_factor, seed)
    stamp_path = os.path.join(out, "basin_gen_stamp.txt")
    cells = (nx - 4) * (ny - 4)
    if not force and os.path.exists(stamp_path) and open(stamp_path).read().startswith(stamp):
        return cells
    _remove(out, "basin_gen_stamp.txt")
    G = BenchGrid(nx, ny, seed)
    jc = G.jc
    xo, yo, dx = 400000.0, 4000000.0, 1000.0
    comments = ["ZEL benchmark basin: %d x %d squares, herringbone valleys" % (nx, ny),
                "written by %s, seed %d; all elevations distinct" % (GENERATOR, seed),
                "land cover: " + " ".join(BENCH_CLASSES), ""]
    path = os.path.join(out, "zelm.map")
    tmp = path + ".tmp"
    blank = " ".join(["0"] * nx) + "\n"

    def write_rows(f, title, receiving, key_of, row_of):
        """A block, north row first: blank edge rows, the receiving square's
        value on row 1, and inside rows built once for each key_of(row)."""
        f.write(title + "\n")
        cache = {}
        for i in range(ny - 1, -1, -1):
            if i < 1 or i > ny - 3:
                f.write(blank)
            elif i == 1:
                row = ["0"] * nx
                row[jc] = receiving
                f.write(" ".join(row) + "\n")
            else:
                key = key_of(i)
                if key not in cache:
                    cache[key] = row_of(i)
                f.write(cache[key])

    with open(tmp, "w", newline="\n") as f:
        f.write(map_header(comments, "UTM", "17", "GRS80", xo, yo, nx, ny, dx, dx, 10.0, 40.0,
                           len(BENCH_CLASSES)))
        # 1 elevations
        f.write(BLOCK_TITLES[0] + "\n")
        fmt = "%%.%df" % G.dec
        ru = G.recv_units()
        scale = 100.0 * G.npad
        for i in range(ny - 1, -1, -1):
            if i < 1 or i > ny - 3:
                f.write(blank)
                continue
            if i == 1:
                row = ["0"] * nx
                row[jc] = fmt % (ru / scale)
                f.write(" ".join(row) + "\n")
                continue
            units = G.units_row(i)
            f.write("0 0 " + " ".join([fmt % (u / scale) for u in units[2:nx - 2]]) + " 0 0\n")
        # 2 fractions: partial along the outline, full inside
        f.write(BLOCK_TITLES[1] + "\n")
        edge_vals = [str(60 + (7 * j) % 36) for j in range(nx)]
        side = ["0", "0", "75"] + ["100"] * (nx - 6) + ["80", "0", "0"]
        mid = " ".join(side) + "\n"
        for i in range(ny - 1, -1, -1):
            if i < 2 or i > ny - 3:
                f.write(blank)
            elif i == 2 or i == ny - 3:
                row = ["0", "0"] + edge_vals[2:nx - 2] + ["0", "0"]
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
            return " ".join(fn(i, j) if G.inside(i, j) else "0" for j in range(nx)) + "\n"

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
        for i in range(ny - 1, -1, -1):
            r = G.reach_at(i, jc) if G.inside(i, jc) else 0
            if r:
                row = ["0"] * nx
                row[jc] = str(r)
                f.write(" ".join(row) + "\n")
            else:
                f.write(blank)
        # land-cover classes
        temps, main_t, lake_t = bench_class_templates(seed)
        for k, name in enumerate(BENCH_CLASSES):
            def class_row(i, k=k):
                row = ["0"] * nx
                for j in range(2, nx - 2):
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
        scale = 100.0 * G.npad
        with open(p + ".tmp", "w", newline="\n") as f:
            f.write(r2s_header("dem", "UTM", "17", "GRS80", xo, yo, nx * k, ny * k, dx / k, dx / k))
            for i in range(ny):
                # coarse ground of the squares (no tie-breaking needed here)
                zs = [u / scale + 1.0 for u in G.units_row(i)]
                for a in range(k):
                    oa = offs[a]
                    f.write(" ".join(["%.2f" % (zj + o) for zj in zs for o in oa]) + "\n")
        os.replace(p + ".tmp", p)
    else:
        _remove(out, "dem.r2s")
    _remove(out, "nca.r2s")
    _remove(out, "class_combine.csv")
    _write(out, "basin_par.csv", par_text(BENCH_CLASSES, 3, "benchmark basin %d x %d" % (nx, ny)))
    _write(out, "zel_responses.txt", responses_text(par_file="na", initials="bench",
                                                    dem_stats="y" if dem_factor else "n"))
    _write(out, "basin_gen_stamp.txt", stamp + "cells %d\n" % cells)
    return cells
