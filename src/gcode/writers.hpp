// The G-code lines the program makes up itself. Each writer formats exactly
// one line from its arguments and reads no other state.
#pragma once

#include "gcode/number_text.hpp"
#include "gcode/out_buffer.hpp"
#include "gcode/plan.hpp"
#include "geometry/vec2.hpp"

#include <cstdint>

namespace vorlane {

void writeZMoveLine(OutBuffer& outFile, float z, float feedRate);
void writeXYMove(OutBuffer& outFile, Vec2 xyDest, float feedRate);
void writeXYZMove(OutBuffer& outFile, Vec2 xyDest, float z, float feedRate);
void writeFeedRate(OutBuffer& outFile, float feedRate);
void writeXYEFDraw(OutBuffer& outFile, Vec2 xyDest, float e, float feedRate);
// A comment or other line of text and numbers, built in the output buffer
// itself (no string per line).
template <typename... Parts> void writeTextLine(OutBuffer& outFile, const Parts&... parts)
{
    appendParts(outFile.text, parts...);
    endLine(outFile);
}

// Every line of a plan, in order: its text lines as they are, its moves
// through the writer of their shape.
void writePlan(OutBuffer& outFile, const Plan& plan);

// The fan restore after a tool change, addressing the tool's own fan by its
// number. Writes nothing for a negative tool: there is no fan to address.
void writeFanControlLineForCurrentTool(OutBuffer& outFile, std::int32_t toolNumber, float speed);
// The same for the fan of the tool in use, as the slicer writes its own fan
// lines: no fan number.
void writeFanControlLine(OutBuffer& outFile, float speed);

} // namespace vorlane
