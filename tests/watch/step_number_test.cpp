// The report's writer of step numbers against std::to_chars.
#include "watch/step_number.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vorlane::test {
namespace {

TEST(StepNumber, WritesWhatToCharsWrites)
{
    // Every number around the table's end and the lengths' edges, and many
    // drawn from the whole range a step can take (two coordinates held
    // within ten thousand kilometres, in hundredths).
    std::vector<std::int32_t> values;
    for (std::int32_t v = -1100; v <= 1100; ++v)
        values.push_back(v);
    for (const std::int32_t v : {9999, 10000, 99999, 100000, 2000000000, -2000000000, 2147483647, -2147483647})
        values.push_back(v);
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::int32_t> any(-2000000000, 2000000000);
    for (int i = 0; i < 100000; ++i)
        values.push_back(any(random) >> (i % 31));
    for (const std::int32_t value : values) {
        char expected[16];
        const std::string wanted(expected, std::to_chars(expected, expected + sizeof expected, value).ptr);
        char written[16];
        const std::string got(written, writeStepNumber(written, value));
        ASSERT_EQ(got, wanted) << value;
    }
}

} // namespace
} // namespace vorlane::test
