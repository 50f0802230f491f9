// The few platform calls the run needs: file names, reading and writing the
// two files, existence, deletion and moves, and starting a child process.
// Implemented for POSIX and for Windows; the Windows rules that are pure
// functions of text live here too, tested on every build. Names are UTF-8 on
// every platform.
#pragma once

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

// Tests make the N-th file operation of a run fail (counting from 1), to show
// that no failure costs the user's data. Zero: nothing fails.
struct FileFaults {
    long failAt = 0;
    long calls = 0;
    const char* failed = nullptr; // the operation made to fail, once it has
};
extern FileFaults fileFaults;
// Counts one file operation; true when it is the one that must fail.
bool injectedFault(const char* operation);
inline const std::string INJECTED_FAULT_TEXT = "Injected fault";

// Each of these returns the system's error text, or an empty string on success.
// Opens an existing file, not a folder, for reading; `permissions` gets its
// mode bits where the platform has them.
std::string openForReading(const std::string& name, NativeFile& file, unsigned& permissions);
// Reads up to `size` bytes; `got` is 0 at the end of the file.
std::string readSome(NativeFile file, char* into, std::size_t size, std::size_t& got);
// Creates or empties a file for writing; a regular file gets `permissions`.
std::string createForWriting(const std::string& name, unsigned permissions, NativeFile& file);
std::string writeAll(NativeFile file, std::string_view bytes);
// Waits until what was written is on stable storage.
std::string syncFile(NativeFile file);
std::string closeFile(NativeFile file);

// The program's arguments as UTF-8; on Windows they are read from the wide
// command line, so names in any script arrive intact.
std::vector<std::string> programArguments(int argc, char** argv);
// Lets the console show the UTF-8 text the program writes.
void prepareConsole();

// The file name as the run uses it: on Windows in the long-path form, on POSIX
// made absolute (lexically, against the working directory), so that every
// message names the file unambiguously.
std::string platformFileName(std::string_view name);

bool fileExists(const std::string& name);
// Each returns the system's error text, or an empty string on success.
std::string deleteFile(const std::string& name);
// Replaces `to` if it exists.
std::string moveFile(const std::string& from, const std::string& to);
// Makes a completed move durable (flushes the folder holding `name`). Best effort.
void syncFolderOf(const std::string& name);

// Runs a program found on the PATH with exactly these arguments (no shell),
// sharing this process's console, environment and working directory; waits
// and returns its exit code. Throws std::runtime_error naming the program when
// it cannot be started.
int runProgram(const std::vector<std::string>& arguments);

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
