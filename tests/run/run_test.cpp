// End-to-end runs of the executable: the output layout, the replacement of the
// input, every file failure and exit status.
#include "support.hpp"

#include "gcode/refusal.hpp"
#include "run/files.hpp"
#include "run/run.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace vorlane::test {
namespace {

const std::string sample = lines({"; *** G-code Prefix", "G28", "; *** Main G-code", "G1 X10 Y10 F3000", "M107"});
const std::string processedSample =
    "; Vorlane v0024\n" + sample + nothingRewritten() + "; Lua Postproc took 0\n; D   Postproc took 0\n";
const std::string banner = "Vorlane v0024\n";

TEST(Run, NormalRunReplacesTheInputWithHeaderLinesAndTimingLines)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, sample);
    const RunResult run = runVorlane({input});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, banner + "{summary}\n\nSuccess\n") << "the summary after the dots, before Success";
    EXPECT_EQ(run.summary, "Vorlane v0024: 0 travels lifted, 0 interface draws rewritten (0 split), 0 infill draws "
                           "rewritten (0 split), 0 fan restores, bed unchanged; print time +0.0 min (+0.0 %); 5 lines "
                           "in <t> s")
        << "every count, zero included";
    EXPECT_EQ(readOutput(input), processedSample);
    EXPECT_FALSE(exists(input + "d")) << "the processing file takes the input's name";
}

TEST(Run, DebugRunLeavesTheInputAndKeepsTheResultBesideIt)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, sample + "; BEGIN_LAYER_OBJECT z=0.3\n");
    // Options count anywhere among the arguments and in any case.
    const RunResult run = runVorlane({input, "--DeBuG"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile(input), sample + "; BEGIN_LAYER_OBJECT z=0.3\n");
    EXPECT_EQ(readOutput(input + "d"), "; Vorlane v0024\n" + sample + "; BEGIN_LAYER_OBJECT z=0.3\n" +
                                           nothingRewritten() + "; Lua Postproc took 0\n; D   Postproc took 0\n");
    EXPECT_EQ(run.out,
              banner + "Self-check sample: layer 0.25 tool 0 path 0 vertex [1, 1]\nLayer Begin after 0\n{summary}\n")
        << "the self-check runs before the first line; no Success without a replacement";
}

TEST(Run, TheResultKeepsTheInputsPermissions)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no mode bits";
#endif
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, sample);
    std::filesystem::permissions(input, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                            std::filesystem::perms::group_read);
    EXPECT_EQ(runVorlane({input}).status, 0);
    EXPECT_EQ(std::filesystem::status(input).permissions(), std::filesystem::perms::owner_read |
                                                                std::filesystem::perms::owner_write |
                                                                std::filesystem::perms::group_read)
        << "a file the slicer wrote private stays private";
}

TEST(Run, NoAlterKeepsTheInputAsOrig)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, sample);
    writeFile(input + "orig", "an older original\n");
    const RunResult run = runVorlane({"--noalter", input});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFile(input + "orig"), sample) << "the input is kept under <name>orig, replacing an older one";
    EXPECT_EQ(readOutput(input), processedSample);
    EXPECT_FALSE(exists(input + "d"));
}

TEST(Run, HelpAndVersionTouchNothing)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, sample);
    // Then one line per setting, with its default and range.
    const std::string help = banner + " options --duet --debug --lua --waitforkey --noalter --report --version\n";
    const struct {
        std::string option, out;
    } switches[] = {{"--help", help}, {"-h", help}, {"--HELP", help}, {"--version", banner}, {"--Version", banner}};
    for (const auto& s : switches) {
        const RunResult run = runVorlane({input, s.option, "--debug"});
        EXPECT_EQ(run.status, 0) << s.option;
        const bool isHelp = s.out == help;
        EXPECT_EQ(run.out.substr(0, isHelp ? help.size() : std::string::npos), s.out)
            << s.option << " prints the banner line once";
        if (isHelp) {
            const std::vector<std::string> settings = splitAtLineFeeds(run.out.substr(help.size()));
            EXPECT_EQ(settings.size(), 15u) << run.out;
            EXPECT_EQ(settings.at(1), "  --lift-height=MM                default 0.5, 0.05 to 5: the height a lifted "
                                      "travel keeps above the paths it crosses");
        }
        EXPECT_EQ(readFile(input), sample);
        EXPECT_FALSE(exists(input + "d")) << s.option << " processes no file";
    }
}

TEST(Run, UnknownOptionOrNoFileEndsBeforeAnyFileIsOpened)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, sample);
    const RunResult unknown = runVorlane({"--fast", input});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("unknown option '--fast'"), std::string::npos) << unknown.err;
    EXPECT_EQ(readFile(input), sample);
    EXPECT_FALSE(exists(input + "d"));

    const RunResult none = runVorlane({"--debug"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no G-code file given"), std::string::npos) << none.err;

    const RunResult outside = runVorlane({input, "--lift-height", "9"});
    EXPECT_EQ(outside.status, 1);
    EXPECT_EQ(outside.err.substr(0, outside.err.find('\n')), "vorlane: option --lift-height: 9 is outside 0.05 to 5");
    EXPECT_EQ(readFile(input), sample) << "a refused setting ends the run before any file is opened";
    EXPECT_FALSE(exists(input + "d"));
}

TEST(Run, MissingFileIsReportedByItsAbsoluteNameAndWaitsForEnter)
{
    TempDir dir;
    const RunResult run = runVorlane({"missing.gcode"}, "", dir.path);
#ifdef _WIN32
    // The long-path form, which also lifts the old limit on name lengths.
    const std::string absolute = "\\\\?\\" + dir.file("missing.gcode");
#else
    const std::string absolute = std::filesystem::canonical(dir.path).string() + "/missing.gcode";
#endif
    EXPECT_EQ(run.status, 255) << "exit status -1";
    EXPECT_EQ(run.out, banner + "Could not open file '" + absolute + "' due to error: " +
                           systemErrorText(ENOENT, WINDOWS_FILE_NOT_FOUND) + "\nHit <ENTER> to close\n");
    EXPECT_FALSE(exists(absolute + "d")) << "no processing file without an input";
}

TEST(Run, MalformedNumberNamesTheLineAndLeavesTheInput)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    const std::string text = lines({"; *** Main G-code", "G1 X1 Y1", "G1 X12.3.4 Y5"});
    writeFile(input, text);
    const RunResult run = runVorlane({input});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "line 3: the X word's number \"12.3.\" is not a number that fits a 32-bit float\n"
                       "    G1 X12.3.4 Y5\n'" +
                           input + "' is left as it was.\n");
    EXPECT_EQ(readFile(input), text);
}

TEST(Run, WaitForKeyShowsTheTimeAndReadsALine)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, sample);
    const RunResult run = runVorlane({"--waitforkey", input}, "\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, banner + "{summary}\n\nSuccess\n; D   Postproc took 0\n");
}

TEST(Run, LinesPassByteForByte)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    const std::string longLine = "; " + std::string(1 << 20, 'x');
    const std::string odd = std::string("; caf\xc3\xa9 \xd0\x96 \x01\t\xff", 14) + std::string(1, '\0') + "end";
    // CRLF ends become LF; a lone CR inside a line stays; the last line needs no LF.
    const std::string text = "G28\r\n" + odd + "\r\n" + longLine + "\nM84\rX\r\n;last";
    writeFile(input, text);
    const RunResult run = runVorlane({input});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readOutput(input), "; Vorlane v0024\nG28\n" + odd + "\n" + longLine + "\nM84\rX\n;last\n" +
                                     nothingRewritten() + "; Lua Postproc took 0\n; D   Postproc took 0\n");
}

TEST(Run, EmptyInputGivesHeaderAndTimingLinesOnly)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, "");
    EXPECT_EQ(runVorlane({input}).status, 0);
    EXPECT_EQ(readOutput(input),
              "; Vorlane v0024\n" + nothingRewritten() + "; Lua Postproc took 0\n; D   Postproc took 0\n");
}

// Only the program's own refusals blame the line; a fault of the program or
// a lack of memory says so, and a failing input or output names the file.
TEST(PassStop, RefusalsFaultsMemoryAndFilesAreToldApart)
{
    std::string output;
    OutBuffer out = outBufferInto(output);
    NullConsole quiet;
    LineLoop loop{out, quiet.console};
    loop.lineNo = 2;
    const struct {
        std::exception_ptr error;
        bool inLine;
        std::string message;
        bool keepProcessed;
    } rows[] = {
        {std::make_exception_ptr(Refusal("the X word's number \"1.2.\" is not a number that fits a 32-bit float")),
         true, "line 2: the X word's number \"1.2.\" is not a number that fits a 32-bit float\n    G1 X1.2.3", true},
        {std::make_exception_ptr(std::out_of_range("vector::_M_range_check")), true,
         "internal error at line 2 (a fault of Vorlane, not of the file): vector::_M_range_check\n    G1 X1.2.3", true},
        {std::make_exception_ptr(std::out_of_range("vector::_M_range_check")), false,
         "internal error after line 2 (a fault of Vorlane, not of the file): vector::_M_range_check", true},
        {std::make_exception_ptr(std::bad_alloc()), true,
         "out of memory at line 2: 0 MiB of printed paths are held, and the line is 9 bytes long\n    G1 X1.2.3", true},
        {std::make_exception_ptr(std::bad_alloc()), false,
         "out of memory at line 3: 0 MiB of printed paths are held, and the line is 77 bytes long", false},
        {std::make_exception_ptr(InputError("Could not read file 'a' due to error: I/O error")), false,
         "Could not read file 'a' due to error: I/O error", false},
        {std::make_exception_ptr(OutputError("Could not write file 'b' due to error: No space left on device")), true,
         "Could not write file 'b' due to error: No space left on device", false},
    };
    for (const auto& row : rows) {
        const PassStop stop = passStopOf(row.error, loop, row.inLine, "G1 X1.2.3", 77);
        EXPECT_EQ(stop.message, row.message);
        EXPECT_EQ(stop.keepProcessed, row.keepProcessed) << row.message;
    }
}

} // namespace
} // namespace vorlane::test
