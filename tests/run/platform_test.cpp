// Options and the Windows rules for names and command lines.
#include "run/options.hpp"
#include "run/platform.hpp"

#include <gtest/gtest.h>

namespace vorlane {
namespace {

TEST(Options, SwitchesAnywhereInAnyCaseAndPositionalArgumentsInOrder)
{
    const RunOptions o = parseOptions({"vorlane", "a.gcode", "--DUET", "--Lua", "b", "--waitforkey", "--noalter"});
    EXPECT_TRUE(o.option_Duet && o.option_RunLuaPost && o.option_WaitForKey && o.option_NoAlterOrig);
    EXPECT_FALSE(o.option_Debug || o.helpInformation);
    EXPECT_EQ(o.positional, (std::vector<std::string>{"vorlane", "a.gcode", "b"}));
    EXPECT_EQ(parseOptions({"vorlane", "--", "-odd.gcode"}).positional[1], "-odd.gcode")
        << "after -- a name may start with a dash";
    EXPECT_THROW(parseOptions({"vorlane", "-x"}), UsageError);
    EXPECT_THROW(parseOptions({"vorlane", "--debugger"}), UsageError) << "options match whole words";
}

TEST(Options, SettingsTakeAValueEitherWayAndTheLastOneHolds)
{
    const RunOptions o = parseOptions({"vorlane", "--Lift-Height=0.6", "a.gcode", "--lift-feed", "600", "--no-lift",
                                       "--fan-restore", "PLAIN", "--lift-feed=500", "--path-width=0.5"});
    EXPECT_EQ(o.settings.liftHeight_MM, 0.6f);
    EXPECT_EQ(o.settings.liftFeedRate, 500.0f) << "given twice, the last value holds";
    EXPECT_TRUE(o.settings.noLift);
    EXPECT_EQ(o.settings.fanRestore, FanRestore::Plain);
    EXPECT_EQ(o.positional, (std::vector<std::string>{"vorlane", "a.gcode"})) << "a value is no file name";
    EXPECT_EQ(movementClearance_MM(o.settings), 0.5f * 0.5f + 0.7f * 0.5f + 0.75f) << "derived from the path width";
    EXPECT_EQ(settingsLine(o.settings, FanRestore::Tool),
              "; Vorlane settings: fan-restore=plain lift-height=0.6 lift-feed=500 "
              "path-width=0.5 no-lift")
        << "in the table's order, numbers in the program's number text";
    EXPECT_EQ(
        settingsLine(parseOptions({"vorlane", "--lift-height=0.50", "--fan-restore=tool"}).settings, FanRestore::Tool),
        "")
        << "defaults given explicitly name nothing";
}

TEST(Options, RefusedSettings)
{
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } rows[] = {
        {{"--lift-height=9"}, "option --lift-height: 9 is outside 0.05 to 5"},
        {{"--lift-height=0.04"}, "option --lift-height: 0.04 is outside 0.05 to 5"},
        {{"--lift-min-travel=-1"}, "option --lift-min-travel: -1 is outside 0 to 1000"},
        {{"--lift-feed=100001"}, "option --lift-feed: 100001 is outside 10 to 100000"},
        {{"--infill-boost=0.9"}, "option --infill-boost: 0.9 is outside 1 to 5"},
        {{"--nozzle-tip=1e39"}, "option --nozzle-tip: '1e39' is not a number; 0.05 to 10 is accepted"},
        {{"--path-width=nan"}, "option --path-width: 'nan' is not a number; 0.05 to 5 is accepted"},
        {{"--interface-depth="}, "option --interface-depth: '' is not a number; 0.01 to 5 is accepted"},
        {{"--infill-full-speed", "fast"},
         "option --infill-full-speed: 'fast' is not a number; 1 to 100000 is accepted"},
        {{"--interface-depth-same"}, "option --interface-depth-same needs a value: 0.01 to 5"},
        {{"--fan-restore=p"}, "option --fan-restore: 'p' is not tool, plain or off"},
        {{"--fan-restore"}, "option --fan-restore needs a value: tool, plain or off"},
        {{"--no-lift=yes"}, "option --no-lift takes no value"},
        {{"--lift-heights=1"}, "unknown option '--lift-heights=1'"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> arguments{"vorlane", "a.gcode"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        try {
            parseOptions(arguments);
            ADD_FAILURE() << row.message << ": accepted";
        } catch (const UsageError& e) {
            EXPECT_EQ(std::string(e.what()), row.message);
        }
    }
}

TEST(WindowsNames, LongPathForm)
{
    const std::string longRooted = "C:\\" + std::string(237, 'a');  // 240 units
    const std::string shortRooted = "C:\\" + std::string(236, 'a'); // 239 units
    const std::string longUnc = "\\\\server\\" + std::string(240, 'b');
    const struct {
        std::string name, fullPath, expected, why;
    } cases[] = {
        {"part.gcode", "C:\\work\\part.gcode", "\\\\?\\C:\\work\\part.gcode", "a relative name gets the full path"},
        {"C:part.gcode", "C:\\cwd\\part.gcode", "\\\\?\\C:\\cwd\\part.gcode", "a drive without separator is relative"},
        {"C:\\p.gcode", "", "C:\\p.gcode", "a short rooted name stays"},
        {"/p.gcode", "", "/p.gcode", "a leading slash roots a name too"},
        {shortRooted, "", shortRooted, "239 units stay"},
        {longRooted, "", "\\\\?\\" + longRooted, "240 units and more get the prefix"},
        {longUnc, "", "\\\\?" + longUnc, "the name's own separator completes the prefix"},
        {"\\\\?\\" + longRooted, "", "\\\\?\\" + longRooted, "an existing prefix is kept"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(windowsLongPathForm(c.name, c.fullPath), c.expected) << c.why;
    // Four-byte characters count as two UTF-16 units.
    std::string emoji = "C:\\";
    for (int i = 0; i < 119; ++i)
        emoji += "\xF0\x9F\x98\x80";
    EXPECT_EQ(windowsLongPathForm(emoji, ""), "\\\\?\\" + emoji) << "3 + 2 * 119 = 241 units";
    EXPECT_EQ(windowsLongPathForm(shortRooted.substr(0, 100) + "\xC3\xA9", ""), shortRooted.substr(0, 100) + "\xC3\xA9")
        << "a two-byte character is one unit";
}

TEST(WindowsNames, CommandLineKeepsEachArgumentWhole)
{
    EXPECT_EQ(windowsCommandLine({"lua", "postproc.lua", "", "C:\\a b\\p.gcode"}),
              "lua postproc.lua \"\" \"C:\\a b\\p.gcode\"")
        << "the empty option word is passed as \"\"";
    EXPECT_EQ(windowsCommandLine({"say \"hi\""}), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(windowsCommandLine({"C:\\dir with space\\"}), "\"C:\\dir with space\\\\\"")
        << "backslashes before the closing quote are doubled";
    EXPECT_EQ(windowsCommandLine({"a\\\\\"b c"}), "\"a\\\\\\\\\\\"b c\"")
        << "backslashes before a quote double, plus one";
    EXPECT_EQ(windowsCommandLine({"C:\\no\\spaces"}), "C:\\no\\spaces") << "backslashes alone are literal";
}

} // namespace
} // namespace vorlane
