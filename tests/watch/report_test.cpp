// The report's marks of lifted travels, as the page holds them.
#include "support.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace vorlane::test {
namespace {

TEST(Report, ALiftThatRisesStraightUpIsMarkedRisingAtItsStart)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, readFile(std::string(VORLANE_TEST_DATA) + "/lift/rise_straight_up.gcode"));
    ASSERT_EQ(runVorlane({"--report", input}).status, 0);
    const std::string page = readFile(input + ".html");
    std::smatch lift;
    ASSERT_TRUE(std::regex_search(page, lift,
                                  std::regex("<polyline points=\"(\\S+) (\\S+) (\\S+) (\\S+) \"/><circle class=\"rise\" "
                                             "cx=\"(-?\\d+)\" cy=\"(-?\\d+)\"")))
        << "the page holds the lifted travel";
    EXPECT_EQ(lift[2], lift[1]) << "the nozzle rises where it stands: the flat part ends at the start";
    EXPECT_EQ(lift[3], lift[1]) << "and it is up there too";
    EXPECT_EQ(lift[5].str() + "," + lift[6].str(), lift[1].str()) << "the rise is marked at the start, not the end";
}

} // namespace
} // namespace vorlane::test
