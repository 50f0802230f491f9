// The number text form (printf's "%g" of the float widened to double) and the
// six G-code writers, line for line.
#include "gcode/number_text.hpp"
#include "gcode/writers.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vorlane::test {
namespace {

TEST(NumberText, FloatBoundaryTable)
{
    struct Row {
        float value;
        const char* text;
        const char* rule;
    };
    const std::vector<Row> rows{
        {1800.f, "1800", "whole numbers have no point"},
        {7200.f, "7200", "a feed rate is never 7200.0 or 7.2e+03"},
        {0.3f, "0.3", "six significant digits hide the float's error"},
        {0.2f, "0.2", "0.2f is slightly above 0.2"},
        {0.35f, "0.35", "trailing zeros are dropped"},
        {12.3456789f, "12.3457", "rounded to six significant digits"},
        {1234.5678f, "1234.57", "rounded to six significant digits"},
        {1234.56789f, "1234.57", "digits past the sixth are lost"},
        {100.25f, "100.25", "an exact value"},
        {-12.5f, "-12.5", "a minus sign"},
        {0.04321f, "0.04321", "small amounts in fixed form"},
        {123456.7f, "123457", "exponent 5 is still fixed"},
        {100000.f, "100000", "exponent 5 is still fixed"},
        {999999.375f, "999999", "below the rounding to a seventh digit"},
        {999999.625f, "1e+06", "rounding to 1e6 makes the exponent 6: scientific"},
        {1000000.f, "1e+06", "exponent 6 is scientific, trailing zeros dropped"},
        {1234567.f, "1.23457e+06", "scientific with six significant digits"},
        {0.00005f, "5e-05", "exponent -5 is scientific"},
        {0.0001f, "0.0001", "0.0001f is just below 1e-4 but rounds to exponent -4: fixed"},
        {0.00001f, "1e-05", "a tiny extrusion in scientific form"},
        {0.000099999f, "9.9999e-05", "just below 1e-4 after rounding: scientific"},
        {0.f, "0", "zero"},
        {-0.f, "-0", "negative zero keeps its sign"},
        {std::numeric_limits<float>::max(), "3.40282e+38", "the largest float"},
        {std::numeric_limits<float>::denorm_min(), "1.4013e-45", "the smallest float"},
        {-std::numeric_limits<float>::min(), "-1.17549e-38", "the smallest normal float"},
        {std::numeric_limits<float>::infinity(), "inf", "%g of infinity"},
        {-std::numeric_limits<float>::infinity(), "-inf", "%g of infinity"},
        {std::numeric_limits<float>::quiet_NaN(), "nan", "%g of NaN"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(concat(row.value), row.text) << "the float " << row.text << ": " << row.rule;
}

TEST(NumberText, IntegersAndBooleans)
{
    EXPECT_EQ(concat(0), "0");
    EXPECT_EQ(concat(7), "7");
    EXPECT_EQ(concat(-1), "-1") << "a minus sign when negative";
    EXPECT_EQ(concat(INT_MAX), "2147483647") << "integers are not floats: all digits";
    EXPECT_EQ(concat(INT_MIN), "-2147483648");
    EXPECT_EQ(concat(1234567), "1234567") << "an int never takes the scientific form";
    EXPECT_EQ(concat(LLONG_MAX), "9223372036854775807");
    EXPECT_EQ(concat(LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(concat(true), "true");
    EXPECT_EQ(concat(false), "false");
}

TEST(NumberText, AppendsToTheTextBeforeIt)
{
    std::string text = "G1 X";
    appendNumber(text, 1.5f);
    appendNumber(text, 2);
    appendNumber(text, false);
    EXPECT_EQ(text, "G1 X1.52false") << "appendNumber adds to the end and keeps what was there";
}

std::string printfText(float value)
{
    // Some C libraries drop the sign of a NaN; the program writes it, as the
    // C library of Linux does.
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    char text[64];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// Random bit patterns reach every exponent, NaNs and infinities; values in a
// printer's range and the neighbours of decimal boundaries reach the roundings
// that decide between fixed and scientific form.
TEST(NumberText, AgreesWithPrintfOnSeededRandomFloats)
{
#if defined(__SANITIZE_ADDRESS__)
    constexpr int randomBits = 600000;
#else
    constexpr int randomBits = 2000000;
#endif
    std::mt19937 rng(8675309);
    std::size_t checked = 0, disagreements = 0;
    const auto compare = [&](float value) {
        ++checked;
        const std::string got = concat(value), want = printfText(value);
        if (got != want && ++disagreements <= 10)
            ADD_FAILURE() << "bits 0x" << std::hex << std::bit_cast<std::uint32_t>(value) << std::dec << ": \"" << got
                          << "\", printf gives \"" << want << "\"";
    };
    for (int i = 0; i < randomBits; ++i)
        compare(std::bit_cast<float>(static_cast<std::uint32_t>(rng())));
    std::uniform_real_distribution<float> unit(1.f, 2.f);
    for (int i = 0; i < 200000; ++i) {
        const int exponent = static_cast<int>(rng() % 48) - 24;
        const float value = std::ldexp(unit(rng), exponent);
        compare(rng() % 2 ? value : -value);
    }
    for (int power = -8; power <= 8; ++power) {
        for (const double mantissa : {1.0, 9.999995, 9.99999, 9.999985, 1.000005, 1.234565}) {
            float value = static_cast<float>(mantissa * std::pow(10.0, power));
            for (int k = 0; k < 40; ++k)
                value = std::nextafter(value, 0.f);
            for (int k = 0; k < 80; ++k) {
                compare(value);
                value = std::nextafter(value, std::numeric_limits<float>::infinity());
            }
        }
    }
    for (int whole = -70000; whole <= 70000; ++whole)
        compare(static_cast<float>(whole) / 8.f);
    EXPECT_EQ(disagreements, 0u) << "every number is written as printf's \"%g\" of the float widened to double ("
                                 << checked << " floats checked)";
}

TEST(Writers, EachWritesItsOneLine)
{
    struct Row {
        std::string text;
        const char* expected;
        const char* rule;
    };
    const auto written = [](auto write) {
        OutBuffer out;
        write(out);
        return out.text;
    };
    const std::vector<Row> rows{
        {written([](OutBuffer& out) { writeZMoveLine(out.text, 0.35f, 7200.f); }), "G1 Z0.35 F7200\n",
         "Z and F in %g form"},
        {written([](OutBuffer& out) { writeZMoveLine(out.text, 100.25f, 1000.f); }), "G1 Z100.25 F1000\n", "Z100.25"},
        {written([](OutBuffer& out) { writeZMoveLine(out.text, 1234.56789f, 600.f); }), "G1 Z1234.57 F600\n",
         "digits past the sixth are lost"},
        {written([](OutBuffer& out) {
             writeXYMove(out.text, {12.5f, 30.f}, 1800.f);
         }),
         "G1 X12.5 Y30 F1800\n", "a travel: X, Y, F"},
        {written([](OutBuffer& out) {
             writeXYMove(out.text, {-5.f, -0.f}, 9000.f);
         }),
         "G1 X-5 Y-0 F9000\n", "signs as the numbers have them"},
        {written([](OutBuffer& out) {
             writeXYZMove(out.text, {1.f, 2.f}, 0.6f, 7200.f);
         }),
         "G1 X1 Y2 Z0.6 F7200\n", "X, Y, Z, F in that order"},
        {written([](OutBuffer& out) { writeFeedRate(out.text, 7200.f); }), "G1 F7200\n", "never F7200.0"},
        {written([](OutBuffer& out) { writeFeedRate(out.text, 1234567.f); }), "G1 F1.23457e+06\n",
         "the one number text, even where G-code would rather not"},
        {written([](OutBuffer& out) {
             writeXYEFDraw(out.text, {12.5f, 30.f}, 0.04321f, 1800.f);
         }),
         "G1 X12.5 Y30 E0.04321 F1800\n", "a draw: X, Y, E, F"},
        {written([](OutBuffer& out) {
             writeXYEFDraw(out.text, {100.f, 50.25f}, 0.00001f, 2400.f);
         }),
         "G1 X100 Y50.25 E1e-05 F2400\n", "a tiny extrusion in scientific form"},
        {written([](OutBuffer& out) { writeFanControlLineForCurrentTool(out, 1, 255.f); }),
         "M106 P1 S255 ; restore the fan in case tool change messed it up\n", "the fan restore"},
        {written([](OutBuffer& out) { writeFanControlLineForCurrentTool(out, 0, 0.f); }),
         "M106 P0 S0 ; restore the fan in case tool change messed it up\n", "tool 0 and speed 0 still write"},
        {written([](OutBuffer& out) { writeFanControlLineForCurrentTool(out, 3, 127.5f); }),
         "M106 P3 S127.5 ; restore the fan in case tool change messed it up\n", "a fractional speed"},
        {written([](OutBuffer& out) { writeFanControlLineForCurrentTool(out, -1, 255.f); }), "",
         "no fan for a negative tool: nothing at all"},
        {written([](OutBuffer& out) { writeFanControlLineForCurrentTool(out, INT_MIN, 255.f); }), "",
         "no fan for a negative tool: nothing at all"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.text, row.expected) << row.rule;
}

TEST(Writers, NumbersAreReturnedAsTheirTextReadsBack)
{
    std::string text;
    const WrittenValues draw = writeXYEFDraw(text, {1234.5678f, -0.1f}, 0.00001f, 1234567.f);
    EXPECT_EQ(draw.xy.x, 1234.57f) << "six significant digits";
    EXPECT_EQ(draw.xy.y, -0.1f);
    EXPECT_EQ(draw.e, 1.0f) << "E1e-05 reads as E1: the scanner takes the e for a word of its own";
    EXPECT_EQ(draw.feedRate, 1.23457f) << "F1.23457e+06 reads as F1.23457";
}

TEST(Writers, LinesFollowWhatIsAlreadyBuffered)
{
    OutBuffer out;
    out.text = "; before\n";
    writeFeedRate(out.text, 3000.f);
    writeFanControlLineForCurrentTool(out, -1, 1.f);
    writeXYZMove(out.text, {0.1f, 0.2f}, 0.3f, 4800.f);
    EXPECT_EQ(out.text, "; before\nG1 F3000\nG1 X0.1 Y0.2 Z0.3 F4800\n")
        << "each writer appends exactly one line, the negative-tool fan none";
}

} // namespace
} // namespace vorlane::test
