// What the line tables of every slicer share: the handling of moves and the
// copy of a line. Only the line loop includes this.
#pragma once

#include "pass/line_loop.hpp"

#include <string_view>

namespace vorlane {

// The line is written as it was read. The head of a line longer than the
// read buffer is written without a line end: its rest follows.
void keepLine(LineLoop& loop, std::string_view line);

// A straight move (G1; for the slicers that write it, G0 too): followed,
// filed when it draws, and written as it is or as its rewrite's plan.
void handleMoveLine(LineLoop& loop, std::string_view line);

// An arc (G2, G3): followed, and filed as straight steps when it draws.
// Arcs are never lifted or rewritten.
void handleArc(LineLoop& loop, std::string_view line);

} // namespace vorlane
