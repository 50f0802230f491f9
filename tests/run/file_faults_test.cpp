// Every file operation of a run made to fail in turn: opening, reading,
// creating, each write, the sync, the closes, the existence check, the delete
// and the moves. Whatever fails, the run must say so with the right message
// and status, and the user's data must survive: the input as it was, or the
// complete result under the input's name, or, only when the move after the
// delete fails, the complete result under the processing name.
#include "support.hpp"

#include "run/platform.hpp"
#include "run/run.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace vorlane::test {
namespace {

struct RunOutcome {
    int status = 0;
    std::string out, err;
    const char* failed = nullptr; // the operation that failed, if any did
};

std::string textOf(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

// One run in this process with its N-th file operation failing.
RunOutcome runFailing(long failAt, const std::vector<std::string>& arguments)
{
    Console console{std::tmpfile(), std::tmpfile(), std::fopen(NULL_DEVICE, "r")};
    fileFaults = {failAt, 0, nullptr};
    RunOutcome outcome;
    std::vector<std::string> argv{"vorlane"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    outcome.status = runVorlane(argv, console);
    outcome.failed = fileFaults.failed;
    fileFaults = {};
    outcome.out = textOf(console.out);
    outcome.err = textOf(console.err);
    std::fclose(console.in);
    return outcome;
}

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

enum class Kept { Input, ResultInPlace, ResultUnderProcessingName };

struct Expected {
    int status;
    std::string message; // on standard output for handled failures, standard error otherwise
    Kept kept;
};

Expected expectedFor(std::string_view operation, const RunOutcome& run, const std::string& input, bool noAlter)
{
    const std::string fault = "' due to error: " + INJECTED_FAULT_TEXT;
    if (operation == "open")
        return {-1, "Could not open file '" + input + fault + "\nHit <ENTER> to close", Kept::Input};
    if (operation == "create")
        return {-1, "Could not create file '" + input + "d" + fault + "\nHit <ENTER> to close", Kept::Input};
    if (operation == "read")
        return {1, "Could not read file '" + input + fault + "\n'" + input + "' is left as it was.", Kept::Input};
    // Closing the input after the pass loses nothing; closing the result must work.
    if (operation == "write" || operation == "sync" || (operation == "close" && run.status != 0))
        return {1, "Could not write file '" + input + "d" + fault + "\n'" + input + "' is left as it was.",
                Kept::Input};
    if (operation == "close") return {0, "\nSuccess", Kept::ResultInPlace};
    if (operation == "exists")
        return {1, "ORIGINAL NOT FOUND!!! '" + input + "' - path length " + std::to_string(input.size()), Kept::Input};
    if (operation == "delete")
        return {-1, "Could not delete original file '" + input + fault + "\nHit <ENTER> to close", Kept::Input};
    if (operation == "move" && noAlter && run.out.find("Could not rename original") != std::string::npos)
        return {-1, "Could not rename original file '" + input + "' to '" + input + "orig" + fault, Kept::Input};
    if (operation == "move")
        return {-1,
                "Could not rename processing file to original '" + input + "d' to '" + input + fault +
                    "\nHit <ENTER> to close",
                Kept::ResultUnderProcessingName};
    ADD_FAILURE() << "an operation the test does not know: " << operation;
    return {};
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
        const RunOutcome clean = runFailing(0, arguments);
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
        const RunOutcome run = runFailing(failAt, arguments);
        if (!run.failed) {
            EXPECT_EQ(run.status, 0) << "once the count passes every operation, the run succeeds";
            break;
        }
        failedOperations.insert(run.failed);
        SCOPED_TRACE(std::string("the failing operation: ") + run.failed);
        const Expected expected = expectedFor(run.failed, run, input, noAlter);
        EXPECT_EQ(run.status, expected.status);
        EXPECT_NE((run.out + run.err).find(expected.message), std::string::npos)
            << "expected: " << expected.message << "\nsaid:\n"
            << run.out << run.err;
        EXPECT_EQ(run.status == 0, run.out.find("Success") != std::string::npos && expected.kept == Kept::ResultInPlace)
            << "only a replaced input is a success";

        switch (expected.kept) {
        case Kept::Input:
            if (noAlter && exists(input + "orig") && !exists(input)) {
                ADD_FAILURE() << "the input moved away though the run failed before the replacement";
            } else {
                EXPECT_EQ(readFile(input), original) << "the input is exactly as it was";
            }
            break;
        case Kept::ResultInPlace:
            EXPECT_EQ(withoutTimingLines(readOutput(input)), result) << "the complete result has the input's name";
            EXPECT_FALSE(exists(input + "d"));
            break;
        case Kept::ResultUnderProcessingName:
            EXPECT_EQ(withoutTimingLines(readOutput(input + "d")), result)
                << "the complete result waits under the processing name";
            if (noAlter) {
                EXPECT_EQ(readFile(input + "orig"), original) << "the input waits as <name>orig";
            }
            break;
        }
    }
    std::set<std::string> all{"open", "read", "create", "write", "sync", "close", "exists", "delete", "move"};
    if (noAlter) all.erase("delete"); // the input is moved aside instead
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
