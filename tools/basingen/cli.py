"""Command line: demo, basin, bench and check."""

import argparse
import os

from .check import CheckError, check_folder
from .terrain import DEMO_CLASSES, shaped_basin
from .writers import write_bench, write_shaped


def demo_config(args):
    return {"title": "demo", "seed": args.seed, "projection": "UTM", "aimpr": 40.0, "combine": True,
            "split": 30.0, "split_type": "2", "dem_factor": 5, "nca": True, "nca_factor": 5,
            "par_answer": "basin_par.csv", "initials": "ZEL", "outlets": args.outlet_rank,
            "inlets": args.inlet_rank, "min_slope": 0.0001, "nca_choice": 1, "nca_percent": 50.0,
            "nca_classes": 0, "dem_stats": True, "bankfull": False, "distinct": True}


def _outlet_arg(v):
    if v == "auto":
        return "auto"
    n = int(v)
    return [] if n == 0 else [n]


def bench_sizes(text):
    """'1000,6000x5000' -> [(1000, 1000), (6000, 5000)]: n for n x n squares,
    WxH for W columns by H rows."""
    sizes = []
    for item in text.replace(",", " ").split():
        parts = item.lower().split("x")
        try:
            nx, ny = (int(parts[0]), int(parts[0])) if len(parts) == 1 else (int(parts[0]), int(parts[1]))
        except (ValueError, IndexError):
            raise SystemExit("bad size %r: give n or WxH" % item)
        if len(parts) > 2 or min(nx, ny) < 16:
            raise SystemExit("bad size %r: give n or WxH, each at least 16" % item)
        sizes.append((nx, ny))
    return sizes


def bench_folder(nx, ny):
    """n<size> for a square basin, n<W>x<H> otherwise."""
    return "n%04d" % nx if nx == ny else "n%04dx%04d" % (nx, ny)


def bench_label(nx, ny):
    return "%d" % nx if nx == ny else "%dx%d" % (nx, ny)


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

    be = sub.add_parser("bench", help="benchmark basins under OUT/n<size> or OUT/n<W>x<H>")
    be.add_argument("out")
    be.add_argument("--sizes", default="100,300,1000,2000",
                    help="comma-separated sizes: n for n x n squares, WxH for W columns by H rows")
    be.add_argument("--big", action="store_true", help="add the 4000 x 4000 basin")
    be.add_argument("--continental", action="store_true", help="add the 6000 x 5000 basin")
    be.add_argument("--dem-max", type=int, default=1000,
                    help="largest size (columns and rows) that gets a DEM")
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
        sizes = bench_sizes(a.sizes)
        if a.big and (4000, 4000) not in sizes:
            sizes.append((4000, 4000))
        if a.continental and (6000, 5000) not in sizes:
            sizes.append((6000, 5000))
        for nx, ny in sizes:
            folder = os.path.join(a.out, bench_folder(nx, ny))
            cells = write_bench(folder, nx, ny, 5 if max(nx, ny) <= a.dem_max else 0, a.seed, a.force)
            print("%s %s %d" % (folder, bench_label(nx, ny), cells))
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
