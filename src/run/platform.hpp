// The platform calls the run needs: reading the input, writing the result
// into a private file beside it, putting the result in place, and starting a
// child process. They reach the run through one record of function pointers,
// `Platform`, so that tests can hand the run one that fails or waits where
// they want. Implemented for POSIX and for Windows; the Windows rules that are
// pure functions of text live here too, tested on every build. Names are
// UTF-8 on every platform.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// What ends a line in the files the program writes, as the platform's text
// files do.
#ifdef _WIN32
inline constexpr std::string_view PLATFORM_LINE_END = "\r\n";
#else
inline constexpr std::string_view PLATFORM_LINE_END = "\n";
#endif

// An open file: a descriptor on POSIX, a handle on Windows.
using NativeFile = std::intptr_t;
inline constexpr NativeFile NO_FILE = -1;

// The system's text for a failed call; empty when the call succeeded. A
// failure must be looked at, so a result left unread does not compile.
struct [[nodiscard]] SystemError {
    std::string text;
    // Another program holds the file for a moment (a virus scanner or an
    // indexer that opened it as it appeared, the slicer finishing with it):
    // the same call may well succeed soon. Set only where the system tells
    // such a hold from a lasting refusal.
    bool transient = false;
    explicit operator bool() const { return !text.empty(); }
};

// Which file a name or handle stands for, and the state of its contents: two
// equal identities taken at different times mean the same, unchanged file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // in the system's finest unit
};
inline bool operator==(const FileIdentity& a, const FileIdentity& b)
{
    return a.device == b.device && a.file == b.file && a.size == b.size && a.modified == b.modified;
}

// What the result takes over from the input where the platform has it.
struct FileAttributes {
    unsigned permissions = 0644; // mode bits
    long long owner = -1;        // user and group ids, -1 where there are none
    long long group = -1;
};

// The input as opened: its handle, locked for this run, and what it was then.
struct OpenedInput {
    NativeFile file = NO_FILE;
    FileIdentity identity;
    FileAttributes attributes;
    // Another run holds the lock: nothing was opened.
    bool busy = false;
};

struct Platform {
    // Opens an existing regular file for reading and takes an exclusive lock
    // on it for the run. Anything but a regular file is refused without being
    // read. A lock another run holds sets `busy` and opens nothing.
    SystemError (*openInput)(const std::string& name, OpenedInput& input);
    // Reads up to `size` bytes; `got` is 0 at the end of the file.
    SystemError (*readSome)(NativeFile file, char* into, std::size_t size, std::size_t& got);
    // Reads the file again from its first byte.
    SystemError (*rewind)(NativeFile file);
    SystemError (*identityOfFile)(NativeFile file, FileIdentity& identity);
    // Of the file the name stands for now (through links).
    SystemError (*identityOfName)(const std::string& name, FileIdentity& identity);
    // Creates a new file for writing in the folder of `beside`, under a short
    // name of fixed length that no other file there has. Never opens an
    // existing file or follows a link. `name` gets the file's name. The file
    // is locked while it stays open, so that no run takes it for a leftover,
    // and it may be moved (replaceFile, moveToNewName) while open.
    SystemError (*createPrivateFile)(const std::string& beside, const FileAttributes& attributes, NativeFile& file,
                                     std::string& name);
    SystemError (*writeAll)(NativeFile file, std::string_view bytes);
    // Waits until what was written is on stable storage.
    SystemError (*syncFile)(NativeFile file);
    SystemError (*closeFile)(NativeFile file);
    // Moves `from` to `to` in one step, replacing whatever stands at `to`
    // (a link itself, never what it points at); at every instant `to` names
    // the old file or the new one. Makes the move durable.
    SystemError (*replaceFile)(const std::string& from, const std::string& to);
    // Moves `from` to `to` in one step only when no file stands at `to`
    // (`taken` then says so), never replacing one. Makes the move durable.
    SystemError (*moveToNewName)(const std::string& from, const std::string& to, bool& taken);
    // A second name for an existing file, beside it and of the private
    // file's form; `link` gets the new name. The existing file's lock holds
    // the new name too.
    SystemError (*linkPrivately)(const std::string& existing, std::string& link);
    SystemError (*deleteFile)(const std::string& name);
    bool (*fileExists)(const std::string& name);
    // The files in the folder of `beside` whose names have the private
    // file's form (isPrivateFileName), as full names.
    SystemError (*privateFilesBeside)(const std::string& beside, std::vector<std::string>& names);
    // Removes the named file only when it is certainly what a run that ended
    // left behind: a regular file (not followed through a link), on POSIX
    // the running user's, last written more than LEFTOVER_AGE ago, and
    // locked by no run. Anything it cannot make sure of is kept. True when
    // the file was removed.
    bool (*removeLeftover)(const std::string& name);
    // Runs a program found on the PATH with exactly these arguments (no
    // shell), sharing this process's console, environment and working
    // directory; waits and returns its exit code. Throws std::runtime_error
    // naming the program when it cannot be started.
    int (*runProgram)(const std::vector<std::string>& arguments);
    // Waits before a call that failed for a moment is tried again.
    void (*sleep)(std::chrono::milliseconds duration);
    // Windows cannot replace a file that is held open without delete sharing;
    // there the input is closed just before it is replaced.
    bool closeInputBeforeReplacing;
};

// The real calls of the system the program runs on.
const Platform& systemPlatform();

// A new name for a private file beside `beside`: the same folder, and a
// fixed form of 17 characters that each call, in this process or another,
// most likely makes anew.
std::string privateFileName(std::string_view beside, std::uint64_t processId);
// How many private names a run tries before it gives up.
inline constexpr int PRIVATE_NAME_ATTEMPTS = 64;
// Whether a name without its folder has exactly the private file's form.
bool isPrivateFileName(std::string_view name);
// The folder part of a file name, with its last separator; empty when the
// name has none.
std::string_view folderOf(std::string_view name);
// A run writes its private file from start to end in seconds, so one left
// unwritten this long is most likely a killed run's; the lock tells for sure.
inline constexpr std::chrono::seconds LEFTOVER_AGE{60 * 60};

// The program's arguments as UTF-8; on Windows they are read from the wide
// command line, so names in any script arrive intact.
std::vector<std::string> programArguments(int argc, char** argv);
// Makes the process safe to run whoever started it: standard streams that
// were closed are opened on the null device (so no file the run opens takes
// their place), a console that went away ends nothing, and the console shows
// the UTF-8 text the program writes.
void prepareProcess();

// The file name as the run uses it: on Windows in the long-path form, on POSIX
// made absolute (lexically, against the working directory), so that every
// message names the file unambiguously.
std::string platformFileName(std::string_view name);

// Windows: whether a name is rooted (starts with a separator, or a drive
// letter, a colon and a separator).
bool isRootedWindowsName(std::string_view name);
// Windows long-path form of `name`. `fullPath` is the system's full path of
// the name, used only when the name is not rooted.
std::string windowsLongPathForm(std::string_view name, std::string_view fullPath);
// A Windows command line on which each argument arrives as one, the empty
// one included, as the C runtime splits it.
std::string windowsCommandLine(const std::vector<std::string>& arguments);

} // namespace vorlane
