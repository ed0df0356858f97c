#pragma once
// Checks, defaults and corrections applied to the parameter set once it is read.
struct Run;
class Console;

namespace parfile {

// Smoothing distance against the radius of influence (made while the limits are read).
void check_smoothing_distance(Run& run, Console& con);
// The checks after reading, in their fixed order.
void check_parameters(Run& run, Console& con);

}  // namespace parfile
