// The one text form of every number the program writes: into G-code, into
// output comments and onto the console.
#pragma once

#include <string>

namespace vorlane {

// printf's "%g" of the float widened to double: six significant digits, fixed
// notation for decimal exponents -4..5, trailing zeros dropped ("7200", "0.35",
// "1e-05", "1.23457e+06", "-0").
void appendNumber(std::string& text, float value);
void appendNumber(std::string& text, int value);
void appendNumber(std::string& text, long long value);
inline void appendNumber(std::string& text, bool value) { text += value ? "true" : "false"; }

template <typename T> std::string numberText(T value)
{
    std::string text;
    appendNumber(text, value);
    return text;
}

} // namespace vorlane
