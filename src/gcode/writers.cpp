// G-code writers; numbers in the program's one text form.
#include "gcode/writers.hpp"

#include "gcode/number_text.hpp"
#include "gcode/refusal.hpp"
#include "gcode/words.hpp"

#include <cmath>

namespace vorlane {

namespace {

constexpr std::string_view FAN_RESTORE_COMMENT = " ; restore the fan in case tool change messed it up";

// Appends the word and returns its number as the scanner reads it back.
float word(std::string& text, std::string_view letter, float value)
{
    // No printer reads "inf" or "nan": a boost or lift whose arithmetic left
    // the float range refuses its line instead.
    if (!std::isfinite(value))
        throw Refusal(concat("a computed ", letter.substr(letter.size() - 1), " value is ", value,
                             ", which no G-code reader takes"));
    text += letter;
    const std::size_t number = text.size();
    appendNumber(text, value);
    return wordValueOf(std::string_view(text).substr(number));
}

} // namespace

WrittenValues writeZMoveLine(std::string& text, float z, float feedRate)
{
    WrittenValues written;
    written.z = word(text, "G1 Z", z);
    written.feedRate = word(text, " F", feedRate);
    text += '\n';
    return written;
}

WrittenValues writeXYMove(std::string& text, Vec2 xyDest, float feedRate)
{
    WrittenValues written;
    written.xy.x = word(text, "G1 X", xyDest.x);
    written.xy.y = word(text, " Y", xyDest.y);
    written.feedRate = word(text, " F", feedRate);
    text += '\n';
    return written;
}

WrittenValues writeXYZMove(std::string& text, Vec2 xyDest, float z, float feedRate)
{
    WrittenValues written;
    written.xy.x = word(text, "G1 X", xyDest.x);
    written.xy.y = word(text, " Y", xyDest.y);
    written.z = word(text, " Z", z);
    written.feedRate = word(text, " F", feedRate);
    text += '\n';
    return written;
}

WrittenValues writeFeedRate(std::string& text, float feedRate)
{
    WrittenValues written;
    written.feedRate = word(text, "G1 F", feedRate);
    text += '\n';
    return written;
}

WrittenValues writeXYEFDraw(std::string& text, Vec2 xyDest, float e, float feedRate)
{
    WrittenValues written;
    written.xy.x = word(text, "G1 X", xyDest.x);
    written.xy.y = word(text, " Y", xyDest.y);
    written.e = word(text, " E", e);
    written.feedRate = word(text, " F", feedRate);
    text += '\n';
    return written;
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
