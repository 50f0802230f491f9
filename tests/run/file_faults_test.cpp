// Every file operation of a run made to fail in turn: the look for leftovers,
// opening, reading, creating, each write, the sync, the closes, the checks of
// the input, the second name of --noalter and the replacement. Whatever fails, the run must
// say so with the right message and status, and the user's data must
// survive: the input as it was, or the complete result under the input's
// name or, when it cannot take that name, as "<name>d". Nothing else is left
// in the folder.
#include "support.hpp"

#include "run/fake_platform.hpp"
#include "run/platform.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

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

// A file another program holds for a moment, as a virus scanner or an
// indexer holds one it checks, or that another run has locked.
struct Held {
    std::string name, call; // the fake platform's call that finds the file held
    long heldCalls;         // how many of its calls; -1: every one
    bool byAnotherRun, readOnlyInput;
    int status;
    std::string message;  // "{file}" is the input's name
    std::string resultAt; // the name that holds the result; empty: none
    std::vector<std::chrono::milliseconds> waits;
    std::string rule;
};

TEST(FileFaults, AFileHeldForAMomentIsWaitedForAndAnotherRunsLockIsNot)
{
    using ms = std::chrono::milliseconds;
    const std::vector<ms> budget{ms(10), ms(20), ms(40), ms(80), ms(160), ms(320), ms(640), ms(1280), ms(2450)};
    std::vector<ms> twoBudgets = budget;
    twoBudgets.insert(twoBudgets.end(), budget.begin(), budget.end());
    const Held rows[] = {
        {"ReplacementHeldThreeTimes",
         "replace",
         3,
         false,
         false,
         0,
         "\nSuccess",
         "part.gcode",
         {ms(10), ms(20), ms(40)},
         "a file held for a moment is replaced once it is let go"},
        {"ReplacementHeldForever", "replace", -1, false, false, -1,
         "The result could not be moved to '{file}d' due to error: Injected fault (still after 5 s of retrying: a "
         "virus scanner or an indexer may be holding the file); it is kept as '{file}d-1'.",
         "part.gcoded-1", twoBudgets,
         "a file held for good fails after 5 s of waits per move; the result is kept under a name the message "
         "gives, never its private one"},
        {"ReadOnlyInput",
         "",
         0,
         false,
         true,
         0,
         "\nSuccess",
         "part.gcode",
         {},
         "a read-only input is replaced at once, as any other"},
        {"AnotherRunsLock",
         "open",
         -1,
         true,
         false,
         -1,
         "Another run is processing '{file}'; this run changes nothing.",
         "",
         {},
         "another run's lock refuses the run at once, without waiting"},
    };
    const std::string original = readFile(std::string(VORLANE_EXAMPLES) + SEPARATOR + "two_colour_cube.gcode");
    for (const Held& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string input = dir.file("part.gcode");
        writeFile(input, original);
        if (row.readOnlyInput) std::filesystem::permissions(input, std::filesystem::perms::owner_read);
        fakeState.held = row.call;
        fakeState.heldCalls = row.heldCalls;
        fakeState.heldByAnotherRun = row.byAnotherRun;
        fakeState.waits.clear();
        const auto start = std::chrono::steady_clock::now();
        const InProcessRun run = runInProcess({input}, fakePlatform());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
            << "the run waits through the platform, which the test records";
        fakeState.held.clear();

        std::string message = row.message;
        for (std::size_t at; (at = message.find("{file}")) != std::string::npos;)
            message.replace(at, 6, input);
        EXPECT_EQ(run.status, row.status) << row.rule << "\n" << run.out;
        EXPECT_NE(run.out.find(message), std::string::npos) << row.rule << "\nexpected: " << message << "\nsaid:\n"
                                                            << run.out;
        EXPECT_EQ(fakeState.waits, row.waits) << "waits double from 10 ms, and add up to 5 s at most; " << row.rule;
        std::set<std::string> besideTheInput;
        if (!row.resultAt.empty()) {
            EXPECT_TRUE(readOutput(dir.file(row.resultAt)).starts_with("; Vorlane v0024\n")) << row.rule;
            if (row.resultAt != "part.gcode") besideTheInput.insert(row.resultAt);
        }
        if (row.resultAt != "part.gcode") {
            EXPECT_EQ(readFile(input), original) << "the input is exactly as it was";
        }
        EXPECT_EQ(leftOver(dir), besideTheInput) << "no private file is left behind";
    }
}

#ifdef _WIN32
// A virus scanner as Windows Defender is one: another process that opens the
// processing file just before the run moves it, without sharing its
// deletion, and lets it go 200 ms later.
std::string scannerMarker; // the scanner creates it once it holds the file
bool retriesOff = false;
HANDLE scanner = nullptr;

SystemError replaceWhileAScannerHolds(const std::string& from, const std::string& to)
{
    if (!scanner) {
        std::string commandLine = windowsCommandLine({VORLANE_HOLD_FILE, from, "200", scannerMarker});
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &child))
            return {"the scanner could not be started"};
        CloseHandle(child.hThread);
        scanner = child.hProcess;
        // The hold begins once the marker stands; a scanner that ended holds nothing.
        while (!exists(scannerMarker) && WaitForSingleObject(scanner, 1) == WAIT_TIMEOUT)
            continue;
    }
    SystemError error = systemPlatform().replaceFile(from, to);
    if (retriesOff) error.transient = false;
    return error;
}

TEST(FileFaults, AProcessingFileAScannerHoldsIsReplacedOnceItLetsGo)
{
    const std::string original = readFile(std::string(VORLANE_EXAMPLES) + SEPARATOR + "two_colour_cube.gcode");
    for (const bool retries : {false, true}) {
        SCOPED_TRACE(retries ? "with retries" : "with retries turned off");
        TempDir dir, signals;
        const std::string input = dir.file("part.gcode");
        writeFile(input, original);
        scannerMarker = signals.file("held");
        retriesOff = !retries;
        Platform platform = systemPlatform();
        platform.replaceFile = replaceWhileAScannerHolds;
        const InProcessRun run = runInProcess({input}, platform);
        ASSERT_TRUE(exists(scannerMarker)) << "the scanner held the processing file as the run moved it";
        WaitForSingleObject(scanner, INFINITE);
        CloseHandle(scanner);
        scanner = nullptr;
        if (retries) {
            EXPECT_EQ(run.status, 0) << "the run waits until the scanner lets go\n" << run.out;
            EXPECT_TRUE(readOutput(input).starts_with("; Vorlane v0024\n")) << "the result took the input's place";
        } else {
            EXPECT_EQ(run.status, -1) << "without retries the scanner defeats the run\n" << run.out;
            EXPECT_NE(run.out.find("Could not rename processing file to original"), std::string::npos) << run.out;
            EXPECT_EQ(readFile(input), original) << "the input is exactly as it was";
        }
    }
}
#endif

} // namespace
} // namespace vorlane::test
