// Console output and the wait for Enter.
#include "gcode/console.hpp"

namespace vorlane {

void say(Console& console, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), console.out);
    std::fputc('\n', console.out);
    console.midLine = false;
}

void sayError(Console& console, std::string_view text)
{
    std::fflush(console.out);
    std::fwrite(text.data(), 1, text.size(), console.err);
    std::fputc('\n', console.err);
}

void sayProgress(Console& console, std::string_view mark)
{
    std::fwrite(mark.data(), 1, mark.size(), console.out);
    std::fflush(console.out);
    console.midLine = true;
}

void endProgress(Console& console)
{
    if (console.midLine) say(console, "");
}

void readOneLine(Console& console)
{
    std::fflush(console.out);
    for (int c = std::fgetc(console.in); c != EOF && c != '\n'; c = std::fgetc(console.in)) {
    }
}

void waitForEnter(Console& console)
{
    say(console, "Hit <ENTER> to close");
    readOneLine(console);
}

} // namespace vorlane
