// Every file operation of a run made to fail in turn: the look for leftovers,
// opening, reading, creating, each write, the sync, the closes, the checks of
// the input, the second name of --noalter and the replacement. Whatever fails, the run must
// say so with the right message and status, and the user's data must
// survive: the input as it was, or the complete result under the input's
// name or, when it cannot take that name, as "<name>d". Nothing else is left
// in the folder.
#include "support.hpp"

#include "run/fake_platform.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace vorlane::test {
namespace {

// The result less its two timing lines, whose seconds may differ.
std::string withoutTimingLines(std::string text)
{
    for (const std::string_view timing : {"; D   Postproc took ", "; Lua Postproc took "}) {
        const std::size_t begin = text.rfind('\n', text.size() - 2) + 1;
        if (!std::string_view(text).substr(begin).starts_with(timing)) return text + "(no timing line)";
        text.erase(begin);
    }
    return text;
}

enum class Kept { Input, ResultInPlace, ResultBeside };

struct Expected {
    int status;
    std::string message; // on standard output for handled failures, standard error otherwise
    Kept kept;
};

// The run first looks for leftovers of killed runs beside the input, then
// reads the input's first bytes to see whether Vorlane wrote it: a listing,
// an open, a read and a close, whose failure leaves the verdict to the run's
// own open.
constexpr long CALLS_BEFORE_THE_RUN_OPENS = 4;

Expected expectedFor(std::string_view operation, long failAt, const InProcessRun& run, const std::string& input,
                     bool noAlter)
{
    if (failAt <= CALLS_BEFORE_THE_RUN_OPENS) return {0, "\nSuccess", Kept::ResultInPlace};
    const std::string fault = "' due to error: " + INJECTED_FAULT_TEXT;
    const std::string keptBeside = "The result is kept as '" + input + "d'.\nHit <ENTER> to close";
    const std::string processing = input.substr(0, input.rfind(SEPARATOR) + 1) + ".vorlane-";
    if (operation == "open")
        return {-1, "Could not open file '" + input + fault + "\nHit <ENTER> to close", Kept::Input};
    if (operation == "create")
        return {-1, "Could not create a processing file beside '" + input + fault + "\nHit <ENTER> to close",
                Kept::Input};
    if (operation == "read")
        return {1, "Could not read file '" + input + fault + "\n'" + input + "' is left as it was.", Kept::Input};
    // Closing the input loses nothing; closing the result must work.
    if (operation == "write" || operation == "sync" || (operation == "close" && run.status != 0))
        return {1, "Could not write file '" + processing, Kept::Input};
    if (operation == "close" || (operation == "link" && noAlter))
        return {0, "\nSuccess", Kept::ResultInPlace}; // a copy stands in for the second name
    if (operation == "identity")
        return {-1,
                "'" + input + "' changed while it was processed (its state cannot be read: " + INJECTED_FAULT_TEXT +
                    "); it is left as it is.\n" + keptBeside,
                Kept::ResultBeside};
    if (operation == "exists")
        return {-1,
                "ORIGINAL NOT FOUND!!! '" + input + "' - path length " + std::to_string(input.size()) + "\n" +
                    keptBeside,
                Kept::ResultBeside};
    if (operation == "replace" && noAlter && run.out.find("Could not keep the original") != std::string::npos)
        return {-1, "Could not keep the original file as '" + input + "orig" + fault + "\n" + keptBeside,
                Kept::ResultBeside};
    if (operation == "replace")
        return {-1, "Could not rename processing file to original '" + processing, Kept::ResultBeside};
    ADD_FAILURE() << "an operation the test does not know: " << operation;
    return {};
}

// The names in the folder but the input's and the "<name>orig" of --noalter.
std::set<std::string> leftOver(const TempDir& dir)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path)) {
        const std::string name = entry.path().filename().string();
        if (name != "part.gcode" && name != "part.gcodeorig") names.insert(name);
    }
    return names;
}

void enumerateFaults(const std::string& source, bool noAlter, long leastOperations)
{
    const std::string original = readFile(source);
    ASSERT_FALSE(original.empty());
    std::vector<std::string> options;
    if (noAlter) options.push_back("--noalter");

    // The complete result, from a run where nothing fails.
    std::string result;
    {
        TempDir dir;
        const std::string input = dir.file("part.gcode");
        writeFile(input, original);
        std::vector<std::string> arguments = options;
        arguments.push_back(input);
        const InProcessRun clean = runInProcess(arguments, systemPlatform());
        ASSERT_EQ(clean.status, 0) << clean.out << clean.err;
        result = withoutTimingLines(readOutput(input));
    }

    std::set<std::string> failedOperations;
    long failAt = 1;
    for (;; ++failAt) {
        SCOPED_TRACE("file operation " + std::to_string(failAt) + " fails");
        TempDir dir;
        const std::string input = dir.file("part.gcode");
        writeFile(input, original);
        std::vector<std::string> arguments = options;
        arguments.push_back(input);
        fakeState.failAt = failAt;
        fakeState.calls = 0;
        fakeState.failed.clear();
        const InProcessRun run = runInProcess(arguments, fakePlatform());
        const std::string failed = fakeState.failed;
        fakeState.failAt = 0;
        if (failed.empty()) {
            EXPECT_EQ(run.status, 0) << "once the count passes every operation, the run succeeds";
            break;
        }
        failedOperations.insert(failed);
        SCOPED_TRACE("the failing operation: " + failed);
        const Expected expected = expectedFor(failed, failAt, run, input, noAlter);
        EXPECT_EQ(run.status, expected.status);
        EXPECT_NE((run.out + run.err).find(expected.message), std::string::npos)
            << "expected: " << expected.message << "\nsaid:\n"
            << run.out << run.err;
        EXPECT_EQ(run.status == 0, run.out.find("Success") != std::string::npos && expected.kept == Kept::ResultInPlace)
            << "only a replaced input is a success";

        std::set<std::string> expectedLeftOver;
        switch (expected.kept) {
        case Kept::Input:
            EXPECT_EQ(readFile(input), original) << "the input is exactly as it was";
            break;
        case Kept::ResultInPlace:
            EXPECT_EQ(withoutTimingLines(readOutput(input)), result) << "the complete result has the input's name";
            break;
        case Kept::ResultBeside:
            EXPECT_EQ(readFile(input), original) << "the input is exactly as it was";
            EXPECT_EQ(withoutTimingLines(readOutput(input + "d")), result) << "the complete result waits beside it";
            expectedLeftOver.insert("part.gcoded");
            break;
        }
        if (noAlter && exists(input + "orig")) {
            EXPECT_EQ(readFile(input + "orig"), original) << "<name>orig holds the input, whatever failed";
        }
        EXPECT_EQ(leftOver(dir), expectedLeftOver) << "no processing file is left behind";
    }
    std::set<std::string> all{"list", "open",  "read",     "create", "write",
                              "sync", "close", "identity", "exists", "replace"};
    if (noAlter) all.insert("link");
    EXPECT_EQ(failedOperations, all) << "every kind of file operation was made to fail";
    EXPECT_GE(failAt - 1, leastOperations) << "operations counted in a run";
}

// A real four-tool print of almost 2 MB: two reads and two writes of a
// megabyte each, and every rewrite kind along the way.
TEST(FileFaults, EveryFailingOperationOfARunOnARealFileKeepsTheData)
{
    const std::string real =
        std::string(VORLANE_REAL_GCODE) + SEPARATOR + "filaswitch_mc_testmodel2_k163pro_4tool.gcode";
    if (!exists(real)) GTEST_SKIP() << "the real Kisslicer files are not beside the project";
    enumerateFaults(real, false, 13);
}

TEST(FileFaults, WithNoAlterTheInputIsKeptWhateverFails)
{
    enumerateFaults(std::string(VORLANE_EXAMPLES) + SEPARATOR + "two_colour_cube.gcode", true, 10);
}

} // namespace
} // namespace vorlane::test
