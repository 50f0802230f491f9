// One run of the program: banner, options, the optional Lua pass, the line
// loop over the file, and the processed file put in place of the input.
#pragma once

#include "gcode/console.hpp"
#include "run/platform.hpp"

#include <string>
#include <vector>

namespace vorlane {

inline constexpr const char* versionID = "v0024";

// Returns the process exit status: 0 for a normal run, -1 after a file
// failure, 1 for an error that ends the run (the input then stays as it was).
// Every file and process call goes through `platform`.
int runVorlane(const std::vector<std::string>& arguments, Console& console, const Platform& platform);

} // namespace vorlane
