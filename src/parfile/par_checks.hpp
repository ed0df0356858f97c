#pragma once
// Checks, defaults and corrections applied to the parameter set once it is read.
struct ParameterSet;
struct ParBasin;
struct Run;

namespace parfile {

// Smoothing distance against the radius of influence (made while the limits are read).
void check_smoothing_distance(const ParameterSet& p, Run& run);
// The checks after reading, in their fixed order.
void check_parameters(ParameterSet& p, const ParBasin& basin, Run& run);

}  // namespace parfile
