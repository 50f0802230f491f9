// File names as the slicer hands them over: relative, very long, with spaces
// and characters beyond ASCII. Each must be processed in place, and messages
// must show the name the run used.
#include "support.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace vorlane::test {
namespace {

const std::string sample = lines({"G28", "G1 X10 Y10 F3000"});
const std::string processed =
    "; Vorlane v0024\n" + sample + nothingRewritten() + "; Lua Postproc took 0\n; D   Postproc took 0\n";

std::filesystem::path pathOf(const std::string& name)
{
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

// The name the program uses for a rooted name: on Windows, names of 240
// characters or more take the long-path form.
std::string usedName(const std::string& rooted)
{
#ifdef _WIN32
    if (rooted.size() >= 240) return "\\\\?\\" + rooted;
#endif
    return rooted;
}

TEST(FileNames, RelativeNameIsProcessedInItsFolder)
{
    TempDir dir;
    writeFile(dir.file("part.gcode"), sample);
    const RunResult run = runVorlane({"part.gcode"}, "", dir.path);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readOutput(dir.file("part.gcode")), processed);
    EXPECT_FALSE(exists(dir.file("part.gcoded")));
}

TEST(FileNames, LongNamesWork)
{
    TempDir dir;
    const std::string folder = dir.file(std::string(100, 'a')) + SEPARATOR + std::string(100, 'b');
#ifdef _WIN32
    std::filesystem::create_directories(pathOf("\\\\?\\" + folder));
#else
    std::filesystem::create_directories(pathOf(folder));
#endif
    const std::string input = folder + SEPARATOR + "part " + std::string(60, 'c') + ".gcode";
    ASSERT_GE(input.size(), 240u);
    writeFile(usedName(input), sample);
    const RunResult run = runVorlane({input});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readOutput(usedName(input)), processed);

    const std::string missing = folder + SEPARATOR + "missing " + std::string(60, 'c') + ".gcode";
    const RunResult notThere = runVorlane({missing});
    EXPECT_EQ(notThere.status, 255);
    EXPECT_EQ(notThere.out, "Vorlane v0024\nCould not open file '" + usedName(missing) + "' due to error: " +
                                systemErrorText(ENOENT, WINDOWS_FILE_NOT_FOUND) + "\nHit <ENTER> to close\n");
}

TEST(FileNames, NamesBeyondAsciiWorkAndShowInMessages)
{
    TempDir dir;
    const std::string input = dir.file("W\xc3\xbcrfel 3\xc3\x97.gcode"); // "Würfel 3×.gcode"
    writeFile(input, sample);
    const RunResult run = runVorlane({input});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readOutput(input), processed);
    EXPECT_FALSE(exists(input + "d"));

    const std::string missing =
        dir.file("\xe7\xab\x8b\xe6\x96\xb9\xe4\xbd\x93 \xf0\x9f\xa7\x8a.gcode"); // CJK and an emoji
    const RunResult notThere = runVorlane({missing});
    EXPECT_EQ(notThere.status, 255);
    EXPECT_NE(notThere.out.find("Could not open file '" + missing + "' due to error: "), std::string::npos)
        << "the message shows the name as UTF-8\n"
        << notThere.out;
}

TEST(FileNames, DebugRunOfAnUnusualNameLeavesItAndWritesBesideIt)
{
    TempDir dir;
    const std::string input = dir.file("a 'quoted' \"name\" & more.gcode");
#ifdef _WIN32
    // Windows names cannot hold quotation marks.
    const std::string name = dir.file("a 'quoted' name & more.gcode");
#else
    const std::string& name = input;
#endif
    writeFile(name, sample);
    const RunResult run = runVorlane({"--debug", name});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readFile(name), sample);
    EXPECT_EQ(readOutput(name + "d"), processed);
}

} // namespace
} // namespace vorlane::test
