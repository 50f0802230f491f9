// The word scanner, which stands in for searching parse_Generic through the
// line, and the number conversions.
#include "gcode/words.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/refusal.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace vorlane {

namespace {

constexpr std::string_view wordLetters = "GMXYZUVWIJKEFTSPDHRQN";

// For each byte: its slot in a WordTable when it is a word letter, else NONE.
struct LetterTable {
    static constexpr std::uint8_t NONE = 0xFF;
    std::array<std::uint8_t, 256> slotOf{};
    constexpr LetterTable()
    {
        slotOf.fill(NONE);
        for (const char c : wordLetters) {
            slotOf[static_cast<unsigned char>(c)] = static_cast<std::uint8_t>(WordTable::slot(c));
            slotOf[static_cast<unsigned char>(c - 'A' + 'a')] =
                static_cast<std::uint8_t>(WordTable::slot(c - 'A' + 'a'));
        }
    }
};
constexpr LetterTable letters;

// A number as parse_Generic's "[-+]?\d*\.?\d+\.?" matches it at the start of
// a text. Backtracking makes "\d*\.?\d+" take digits, point, digits when a
// digit follows the point, and otherwise the digits alone; the optional
// trailing point is then taken. So "12." reads "12.", "1..5" reads "1." and
// "12.3.4" reads "12.3." (which then does not convert).
struct ScannedNumber {
    std::size_t length = 0; // 0: no number here
    // The digits as an integer and how many follow the point, while they fit.
    std::uint64_t digits = 0;
    int fractionDigits = 0;
    int digitCount = 0;
    bool negative = false;
    bool secondPoint = false; // "1.5." - the conversion takes the whole text or fails
};

// Inlined into the word scanner, where most of a run's time goes.
[[gnu::always_inline]] inline ScannedNumber scanNumber(std::string_view text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    ScannedNumber n;
    if (p < end && (*p == '-' || *p == '+')) {
        n.negative = *p == '-';
        ++p;
    }
    // Past 19 digits the integer may wrap; such numbers go to from_chars.
    std::uint64_t digits = 0;
    const char* const integerBegin = p;
    while (p < end && isDigit(*p))
        digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
    const auto integerDigits = static_cast<int>(p - integerBegin);
    if (end - p >= 2 && p[0] == '.' && isDigit(p[1])) {
        const char* const fractionBegin = ++p;
        while (p < end && isDigit(*p))
            digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
        n.fractionDigits = static_cast<int>(p - fractionBegin);
        if (p < end && *p == '.') {
            n.secondPoint = true;
            ++p;
        }
    } else if (integerDigits == 0) {
        return {};
    } else if (p < end && *p == '.') {
        ++p;
    }
    n.digits = digits;
    n.digitCount = integerDigits + n.fractionDigits;
    n.length = static_cast<std::size_t>(p - text.data());
    return n;
}

// Up to 2^24 the integer is exact in a float, and so are 10^0..10^10; one
// IEEE division of the two is then the correctly rounded value.
constexpr float exactPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

bool convertNumber(std::string_view text, const ScannedNumber& n, float& value)
{
    if (n.secondPoint) return false;
    if (n.digitCount <= 19 && n.digits <= (std::uint64_t{1} << 24) && n.fractionDigits <= 10) {
        const float magnitude = static_cast<float>(n.digits) / exactPowersOfTen[n.fractionDigits];
        value = n.negative ? -magnitude : magnitude;
        return true;
    }
    return readFloat(text, value);
}

// The double nearest a scanned number that already read as a float. Up to
// 2^53 the integer is exact in a double, as are 10^0..10^22, so one division
// is correctly rounded; longer numbers go the slow way.
constexpr double exactPowersOfTenD[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double exactValueOf(std::string_view text, const ScannedNumber& n)
{
    if (n.digitCount <= 19 && n.digits <= (std::uint64_t{1} << 53) && n.fractionDigits <= 22) {
        const double magnitude = static_cast<double>(n.digits) / exactPowersOfTenD[n.fractionDigits];
        return n.negative ? -magnitude : magnitude;
    }
    if (text.starts_with('+')) text.remove_prefix(1);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// A number as an error message shows it: a runaway one is cut, as the line
// shown after the message is.
std::string shownNumber(std::string_view number)
{
    constexpr std::size_t shown = 40;
    return std::string(number.substr(0, shown)) + (number.size() > shown ? "..." : "");
}

[[noreturn]] void badNumber(char letter, std::string_view number)
{
    throw Refusal("the " + std::string(1, letter) + " word's number \"" + shownNumber(number) +
                  "\" is not a number that fits a 32-bit float");
}

// Whether a number that from_chars found beyond a float lies below its range
// (and rounds to zero) rather than above it: whether it is below 1, its first
// significant digit lying right of the units. `text` is one number as
// from_chars reads it.
bool belowFloatRange(std::string_view text)
{
    if (!text.empty() && text[0] == '-') text.remove_prefix(1);
    const std::size_t exponentAt = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, exponentAt);
    long long exponent = 0;
    if (exponentAt != std::string_view::npos) {
        std::string_view digits = text.substr(exponentAt + 1);
        const bool negative = digits.starts_with('-');
        if (digits.starts_with('-') || digits.starts_with('+')) digits.remove_prefix(1);
        for (const char c : digits)
            exponent = exponent < 100000000 ? exponent * 10 + (c - '0') : exponent;
        if (negative) exponent = -exponent;
    }
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return true;
    // The power of ten of the first significant digit.
    const long long order =
        first < point ? static_cast<long long>(point - first) - 1 : -static_cast<long long>(first - point);
    return order + exponent < 0;
}

} // namespace

bool readFloat(std::string_view text, float& value)
{
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    // Digits or a point must come first (after a minus): from_chars would
    // also take "inf" and "nan".
    const std::size_t lead = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() <= lead || !(isDigit(text[lead]) || text[lead] == '.')) return false;
    const char* end = text.data() + text.size();
    const auto result =
        std::from_chars(text.data(), end, value, std::chars_format::fixed | std::chars_format::scientific);
    if (result.ptr != end) return false;
    if (result.ec == std::errc::result_out_of_range && belowFloatRange(text)) {
        // Too small for a float: its correctly rounded value is zero, of its sign.
        value = text[0] == '-' ? -0.0f : 0.0f;
        return true;
    }
    return result.ec == std::errc{};
}

WordTable parseGCodeValues(std::string_view text)
{
    WordTable words;
    std::size_t i = 0;
    while (i < text.size()) {
        const char letter = text[i];
        const std::uint8_t slot = letters.slotOf[static_cast<unsigned char>(letter)];
        if (slot == LetterTable::NONE) {
            ++i;
            continue;
        }
        const ScannedNumber scanned = scanNumber(text.substr(i + 1));
        if (scanned.length == 0) {
            ++i;
            continue;
        }
        const std::size_t length = scanned.length;
        const std::string_view number = text.substr(i + 1, length);
        float value;
        if (!convertNumber(number, scanned, value)) badNumber(letter, number);
        words.values[slot] = value; // a letter's slot is below 52
        words.seen |= std::uint64_t{1} << slot;
        if (letter == 'E') {
            words.eText = number;
            words.eExact = exactValueOf(number, scanned);
        }
        i += 1 + length;
    }
    return words;
}

float wordValueOf(std::string_view number)
{
    const ScannedNumber scanned = scanNumber(number);
    float value = std::numeric_limits<float>::quiet_NaN();
    if (scanned.length > 0 && !convertNumber(number.substr(0, scanned.length), scanned, value))
        value = std::numeric_limits<float>::quiet_NaN();
    return value;
}

std::int32_t parseToolChange(std::string_view line)
{
    std::size_t end = 1;
    if (line.size() < 2 || line[0] != 'T' || !(isDigit(line[1]) || line[1] == '-'))
        throw Refusal("a tool change needs a tool number after \"T\"");
    ++end;
    while (end < line.size() && isDigit(line[end]))
        ++end;
    const std::string_view number = line.substr(1, end - 1);
    std::int32_t tool = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), tool);
    if (result.ec == std::errc::result_out_of_range)
        throw Refusal("the tool number " + shownNumber(number) + " does not fit a 32-bit integer");
    if (result.ec != std::errc{} || result.ptr != number.data() + number.size())
        throw Refusal("a tool change needs a tool number after \"T\"");
    return tool;
}

} // namespace vorlane
