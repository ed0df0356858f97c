"""Synthetic basin folders for ZEL.

Writes everything a ZEL run needs in one folder: the basin map (zelm.map), a
parameter file that passes every check (basin_par.csv), class_combine.csv,
dem.r2s, nca.r2s and zel_responses.txt, and reads such a folder back to check
it.  Standard library only; the same seed always gives the same bytes.

  d8       the eight drainage directions, read from src/common/d8.hpp
  terrain  shaped and benchmark basins, D8 by steepest descent, cell ranks
  writers  the files' text and the folder writers
  check    reading a folder back and checking it
  cli      the command line (tools/basin_gen.py)
"""
