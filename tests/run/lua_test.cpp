// The Lua pass with the real interpreter: the script edits the file by name
// before Vorlane reads it, and its failures never stop the G-code pass.
#include "support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vorlane::test {
namespace {

bool haveLua() { return std::system("command -v lua >/dev/null 2>&1") == 0; }

struct LuaRun {
    TempDir dir;
    std::string input;
    RunResult run;
};

void runWithScript(LuaRun& lua, std::string_view script, const std::vector<std::string>& options,
                   std::string_view fileName = "part.gcode")
{
    lua.input = lua.dir.file(fileName);
    writeFile(lua.input, "G28\n");
    if (!script.empty()) writeFile(lua.dir.file("postproc.lua"), script);
    std::vector<std::string> arguments = options;
    arguments.push_back(lua.input);
    lua.run = runVorlane(arguments, "", lua.dir.path);
}

TEST(LuaPass, ScriptEditsTheFileBeforeTheGcodePass)
{
    if (!haveLua()) GTEST_SKIP() << "no lua interpreter (scripts/setup installs it)";
    LuaRun lua;
    runWithScript(lua, "local f = assert(io.open(arg[2], 'a'))\nf:write('M84 ; added by the script\\n')\nf:close()\n",
                  {"--lua"});
    EXPECT_EQ(lua.run.status, 0) << lua.run.err;
    EXPECT_EQ(lua.run.out, "Vorlane v0024\nRunning Lua postproc with " + lua.input + "\n\nSuccess\n");
    EXPECT_EQ(readFile(lua.input),
              "; Vorlane v0024\nG28\nM84 ; added by the script\n; Lua Postproc took 0\n; D   Postproc took 0\n");
}

TEST(LuaPass, ArgumentsArriveOneByOneWithTheOptionWordAlwaysPresent)
{
    if (!haveLua()) GTEST_SKIP() << "no lua interpreter";
    const std::string script = "print('args ' .. #arg .. ' [' .. arg[1] .. '] [' .. arg[2] .. ']')\n";
    LuaRun plain;
    runWithScript(plain, script, {"--lua"}, "my \"odd\" part's file.gcode");
    EXPECT_NE(plain.run.out.find("args 2 [] [" + plain.input + "]\n"), std::string::npos)
        << "without --duet the first argument is empty, not missing; a name with spaces and quotes is one argument\n"
        << plain.run.out;
    LuaRun duet;
    runWithScript(duet, script, {"--lua", "--duet"});
    EXPECT_NE(duet.run.out.find("args 2 [--duet] [" + duet.input + "]\n"), std::string::npos) << duet.run.out;
}

TEST(LuaPass, FailingScriptIsReportedAndTheGcodePassStillRuns)
{
    if (!haveLua()) GTEST_SKIP() << "no lua interpreter";
    LuaRun lua;
    runWithScript(lua, "os.exit(1)\n", {"--lua"});
    EXPECT_EQ(lua.run.status, 0) << "the G-code pass decides the exit status";
    EXPECT_EQ(lua.run.out,
              "Vorlane v0024\nRunning Lua postproc with " + lua.input + "\nLua postproc failed!\n\nSuccess\n");
    EXPECT_TRUE(readFile(lua.input).starts_with("; Vorlane v0024\nG28\n"));
}

TEST(LuaPass, MissingScriptIsReportedAndTheGcodePassStillRuns)
{
    LuaRun lua;
    runWithScript(lua, "", {"--lua"});
    EXPECT_EQ(lua.run.status, 0);
    EXPECT_EQ(lua.run.out, "Vorlane v0024\nRunning Lua postproc with " + lua.input +
                               "\nLua postproc postproc.lua not found!\n\nSuccess\n");
}

TEST(LuaPass, InterpreterThatCannotStartEndsTheRunBeforeAnyFileIsOpened)
{
    LuaRun lua;
    lua.input = lua.dir.file("part.gcode");
    writeFile(lua.input, "G28\n");
    writeFile(lua.dir.file("postproc.lua"), "os.exit(0)\n");
    const RunResult run = runVorlane({"--lua", lua.input}, "", lua.dir.path, {{"PATH", lua.dir.path}});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "vorlane: could not start \"lua\": No such file or directory\n");
    EXPECT_EQ(readFile(lua.input), "G28\n");
    EXPECT_FALSE(exists(lua.input + "d"));
}

} // namespace
} // namespace vorlane::test
