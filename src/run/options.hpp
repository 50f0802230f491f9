// The command line: boolean switches anywhere among the arguments, matched
// without regard to case, and the G-code file name.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vorlane {

struct RunOptions {
    bool option_Duet = false;
    bool option_Debug = false;
    bool option_RunLuaPost = false;
    bool option_WaitForKey = false;
    // Keep the input as "<name>orig" instead of deleting it.
    bool option_NoAlterOrig = false;
    bool helpInformation = false;
    bool versionInformation = false;
    // The arguments that are not options; the program itself first.
    std::vector<std::string> positional;
};

// The position of the G-code file name among the positional arguments.
inline constexpr std::size_t fileNameArgNumber = 1;

inline constexpr const char* helpLine = " options --duet --debug --lua --waitforkey --noalter --version";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws UsageError for an argument that starts with "-" and is no option.
// Arguments after "--" are never options.
RunOptions parseOptions(const std::vector<std::string>& arguments);

} // namespace vorlane
