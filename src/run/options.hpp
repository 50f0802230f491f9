// The command line: switches and settings anywhere among the arguments, their
// names matched without regard to case, and the G-code file name.
#pragma once

#include "state/run_settings.hpp"

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
    // Write the report page "<name>.html" beside the file.
    bool option_Report = false;
    bool helpInformation = false;
    bool versionInformation = false;
    // The settings that fit the rewrites to the printer.
    RunSettings settings;
    // --fan-restore was given: otherwise the slicer's own form is taken.
    bool fanRestoreGiven = false;
    // --lift-min-travel was given: otherwise the classic lift takes its own.
    bool liftMinTravelGiven = false;
    // The arguments that are not options; the program itself first.
    std::vector<std::string> positional;
};

// The position of the G-code file name among the positional arguments.
inline constexpr std::size_t fileNameArgNumber = 1;

inline constexpr const char* helpLine = " options --duet --debug --lua --waitforkey --noalter --report --version";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws UsageError for an argument that starts with "-" and is no option,
// and for a setting's value that is missing, no number, out of its range, or
// a word the setting does not know. A setting takes "--name=value" or
// "--name value"; given twice, the last value holds. Arguments after "--"
// are never options.
RunOptions parseOptions(const std::vector<std::string>& arguments);

// One line per setting for the help: its form, default and range.
std::vector<std::string> settingsHelp();

// The output's line naming the settings that differ from their defaults (the
// fan restore from the slicer's), in the order of the help; empty when none
// does.
std::string settingsLine(const RunSettings& settings, FanRestore slicerFanRestore);

} // namespace vorlane
