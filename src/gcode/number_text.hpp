// The one text form of every number the program writes: into G-code, into
// output comments and onto the console.
#pragma once

#include <string>
#include <string_view>

namespace vorlane {

// printf's "%g" of the float widened to double: six significant digits, fixed
// notation for decimal exponents -4..5, trailing zeros dropped ("7200", "0.35",
// "1e-05", "1.23457e+06", "-0").
void appendNumber(std::string& text, float value);
void appendNumber(std::string& text, int value);
void appendNumber(std::string& text, long long value);
inline void appendNumber(std::string& text, bool value) { text += value ? "true" : "false"; }

inline void appendPart(std::string& text, std::string_view part) { text += part; }
inline void appendPart(std::string& text, const char* part) { text += part; }
inline void appendPart(std::string& text, const std::string& part) { text += part; }
inline void appendPart(std::string& text, float value) { appendNumber(text, value); }
inline void appendPart(std::string& text, int value) { appendNumber(text, value); }
inline void appendPart(std::string& text, long long value) { appendNumber(text, value); }
inline void appendPart(std::string& text, bool value) { appendNumber(text, value); }

// Appends text and numbers, the numbers in the program's number text.
template <typename... Parts> void appendParts(std::string& text, const Parts&... parts)
{
    (appendPart(text, parts), ...);
}

// One console or comment line from parts: concat("Layer Begin after ", z).
template <typename... Parts> std::string concat(const Parts&... parts)
{
    std::string text;
    appendParts(text, parts...);
    return text;
}

} // namespace vorlane
