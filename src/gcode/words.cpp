// The word scanner, which stands in for searching parse_Generic through the
// line, and the number conversions.
#include "gcode/words.hpp"

#include "gcode/recognizers.hpp"

#include <charconv>
#include <stdexcept>
#include <string>

namespace vorlane {

namespace {

constexpr std::string_view wordLetters = "GMXYZUVWIJKEFTSPDHRQN";

struct LetterTable {
    std::array<bool, 256> isWordLetter{};
    constexpr LetterTable()
    {
        for (const char c : wordLetters) {
            isWordLetter[static_cast<unsigned char>(c)] = true;
            isWordLetter[static_cast<unsigned char>(c - 'A' + 'a')] = true;
        }
    }
};
constexpr LetterTable letters;

// Length of the match of "[-+]?\d*\.?\d+\.?" at the start of `text`, 0 if none.
// Backtracking makes "\d*\.?\d+" take digits, point, digits when a digit follows
// the point, and otherwise the digits alone; the optional trailing point is
// then taken. So "12." reads "12.", "1..5" reads "1." and "12.3.4" reads "12.3.".
std::size_t numberLength(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const std::size_t digitsBegin = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    const std::size_t leadingDigits = i - digitsBegin;
    if (i + 1 < text.size() && text[i] == '.' && isDigit(text[i + 1])) {
        i += 2;
        while (i < text.size() && isDigit(text[i])) ++i;
    } else if (leadingDigits == 0) {
        return 0;
    }
    if (i < text.size() && text[i] == '.') ++i;
    return i;
}

[[noreturn]] void badNumber(char letter, std::string_view number)
{
    throw std::runtime_error("the " + std::string(1, letter) + " word's number \"" + std::string(number) +
                             "\" is not a number that fits a 32-bit float");
}

} // namespace

bool readFloat(std::string_view text, float& value)
{
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, std::chars_format::fixed | std::chars_format::scientific);
    return result.ec == std::errc{} && result.ptr == end;
}

WordTable parseGCodeValues(std::string_view text)
{
    WordTable words;
    std::size_t i = 0;
    while (i < text.size()) {
        const char letter = text[i];
        if (!letters.isWordLetter[static_cast<unsigned char>(letter)]) {
            ++i;
            continue;
        }
        const std::size_t length = numberLength(text.substr(i + 1));
        if (length == 0) {
            ++i;
            continue;
        }
        const std::string_view number = text.substr(i + 1, length);
        float value;
        if (!readFloat(number, value)) badNumber(letter, number);
        const int slot = WordTable::slot(letter);
        words.values[static_cast<std::size_t>(slot)] = value;
        words.seen |= std::uint64_t{1} << slot;
        i += 1 + length;
    }
    return words;
}

std::int32_t parseToolChange(std::string_view line)
{
    std::size_t end = 1;
    if (line.size() < 2 || line[0] != 'T' || !(isDigit(line[1]) || line[1] == '-'))
        throw std::runtime_error("a tool change needs a tool number after \"T\"");
    ++end;
    while (end < line.size() && isDigit(line[end])) ++end;
    const std::string_view number = line.substr(1, end - 1);
    std::int32_t tool = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), tool);
    if (result.ec == std::errc::result_out_of_range)
        throw std::runtime_error("the tool number " + std::string(number) + " does not fit a 32-bit integer");
    if (result.ec != std::errc{} || result.ptr != number.data() + number.size())
        throw std::runtime_error("a tool change needs a tool number after \"T\"");
    return tool;
}

} // namespace vorlane
