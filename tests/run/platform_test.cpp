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
