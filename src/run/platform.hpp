// The few platform calls the run needs: file names, existence, deletion and
// moves, and starting a child process. Implemented for POSIX; the Windows
// rules that are pure functions of text live here too, tested on every build.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// The file name as the run uses it: on POSIX made absolute (lexically, against
// the working directory), so that every message names the file unambiguously.
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
