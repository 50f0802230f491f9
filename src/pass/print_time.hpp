// The print time estimate: every move line's XYZ length over its feed rate,
// for the input as read and for what the rewrites write instead.
#pragma once

#include "gcode/move.hpp"
#include "gcode/plan.hpp"

namespace vorlane {

// A value as the word scanner reads its number text back: six significant
// digits, and of a number in scientific notation only the part before its
// "e" (which the scanner takes for a word of its own).
float asWritten(float value);

// The minutes the move from `before` to `after` takes at after's feed rate;
// 0 before the file has set a feed rate.
double moveMinutes(const MoveState& before, const MoveState& after);

// The minutes an arc takes along its length; its chord when it is none.
double arcMinutes(const MoveState& before, const MoveState& after, const Arc& arc);

// The minutes a plan's moves take from the printer's state `at`. Each move
// is priced from its values as its written text reads back, as the printer
// (and the estimate of the written file) reads them.
double planMinutes(MoveState at, const Plan& plan);

} // namespace vorlane
