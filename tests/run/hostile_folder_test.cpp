// The program in a hostile folder: whatever stands at "<name>d", whatever the
// input is, whoever else runs, and however the program was started, the
// input's name ends up holding the input or the complete result, no other
// file is touched, and the run says what happened.
#include "support.hpp"

#include "run/fake_platform.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vorlane::test {
namespace {

namespace fs = std::filesystem;

// The layer marker's progress dot is flushed at once, mid-run.
const std::string sample = lines({"; *** Main G-code", "; BEGIN_LAYER_OBJECT z=0.3", "T1", "G1 X10 Y10 F3000", "M107"});
const std::string result =
    "; Vorlane v0024\n" + lines({"; *** Main G-code", "; BEGIN_LAYER_OBJECT z=0.3", "T1",
                                 "M106 P1 S0 ; restore the fan in case tool change messed it up", "G1 X10 Y10 F3000",
                                 "M107", nothingRewritten(1).substr(0, nothingRewritten(1).size() - 1),
                                 "; Lua Postproc took 0", "; D   Postproc took 0"});
const std::string unrelated = "a file of the user's own\n";

struct Folder {
    TempDir dir;
    std::string input = dir.file("part.gcode");
    std::string kept = input + "d";
    std::string other = dir.file("other.txt");
};

enum class Start {
    Executable,         // the program, as the slicer starts it
    ClosedStreams,      // with standard input and output closed
    ConsoleGone,        // with standard output a pipe nobody reads
    InProcess,          // in this process, through the fake platform
    SecondRunMeanwhile, // the executable, while an in-process run is writing
    AsAnotherUser,      // the executable, by root with its rights dropped
};

enum class InputAfter { Original, Result, Other };

struct Hostile {
    std::string name;
    bool posixOnly;
    std::function<bool(Folder&)> arrange; // false: this user cannot arrange it
    std::vector<std::string> options;
    Start start;
    int status;          // -1 is 255
    std::string message; // found in the console text; "{file}" is the input's name
    InputAfter input;
    std::set<std::string> names;             // the folder's names afterwards
    std::function<void(const Folder&)> also; // further checks
    std::string rule;
};
void PrintTo(const Hostile& row, std::ostream* os) { *os << row.name; }

std::string replaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::set<std::string> namesIn(const Folder& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.dir.path))
        names.insert(entry.path().filename().string());
    return names;
}

// Users for runs by root with its rights dropped.
constexpr unsigned RUN_USER = 4322;
constexpr unsigned LEFTOVER_OWNER = 4321;

#ifndef _WIN32
// The executable with standard input and output closed, with standard output
// a pipe whose reading end is closed, or as RUN_USER.
int runOddlyStarted(const std::vector<std::string>& arguments, Start start)
{
    int pipeEnds[2] = {-1, -1};
    if (start == Start::ConsoleGone && pipe(pipeEnds) != 0) return 1000;
    const pid_t child = fork();
    if (child == 0) {
        if (start == Start::ClosedStreams) {
            close(0);
            close(1);
        } else if (start == Start::AsAnotherUser) {
            if (setgroups(0, nullptr) != 0 || setgid(RUN_USER) != 0 || setuid(RUN_USER) != 0) _exit(126);
            dup2(open(NULL_DEVICE, O_WRONLY), 1);
        } else {
            dup2(pipeEnds[1], 1);
            close(pipeEnds[0]);
            close(pipeEnds[1]);
        }
        std::vector<std::string> argv{VORLANE_EXE};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> pointers;
        for (std::string& a : argv)
            pointers.push_back(a.data());
        pointers.push_back(nullptr);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    if (start == Start::ConsoleGone) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
}
#endif

// A run in this process whose writes wait, and a second run of the
// executable started meanwhile; `meanwhile` runs while the first waits.
struct TwoRuns {
    InProcessRun first;
    RunResult second;
};
TwoRuns runWhileWriting(const std::vector<std::string>& arguments, const std::function<void()>& meanwhile,
                        bool startSecond)
{
    TwoRuns runs;
    fakeState.holdWrites = true;
    std::thread first([&] { runs.first = runInProcess(arguments, fakePlatform()); });
    while (!fakeState.writeWaiting)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    try {
        if (meanwhile) meanwhile();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "arranging the folder meanwhile failed: " << e.what();
    }
    if (startSecond) runs.second = runVorlane(arguments);
    fakeState.holdWrites = false;
    first.join();
    return runs;
}

bool makeFifo(const std::string& name)
{
#ifdef _WIN32
    static_cast<void>(name);
    return false;
#else
    return mkfifo(name.c_str(), 0644) == 0;
#endif
}

// A private file's name, as a killed run leaves one beside the input.
const std::string leftover = ".vorlane-0123abcd";

// Last written two hours ago (a link itself, not what it points at): well
// past the age at which a private file may be a leftover.
void backdate(const std::string& name)
{
#ifdef _WIN32
    // Through a handle that only sets times, which a run holding the file
    // does not refuse.
    const HANDLE file = CreateFileW(fs::path(name).c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG then = (ULONGLONG{now.dwHighDateTime} << 32 | now.dwLowDateTime) - 2ULL * 60 * 60 * 10000000;
    const FILETIME written{static_cast<DWORD>(then), static_cast<DWORD>(then >> 32)};
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written)) << name;
    CloseHandle(file);
#else
    const timespec twoHoursAgo{std::time(nullptr) - 2 * 60 * 60, 0}, times[2] = {twoHoursAgo, twoHoursAgo};
    EXPECT_EQ(utimensat(AT_FDCWD, name.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << name;
#endif
}

const std::string base = "part.gcode";
const std::string keptName = "part.gcoded";

std::vector<Hostile> table()
{
    const auto linkAtKeptName = [](std::string target) {
        return [target](Folder& f) {
            writeFile(f.other, unrelated);
            fs::create_symlink(target == "{other}" ? f.other : target == "{input}" ? f.input : target, f.kept);
            return true;
        };
    };
    const auto hardLinkAtKeptName = [](Folder& f) {
        writeFile(f.input, sample);
        fs::create_hard_link(f.input, f.kept);
        return true;
    };
    const auto readOnlyLeftover = [](Folder& f) {
        writeFile(f.kept, "left over\n");
        fs::permissions(f.kept, fs::perms::owner_read);
        return true;
    };
    const auto fifoAt = [](std::string Folder::*name) { return [name](Folder& f) { return makeFifo(f.*name); }; };
    const auto deviceAsInput = [](Folder& f) {
        fs::create_symlink(NULL_DEVICE, f.input);
        return true;
    };
    const auto stillLinked = [](const Folder& f) {
        EXPECT_TRUE(fs::is_symlink(f.kept)) << "the link at <name>d is left as it was";
        EXPECT_EQ(readFile(f.other), unrelated) << "the file a link points at is never written";
    };
    const auto resultKept = [](const Folder& f) {
        EXPECT_FALSE(fs::is_symlink(f.kept)) << "a link at <name>d is replaced, not written through";
        EXPECT_EQ(readOutput(f.kept), result);
    };
    const std::string notRegular = "Could not open file '{file}' due to error: it is ";
    const std::string kept = "The result is kept as '{file}d'.";
    const auto leftoversWritten = [](std::vector<std::string> names, bool longAgo) {
        return [names, longAgo](Folder& f) {
            for (const std::string& name : names) {
                writeFile(f.dir.file(name), "; Vorlane v0024\n");
                if (longAgo) backdate(f.dir.file(name));
            }
            return true;
        };
    };
    // Where the folder lets the run remove any file: only the owner keeps it.
    const auto othersLeftover = [=](Folder& f) {
        leftoversWritten({leftover}, true)(f);
#ifdef _WIN32
        return false;
#else
        return geteuid() == 0 && chown(f.dir.file(leftover).c_str(), LEFTOVER_OWNER, LEFTOVER_OWNER) == 0 &&
               chmod(f.dir.path.c_str(), 0777) == 0;
#endif
    };
    const std::vector<std::string> nearMisses = {".vorlane-0123abc", ".vorlane-0123abcde", ".vorlane-0123abcg",
                                                 ".vorlane-0123ABCD", "vorlane-0123abcd"};
    const auto privateLink = [](Folder& f) {
        writeFile(f.other, unrelated);
        backdate(f.other);
        fs::create_symlink(f.other, f.dir.file(leftover));
        backdate(f.dir.file(leftover));
        return true;
    };
    std::set<std::string> withNearMisses(nearMisses.begin(), nearMisses.end());
    withNearMisses.insert(base);
    const Start exe = Start::Executable, in = Start::InProcess;
    const InputAfter original = InputAfter::Original, processed = InputAfter::Result, other = InputAfter::Other;
    const std::set<std::string> alone{base}, beside{base, keptName}, withOther{base, keptName, "other.txt"},
        withLeftover{base, leftover};
    // clang-format off
    return {
        {"LinkAtKeptNameToAnUnrelatedFile", true, linkAtKeptName("{other}"), {}, exe, 0, "\nSuccess", processed,
         withOther, stillLinked, "the processing file is created new, never through a link at <name>d"},
        {"LinkAtKeptNameToTheInputInDebugMode", true, linkAtKeptName("{input}"), {"--debug"}, exe, 0, "Self-check",
         original, withOther, resultKept, "a link to the input at <name>d is replaced, and the input stays whole"},
        {"HardLinkAtKeptNameToTheInput", true, hardLinkAtKeptName, {}, exe, 0, "\nSuccess", processed, beside,
         [](const Folder& f) { EXPECT_EQ(readFile(f.kept), sample) << "the other name keeps the input"; },
         "the input's other names keep its bytes"},
        {"HardLinkAtKeptNameToTheInputInDebugMode", true, hardLinkAtKeptName, {"--debug"}, exe, 0, "Self-check",
         original, beside, resultKept, "debug mode puts the result at <name>d without writing through the link"},
        {"LinkAtTheReportsName", true,
         [](Folder& f) {
             writeFile(f.other, unrelated);
             fs::create_symlink(f.other, f.input + ".html");
             return true;
         },
         {"--report"}, exe, 0, "report: {file}.html", processed, {base, base + ".html", "other.txt"},
         [](const Folder& f) {
             EXPECT_FALSE(fs::is_symlink(f.input + ".html")) << "a link at <name>.html is replaced";
             EXPECT_NE(readFile(f.input + ".html").find("<!doctype html>"), std::string::npos);
             EXPECT_EQ(readFile(f.other), unrelated) << "the file a link points at is never written";
         },
         "the report page is put in place as the result is, never written through a link"},
        {"LinkAtKeptNameToTheNullDevice", true, linkAtKeptName(NULL_DEVICE), {}, exe, 0, "\nSuccess", processed,
         withOther, nullptr, "the result is not thrown away into a device"},
        {"FifoAtKeptName", true, fifoAt(&Folder::kept), {"--debug"}, exe, 0, "Self-check", original, beside,
         resultKept, "a FIFO at <name>d neither blocks the run nor swallows the result"},
        {"DirectoryAtKeptName", false, [](Folder& f) { return fs::create_directory(f.kept); }, {}, exe, 0,
         "\nSuccess", processed, beside, [](const Folder& f) { EXPECT_TRUE(fs::is_empty(f.kept)); },
         "a folder at <name>d no longer blocks a run"},
        {"ReadOnlyLeftoverInDebugMode", false, readOnlyLeftover, {"--debug"}, exe, 0, "Self-check", original, beside,
         resultKept, "a read-only leftover <name>d is replaced"},
        {"FifoAsInput", true, fifoAt(&Folder::input), {}, exe, -1,
         notRegular + "a FIFO, not a regular file\nHit <ENTER> to close", other, alone, nullptr,
         "a FIFO given as the input is refused, not waited on"},
        {"DeviceAsInput", true, deviceAsInput, {}, exe, -1, notRegular + "a character device, not a regular file",
         other, alone,
         [](const Folder& f) {
             EXPECT_TRUE(fs::is_symlink(f.input));
             EXPECT_TRUE(fs::is_character_file(NULL_DEVICE));
         },
         "a device given as the input is neither read nor replaced"},
        {"ClosedStandardStreams", true, nullptr, {}, Start::ClosedStreams, 0, "", processed, alone, nullptr,
         "no console text lands in the result when the streams were closed"},
        {"ConsoleGoneAway", true, nullptr, {}, Start::ConsoleGone, 0, "", processed, alone, nullptr,
         "a console that cannot be written to ends nothing"},
        {"SecondRunWhileTheFirstWrites", false, nullptr, {}, Start::SecondRunMeanwhile, -1,
         "Another run is processing '{file}'; this run changes nothing.", processed, alone, nullptr,
         "of two runs at once, one processes the file and the other stops"},
        {"InputReplacedDuringTheRun", true, nullptr, {}, in, -1,
         "'{file}' changed while it was processed (another file took its name); it is left as it is.\n" + kept, other,
         beside, [](const Folder& f) { EXPECT_EQ(readOutput(f.kept), result); },
         "a file replaced meanwhile is not overwritten"},
        {"InputRewrittenDuringTheRun", true, nullptr, {}, in, -1,
         "'{file}' changed while it was processed (it was written to)", other, beside, nullptr,
         "a file rewritten in place meanwhile is not overwritten"},
        {"FailingReplacement", false, nullptr, {}, in, -1,
         "' to '{file}' due to error: Injected fault\n" + kept + "\nHit <ENTER> to close", original, beside,
         [](const Folder& f) { EXPECT_EQ(readOutput(f.kept), result); },
         "a result that cannot take the input's name is kept beside it"},
        {"FullDisk", false, nullptr, {}, in, 1, "' due to error: Injected fault\n'{file}' is left", original, alone,
         nullptr, "a failed write removes the processing file"},
        {"HourOldLeftover", false, leftoversWritten({leftover}, true), {}, exe, 0,
         "Removed 1 leftover processing file of an interrupted run beside '{file}'.", processed, alone, nullptr,
         "a killed run's private file, unwritten for over an hour, is removed"},
        {"FreshLeftover", false, leftoversWritten({leftover}, false), {}, exe, 0, "\nSuccess", processed, withLeftover, nullptr,
         "a private file written within the hour may be a running run's: it stays"},
        {"LeftoverHeldByARunningRun", false, nullptr, {}, Start::SecondRunMeanwhile, -1,
         "Another run is processing '{file}'", processed, alone, nullptr,
         "a private file that a run holds stays, however old it looks"},
        {"LeftoverOfAnotherUser", true, othersLeftover, {}, Start::AsAnotherUser, 0, "", processed, withLeftover,
         nullptr, "another user's private file stays, even where the folder would let the run remove it"},
        {"NearMissesOfTheLeftoverName", false, leftoversWritten(nearMisses, true), {}, exe, 0, "\nSuccess", processed,
         withNearMisses, nullptr, "only a name of exactly the private form is a leftover's"},
        {"LinkWithTheLeftoverName", true, privateLink, {}, exe, 0, "\nSuccess", processed,
         {base, leftover, "other.txt"},
         [](const Folder& f) {
             EXPECT_TRUE(fs::is_symlink(f.dir.file(leftover))) << "a link is never a leftover";
             EXPECT_EQ(readFile(f.other), unrelated) << "the file a link points at is never touched";
         },
         "a link with a private name stays, and so does what it points at"},
    };
    // clang-format on
}

class HostileFolder : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileFolder, TheInputOrTheWholeResultAndNothingElseTouched)
{
    const Hostile& row = GetParam();
#ifdef _WIN32
    if (row.posixOnly) GTEST_SKIP() << "links, FIFOs, devices and descriptors are POSIX matters";
#endif
    Folder f;
    if (row.arrange && !row.arrange(f)) GTEST_SKIP() << "this user cannot arrange the folder";
    if (!exists(f.input)) writeFile(f.input, sample);
    std::vector<std::string> arguments = row.options;
    arguments.push_back(f.input);

    int status = 0;
    std::string said;
    const std::string replacement = "G28 ; another file\n";
    switch (row.start) {
    case Start::Executable: {
        const RunResult run = runVorlane(arguments);
        status = run.status;
        said = run.out + run.err;
        break;
    }
    case Start::ClosedStreams:
    case Start::ConsoleGone:
    case Start::AsAnotherUser:
#ifndef _WIN32
        status = runOddlyStarted(arguments, row.start);
#endif
        break;
    case Start::InProcess: {
        InProcessRun run;
        if (row.name == "FailingReplacement" || row.name == "FullDisk") {
            fakeState.failFirst = row.name == "FullDisk" ? "write" : "replace";
            run = runInProcess(arguments, fakePlatform());
            fakeState.failFirst.clear();
        } else {
            run = runWhileWriting(
                      arguments,
                      [&] {
                          if (row.name == "InputRewrittenDuringTheRun") {
                              writeFile(f.input, replacement);
                          } else {
                              writeFile(f.other, replacement);
                              fs::rename(f.other, f.input);
                          }
                      },
                      false)
                      .first;
        }
        status = run.status & 0xFF; // as the process would exit
        said = run.out + run.err;
        break;
    }
    case Start::SecondRunMeanwhile: {
        // The first run's private file made as old as a leftover while the
        // run still holds it.
        const auto agePrivateFiles = [&] {
            for (const auto& entry : fs::directory_iterator(f.dir.path))
                if (entry.path().filename().string().starts_with(".vorlane-")) backdate(entry.path().string());
        };
        const TwoRuns runs = runWhileWriting(
            arguments, row.name == "LeftoverHeldByARunningRun" ? std::function<void()>(agePrivateFiles) : nullptr,
            true);
        EXPECT_EQ(runs.first.status, 0) << "the run that holds the file finishes: " << runs.first.out;
        status = runs.second.status;
        said = runs.second.out + runs.second.err;
        break;
    }
    }

    EXPECT_EQ(status, row.status & 0xFF) << row.rule << "\n" << said;
    EXPECT_NE(said.find(replaceAll(row.message, "{file}", f.input)), std::string::npos)
        << row.rule << "\nexpected: " << row.message << "\nsaid: " << said;
    const bool debug = std::find(row.options.begin(), row.options.end(), "--debug") != row.options.end();
    EXPECT_EQ(status == 0 && !debug && row.start == Start::Executable, said.find("Success") != std::string::npos)
        << "Success only after the input was replaced";
    EXPECT_EQ(said.find("Removed ") != std::string::npos, row.message.find("Removed ") != std::string::npos)
        << "only a leftover the row expects removed is removed; " << row.rule << "\n"
        << said;
    switch (row.input) {
    case InputAfter::Original:
        EXPECT_EQ(readFile(f.input), sample) << row.rule;
        break;
    case InputAfter::Result:
        EXPECT_EQ(readOutput(f.input), result) << row.rule;
        break;
    case InputAfter::Other:
        if (fs::is_regular_file(f.input)) {
            EXPECT_EQ(readFile(f.input), replacement) << row.rule;
        }
        break;
    }
    EXPECT_EQ(namesIn(f), row.names) << "no other file is created or left behind; " << row.rule;
    if (row.also) row.also(f);
}

std::string rowName(const ::testing::TestParamInfo<Hostile>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Hostile, HostileFolder, ::testing::ValuesIn(table()), rowName);

#ifndef _WIN32
TEST(HostileFolder, AnotherUsersFileKeepsItsOwnerWhenRootProcessesIt)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    Folder f;
    writeFile(f.input, sample);
    ASSERT_EQ(chown(f.input.c_str(), 4321, 4322), 0);
    ASSERT_EQ(chmod(f.input.c_str(), 0640), 0);
    ASSERT_EQ(runVorlane({f.input}).status, 0);
    struct stat info;
    ASSERT_EQ(stat(f.input.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(readOutput(f.input), result);
}
#endif

} // namespace
} // namespace vorlane::test
