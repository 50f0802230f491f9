// The word scanner held to its definition: parseGCodeValues against a
// reference that searches parse_Generic with std::regex (case-insensitive) and
// converts each number with std::from_chars; tables for the backtracking cases
// of the number pattern; comments, float reading and tool numbers.

#include "gcode/recognizers.hpp"
#include "gcode/words.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorlane::test {
namespace {

const std::string wordLetters = "GMXYZUVWIJKEFTSPDHRQN";
const std::string allLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::string shown(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// What parse_Generic and the standard conversion make of a text: the word
// table, or nothing when some word's number does not convert whole.
std::optional<std::map<char, float>> reference(const std::string& text)
{
    static const std::regex generic(std::string(parse_Generic), std::regex::ECMAScript | std::regex::icase);
    std::map<char, float> words;
    for (auto word = std::sregex_iterator(text.begin(), text.end(), generic); word != std::sregex_iterator(); ++word) {
        std::string number = (*word)[2].str();
        if (number.starts_with('+')) number.erase(0, 1);
        float value = 0;
        const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
        if (result.ec != std::errc{} || result.ptr != number.data() + number.size()) return std::nullopt;
        words[(*word)[1].str()[0]] = value;
    }
    return words;
}

// The last upper-case E word's number as the standard conversion reads it
// into a double, when there is one.
std::optional<double> referenceE(const std::string& text)
{
    static const std::regex generic(std::string(parse_Generic), std::regex::ECMAScript | std::regex::icase);
    std::optional<double> e;
    for (auto word = std::sregex_iterator(text.begin(), text.end(), generic); word != std::sregex_iterator(); ++word) {
        if ((*word)[1].str() != "E") continue;
        std::string number = (*word)[2].str();
        if (number.starts_with('+')) number.erase(0, 1);
        double value = 0;
        std::from_chars(number.data(), number.data() + number.size(), value);
        e = value;
    }
    return e;
}

// Empty when the table matches `expected` letter for letter and bit for bit
// (so -0 is not 0), else what differs.
std::string difference(const WordTable& words, const std::map<char, float>& expected)
{
    std::string differences;
    for (const char letter : allLetters) {
        const auto want = expected.find(letter);
        const bool wanted = want != expected.end();
        const int slot = WordTable::slot(letter);
        if (slot < 0) continue;
        const float value = words[letter];
        if (words.has(letter) != wanted) {
            differences += std::string(" ") + letter + (wanted ? " missing" : " unexpected");
        } else if (wanted && std::bit_cast<std::uint32_t>(value) != std::bit_cast<std::uint32_t>(want->second)) {
            char text[80];
            std::snprintf(text, sizeof text, " %c=%.9g, not %.9g", letter, static_cast<double>(value),
                          static_cast<double>(want->second));
            differences += text;
        }
    }
    return differences;
}

std::size_t below(std::mt19937& rng, std::size_t n) { return static_cast<std::size_t>(rng() % n); }

std::string digits(std::mt19937& rng, std::size_t most)
{
    std::string text;
    const std::size_t count = below(rng, most + 1);
    for (std::size_t i = 0; i < count; ++i)
        text += static_cast<char>('0' + below(rng, 10));
    return text;
}

// A text of G-code words: a real-looking move or command, or a random run of
// letters, digits, points, signs and spaces.
std::string wordText(std::mt19937& rng)
{
    std::string text;
    if (below(rng, 3) == 0) {
        static const std::array<const char*, 6> commands{"G1", "G92", "M106", "M104", "T1", "G28"};
        text = commands[below(rng, commands.size())];
        for (const char letter : {'X', 'Y', 'Z', 'E', 'F', 'S', 'P'}) {
            if (below(rng, 2) != 0) continue;
            text += ' ';
            text += letter;
            if (below(rng, 4) == 0) text += '-';
            text += std::to_string(below(rng, 1000));
            // E words sometimes carry long absolute positions: their exact value is kept.
            if (below(rng, 2) == 0) text += "." + digits(rng, letter == 'E' ? 24 : 5);
        }
        return text;
    }
    static const std::string odd = "ABCLOabcloe";
    const std::size_t pieces = 1 + below(rng, 12);
    for (std::size_t i = 0; i < pieces; ++i) {
        switch (below(rng, 12)) {
        case 0:
        case 1: {
            const char letter = wordLetters[below(rng, wordLetters.size())];
            text += below(rng, 4) == 0 ? static_cast<char>(letter - 'A' + 'a') : letter;
            break;
        }
        case 2:
            text += odd[below(rng, odd.size())];
            break;
        case 3:
        case 4:
            text += digits(rng, 4);
            break;
        case 5:
            text += '.';
            break;
        case 6:
            text += below(rng, 2) ? '-' : '+';
            break;
        case 7:
            text += below(rng, 3) ? " " : "\t";
            break;
        case 8:
            text += wordLetters[below(rng, wordLetters.size())] + digits(rng, 3) + "." + digits(rng, 3);
            break;
        case 9:
            // Long digit runs: past 2^24, past ten decimals, past 19 digits.
            text += wordLetters[below(rng, wordLetters.size())] + digits(rng, 22) + "." + digits(rng, 14);
            break;
        case 10:
            // Small numbers with many decimals: a few digits after up to a dozen zeros.
            text += wordLetters[below(rng, wordLetters.size())] + std::string(below(rng, 2) ? "0." : ".") +
                    std::string(below(rng, 13), '0') + digits(rng, 4);
            break;
        default:
            text += std::string(1, wordLetters[below(rng, wordLetters.size())]) + (below(rng, 2) ? "-" : "+") +
                    digits(rng, 3);
            break;
        }
    }
    return text;
}

std::string mutated(std::string text, std::mt19937& rng)
{
    static const std::string inserts = " \t.-+0123456789eXx;";
    const std::size_t steps = 1 + below(rng, 3);
    for (std::size_t step = 0; step < steps; ++step) {
        const std::size_t at = below(rng, text.size() + 1);
        switch (below(rng, 6)) {
        case 0:
            text.resize(at);
            break;
        case 1:
            if (!text.empty()) text[at % text.size()] = static_cast<char>(below(rng, 256));
            break;
        case 2:
            text.insert(at, 1, inserts[below(rng, inserts.size())]);
            break;
        case 3:
            if (at < text.size()) text.erase(at, 1);
            break;
        case 4:
            if (at < text.size()) text.insert(at, 1, text[at]);
            break;
        default:
            for (char& c : text)
                if (c >= 'A' && c <= 'Z' && below(rng, 3) == 0) c = static_cast<char>(c - 'A' + 'a');
            break;
        }
    }
    return text;
}

TEST(Words, ScannerAgreesWithTheWordPatternOnGeneratedAndMutatedTexts)
{
    std::mt19937 rng(51966);
    std::size_t texts = 0, throwing = 0, disagreements = 0;
    const auto compare = [&](const std::string& text) {
        ++texts;
        const auto expected = reference(text);
        std::string problem;
        if (!expected) {
            ++throwing;
            try {
                parseGCodeValues(text);
                problem = "no error, though a word's number does not convert whole";
            } catch (const std::runtime_error&) {
            }
        } else {
            try {
                const WordTable words = parseGCodeValues(text);
                problem = difference(words, *expected);
                const std::optional<double> e = referenceE(text);
                if (e && std::bit_cast<std::uint64_t>(*e) != std::bit_cast<std::uint64_t>(words.eExact)) {
                    char shownE[80];
                    std::snprintf(shownE, sizeof shownE, " E as a double %.17g, not %.17g", words.eExact, *e);
                    problem += shownE;
                }
            } catch (const std::exception& error) {
                problem = std::string("an error: ") + error.what();
            }
        }
        if (!problem.empty() && ++disagreements <= 10)
            ADD_FAILURE() << "parseGCodeValues(" << shown(text) << "):" << problem;
    };
    for (int i = 0; i < 6000; ++i) {
        const std::string text = wordText(rng);
        compare(text);
        compare(mutated(text, rng));
    }
    EXPECT_EQ(disagreements, 0u) << "every parse_Generic match is a word, later words replace earlier ones, "
                                    "and a number that does not convert whole is an error";
    EXPECT_GT(throwing, 20u) << "the corpus must reach numbers that do not convert";
    EXPECT_LT(throwing, texts / 4) << "and mostly texts that do";
}

struct WordsRow {
    std::string text;
    std::map<char, float> words;
    const char* rule;
};

TEST(Words, BacktrackingAndSignCases)
{
    const std::vector<WordsRow> rows{
        {"X12.", {{'X', 12.f}}, "a trailing point belongs to the number"},
        {"X1..5", {{'X', 1.f}}, "the number ends after its one trailing point; \".5\" has no letter"},
        {"X10.Y.5", {{'X', 10.f}, {'Y', 0.5f}}, "\"10.\" and \".5\" are numbers"},
        {"X10Y20", {{'X', 10.f}, {'Y', 20.f}}, "words need no spaces between them"},
        {"G1 X5", {{'G', 1.f}, {'X', 5.f}}, "the command's own word is in the table"},
        {"x10", {{'x', 10.f}}, "a lower-case letter is kept as written"},
        {"X-5", {{'X', -5.f}}, "a minus sign is read"},
        {"E-1.5", {{'E', -1.5f}}, "a retraction's E is negative"},
        {"X+2", {{'X', 2.f}}, "a plus sign is read"},
        {"X-.5", {{'X', -0.5f}}, "a sign before a point"},
        {"X-", {}, "a sign alone is no number"},
        {"X--5", {}, "two signs are no number"},
        {"X+-5", {}, "two signs are no number"},
        {"X-X5", {{'X', 5.f}}, "a failed word does not hide the next"},
        {"X.", {}, "a point alone is no number"},
        {"X", {}, "a letter alone is no word"},
        {"A1 B2 L3 O4 C5", {}, "A, B, C, L and O are not word letters"},
        {"X1e5", {{'X', 1.f}, {'e', 5.f}}, "no exponents: \"e5\" is an E word of its own"},
        {"X1 X2", {{'X', 2.f}}, "a later word replaces an earlier one"},
        {"X1 x2", {{'X', 1.f}, {'x', 2.f}}, "cases are separate keys"},
        {"X1-2", {{'X', 1.f}}, "\"-2\" has no letter"},
        {"X5..", {{'X', 5.f}}, "only one trailing point"},
        {"X007", {{'X', 7.f}}, "leading zeros"},
        {"X-0", {{'X', -0.f}}, "negative zero stays negative"},
        {"M106 S255", {{'M', 106.f}, {'S', 255.f}}, "commands with parameters"},
        {"N10 G1 X1 Y2 Z3 E4 F5",
         {{'N', 10}, {'G', 1}, {'X', 1}, {'Y', 2}, {'Z', 3}, {'E', 4}, {'F', 5}},
         "every word of a move"},
        {"U1 V2 W3 I4 J5 K6 T7 P8 D9 H10 R11 Q12",
         {{'U', 1},
          {'V', 2},
          {'W', 3},
          {'I', 4},
          {'J', 5},
          {'K', 6},
          {'T', 7},
          {'P', 8},
          {'D', 9},
          {'H', 10},
          {'R', 11},
          {'Q', 12}},
         "all the other word letters"},
        {"X0.1", {{'X', 0.1f}}, "the nearest float"},
        {"X16777216", {{'X', 16777216.f}}, "2^24 is exact"},
        {"X16777217", {{'X', 16777216.f}}, "2^24 + 1 ties: to the even 2^24"},
        {"X16777219", {{'X', 16777220.f}}, "2^24 + 3 ties: to the even 2^24 + 4"},
        {"X-16777217.0", {{'X', -16777216.f}}, "the same tie, negative, with a fraction"},
        {"X0.1000000000", {{'X', 0.1f}}, "ten decimals"},
        {"X0.10000000000", {{'X', 0.1f}}, "eleven decimals"},
        {"X0.0000000001", {{'X', 1e-10f}}, "ten decimals, one digit"},
        {"X0.00000000001", {{'X', 1e-11f}}, "eleven decimals, one digit"},
        {"X.000000000015", {{'X', 1.5e-11f}}, "twelve decimals, two digits"},
        {"X0.00000000000000000000000000000000000000000000140129846",
         {{'X', std::numeric_limits<float>::denorm_min()}},
         "the smallest float, written out"},
        {"X1.00000005960464477539062500001", {{'X', 1.00000012f}}, "just above the tie between 1 and the next float"},
        {"X1.000000059604644775390625", {{'X', 1.f}}, "the exact tie between 1 and the next float: to even"},
        {"X340282356000000000000000000000000000000",
         {{'X', std::numeric_limits<float>::max()}},
         "a number just below the overflow threshold rounds to the largest float"},
        {"", {}, "empty text"},
    };
    for (const WordsRow& row : rows) {
        try {
            const std::string problem = difference(parseGCodeValues(row.text), row.words);
            EXPECT_EQ(problem, "") << "parseGCodeValues(" << shown(row.text) << "): " << row.rule;
        } catch (const std::exception& error) {
            ADD_FAILURE() << "parseGCodeValues(" << shown(row.text) << ") threw " << error.what() << ": " << row.rule;
        }
        const auto expected = reference(row.text);
        ASSERT_TRUE(expected) << shown(row.text);
        EXPECT_EQ(*expected, row.words) << shown(row.text) << ": the table row contradicts the word pattern itself";
    }
}

TEST(Words, NumbersThatDoNotConvertWholeAreErrors)
{
    const std::vector<std::pair<std::string, const char*>> rows{
        {"X12.3.4", "\"12.3.\" is two points"},
        {"G1 X1 Y2.5. E1", "\"2.5.\" is two points"},
        {"X-1.2.", "\"-1.2.\" is two points"},
        {"X" + std::string(40, '9'), "a number too large for a float"},
        {"X340282357000000000000000000000000000000", "a number just past the overflow threshold"},
        {"Y-" + std::string(39, '9'), "a negative number too large for a float"},
    };
    for (const auto& [text, rule] : rows) {
        EXPECT_THROW(parseGCodeValues(text), std::runtime_error) << shown(text) << ": " << rule;
        EXPECT_FALSE(reference(text)) << shown(text) << ": the table row contradicts the conversion itself";
    }
}

TEST(Words, StripTrailingCommentCutsAtTheFirstSemicolon)
{
    const std::vector<std::pair<std::string, std::string>> rows{
        {"G1 X10 Y20 ; travel", "G1 X10 Y20 "},
        {"G1 X10 ; a ; b", "G1 X10 "},
        {"M104 S215 T0; set temp", "M104 S215 T0"},
        {"; 'Perimeter Path'", ""},
        {";", ""},
        {"G1 X10", "G1 X10"},
        {"", ""},
        {"  \t;x", "  \t"},
    };
    for (const auto& [line, kept] : rows)
        EXPECT_EQ(stripTrailingComment(line), kept)
            << shown(line) << ": the comment starts at the first \";\" and nothing else is trimmed";
}

TEST(Words, ReadFloatTakesOneWholeNumberOrNothing)
{
    struct Row {
        std::string text;
        std::optional<float> value;
        const char* rule;
    };
    const std::vector<Row> rows{
        {"10.", 10.f, "a trailing point"},
        {".5", 0.5f, "a leading point"},
        {"-2", -2.f, "a minus sign"},
        {"+2", 2.f, "a plus sign"},
        {"0.1", 0.1f, "correctly rounded"},
        {"1e5", 1e5f, "an exponent"},
        {"-0", -0.f, "negative zero"},
        {"3.4028235e38", std::numeric_limits<float>::max(), "the largest float"},
        {"+-2", std::nullopt, "two signs"},
        {"++2", std::nullopt, "two signs"},
        {"+", std::nullopt, "a sign alone"},
        {"-", std::nullopt, "a sign alone"},
        {"", std::nullopt, "nothing"},
        {" 1", std::nullopt, "no leading white space"},
        {"1 ", std::nullopt, "no trailing text"},
        {"12.3.", std::nullopt, "two points"},
        {"1.2.3", std::nullopt, "two points"},
        {"1e-61", 0.f, "below the float range: zero, as a printer reads it"},
        {"-1e-61", -0.f, "below the float range: zero of its sign"},
        {"0." + std::string(60, '0') + "1", 0.f, "a long fraction below the range"},
        {"7.006492321624085e-46", 0.f, "just below half the smallest subnormal rounds to zero"},
        {"7.006492321624086e-46", std::numeric_limits<float>::denorm_min(), "just above it, the smallest subnormal"},
        {"1e-40", 1e-40f, "a subnormal"},
        {"1000e-50", 0.f, "the order counts the digits before the point"},
        {"0.0001e-999999999999", 0.f, "an exponent beyond any integer"},
        {"1e39", std::nullopt, "beyond a float's range"},
        {"0.001e42", std::nullopt, "the order counts the digits after the point"},
        {"-1e39", std::nullopt, "beyond a float's range"},
        {"0x10", std::nullopt, "no hex"},
        {"1,5", std::nullopt, "no decimal comma"},
    };
    for (const Row& row : rows) {
        float value = 12345.f;
        const bool read = readFloat(row.text, value);
        EXPECT_EQ(read, row.value.has_value()) << shown(row.text) << ": " << row.rule;
        if (read && row.value) {
            EXPECT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(*row.value))
                << shown(row.text) << ": " << row.rule << " (" << value << ")";
        }
    }
}

// Infinity and NaN are words, not numbers: a reader that takes them would let
// "inf" through as a setting or a coordinate.
TEST(Words, ReadFloatRefusesInfinityAndNaN)
{
    for (const std::string text : {"inf", "-inf", "+inf", "infinity", "nan", "-nan", "NAN"}) {
        float value = 12345.f;
        EXPECT_FALSE(readFloat(text, value)) << shown(text) << ": readFloat takes numbers only, not \"inf\" or NaN";
    }
}

TEST(Words, ParseToolChangeReadsTheNumberAfterT)
{
    const std::vector<std::pair<std::string, std::int32_t>> tools{
        {"T2", 2},
        {"T0", 0},
        {"T-1", -1},
        {"T1 ; comment", 1},
        {"T1X", 1},
        {"T12-", 12},
        {"T007", 7},
        {"T2147483647", std::numeric_limits<std::int32_t>::max()},
        {"T-2147483648", std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& [line, tool] : tools)
        EXPECT_EQ(parseToolChange(line), tool) << shown(line) << ": the number right after T, text after it ignored";

    const std::vector<std::pair<std::string, const char*>> errors{
        {"T", "a bare T has no number"},
        {"T-", "a minus alone is no number"},
        {"T--1", "a minus alone is no number"},
        {"T;", "a comment is no number"},
        {"TA", "a letter is no number"},
        {"T 1", "the number must follow the T at once"},
        {"t1", "a lower-case t is no tool change"},
        {"", "an empty line"},
        {"T99999999999", "too large for a 32-bit integer"},
        {"T2147483648", "too large for a 32-bit integer"},
        {"T-2147483649", "too large for a 32-bit integer"},
    };
    for (const auto& [line, rule] : errors) {
        EXPECT_THROW(parseToolChange(line), std::runtime_error) << shown(line) << ": " << rule;
    }
}

// parse_ToolChange and a whole-group integer conversion, as a reference.
std::optional<std::int32_t> referenceTool(const std::string& line)
{
    static const std::regex toolChange(std::string(parse_ToolChange), std::regex::ECMAScript);
    std::smatch match;
    if (!std::regex_search(line, match, toolChange)) return std::nullopt;
    const std::string number = match[1].str();
    std::int32_t tool = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), tool);
    if (result.ec != std::errc{} || result.ptr != number.data() + number.size()) return std::nullopt;
    return tool;
}

TEST(Words, ParseToolChangeAgreesWithItsPatternOnGeneratedLines)
{
    std::mt19937 rng(4711);
    std::size_t disagreements = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string line = "T";
        if (below(rng, 3) == 0) line += below(rng, 2) ? "-" : "--";
        line += digits(rng, 12);
        if (below(rng, 3) == 0) line += below(rng, 2) ? " ; tool" : "X";
        if (below(rng, 2) == 0) line = mutated(line, rng);
        const auto expected = referenceTool(line);
        std::optional<std::int32_t> got;
        try {
            got = parseToolChange(line);
        } catch (const std::runtime_error&) {
        }
        if (got != expected && ++disagreements <= 10)
            ADD_FAILURE() << "parseToolChange(" << shown(line) << ") gives "
                          << (got ? std::to_string(*got) : "an error") << ", its pattern "
                          << (expected ? std::to_string(*expected) : "an error");
    }
    EXPECT_EQ(disagreements, 0u) << "the tool number is group 1 of parse_ToolChange, whole, as a 32-bit integer";
}

} // namespace
} // namespace vorlane::test
