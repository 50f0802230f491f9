// G-code writers; numbers in the program's one text form.
#include "gcode/writers.hpp"

#include "gcode/number_text.hpp"
#include "gcode/refusal.hpp"

#include <cmath>

namespace vorlane {

namespace {

constexpr std::string_view FAN_RESTORE_COMMENT = " ; restore the fan in case tool change messed it up";

void word(std::string& text, std::string_view letter, float value)
{
    // No printer reads "inf" or "nan": a boost or lift whose arithmetic left
    // the float range refuses its line instead.
    if (!std::isfinite(value))
        throw Refusal(concat("a computed ", letter.substr(letter.size() - 1), " value is ", value,
                             ", which no G-code reader takes"));
    text += letter;
    appendNumber(text, value);
}

} // namespace

void writeZMoveLine(OutBuffer& outFile, float z, float feedRate)
{
    word(outFile.text, "G1 Z", z);
    word(outFile.text, " F", feedRate);
    endLine(outFile);
}

void writeXYMove(OutBuffer& outFile, Vec2 xyDest, float feedRate)
{
    word(outFile.text, "G1 X", xyDest.x);
    word(outFile.text, " Y", xyDest.y);
    word(outFile.text, " F", feedRate);
    endLine(outFile);
}

void writeXYZMove(OutBuffer& outFile, Vec2 xyDest, float z, float feedRate)
{
    word(outFile.text, "G1 X", xyDest.x);
    word(outFile.text, " Y", xyDest.y);
    word(outFile.text, " Z", z);
    word(outFile.text, " F", feedRate);
    endLine(outFile);
}

void writeFeedRate(OutBuffer& outFile, float feedRate)
{
    word(outFile.text, "G1 F", feedRate);
    endLine(outFile);
}

void writeXYEFDraw(OutBuffer& outFile, Vec2 xyDest, float e, float feedRate)
{
    word(outFile.text, "G1 X", xyDest.x);
    word(outFile.text, " Y", xyDest.y);
    word(outFile.text, " E", e);
    word(outFile.text, " F", feedRate);
    endLine(outFile);
}

void writePlan(OutBuffer& outFile, const Plan& plan)
{
    for (const PlannedLine& line : plan.lines) {
        switch (line.shape) {
        case PlannedShape::Text:
            writeLine(outFile, textOf(plan, line));
            break;
        case PlannedShape::ZMove:
            writeZMoveLine(outFile, line.z, line.feedRate);
            break;
        case PlannedShape::XYMove:
            writeXYMove(outFile, line.xy, line.feedRate);
            break;
        case PlannedShape::XYZMove:
            writeXYZMove(outFile, line.xy, line.z, line.feedRate);
            break;
        case PlannedShape::FeedRate:
            writeFeedRate(outFile, line.feedRate);
            break;
        case PlannedShape::XYEFDraw:
            writeXYEFDraw(outFile, line.xy, line.e, line.feedRate);
            break;
        }
    }
}

void writeFanControlLineForCurrentTool(OutBuffer& outFile, std::int32_t toolNumber, float speed)
{
    if (toolNumber < 0) return;
    outFile.text += "M106 P";
    appendNumber(outFile.text, toolNumber);
    word(outFile.text, " S", speed);
    outFile.text += FAN_RESTORE_COMMENT;
    endLine(outFile);
}

void writeFanControlLine(OutBuffer& outFile, float speed)
{
    word(outFile.text, "M106 S", speed);
    outFile.text += FAN_RESTORE_COMMENT;
    endLine(outFile);
}

} // namespace vorlane
