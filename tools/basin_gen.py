#!/usr/bin/env python3
"""Synthetic basin folders for ZEL: the launcher of the basingen package beside
this file.

  basin_gen.py demo OUT [--outlet-rank auto|N]   the example basin (40 x 30)
  basin_gen.py basin OUT [options]                a shaped basin of any size
  basin_gen.py bench OUT [--sizes ...] [--big]    benchmark basins (n x n or WxH)
  basin_gen.py check OUT                          read a folder back and check it
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from basingen.cli import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main())
