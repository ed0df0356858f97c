#pragma once
// Drainage-direction codes: the one table of the eight neighbours.
//
//        column -1   0  +1
//   row +1     7   8   1        NW  N  NE
//   row  0     6   .   2        W   .  E
//   row -1     5   4   3        SW  S  SE
//
// Rows count from the south (row 1 is the southernmost), columns from the
// west. Code c moves from square (i, j) to (i + kRowStep[c], j + kColStep[c]);
// code 0 drains nowhere. The fetch directions NE E SE S SW W NW N are the
// codes 1..8 in order.
namespace d8 {

inline constexpr int kRowStep[9] = {0, 1, 0, -1, -1, -1, 0, 1, 1};
inline constexpr int kColStep[9] = {0, 1, 1, 1, 0, -1, -1, -1, 0};
inline constexpr bool kDiagonal[9] = {false, true, false, true, false, true, false, true, false};
// The flow-length factor of a diagonal step is this literal, not the square root of two.
inline constexpr float kDiagonalFactor = 1.4142f;

// Codes outside 0..8 are taken as 1 (north-east) wherever a direction is followed.
inline constexpr int effective_code(int code) { return (code < 0 || code > 8) ? 1 : code; }

}  // namespace d8
