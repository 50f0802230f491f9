// The classic lift is the lift as it was before it lifted the travels after
// a tool change, rose straight up and took every kind of path for an
// obstacle: on every real file and fixture, --classic-lift writes what the
// program then wrote (its digests, tests/data/classic_lift_digests.txt,
// written by classic_lift_digests.py), but for the settings line naming it.
#include "support.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace vorlane::test {
namespace {

std::uint64_t fnv1a64(std::string_view bytes)
{
    std::uint64_t digest = 0xCBF29CE484222325u;
    for (const char c : bytes)
        digest = (digest ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
    return digest;
}

// Where a digest's file lies: under ../shared, the examples or tests/data.
std::string sourceOf(const std::string& name)
{
    const std::string shared = std::filesystem::path(VORLANE_REAL_GCODE).parent_path().string();
    if (name.starts_with("shared/")) return shared + name.substr(6);
    if (name.starts_with("examples/")) return std::string(VORLANE_EXAMPLES) + name.substr(8);
    return std::string(VORLANE_TEST_DATA) + name.substr(4);
}

TEST(ClassicLift, WritesWhatTheLiftWroteBeforeButTheSettingsLine)
{
    std::istringstream digests(readFile(std::string(VORLANE_TEST_DATA) + "/classic_lift_digests.txt"));
    int compared = 0;
    for (std::string line; std::getline(digests, line);) {
        std::istringstream words(line);
        std::string digest, name;
        words >> digest >> name;
        std::vector<std::string> options;
        for (std::string option; words >> option;)
            options.push_back(option);
        const std::string source = sourceOf(name);
        if (!exists(source)) continue; // ../shared is not beside the project
        SCOPED_TRACE(name);
        options.push_back("--classic-lift");
        std::string output = processWithExecutable(readFile(source), nullptr, options);
        const std::string settings = "; Vorlane settings: ";
        ASSERT_TRUE(output.starts_with(settings)) << "the settings line names what the run was given";
        const std::string named = output.substr(0, output.find('\n'));
        EXPECT_NE((named + " ").find(" classic-lift "), std::string::npos) << named;
        if (options.size() == 1) {
            EXPECT_EQ(named, settings + "classic-lift") << "the classic lift's own shortest travel is no setting given";
        }
        output.erase(0, named.size() + 1);
        char written[17];
        std::snprintf(written, sizeof written, "%016llx", static_cast<unsigned long long>(fnv1a64(output)));
        EXPECT_EQ(written, digest) << "the classic lift writes what the lift wrote before";
        ++compared;
    }
    EXPECT_GE(compared, 40) << "every fixture at least";
}

} // namespace
} // namespace vorlane::test
