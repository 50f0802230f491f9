// The word scanner converts short decimals itself (an exact integer divided
// by an exact power of ten); on every text it must give the float that
// std::from_chars gives.
#include "gcode/words.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>
#include <string>

namespace vorlane {
namespace {

float fromChars(const std::string& text)
{
    float value = 0;
    const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
    const auto result = std::from_chars(begin, text.data() + text.size(), value);
    EXPECT_EQ(result.ec, std::errc{}) << text;
    return value;
}

TEST(NumberConversion, ShortAndLongDecimalsAgreeWithFromChars)
{
    std::mt19937_64 random(20261207);
#if defined(__SANITIZE_ADDRESS__)
    constexpr int cases = 100000;
#else
    constexpr int cases = 1000000;
#endif
    for (int n = 0; n < cases; ++n) {
        std::string text;
        const int sign = static_cast<int>(random() % 4);
        if (sign == 1) text += '-';
        if (sign == 2) text += '+';
        const int intDigits = static_cast<int>(random() % 10);
        const int fracDigits = static_cast<int>(random() % 13);
        for (int d = 0; d < intDigits; ++d)
            text += static_cast<char>('0' + random() % 10);
        if (fracDigits > 0 || intDigits == 0) {
            text += '.';
            for (int d = 0; d < std::max(fracDigits, 1); ++d)
                text += static_cast<char>('0' + random() % 10);
        } else if (random() % 2) {
            text += '.'; // "12." reads as 12
        }
        const WordTable words = parseGCodeValues("X" + text);
        ASSERT_TRUE(words.has('X')) << text;
        const float expected = fromChars(text.back() == '.' ? text.substr(0, text.size() - 1) : text);
        ASSERT_EQ(std::memcmp(&words.values[WordTable::slot('X')], &expected, sizeof expected), 0)
            << "X" << text << " must read as the correctly rounded float " << expected;
    }
}

TEST(NumberConversion, BoundariesOfTheExactPath)
{
    const char* const texts[] = {"16777216",
                                 "16777217",
                                 "16777218",
                                 "0.16777217",
                                 "1.6777217",
                                 "0.0000000001",
                                 "0.00000000001",
                                 "9999999999999999999",
                                 "99999999999999999999",
                                 "340282346638528859811704183484516925440",
                                 "0.000000000000000000000000000000000000011754944",
                                 "-0",
                                 "-0.0",
                                 "0.1",
                                 "0.2",
                                 "0.3",
                                 "100.25",
                                 "1234.56789"};
    for (const std::string text : texts) {
        const float value = parseGCodeValues("E" + text)['E'];
        const float expected = fromChars(text);
        EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text;
    }
}

} // namespace
} // namespace vorlane
