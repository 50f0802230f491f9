// The line table through the loop: row order, fan tracking and restore,
// tool changes, chapters, layer thickness, and the lines the loop refuses.
#include "support.hpp"

#include "gcode/refusal.hpp"
#include "pass/line_loop.hpp"
#include "watch/watchers.hpp"

#include <gtest/gtest.h>

#include <cstdio>

namespace vorlane::test {
namespace {

// A loop run in memory whose state can be inspected after each line.
struct Loop {
    std::string output;
    OutBuffer out;
    Console console;
    LineLoop loop;
    RunWatchers watchers;

    explicit Loop(bool debug = true)
        : out(outBufferInto(output)), console{std::tmpfile(), std::tmpfile(), std::fopen(NULL_DEVICE, "r")},
          loop{out, console}
    {
        listen(loop, watchers, debug, false);
    }
    ~Loop()
    {
        std::fclose(console.out);
        std::fclose(console.err);
        std::fclose(console.in);
    }
    // Feeds lines and returns what they wrote.
    std::string feed(std::initializer_list<std::string_view> text)
    {
        const std::size_t before = output.size() + out.text.size();
        for (const std::string_view line : text)
            processLine(loop, line);
        tellHeldDraws(loop);
        drainOut(out);
        return output.substr(before);
    }
    std::string consoleText()
    {
        std::fflush(console.out);
        std::string text(static_cast<std::size_t>(std::ftell(console.out)), '\0');
        std::rewind(console.out);
        text.resize(std::fread(text.data(), 1, text.size(), console.out));
        return text;
    }
    PrintState& state() { return loop.state; }
    // Feeds lines until one is refused; "line N: why", as the run names it,
    // or empty when none is.
    std::string refusal(std::initializer_list<std::string_view> text)
    {
        try {
            feed(text);
        } catch (const Refusal& e) {
            return "line " + std::to_string(loop.lineNo) + ": " + e.what();
        }
        return {};
    }
};

const char* const restoreComment = " ; restore the fan in case tool change messed it up";

TEST(LineTable, OnlyG1FollowedByANonDigitIsAMove)
{
    Loop l;
    l.feed({"; *** Main G-code", "G1 X5 Y6"});
    l.feed({"G0 X50 Y50", "G1", "G10", "g1 X9", "G11 X7"});
    EXPECT_EQ(l.state().moves.currentX, 5.0f) << "G0, a bare G1, G10, g1 and G11 leave the position as it was";
    EXPECT_EQ(l.state().moves.currentY, 6.0f);
}

TEST(LineTable, PathKindCommentsSetTheSectionAndHyphenatedNamesKeepIt)
{
    Loop l;
    const struct {
        std::string_view comment;
        DrawType section;
    } rows[] = {
        {"; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]", DrawType::Perimeter},
        {"; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s]", DrawType::Perimeter},
        {"; 'Solid Path', 1.0", DrawType::Solid},
        {"; 'Prime Pillar Path', 1.0", DrawType::PrimePillar},
        {"; 'Stacked Sparse Infill Path', 1.0", DrawType::StackedInfill},
        {"; 'Sparse Infill Path', 1.0", DrawType::TopInfill},
        {"; 'Support Interface Path', 1.0", DrawType::SupportInterface},
        {"; 'Support (may Stack) Path', 1.0", DrawType::SupportMain},
        {"; 'Loop Path', 1.0", DrawType::UnclassifiedPath},
        {"; 'Pillar-2 Path'", DrawType::UnclassifiedPath},
        {"; 'Support Base Path', 1.0", DrawType::UnclassifiedPath},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(l.feed({row.comment}), std::string(row.comment) + "\n") << "path comments are copied";
        EXPECT_EQ(l.state().section, row.section) << row.comment;
    }
    EXPECT_EQ(l.consoleText(), "Error - unanticipated support path type in ; 'Support Base Path', 1.0\n");
}

TEST(FanRestore, AfterAToolChangeTheNextMoveGetsTheTrackedSpeedFirst)
{
    Loop l;
    EXPECT_EQ(l.feed({"; *** G-code Prefix", "T1", "G1 X10 Y0"}),
              lines({"; *** G-code Prefix", "T1", std::string("M106 P1 S0") + restoreComment, "G1 X10 Y0"}))
        << "in the prefix too, before anything else the move causes";
    EXPECT_EQ(l.feed({"G1 X20 Y0"}), "G1 X20 Y0\n") << "only the first move after the change";
    EXPECT_EQ(l.feed({"; *** Main G-code", "M106 S127.5", "T0", "; *** Resume on Ext 1", "G1 E-1 F3000"}),
              lines({"; *** Main G-code", "M106 S127.5", "T0", "; *** Resume on Ext 1",
                     std::string("M106 P0 S127.5") + restoreComment, "G1 E-1 F3000"}));
    EXPECT_EQ(l.feed({"; *** Resume on Ext 1", "G1 X1 Y1"}),
              lines({"; *** Resume on Ext 1", std::string("M106 P0 S127.5") + restoreComment, "G1 X1 Y1"}))
        << "a resume marker also asks for a restore";
}

TEST(FanRestore, TracksWhatTheSlicerSet)
{
    const struct {
        std::string_view fanLine;
        std::string_view restored; // empty: the fan line itself counts as the restore
        std::string_view why;
    } rows[] = {
        {"M106 S200", "", "M106 after the change needs no restore"},
        {"M106 P1 S255", "M106 P0 S77", "a fan addressed by P changes nothing"},
        {"M106", "", "a bare M106 sets the fan"},
        {"M107", "", "M107 sets the fan"},
        {"M104 S200", "M106 P0 S77", "other M codes change nothing"},
    };
    for (const auto& row : rows) {
        Loop l;
        l.feed({"; *** Main G-code", "M106 S77", "T0", std::string(row.fanLine)});
        const std::string written = l.feed({"G1 X1 Y1"});
        if (row.restored.empty())
            EXPECT_EQ(written, "G1 X1 Y1\n") << row.why;
        else
            EXPECT_EQ(written, std::string(row.restored) + restoreComment + "\nG1 X1 Y1\n") << row.why;
    }
    const struct {
        std::string_view fanLine;
        float speed;
    } speeds[] = {{"M106", 255.0f},   {"M106 ; full", 255.0f},           {"M107", 0.0f},
                  {"M106 S0", 0.0f},  {"  M106 S12.5 ; comment", 12.5f}, {"M106 s40", 255.0f},
                  {"M106.9 S3", 3.0f}};
    for (const auto& row : speeds) {
        Loop l;
        l.feed({"; *** Main G-code", "M106 S77", std::string(row.fanLine)});
        EXPECT_EQ(l.state().currentKisslicerFanSpeed, row.speed) << row.fanLine;
    }
    Loop prefix;
    prefix.feed({"; *** G-code Prefix", "M106 S77"});
    EXPECT_EQ(prefix.state().currentKisslicerFanSpeed, 0.0f) << "the fan is tracked while printing only";
}

TEST(ToolChange, OnlyTWithANumberChangesTool)
{
    Loop l;
    l.feed({"; *** Main G-code", "T3", "G1 X1 Y1"});
    for (const std::string_view macro : {"TURN_OFF_HEATERS", "TIMELAPSE_TAKE_FRAME", "T", "T 1", "T-", "T;1"}) {
        EXPECT_EQ(l.feed({macro, "G1 X2 Y2"}), std::string(macro) + "\nG1 X2 Y2\n")
            << macro << " is copied and asks for no fan restore";
        EXPECT_EQ(l.state().currentTool, 3);
    }
    l.feed({"T-1"});
    EXPECT_EQ(l.state().currentTool, -1);
    l.feed({"T2 ; comment"});
    EXPECT_EQ(l.state().currentTool, 2);
    EXPECT_THROW(l.feed({"T99999999999"}), Refusal) << "a tool number beyond 32 bits ends the run";
}

TEST(ToolChange, DrawsWithToolsOutsideZeroToFifteenAreRefused)
{
    Loop negative;
    negative.feed({"; *** Main G-code", "T-1", "G1 X5 Y5 F100", "G1 X9 Y5"});
    EXPECT_EQ(negative.refusal({"G1 X9 Y9 E1"}), "line 5: tool -1 is outside 0 to 15")
        << "a draw with tool -1 has no slot";
    EXPECT_EQ(negative.consoleText(), "line: 5 drawing with tool of -1\n");

    Loop high;
    high.feed({"; *** Main G-code", "T16", "G1 X5 Y5", "G1 X30 Y5 F100"});
    EXPECT_THROW(high.feed({"G1 X9 Y9 E1"}), Refusal);
}

// The E amount of the last line fed, as the printer moves its extruder.
TEST(Extrusion, AmountsFollowTheModeAndTheExtrudersPosition)
{
    const struct {
        std::initializer_list<std::string_view> lines;
        float amount;
        std::string_view why;
    } rows[] = {
        {{"G1 X1 E0.5"}, 0.5f, "relative at the start"},
        {{"; *** Printer Settings", "; firmware_type = 2", "G1 X1 E10", "G1 X2 E10.5"},
         0.5f,
         "firmware_type 2 in the printer section makes E absolute, without M82"},
        {{"; *** Printer Settings", "; firmware_type = 1", "G1 X1 E10", "G1 X2 E10.5"},
         10.5f,
         "another firmware type leaves the mode as it is"},
        {{"; *** Style Settings", "; firmware_type = 2", "G1 X1 E10", "G1 X2 E10.5"},
         10.5f,
         "only the printer section's firmware type counts"},
        {{"; *** Printer Settings", "; firmware_type = 2", "G1 X1 E10", "M83", "G1 X2 E0.5"},
         0.5f,
         "M83 after it makes E relative again"},
        {{"M82", "G1 X1 E10", "G92 E2", "G1 X2 E2.25"}, 0.25f, "G92 E sets the position mid-print"},
        {{"M82", "G1 X1 E10", "G92", "G1 X2 E0.75"}, 0.75f, "a bare G92 sets it to 0"},
        {{"M82", "G1 X1 E10", "G92 X5", "G1 X2 E10.5"}, 0.5f, "G92 without E leaves it"},
        {{"M82", "G1 X1 E10", "G92.1", "G1 X2 E10.5"}, 0.5f, "G92.1 sets nothing"},
        {{"M82", "G1 X1 E10", "G91", "G1 X2 E0.5"}, 0.5f, "under G91 the E word is relative in either mode"},
        {{"G1 X1 E10", "M82", "G1 X2 E10.5"}, 0.5f, "relative amounts advance the position"},
        {{"M82", "G1 X1 E1000.1", "G1 X2 E1000.2"},
         0.1f,
         "the position is kept in 64 bits: in floats 1000.2 - 1000.1 is 0.0999756"},
    };
    for (const auto& row : rows) {
        Loop l;
        l.feed(row.lines);
        EXPECT_EQ(l.state().move.eDistance, row.amount) << row.why;
    }
}

TEST(Extrusion, ARewrittenDrawPushingMoreThanItsLengthIsRefusedWithNothingWritten)
{
    // Sparse infill over stacked infill crossing at x 5, in a relative file
    // whose E words are running sums: the rewritten draw's amount is a position.
    const struct {
        std::string_view travel, draw, refusal, why;
    } rows[] = {
        {"G1 X4 Y0", "G1 X6 Y0 E3.25",
         "line 11: an extrusion of 3.25 mm over a 2 mm draw looks like an absolute extruder position; set the "
         "printer's firmware to relative E, or put M82 in its start G-code",
         "above 3 mm and above 1 mm per mm"},
        {"G1 X4 Y0", "G1 X6 Y0 E3", "", "3 mm is not above 3 mm: the rewrite goes ahead"},
        {"G1 X0 Y0", "G1 X10 Y0 E9.5", "", "9.5 mm over 10 mm is not above 1 mm per mm"},
        {"G1 X4 Y5", "G1 X6 Y5 E3.25", "", "a draw crossing nothing below is copied, pushing what the file asks"},
    };
    for (const auto& row : rows) {
        Loop l;
        l.feed({"; *** Main G-code", "; 'Stacked Sparse Infill Path'", "G1 Z0.2 F1000", "G1 X5 Y-1 F9000",
                "G1 X5 Y1 E3.5 F1800", "G1 X5 Y-1 E3.6", "G1 Z0.4", row.travel, "; 'Sparse Infill Path'", "T1"});
        const std::string before = l.output + l.out.text;
        EXPECT_EQ(l.refusal({row.draw}), row.refusal) << row.why;
        drainOut(l.out);
        if (!row.refusal.empty()) {
            EXPECT_EQ(l.output, before) << "nothing is written for the refused line, not even its pending fan restore";
        }
    }
}

TEST(LayerThickness, FollowsEachToolsLastDrawnLayer)
{
    Loop l;
    l.feed({"; *** Main G-code", "G1 Z0.3", "G1 X1 Y1 E1", "G1 Z0.6", "G1 X2 Y1 E1"});
    EXPECT_EQ(l.state().layerThicknessForTool[0], 0.3f);
    l.feed({"T1", "G1 X3 Y1 E1"});
    EXPECT_EQ(l.state().layerThicknessForTool[1], 0.3f) << "thicker than tool 0: tool 0's, at least 0.25";
    EXPECT_EQ(prevLayerHeightForTool(l.state(), 1), 0.6f - 0.3f);
    l.feed({"G1 Z5", "G1 X4 Y1 E1", "G1 Z0.3", "G1 X5 Y1 E1"});
    EXPECT_EQ(l.state().layerThicknessForTool[1], 0.3f) << "Z went down: the smaller of Z and 0.35";
    l.feed({"T0", "G1 Z0.8", "G1 X6 Y1 E1", "T2", "G1 X7 Y1 E1"});
    EXPECT_EQ(l.state().layerThicknessForTool[0], 0.8f - 0.6f);
    EXPECT_EQ(l.state().layerThicknessForTool[2], 0.25f) << "at least 0.25 when tool 0's layers are thinner";

    Loop prefix;
    prefix.feed({"; *** G-code Prefix", "G1 Z0.3", "G1 X1 Y1 E1"});
    EXPECT_EQ(prefix.state().layerThicknessForTool[0], 0.0f) << "only draws of the printing chapter count";
}

TEST(LayerMarker, ADotPerLayerOrADebugLine)
{
    Loop quiet(false);
    quiet.feed({"; BEGIN_LAYER_OBJECT z=0.2", "G1 Z0.45", "; BEGIN_LAYER_OBJECT z=0.45"});
    EXPECT_EQ(quiet.consoleText(), "..");
    Loop debug;
    debug.feed({"G1 Z0.45", "; BEGIN_LAYER_OBJECT z=0.45"});
    EXPECT_EQ(debug.consoleText(), "Layer Begin after 0.45\n");
}

void feedText(Loop& l, std::string_view text)
{
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t end = text.find('\n', begin);
        processLine(l.loop, text.substr(begin, end - begin));
        begin = end + 1;
    }
}

const std::string twoMaterials = lines({
    "; *** Printer Settings",
    "; bed_C = 99",
    "; *** Material Settings for Extruder 1",
    "; bed_C = 60",
    "; *** Material Settings for Extruder 2",
    "; bed_C = 6e1",
    "; bed_C = 70",
    "; *** Style Settings",
});

TEST(BedTemperature, RaisedToTheHottestMaterialInThePrefixOnly)
{
    Loop l;
    feedText(l, twoMaterials);
    l.feed({"; *** G-code Prefix"});
    const struct {
        std::string_view line, written, why;
    } rows[] = {
        {"M190 S60", "M190 S70 ; we use higher of the two materials' bed temps\n", "raised; other words dropped"},
        {"M140 S60 T1 ; heat", "M140 S70 ; we use higher of the two materials' bed temps\n", "M140 too"},
        {"M190 S70", "M190 S70\n", "already the hottest"},
        {"M104 S210", "M104 S210\n", "not a bed command"},
        {"M140", "M140\n", "no S word (and no character after the number)"},
        {"M140 X", "M140 X\n", "no S word"},
        {"M106 S255", "M106 S255\n", "a fan line in the prefix reaches the rule and is copied"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(l.feed({row.line}), row.written) << row.why;
    EXPECT_EQ(l.feed({"; *** Main G-code", "M190 S60"}), "; *** Main G-code\nM190 S60\n")
        << "while printing the bed line is copied";
    EXPECT_NE(l.consoleText().find("Multi-Material - Prefix M-code line found: M106 S255\n"), std::string::npos);
}

TEST(BedTemperature, NeedsTwoMaterialsWithSettings)
{
    Loop one;
    feedText(one, lines({"; *** Material Settings for Extruder 1", "; bed_C = 80", "; *** G-code Prefix"}));
    EXPECT_EQ(one.feed({"M190 S60"}), "M190 S60\n") << "one material never rewrites";

    Loop withoutBed;
    feedText(withoutBed, lines({"; *** Material Settings for Extruder 1", "; bed_C = 50",
                                "; *** Material Settings for Extruder 2", "; temp_C = 210", "; *** G-code Prefix"}));
    EXPECT_EQ(withoutBed.feed({"M190 S60"}), "M190 S50 ; we use higher of the two materials' bed temps\n")
        << "a material without bed_C asks for no bed temperature";

    Loop noneWithBed;
    feedText(noneWithBed, lines({"; *** Material Settings for Extruder 1", "; temp_C = 200",
                                 "; *** Material Settings for Extruder 2", "; temp_C = 210", "; *** G-code Prefix"}));
    EXPECT_EQ(noneWithBed.feed({"M140 S60", "M190 S60"}), "M140 S60\nM190 S60\n")
        << "when no material asks for a bed temperature, the bed is never switched off";
}

TEST(LineErrors, APrintBeyondWhatThePathStoreHoldsIsRefusedAtItsLine)
{
    Loop l;
    l.feed({"; *** Main G-code", "; 'Perimeter Path'", "G1 Z0.2 F100"});
    // A vertex list as long as its numbers reach, without the memory for it.
    l.loop.layers.layerPerims.vertices.count = MAX_VERTICES;
    EXPECT_EQ(l.refusal({"G1 X5 Y5 E1"}), "line 4: the print holds more than 4294967295 draws of one kind of path, "
                                          "more than Vorlane can keep track of")
        << "a limit of the program's records is the file's refusal, naming the limit, not a fault of Vorlane";
}

TEST(Settings, CatalogHoldsNumericSettingsPerSection)
{
    Loop l;
    feedText(l, lines({"; bed_C = 1", "; *** Printer Settings", "; bed_C = 6e1", "; nozzle_dia  = 0.4", "; a = .6",
                       "; b = 1e-5", "; c = 5 ; note", "; d = -0 \t", "; start_g_code = 1",
                       "; *** Material Settings for Extruder 3", "; *** Material Settings for Extruder 1",
                       "; *** Material Settings for Extruder 2", "; bed_C = 75", "; bed_C = 1.2.3"}));
    const auto& catalog = l.state().settings.settingsCatalog;
    const auto& printer = catalog.at(static_cast<int>(SettingsSection::Printer));
    EXPECT_EQ(printer.at("bed_C"), 60.0f);
    EXPECT_EQ(printer.count("nozzle_dia"), 0u) << "two spaces before '=' make the name end with a space";
    EXPECT_EQ(printer.at("nozzle_dia "), 0.4f);
    EXPECT_EQ(printer.count("a") + printer.count("b") + printer.count("c"), 0u)
        << ".6, 1e-5 and a comment are no settings";
    EXPECT_EQ(printer.at("d"), -0.0f);
    EXPECT_EQ(printer.count("start_g_code"), 0u) << "g_code names are skipped";
    EXPECT_EQ(catalog.count(0), 0u) << "nothing is stored before the first header";
    EXPECT_EQ(catalog.at(7).at("bed_C"), 75.0f) << "the third material header is section 7 whatever its number";
    EXPECT_EQ(l.consoleText(), "Could not parse setting 'bed_C' due to error in: 1.2.3 - ignoring setting\n")
        << "the run waits for Enter once, at its end, not in the middle of the pass";
    EXPECT_TRUE(l.state().settings.unreadableSetting);
    EXPECT_EQ(catalog.at(7).at("bed_C"), 75.0f) << "a failing number keeps the earlier value";
}

TEST(Chapters, NoMainMarkerMeansNoPrintingChapter)
{
    Loop l;
    l.feed({"; *** G-code Prefix", "M106 S50", "G1 Z0.2", "G1 X1 Y1 E1", "T1", "G1 X20 Y1", "G1 X20 Y20"});
    EXPECT_EQ(l.state().currentKisslicerFanSpeed, 0.0f);
    EXPECT_EQ(l.state().layerThicknessForTool[0], 0.0f);
    EXPECT_EQ(l.loop.layers.layerNonPerims.entries.size(), 1u) << "draws are still collected";
}

} // namespace
} // namespace vorlane::test
