// The print time estimate: every move line's XYZ length over its feed rate,
// for the input as read and for what the rewrites write instead.
#pragma once

#include "gcode/move.hpp"
#include "gcode/plan.hpp"

namespace vorlane {

// The minutes the move from `before` to `after` takes at after's feed rate;
// 0 before the file has set a feed rate.
double moveMinutes(const MoveState& before, const MoveState& after);

// The minutes an arc takes along its length; its chord when it is none.
double arcMinutes(const MoveState& before, const MoveState& after, const Arc& arc);

// The minutes a plan's moves take from the printer's state `at`. Each move
// is priced from its numbers as written, as the printer (and the estimate of
// the written file) reads them.
double planMinutes(MoveState at, const Plan& plan);

} // namespace vorlane
