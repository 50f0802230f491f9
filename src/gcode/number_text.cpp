// Number text through std::to_chars: for every float widened to double, the
// general format at precision 6 gives exactly printf's "%g", without locale.
#include "gcode/number_text.hpp"

#include <charconv>

namespace vorlane {

void appendNumber(std::string& text, float value)
{
    char digits[32];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, static_cast<double>(value), std::chars_format::general, 6);
    text.append(digits, result.ptr);
}

void appendNumber(std::string& text, long long value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, result.ptr);
}

void appendNumber(std::string& text, int value) { appendNumber(text, static_cast<long long>(value)); }

} // namespace vorlane
