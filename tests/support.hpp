// Test support: running the real executable on files in a temporary folder,
// and running the line loop in memory.
#pragma once

#include "gcode/out_buffer.hpp"
#include "gcode/console.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test {

#ifdef _WIN32
inline constexpr char SEPARATOR = '\\';
inline constexpr const char* NULL_DEVICE = "NUL";
#else
inline constexpr char SEPARATOR = '/';
inline constexpr const char* NULL_DEVICE = "/dev/null";
#endif

// A fresh folder, removed with everything in it at the end of the test.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(std::string_view name) const { return path + SEPARATOR + std::string(name); }
};

// Text the program wrote in the platform's text form (CRLF line ends on
// Windows), as LF text; a line end without its CR fails the test.
std::string fromPlatformText(std::string_view text);
// A file the program wrote, as LF text (see fromPlatformText).
std::string readOutput(const std::string& name);

// The system's text for an error, as the program reports it: the POSIX
// error number's on POSIX, the Windows error code's on Windows.
std::string systemErrorText(int posixError, unsigned long windowsError);
inline constexpr unsigned long WINDOWS_FILE_NOT_FOUND = 2;
inline constexpr unsigned long WINDOWS_ACCESS_DENIED = 5;

std::string readFile(const std::string& name);
void writeFile(const std::string& name, std::string_view bytes);
bool exists(const std::string& name);

struct RunResult {
    int status = -1; // exit status 0..255
    std::string out; // standard output and error as LF text
    std::string err;
    // The summary line, its pass time written "<t>"; in `out` it stands as
    // SUMMARY_MARK, so that exact texts keep its place but not its numbers.
    std::string summary;
};
inline constexpr std::string_view SUMMARY_MARK = "{summary}";

// Runs the vorlane executable with these arguments (the program name is
// added), standard input `input`, in folder `cwd` (the test's own when empty),
// with these environment variables set.
RunResult runVorlane(const std::vector<std::string>& arguments, std::string_view input = {},
                     const std::string& cwd = {},
                     const std::vector<std::pair<std::string, std::string>>& environment = {});

// The executable started on these arguments without waiting for it; standard
// input is empty and its console text is dropped.
struct Background {
    std::intptr_t process = 0; // a process id on POSIX, a handle on Windows
};
Background startVorlane(const std::vector<std::string>& arguments);
// Kills the program at once if it still runs (SIGKILL, TerminateProcess) and
// waits for it. `killed` says whether it was still running.
struct Ended {
    bool killed = false;
    int status = 0; // its exit status when it had finished
};
Ended killAndWait(Background& run);

// Console text that goes nowhere, and a wait for Enter that reads the end of
// input at once; the real standard streams are left alone.
struct NullConsole {
    Console console{std::fopen(NULL_DEVICE, "w"), std::fopen(NULL_DEVICE, "w"), std::fopen(NULL_DEVICE, "r")};
    NullConsole() = default;
    NullConsole(const NullConsole&) = delete;
    NullConsole& operator=(const NullConsole&) = delete;
    ~NullConsole();
};

// An output buffer that drains into `text`.
OutBuffer outBufferInto(std::string& text);

// Processes `gcode` in memory as the loop does (debug mode), returning the
// lines written (no header, no timing lines) and the console text.
struct LoopResult {
    std::string output;
    std::string console;
};
LoopResult runLoop(std::string_view gcode, bool debug = true);

// The processed text of `gcode` through the real executable with --debug and
// `options`: the .gcoded file less its header line and its two timing lines,
// which the call checks.
std::string processWithExecutable(std::string_view gcode, RunResult* run = nullptr,
                                  const std::vector<std::string>& options = {});

// The text's lines, split at each LF (which no line keeps).
std::vector<std::string> splitAtLineFeeds(std::string_view text);

// Lines joined with "\n" after each, as files are written.
std::string lines(std::initializer_list<std::string_view> text);

// The output's summary comment of a run that rewrote nothing but restored
// the fan `fanRestores` times, with its line end.
std::string nothingRewritten(int fanRestores = 0);

// The real Kisslicer files, or an empty list when their folder is absent.
std::vector<std::string> realGcodeFiles();
// The real files of the other slicers, likewise.
std::vector<std::string> otherSlicerFiles();
// The options a fixture runs with: those its first comment names in a
// closing "[--name ...: why]", none when it names none.
std::vector<std::string> fixtureOptions(std::string_view gcode);

// The files of ../shared/more-slicers.
std::vector<std::string> moreSlicerFiles();

} // namespace vorlane::test
