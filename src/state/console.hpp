// The one place console text goes through: status lines, progress dots and
// debug text on standard output, in program order.
#pragma once

#include "gcode/number_text.hpp"

#include <cstdio>
#include <string>
#include <string_view>

namespace vorlane {

struct Console {
    std::FILE* out = stdout;
    // Errors that end the run.
    std::FILE* err = stderr;
    // Where a wait for Enter reads its line.
    std::FILE* in = stdin;
};

void say(Console& console, std::string_view line);
// An error that ends the run, after everything said so far.
void sayError(Console& console, std::string_view line);
// A progress mark without a line end, shown at once.
void sayProgress(Console& console, std::string_view mark);
// Shows what is pending, then reads one line of input; returns at end of input.
void readOneLine(Console& console);
// "Hit <ENTER> to close", then one line of input.
void waitForEnter(Console& console);

inline void appendPart(std::string& text, std::string_view part) { text += part; }
inline void appendPart(std::string& text, const char* part) { text += part; }
inline void appendPart(std::string& text, const std::string& part) { text += part; }
inline void appendPart(std::string& text, float value) { appendNumber(text, value); }
inline void appendPart(std::string& text, int value) { appendNumber(text, value); }
inline void appendPart(std::string& text, long long value) { appendNumber(text, value); }
inline void appendPart(std::string& text, bool value) { appendNumber(text, value); }

// Builds one console or comment line from text and numbers in the program's
// number text: concat("Layer Begin after ", z).
template <typename... Parts> std::string concat(const Parts&... parts)
{
    std::string text;
    (appendPart(text, parts), ...);
    return text;
}

} // namespace vorlane
