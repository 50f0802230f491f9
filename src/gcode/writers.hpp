// The G-code lines the program makes up itself. Each writer formats exactly
// one line, its line end included, from its arguments and reads no other
// state.
#pragma once

#include "gcode/number_text.hpp"
#include "gcode/out_buffer.hpp"
#include "geometry/vec2.hpp"

#include <cstdint>
#include <string>

namespace vorlane {

// The numbers of a written move as the word scanner reads its text back: what
// a printer, and the estimate of the written file, take them for (six
// significant digits, and of a number in exponent form the part before its
// "e"). The words a line does not carry are 0.
struct WrittenValues {
    Vec2 xy{0, 0};
    float z = 0, e = 0, feedRate = 0;
};

// Each appends its line to `text` and returns its numbers as written. A
// value that is not finite refuses the line: no printer reads "inf".
WrittenValues writeZMoveLine(std::string& text, float z, float feedRate);
WrittenValues writeXYMove(std::string& text, Vec2 xyDest, float feedRate);
WrittenValues writeXYZMove(std::string& text, Vec2 xyDest, float z, float feedRate);
WrittenValues writeFeedRate(std::string& text, float feedRate);
WrittenValues writeXYEFDraw(std::string& text, Vec2 xyDest, float e, float feedRate);

// A comment or other line of text and numbers, built in the output buffer
// itself (no string per line).
template <typename... Parts> void writeTextLine(OutBuffer& outFile, const Parts&... parts)
{
    appendParts(outFile.text, parts...);
    endLine(outFile);
}

// The fan restore after a tool change, addressing the tool's own fan by its
// number. Writes nothing for a negative tool: there is no fan to address.
void writeFanControlLineForCurrentTool(OutBuffer& outFile, std::int32_t toolNumber, float speed);
// The same for the fan of the tool in use, as the slicer writes its own fan
// lines: no fan number.
void writeFanControlLine(OutBuffer& outFile, float speed);

} // namespace vorlane
