// The optional external pass: a user's Lua script edits the G-code file by
// name before Vorlane's own pass reads it.
#pragma once

#include "gcode/console.hpp"
#include "run/platform.hpp"

#include <string>

namespace vorlane {

// Looked up in the working directory.
inline constexpr const char* LuaPostProcName = "postproc.lua";

// Runs "lua postproc.lua <--duet or empty> <file>" and waits for it. False
// when the script is missing or exits with a non-zero code (each with its
// message). Throws std::runtime_error when the interpreter cannot be started.
bool runLuaPostproc(Console& console, const Platform& platform, const std::string& inputFileName, bool forDuet);

} // namespace vorlane
