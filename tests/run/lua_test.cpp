// The Lua pass with the real interpreter: the script edits the file by name
// before Vorlane reads it, and its failures never stop the G-code pass.
#include "support.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

namespace vorlane::test {
namespace {

#ifdef _WIN32
bool haveLua() { return false; } // Windows runs the stand-in below
#else
bool haveLua() { return std::system("command -v lua >/dev/null 2>&1") == 0; }
#endif

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
    EXPECT_EQ(lua.run.out, "Vorlane v0024\nRunning Lua postproc with " + lua.input + "\n{summary}\n\nSuccess\n");
    EXPECT_EQ(readOutput(lua.input), "; Vorlane v0024\nG28\nM84 ; added by the script\n" + nothingRewritten() +
                                         "; Lua Postproc took 0\n; D   Postproc took 0\n");
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
    EXPECT_EQ(lua.run.out, "Vorlane v0024\nRunning Lua postproc with " + lua.input +
                               "\nLua postproc failed!\n{summary}\n\nSuccess\n");
    EXPECT_TRUE(readOutput(lua.input).starts_with("; Vorlane v0024\nG28\n"));
}

TEST(LuaPass, MissingScriptIsReportedAndTheGcodePassStillRuns)
{
    LuaRun lua;
    runWithScript(lua, "", {"--lua"});
    EXPECT_EQ(lua.run.status, 0);
    EXPECT_EQ(lua.run.out, "Vorlane v0024\nRunning Lua postproc with " + lua.input +
                               "\nLua postproc postproc.lua not found!\n{summary}\n\nSuccess\n");
}

TEST(LuaPass, InterpreterThatCannotStartEndsTheRunBeforeAnyFileIsOpened)
{
    LuaRun lua;
    lua.input = lua.dir.file("part.gcode");
    writeFile(lua.input, "G28\n");
    writeFile(lua.dir.file("postproc.lua"), "os.exit(0)\n");
    const RunResult run = runVorlane({"--lua", lua.input}, "", lua.dir.path, {{"PATH", lua.dir.path}});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "vorlane: could not start \"lua\": " + systemErrorText(ENOENT, WINDOWS_FILE_NOT_FOUND) + "\n");
    EXPECT_EQ(readFile(lua.input), "G28\n");
    EXPECT_FALSE(exists(lua.input + "d"));
}

// The stand-in interpreter records its arguments and obeys "append" and
// "exit" lines, so these run the same on every platform.
struct StandInRun {
    TempDir dir;
    std::string input;
    RunResult run;
    std::string arguments; // as the interpreter received them, one per line
};

void runWithStandIn(StandInRun& lua, std::string_view script, const std::vector<std::string>& options,
                    std::string_view fileName = "part.gcode")
{
    lua.input = lua.dir.file(fileName);
    writeFile(lua.input, "G28\n");
    writeFile(lua.dir.file("postproc.lua"), script);
    std::vector<std::string> arguments = options;
    arguments.push_back(lua.input);
#ifdef _WIN32
    const char listSeparator = ';';
#else
    const char listSeparator = ':';
#endif
    const char* path = std::getenv("PATH");
    const std::string searchPath = std::string(VORLANE_LUA_STAND_IN) + listSeparator + (path ? path : "");
    lua.run = runVorlane(arguments, "", lua.dir.path, {{"PATH", searchPath}});
    lua.arguments = readFile(lua.dir.file("lua-arguments.txt"));
}

TEST(LuaPassStandIn, EveryArgumentArrivesWholeTheEmptyOneIncluded)
{
    std::vector<std::string> names{"part.gcode", "my odd part's file.gcode", "W\xc3\xbcrfel 3\xc3\x97.gcode"};
#ifndef _WIN32
    names.push_back("my \"odd\" \\\" part.gcode"); // Windows names cannot hold quotation marks
#endif
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        StandInRun plain;
        runWithStandIn(plain, "", {"--lua"}, name);
        EXPECT_EQ(plain.run.status, 0) << plain.run.err;
        EXPECT_EQ(plain.arguments, "[postproc.lua]\n[]\n[" + plain.input + "]\n")
            << "without --duet the option word is there and empty; the name is one argument, quotes and all";
    }
    StandInRun duet;
    runWithStandIn(duet, "", {"--duet", "--lua"});
    EXPECT_EQ(duet.arguments, "[postproc.lua]\n[--duet]\n[" + duet.input + "]\n");
}

TEST(LuaPassStandIn, TheScriptRunsBeforeTheGcodePassAndItsFailureDoesNotStopIt)
{
    StandInRun edits;
    runWithStandIn(edits, "append M84 ; added by the script\n", {"--lua"});
    EXPECT_EQ(edits.run.status, 0) << edits.run.err;
    EXPECT_EQ(edits.run.out, "Vorlane v0024\nRunning Lua postproc with " + edits.input + "\n[postproc.lua]\n[]\n[" +
                                 edits.input + "]\n{summary}\n\nSuccess\n")
        << "the interpreter shares the console, and its text comes in order";
    EXPECT_EQ(readOutput(edits.input), "; Vorlane v0024\nG28\nM84 ; added by the script\n" + nothingRewritten() +
                                           "; Lua Postproc took 0\n; D   Postproc took 0\n");

    StandInRun fails;
    runWithStandIn(fails, "append M84\nexit 3\n", {"--lua"});
    EXPECT_EQ(fails.run.status, 0) << "the G-code pass decides the exit status";
    EXPECT_NE(fails.run.out.find("]\nLua postproc failed!\n{summary}\n\nSuccess\n"), std::string::npos)
        << fails.run.out;
    EXPECT_EQ(readOutput(fails.input),
              "; Vorlane v0024\nG28\nM84\n" + nothingRewritten() + "; Lua Postproc took 0\n; D   Postproc took 0\n")
        << "what the script wrote before failing is processed";
}

} // namespace
} // namespace vorlane::test
