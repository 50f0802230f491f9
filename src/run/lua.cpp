// The Lua pass.
#include "run/lua.hpp"

#include "run/platform.hpp"

namespace vorlane {

bool runLuaPostproc(Console& console, const Platform& platform, const std::string& inputFileName, bool forDuet)
{
    if (!platform.fileExists(LuaPostProcName)) {
        say(console, concat("Lua postproc ", LuaPostProcName, " not found!"));
        return false;
    }
    // The option word is always passed, empty or not, so the file name is
    // always the script's second argument.
    const std::string optionWord = forDuet ? "--duet" : "";
    std::fflush(console.out);
    const int exitCode = platform.runProgram({"lua", LuaPostProcName, optionWord, inputFileName});
    if (exitCode != 0) {
        say(console, "Lua postproc failed!");
        return false;
    }
    return true;
}

} // namespace vorlane
