// Taking a G-code line apart: its trailing comment, its letter-and-number
// words, and the number of a tool change.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vorlane {

// The words of one line: letter as written (case kept) -> 32-bit float. Each
// letter once; a later word with the same letter replaces an earlier one.
struct WordTable {
    // A letter's value is set only where the line has the letter: clearing
    // all of them, line after line, cost more than reading the words.
    std::array<float, 52> values;
    std::uint64_t seen = 0;
    // The number of the last upper-case E word as written, sign included, and
    // its value as a 64-bit double, so that an extruder position written with
    // many digits keeps them.
    std::string_view eText;
    double eExact = 0;

    static constexpr int slot(char letter)
    {
        if (letter >= 'A' && letter <= 'Z') return letter - 'A';
        if (letter >= 'a' && letter <= 'z') return 26 + (letter - 'a');
        return -1;
    }
    bool has(char letter) const
    {
        const int i = slot(letter);
        return i >= 0 && (seen >> i & 1u);
    }
    // 0 for a letter the line does not have.
    float operator[](char letter) const
    {
        const int i = slot(letter);
        return i >= 0 && (seen >> i & 1u) ? values[static_cast<std::size_t>(i)] : 0.0f;
    }
};

// The line up to its first ";" (all of it when there is none). Nothing trimmed.
inline std::string_view stripTrailingComment(std::string_view line)
{
    const std::size_t semicolon = line.find(';');
    return semicolon == std::string_view::npos ? line : line.substr(0, semicolon);
}

// The words of `text` (a line without its comment), matched left to right as
// parse_Generic does. Throws Refusal naming the word when a matched
// number does not convert to a float (e.g. "X12.3.", or too large).
WordTable parseGCodeValues(std::string_view text);

// The value the word scanner reads from a word's number text, as the
// program writes it: a number in exponent form reads as its part before the
// "e" ("1.5e-05" reads 1.5), which a reader takes for a word of its own. NaN
// when the text begins with no number.
float wordValueOf(std::string_view number);

// Text to float, correctly rounded, the whole text or an error: no leading
// white space, no hex, no "inf". A leading "+" is allowed. A value too small
// for a float reads as its rounded value, a subnormal or zero of its sign.
// Returns false when the text is not one number or its value is beyond the
// largest float.
bool readFloat(std::string_view text, float& value);

// The tool number of a line that starts with "T" and a number. Throws Refusal
// when there is none or it does not fit a 32-bit integer.
std::int32_t parseToolChange(std::string_view line);

} // namespace vorlane
