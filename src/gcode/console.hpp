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
    // Progress marks stand on a line not yet ended.
    bool midLine = false;
};

void say(Console& console, std::string_view line);
// An error that ends the run, after everything said so far.
void sayError(Console& console, std::string_view line);
// A progress mark without a line end, shown at once.
void sayProgress(Console& console, std::string_view mark);
// Ends the line of progress marks, if there is one.
void endProgress(Console& console);
// Shows what is pending, then reads one line of input; returns at end of input.
void readOneLine(Console& console);
// "Hit <ENTER> to close", then one line of input.
void waitForEnter(Console& console);

} // namespace vorlane
