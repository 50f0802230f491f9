// The hand-written line recognizers held to the regular expressions that
// define them: every recognizer against std::regex built from its own pattern
// text on many generated and mutated lines, matchKissParameter against
// pattern_KissParameter (match and both groups), and boundary tables of what
// each recognizer must accept and refuse.

#include "gcode/recognizers.hpp"

#include "support.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace vorlane::test {
namespace {

// std::regex runs several times slower under the sanitizers: fewer lines there.
#if defined(__SANITIZE_ADDRESS__)
constexpr int generatedLines = 1500;
constexpr std::size_t realLines = 2500;
#else
constexpr int generatedLines = 4000;
constexpr std::size_t realLines = 8000;
#endif

struct Row {
    const char* name;
    const Recognizer* recognizer;
    const char* sample; // a line it accepts: its literal, or a typical line for a scanner
};

const std::array<Row, 42> recognizers{{
    {"pattern_G1", &pattern_G1, "G1 X10"},
    {"pattern_MCode", &pattern_MCode, "M106 S255"},
    {"pattern_MCodeToEnd", &pattern_MCodeToEnd, "M107"},
    {"pattern_ExtrusionMode", &pattern_ExtrusionMode, "M83"},
    {"pattern_PositioningMode", &pattern_PositioningMode, "G91"},
    {"pattern_SetPosition", &pattern_SetPosition, "G92"},
    {"pattern_G0G1", &pattern_G0G1, "G0 X1 Y2"},
    {"pattern_Arc", &pattern_Arc, "G2 X1 Y2 I0.5 J0 E0.1"},
    {"pattern_TypeComment", &pattern_TypeComment, ";TYPE:"},
    {"pattern_FeatureComment", &pattern_FeatureComment, "; FEATURE: "},
    {"pattern_LayerChange", &pattern_LayerChange, ";LAYER_CHANGE"},
    {"pattern_ChangeLayer", &pattern_ChangeLayer, "; CHANGE_LAYER"},
    {"pattern_NumberedLayer", &pattern_NumberedLayer, ";LAYER:12"},
    {"pattern_TimeElapsed", &pattern_TimeElapsed, ";TIME_ELAPSED:"},
    {"pattern_S3dLayer", &pattern_S3dLayer, "; layer 12, Z = 2.400"},
    {"pattern_S3dLayerEnd", &pattern_S3dLayerEnd, "; layer end"},
    {"pattern_ToolNumber", &pattern_ToolNumber, "T1"},
    {"pattern_WipeTowerStart", &pattern_WipeTowerStart, "; CP TOOLCHANGE START"},
    {"pattern_WipeTowerEnd", &pattern_WipeTowerEnd, "; CP TOOLCHANGE END"},
    {"pattern_MaterialChangeStart", &pattern_MaterialChangeStart, "M620 S1A"},
    {"pattern_MaterialChangeEnd", &pattern_MaterialChangeEnd, "M621 S1A"},
    {"pattern_AllPaths", &pattern_AllPaths, "; 'Perimeter Path'"},
    {"pattern_Perimeter", &pattern_Perimeter, "; 'Perimeter Path'"},
    {"pattern_Solid", &pattern_Solid, "; 'Solid Path'"},
    {"pattern_PrimePillar", &pattern_PrimePillar, "; 'Prime Pillar Path'"},
    {"pattern_StackedInfill", &pattern_StackedInfill, "; 'Stacked Sparse Infill Path"},
    {"pattern_TopInfill", &pattern_TopInfill, "; 'Sparse Infill Path"},
    {"pattern_SupportInterface", &pattern_SupportInterface, "; 'Support Interface"},
    {"pattern_SupportMain", &pattern_SupportMain, "; 'Support (may Stack)"},
    {"pattern_SupportAny", &pattern_SupportAny, "; 'Support"},
    {"pattern_CommentLine", &pattern_CommentLine, ";"},
    {"pattern_Layer_Begin", &pattern_Layer_Begin, "; BEGIN_LAYER_OBJECT"},
    {"pattern_ToolChange", &pattern_ToolChange, "T0"},
    {"pattern_ResumeTemp", &pattern_ResumeTemp, "; *** Resume on Ext"},
    {"pattern_BeginPrefix", &pattern_BeginPrefix, "; *** G-code Prefix"},
    {"pattern_BeginPrinting", &pattern_BeginPrinting, "; *** Main G-code"},
    {"pattern_BeginPostfix", &pattern_BeginPostfix, "; *** G-code Postfix"},
    {"pattern_PrinterSettings", &pattern_PrinterSettings, "; *** Printer Settings"},
    {"pattern_MaterialSettings", &pattern_MaterialSettings, "; *** Material Settings for Extruder"},
    {"pattern_StyleSettings", &pattern_StyleSettings, "; *** Style Settings"},
    {"pattern_SupportSettings", &pattern_SupportSettings, "; *** Support Settings"},
    {"pattern_ActualParameters", &pattern_ActualParameters, "; *** Actual Slicing Settings As Used ***"},
}};

// The compiled definitions, in the order of `recognizers`. Built once: a
// std::regex costs far more to build than to run.
const std::vector<std::regex>& definitions()
{
    static const std::vector<std::regex> compiled = [] {
        std::vector<std::regex> all;
        for (const Row& row : recognizers)
            all.emplace_back(std::string(row.recognizer->pattern), std::regex::ECMAScript);
        return all;
    }();
    return compiled;
}

const std::regex& kissDefinition()
{
    static const std::regex compiled(std::string(pattern_KissParameter), std::regex::ECMAScript);
    return compiled;
}

// A line as C would write it, so that tabs, CRs and odd bytes show in messages.
std::string shown(std::string_view line)
{
    std::string text = "\"";
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            text += '\\';
            text += c;
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\n') {
            text += "\\n";
        } else if (byte < 0x20 || byte >= 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            text += escaped;
        } else {
            text += c;
        }
    }
    return text + "\"";
}

std::size_t below(std::mt19937& rng, std::size_t n) { return static_cast<std::size_t>(rng() % n); }

template <std::size_t N> const char* anyOf(std::mt19937& rng, const std::array<const char*, N>& choices)
{
    return choices[below(rng, N)];
}

std::string number(std::mt19937& rng)
{
    std::string text;
    if (below(rng, 4) == 0) text += '-';
    text += std::to_string(below(rng, 700));
    if (below(rng, 3) != 0) {
        text += '.';
        const std::size_t decimals = 1 + below(rng, 4);
        for (std::size_t i = 0; i < decimals; ++i)
            text += static_cast<char>('0' + below(rng, 10));
    }
    return text;
}

const std::array<const char*, 26> pathKinds{"Perimeter Path",
                                            "Perimeter",
                                            "Loop Path",
                                            "Loop",
                                            "Solid Path",
                                            "Solid",
                                            "Prime Pillar Path",
                                            "Stacked Sparse Infill Path",
                                            "Stacked Sparse Infill",
                                            "Sparse Infill Path",
                                            "Sparse Infill",
                                            "Support Interface Path",
                                            "Support Interface",
                                            "Support (may Stack) Path",
                                            "Support (may Stack)",
                                            "Destring/Wipe/Jump Path",
                                            "Destring Suck",
                                            "Destring Prime",
                                            "Wipe (and De-string)",
                                            "Wipe",
                                            "Crown Path",
                                            "Crown",
                                            "Travel/Ironing Path",
                                            "Raft",
                                            "Skirt",
                                            "Unknown Path"};

const std::array<const char*, 20> headers{"; *** Resume on Ext",
                                          "; *** G-code Prefix ***",
                                          "; *** Main G-code ***",
                                          "; *** G-code Postfix ***",
                                          "; *** Printer Settings ***",
                                          "; *** Material Settings for Extruder 1 ***",
                                          "; *** Material Settings for Extruder 2 ***",
                                          "; *** Style Settings ***",
                                          "; *** Support Settings ***",
                                          "; *** Actual Slicing Settings As Used ***",
                                          "; *** Cooling Extruder 1 to 154 C ***",
                                          "; *** Warming Extruder 2 to 200 C ***",
                                          "; *** Cooling...speed multiplier is 0.504958 ***",
                                          "; *** Slowing to match Min Layer Time (speed multiplier is 0.9) ***",
                                          "; *** Resume on Ext 2 ***",
                                          "; *** G-code Prefix",
                                          "; *** Main G-code",
                                          "; *** Actual Slicing Settings As Used",
                                          "; ***",
                                          "; *** Estimate 2.4 [s], Slowing (0.183x) to 10.0 [s] ***"};

// One line of the kinds Kisslicer writes, or a recognizer's own sample.
std::string kisslicerLine(std::mt19937& rng)
{
    switch (below(rng, 12)) {
    case 0:
    case 1: {
        std::string line = "G1";
        for (const char letter : {'X', 'Y', 'Z', 'E', 'F'})
            if (below(rng, 2) == 0) line += std::string(" ") + letter + number(rng);
        if (below(rng, 5) == 0) line += anyOf(rng, std::array<const char*, 4>{" ; parking", " ;;", ";", "\t; x"});
        return line;
    }
    case 2: {
        static const std::array<const char*, 16> codes{"82",  "83",  "84",  "101", "103", "104", "106", "107",
                                                       "108", "109", "140", "190", "572", "8",   "820", "0"};
        std::string line = anyOf(rng, std::array<const char*, 4>{"", "", " ", "\t"});
        line += 'M';
        line += anyOf(rng, codes);
        if (below(rng, 2) == 0) line += " S" + std::to_string(below(rng, 256));
        if (below(rng, 4) == 0) line += " T" + std::to_string(below(rng, 4));
        if (below(rng, 4) == 0) line += anyOf(rng, std::array<const char*, 3>{" ; fan", "; set temp", " "});
        return line;
    }
    case 3:
        return anyOf(rng, std::array<const char*, 16>{"T0", "T1", "T2", "T3", "T9", "T10", "T-1", "T", "T ", "T 1",
                                                      "T-", "T+1", "T+", "TURN_OFF_HEATERS", "T1 ; tool", "T-12"});
    case 4: {
        std::string line = std::string("; '") + anyOf(rng, pathKinds) + "'";
        if (below(rng, 2) == 0) line += ", 4.2 [feed mm/s], 145.0 [head mm/s]";
        return line;
    }
    case 5:
        return std::string(below(rng, 2) ? "; BEGIN_LAYER_OBJECT z=" : "; END_LAYER_OBJECT z=") + number(rng) +
               " z_thickness=0.250";
    case 6:
        return anyOf(rng, headers);
    case 7:
        return std::string("; ") +
               anyOf(rng, std::array<const char*, 6>{"layer_thickness_mm", "Sparse Speed", "num_extruders", "bed_C",
                                                     "g_code_prefix", "post_process"}) +
               " = " + anyOf(rng, std::array<const char*, 6>{"0.25", "60", "-0", "1e+20", "4D3230", "NULL"});
    case 8:
        return anyOf(rng, std::array<const char*, 18>{";", ";\t", "", " ", "; ^   6C75612E", "G28", "G90", "G92 E0",
                                                      "G10", "G11", "G0 X1", "; 'Perimeter Path', 4.2 [feed mm/s]",
                                                      "G91", " G91 ; hop", "G91.1", "G901", "G9", "\tG90"});
    default:
        return recognizers[below(rng, recognizers.size())].sample;
    }
}

// Small damage of the kinds that make recognizers disagree: cut ends, odd
// bytes, inserted white space and digits, changed case.
std::string mutated(std::string line, std::mt19937& rng)
{
    static const std::string inserts = " \t\r0123456789'()-+.;MTG";
    const std::size_t steps = 1 + below(rng, 3);
    for (std::size_t step = 0; step < steps; ++step) {
        const std::size_t at = below(rng, line.size() + 1);
        switch (below(rng, 9)) {
        case 0:
            line.resize(at);
            break;
        case 1:
            if (!line.empty()) line[at % line.size()] = static_cast<char>(below(rng, 256));
            break;
        case 2:
            line.insert(at, 1, inserts[below(rng, inserts.size())]);
            break;
        case 3:
            for (char& c : line)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            break;
        case 4:
            if (!line.empty()) {
                char& c = line[at % line.size()];
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
                else if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
            }
            break;
        case 5:
            if (at < line.size()) line.erase(at, 1);
            break;
        case 6:
            if (at < line.size()) line.insert(at, 1, line[at]);
            break;
        case 7:
            line.insert(line.begin(), below(rng, 2) ? ' ' : '\t');
            break;
        default:
            line += anyOf(rng, std::array<const char*, 6>{"", " ", "\t", "x", "0", "'"});
            break;
        }
    }
    return line;
}

struct Tally {
    std::size_t lines = 0;
    std::size_t disagreements = 0;
    std::vector<std::size_t> accepted = std::vector<std::size_t>(recognizers.size());
};

void compareAll(const std::string& line, Tally& tally)
{
    ++tally.lines;
    for (std::size_t r = 0; r < recognizers.size(); ++r) {
        const bool byRegex = std::regex_search(line, definitions()[r]);
        const bool byMatcher = matches(*recognizers[r].recognizer, line);
        tally.accepted[r] += byRegex;
        if (byRegex != byMatcher && ++tally.disagreements <= 10)
            ADD_FAILURE() << recognizers[r].name << " on " << shown(line) << ": the matcher says " << byMatcher
                          << ", its pattern " << recognizers[r].recognizer->pattern << " says " << byRegex;
    }
}

TEST(Recognizers, EveryMatcherAgreesWithItsPatternOnGeneratedAndMutatedLines)
{
    std::mt19937 rng(20240611);
    Tally tally;
    for (int i = 0; i < generatedLines; ++i) {
        const std::string line = kisslicerLine(rng);
        compareAll(line, tally);
        compareAll(mutated(line, rng), tally);
        compareAll(mutated(line, rng), tally);
        // Every recognizer's own sample in turn, however many there are.
        if (i % 4 == 0) {
            const std::string sample = recognizers[static_cast<std::size_t>(i / 4) % recognizers.size()].sample;
            compareAll(sample, tally);
            compareAll(mutated(sample, rng), tally);
        }
    }
    EXPECT_EQ(tally.disagreements, 0u) << "a hand-written matcher must accept exactly the lines its pattern does";
    for (std::size_t r = 0; r < recognizers.size(); ++r) {
        EXPECT_GT(tally.accepted[r], 10u) << recognizers[r].name << ": the corpus must reach lines it accepts";
        EXPECT_LT(tally.accepted[r], tally.lines - 10) << recognizers[r].name << ": and lines it refuses";
    }
}

TEST(Recognizers, EveryMatcherAgreesWithItsPatternOnRealKisslicerLines)
{
    const std::vector<std::string> files = realGcodeFiles();
    if (files.empty()) GTEST_SKIP() << "the real Kisslicer files are not here";
    // Distinct lines only; the G1 moves differ only in numbers, so a few suffice.
    std::set<std::string> distinct;
    std::size_t moves = 0;
    for (const std::string& file : files) {
        const std::string text = readFile(file);
        std::size_t begin = 0;
        while (begin < text.size() && distinct.size() < realLines) {
            std::size_t end = text.find('\n', begin);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(begin, end - begin);
            begin = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() > 200) continue;
            if (line.starts_with("G1 ") && ++moves > 300) continue;
            distinct.insert(line);
        }
    }
    Tally tally;
    for (const std::string& line : distinct)
        compareAll(line, tally);
    EXPECT_EQ(tally.disagreements, 0u) << "a hand-written matcher must accept exactly the lines its pattern does";
}

// The literal recognizers are their pattern with the escapes removed.
TEST(Recognizers, EveryLiteralPrefixIsItsPatternUnescaped)
{
    for (const Row& row : recognizers) {
        const Recognizer& recognizer = *row.recognizer;
        if (recognizer.scan) continue;
        ASSERT_TRUE(recognizer.pattern.starts_with("^")) << row.name;
        std::string literal;
        for (std::size_t i = 1; i < recognizer.pattern.size(); ++i) {
            if (recognizer.pattern[i] == '\\') ++i;
            literal += recognizer.pattern[i];
        }
        EXPECT_EQ(recognizer.prefix, literal) << row.name << ": the prefix must be the pattern's literal text";
    }
}

// A recognizer added to the header needs a row here, or it goes unchecked.
TEST(Recognizers, TheDifferentialCoversEveryRecognizerOfTheHeader)
{
    const std::string header = readFile(VORLANE_TEST_DATA "/../../src/gcode/recognizers.hpp");
    ASSERT_FALSE(header.empty());
    std::size_t declared = 0;
    for (std::size_t at = header.find("constexpr Recognizer pattern_"); at != std::string::npos;
         at = header.find("constexpr Recognizer pattern_", at + 1))
        ++declared;
    EXPECT_EQ(declared, recognizers.size()) << "every Recognizer constant must be in the differential table";
}

struct Boundary {
    const Recognizer* recognizer;
    const char* name;
    std::string line;
    bool accepted;
    const char* rule;
};

std::vector<Boundary> boundaries()
{
    const char* const g1 = "moves are \"G1\" and one more non-digit character";
    const char* const mCode = "an M-code needs a character after its number";
    const char* const mToEnd = "an M-code whose number may end the line";
    const char* const mode = "only M82 and M83 set the extrusion mode";
    const char* const positioning = "only G90 and G91, not followed by a digit or a point, set the positioning";
    const char* const paths = "a path-kind comment: letters, spaces, parentheses, then \" Path'\"";
    const char* const comment = "a bare comment line is exactly \";\"";
    const char* const tool = "a tool change is \"T\" and a number, with an optional minus";
    const char* const literal = "literal text at the start of the line, case and spacing exact";
    std::vector<Boundary> rows{
        {&pattern_G1, "pattern_G1", "G1 X10 Y20 E0.5 F1800", true, g1},
        {&pattern_G1, "pattern_G1", "G1 ", true, g1},
        {&pattern_G1, "pattern_G1", "G1\t", true, g1},
        {&pattern_G1, "pattern_G1", "G1;", true, g1},
        {&pattern_G1, "pattern_G1", "G1X5", true, g1},
        {&pattern_G1, "pattern_G1", "G1\r", true, g1},
        {&pattern_G1, "pattern_G1", "G1", false, "a line that is exactly \"G1\" has no character after it"},
        {&pattern_G1, "pattern_G1", "G10", false, "G10 is another command"},
        {&pattern_G1, "pattern_G1", "G11 X1", false, g1},
        {&pattern_G1, "pattern_G1", "G1 X", true, g1},
        {&pattern_G1, "pattern_G1", "g1 X1", false, "moves are case-sensitive"},
        {&pattern_G1, "pattern_G1", " G1 X1", false, "\"G1\" must start the line"},
        {&pattern_G1, "pattern_G1", "G0 X1", false, "G0 is not followed"},
        {&pattern_G1, "pattern_G1", "G01 X1", false, g1},
        {&pattern_G1, "pattern_G1", "", false, g1},
        {&pattern_G1, "pattern_G1", "; G1 X1", false, g1},

        {&pattern_MCode, "pattern_MCode", "M106 S1", true, mCode},
        {&pattern_MCode, "pattern_MCode", " M106 S1", true, "white space may precede the M-code"},
        {&pattern_MCode, "pattern_MCode", "\tM140 S60", true, mCode},
        {&pattern_MCode, "pattern_MCode", "M104 S210 ; set temp", true, mCode},
        {&pattern_MCode, "pattern_MCode", "M107 ", true, mCode},
        {&pattern_MCode, "pattern_MCode", "M1x", true, mCode},
        {&pattern_MCode, "pattern_MCode", "M106", false, "an M number that ends the line is refused"},
        {&pattern_MCode, "pattern_MCode", " M106", false, "an M number that ends the line is refused"},
        {&pattern_MCode, "pattern_MCode", "M", false, mCode},
        {&pattern_MCode, "pattern_MCode", "M S1", false, "the M needs a number"},
        {&pattern_MCode, "pattern_MCode", "m106 S1", false, "M-codes are case-sensitive"},
        {&pattern_MCode, "pattern_MCode", "M-1 ", false, mCode},
        {&pattern_MCode, "pattern_MCode", "; M106 S1", false, mCode},
        {&pattern_MCode, "pattern_MCode", "G1 M106 ", false, mCode},
        {&pattern_MCode, "pattern_MCode", "", false, mCode},

        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", "M106", true, "a bare M106 (full fan) counts"},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", " M106", true, mToEnd},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", "M107", true, mToEnd},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", " M106 S1", true, mToEnd},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", "M82", true, mToEnd},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", "M", false, "the M needs a number"},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", "M ", false, "the M needs a number"},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", "m106", false, "M-codes are case-sensitive"},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", "M-1", false, mToEnd},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", "T0 M106", false, mToEnd},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", " ", false, mToEnd},
        {&pattern_MCodeToEnd, "pattern_MCodeToEnd", "", false, mToEnd},

        {&pattern_PositioningMode, "pattern_PositioningMode", "G91", true, positioning},
        {&pattern_PositioningMode, "pattern_PositioningMode", " G90 ; absolute", true, positioning},
        {&pattern_PositioningMode, "pattern_PositioningMode", "G91.1", false, positioning},
        {&pattern_PositioningMode, "pattern_PositioningMode", "G910", false, positioning},
        {&pattern_PositioningMode, "pattern_PositioningMode", "G92 E0", false, positioning},
        {&pattern_PositioningMode, "pattern_PositioningMode", "g91", false, positioning},
        {&pattern_SetPosition, "pattern_SetPosition", " G92 E0", true, "G92 sets positions"},
        {&pattern_SetPosition, "pattern_SetPosition", "G92", true, "a bare G92 sets every axis to 0"},
        {&pattern_SetPosition, "pattern_SetPosition", "G92.1", false, "G92.1 is another command"},
        {&pattern_SetPosition, "pattern_SetPosition", "G920", false, "G920 is another code"},
        {&pattern_G0G1, "pattern_G0G1", "G0 X1", true, "G0 moves as G1 does"},
        {&pattern_G0G1, "pattern_G0G1", "G01 X1", false, "G01 is no move here"},
        {&pattern_Arc, "pattern_Arc", "G3 I1 J0", true, "G3 is an arc"},
        {&pattern_Arc, "pattern_Arc", "G28", false, "G28 is another command"},
        {&pattern_NumberedLayer, "pattern_NumberedLayer", ";LAYER:-3 ", true, "a raft layer below 0"},
        {&pattern_NumberedLayer, "pattern_NumberedLayer", ";LAYER_COUNT:98", false, "the layer count is no layer"},
        {&pattern_NumberedLayer, "pattern_NumberedLayer", ";LAYER:2 x", false, "a whole line"},
        {&pattern_LayerChange, "pattern_LayerChange", ";LAYER_CHANGE \t", true, "trailing blanks are allowed"},
        {&pattern_LayerChange, "pattern_LayerChange", ";LAYER_CHANGED", false, "a whole line"},
        {&pattern_ChangeLayer, "pattern_ChangeLayer", ";CHANGE_LAYER", false, "Bambu Studio's form has a space"},
        {&pattern_S3dLayer, "pattern_S3dLayer", "; layer 1, Z = 0.200", true, "Simplify3D's marker names its height"},
        {&pattern_S3dLayer, "pattern_S3dLayer", "; layer end", false, "the end of the printing is no layer"},
        {&pattern_S3dLayer, "pattern_S3dLayer", "; layer 3 Z = 0.6", false, "the comma is the marker's"},
        {&pattern_S3dLayerEnd, "pattern_S3dLayerEnd", "; layer end \r", true, "trailing blanks are allowed"},
        {&pattern_S3dLayerEnd, "pattern_S3dLayerEnd", "; layer ended", false, "a whole line"},
        {&pattern_ToolNumber, "pattern_ToolNumber", "T1000", true, "a number, whatever its size"},
        {&pattern_ToolNumber, "pattern_ToolNumber", "T_1", false, "a macro is no tool number"},
        {&pattern_MaterialChangeStart, "pattern_MaterialChangeStart", "M620 S255", false, "no A: opens no block"},
        {&pattern_MaterialChangeStart, "pattern_MaterialChangeStart", "M620 M", false, "opens no block"},
        {&pattern_MaterialChangeStart, "pattern_MaterialChangeStart", "M620.1 E F523", false, "opens no block"},
        {&pattern_MaterialChangeEnd, "pattern_MaterialChangeEnd", "M621 S0A", true, "closes the block"},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M82", true, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M83", true, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", " M83", true, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M83 ; relative E", true, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "\tM82 E", true, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M82\r", true, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M8", false, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M820", false, "M820 is another code"},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M831 S1", false, "M831 is another code"},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M84", false, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M81", false, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M082", false, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "m83", false, "M-codes are case-sensitive"},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "M 83", false, mode},
        {&pattern_ExtrusionMode, "pattern_ExtrusionMode", "G1 M83", false, mode},

        {&pattern_AllPaths, "pattern_AllPaths", "; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]", true, paths},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Support (may Stack) Path'", true, paths},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Support Interface Path'", true, paths},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Loop Path'", true, paths},
        {&pattern_AllPaths, "pattern_AllPaths", "; ' Path'", true, "the kind's name may be empty"},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Path Path'", true, paths},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'A Path' Path'", true, paths},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Perimeter Path'x", true, paths},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Destring/Wipe/Jump Path'", false,
         "a slash is not a path-kind character"},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Travel/Ironing Path'", false,
         "a slash is not a path-kind character"},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Wipe (and De-string) Path'", false,
         "a hyphen is not a path-kind character"},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Perimeter'", false, "the old comment form has no \" Path\""},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Support Interface', 1.0 [feed mm/s]", false,
         "the old comment form has no \" Path\""},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Path'", false, "\" Path\" needs its space"},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Perimeter Path", false, "the closing apostrophe is needed"},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Perimeter Path '", false, paths},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Perimeter Paths'", false, paths},
        {&pattern_AllPaths, "pattern_AllPaths", ";'Perimeter Path'", false, literal},
        {&pattern_AllPaths, "pattern_AllPaths", ";  'Perimeter Path'", false, literal},
        {&pattern_AllPaths, "pattern_AllPaths", " ; 'Perimeter Path'", false, literal},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'perimeter path'", false, "\" Path\" is case-sensitive"},
        {&pattern_AllPaths, "pattern_AllPaths", "; 'Perimeter 2 Path'", false, "a digit is not a path-kind character"},

        {&pattern_Perimeter, "pattern_Perimeter", "; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]", true,
         literal},
        {&pattern_Perimeter, "pattern_Perimeter", "; 'Perimeter'", false, "the old form has no \" Path\""},
        {&pattern_Solid, "pattern_Solid", "; 'Solid Path', 4.2 [feed mm/s]", true, literal},
        {&pattern_Solid, "pattern_Solid", "; 'Solid'", false, literal},
        {&pattern_PrimePillar, "pattern_PrimePillar", "; 'Prime Pillar Path'", true, literal},
        {&pattern_PrimePillar, "pattern_PrimePillar", "; 'Prime Pillar'", false, literal},
        {&pattern_StackedInfill, "pattern_StackedInfill", "; 'Stacked Sparse Infill Path', 2 [feed mm/s]", true,
         literal},
        {&pattern_StackedInfill, "pattern_StackedInfill", "; 'Stacked Sparse Infill'", false,
         "the old form has no \" Path\""},
        {&pattern_TopInfill, "pattern_TopInfill", "; 'Sparse Infill Path'", true, literal},
        {&pattern_TopInfill, "pattern_TopInfill", "; 'Stacked Sparse Infill Path'", false,
         "stacked infill is not top infill"},
        {&pattern_TopInfill, "pattern_TopInfill", "; 'Sparse Infill'", false, literal},
        {&pattern_SupportInterface, "pattern_SupportInterface", "; 'Support Interface Path'", true, literal},
        {&pattern_SupportInterface, "pattern_SupportInterface", "; 'Support Interface', 1.0 [feed mm/s]", true,
         "the old form without \" Path\" is support interface too"},
        {&pattern_SupportInterface, "pattern_SupportInterface", "; 'Support (may Stack) Path'", false, literal},
        {&pattern_SupportMain, "pattern_SupportMain", "; 'Support (may Stack) Path'", true, literal},
        {&pattern_SupportMain, "pattern_SupportMain", "; 'Support (may Stack)'", true, literal},
        {&pattern_SupportMain, "pattern_SupportMain", "; 'Support Interface Path'", false, literal},
        {&pattern_SupportMain, "pattern_SupportMain", "; 'Support (May Stack) Path'", false, literal},
        {&pattern_SupportAny, "pattern_SupportAny", "; 'Support Interface Path'", true, literal},
        {&pattern_SupportAny, "pattern_SupportAny", "; 'Support (may Stack) Path'", true, literal},
        {&pattern_SupportAny, "pattern_SupportAny", "; 'Support'", true, literal},
        {&pattern_SupportAny, "pattern_SupportAny", "; 'support Interface Path'", false, literal},
        {&pattern_SupportAny, "pattern_SupportAny", "; 'Suppor", false, literal},
        {&pattern_SupportAny, "pattern_SupportAny", "; *** Support Settings ***", false, literal},

        {&pattern_CommentLine, "pattern_CommentLine", ";", true, comment},
        {&pattern_CommentLine, "pattern_CommentLine", ";\t", false, "the footer's \";\\t\" lines are not bare"},
        {&pattern_CommentLine, "pattern_CommentLine", "; ", false, comment},
        {&pattern_CommentLine, "pattern_CommentLine", " ;", false, comment},
        {&pattern_CommentLine, "pattern_CommentLine", ";;", false, comment},
        {&pattern_CommentLine, "pattern_CommentLine", ";\r", false, comment},
        {&pattern_CommentLine, "pattern_CommentLine", "", false, comment},

        {&pattern_Layer_Begin, "pattern_Layer_Begin", "; BEGIN_LAYER_OBJECT z=0.250 z_thickness=0.250", true, literal},
        {&pattern_Layer_Begin, "pattern_Layer_Begin", "; END_LAYER_OBJECT z=0.250", false, literal},
        {&pattern_Layer_Begin, "pattern_Layer_Begin", ";BEGIN_LAYER_OBJECT z=0.250", false, literal},
        {&pattern_Layer_Begin, "pattern_Layer_Begin", "; BEGIN_LAYER_OBJEC", false, literal},
        {&pattern_Layer_Begin, "pattern_Layer_Begin", "; begin_layer_object z=1", false, literal},

        {&pattern_ToolChange, "pattern_ToolChange", "T0", true, tool},
        {&pattern_ToolChange, "pattern_ToolChange", "T9", true, tool},
        {&pattern_ToolChange, "pattern_ToolChange", "T10", true, tool},
        {&pattern_ToolChange, "pattern_ToolChange", "T-1", true, "a negative tool is still a tool change"},
        {&pattern_ToolChange, "pattern_ToolChange", "T1 ; select", true, tool},
        {&pattern_ToolChange, "pattern_ToolChange", "T1X", true, tool},
        {&pattern_ToolChange, "pattern_ToolChange", "T", false, "a bare T has no tool"},
        {&pattern_ToolChange, "pattern_ToolChange", "T ", false, tool},
        {&pattern_ToolChange, "pattern_ToolChange", "T 1", false, "the number must follow the T at once"},
        {&pattern_ToolChange, "pattern_ToolChange", "T-", false, "a minus alone is no number"},
        {&pattern_ToolChange, "pattern_ToolChange", "T--1", false, tool},
        {&pattern_ToolChange, "pattern_ToolChange", "T+1", false, tool},
        {&pattern_ToolChange, "pattern_ToolChange", "TURN_OFF_HEATERS", false,
         "macro names of an end code are not tool changes"},
        {&pattern_ToolChange, "pattern_ToolChange", "t1", false, "tool changes are case-sensitive"},
        {&pattern_ToolChange, "pattern_ToolChange", " T1", false, "T must start the line"},
        {&pattern_ToolChange, "pattern_ToolChange", "M104 S205 T0", false, "T must start the line"},
        {&pattern_ToolChange, "pattern_ToolChange", "", false, tool},
    };
    // The literal recognizers: their text starts a line (with anything after
    // it), and no shorter, lower-case, indented or unspaced variant does.
    for (const Row& row : recognizers) {
        if (row.recognizer->scan) continue;
        const std::string text = row.sample;
        std::string lower = text;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        rows.push_back({row.recognizer, row.name, text, true, literal});
        rows.push_back({row.recognizer, row.name, text + " ***", true, literal});
        rows.push_back({row.recognizer, row.name, text + "\t", true, literal});
        rows.push_back({row.recognizer, row.name, text.substr(0, text.size() - 1), false, literal});
        rows.push_back({row.recognizer, row.name, lower, false, literal});
        rows.push_back({row.recognizer, row.name, std::string(" ") + text, false, literal});
        rows.push_back({row.recognizer, row.name, std::string(";") + text.substr(2), false, literal});
        rows.push_back({row.recognizer, row.name, std::string("G1 X1 ") + text, false, literal});
    }
    return rows;
}

TEST(Recognizers, BoundaryTableOfWhatEachAcceptsAndRefuses)
{
    for (const Boundary& row : boundaries()) {
        EXPECT_EQ(matches(*row.recognizer, row.line), row.accepted)
            << row.name << " on " << shown(row.line) << ": " << row.rule;
        const std::regex definition(std::string(row.recognizer->pattern), std::regex::ECMAScript);
        EXPECT_EQ(std::regex_search(row.line, definition), row.accepted)
            << row.name << " on " << shown(row.line) << ": the table row contradicts the pattern itself";
    }
}

// --- Settings lines --------------------------------------------------------

struct KissRow {
    std::string line;
    bool accepted;
    std::string name;
    std::string value;
    const char* rule;
};

TEST(KissParameter, BoundaryTableOfSettingsLines)
{
    const char* const form = "a settings line is \"; \", a name, \" = \", a number and only white space after";
    const std::vector<KissRow> rows{
        {"; layer_thickness_mm = 0.25", true, "layer_thickness_mm", "0.25", form},
        {"; Sparse Speed = 74.78", true, "Sparse Speed", "74.78", "names may hold spaces"},
        {"; name  = 60", true, "name ", "60", "a second space before \"=\" stays in the name"},
        {";   = 5", true, " ", "5", "a name may be one space"},
        {"; x = 6e1", true, "x", "6e1", form},
        {"; x = 1E5", true, "x", "1E5", form},
        {"; x = -0", true, "x", "-0", form},
        {"; x = +5", true, "x", "+5", form},
        {"; cost = 1e+20", true, "cost", "1e+20", "exponents with a plus sign are numbers"},
        {"; x = 1.2.3", true, "x", "1.2.3", "the form takes any run of number characters; reading it is later"},
        {"; x = -", true, "x", "-", form},
        {"; x = 60  \t", true, "x", "60", "trailing white space is allowed"},
        {"; x = 60\r", true, "x", "60", "a CR is white space"},
        {"; num_extruders = 2", true, "num_extruders", "2", form},
        {"; x = .6", false, "", "", "a number starts with a digit or a sign"},
        {"; x = 1e-5", false, "", "", "a minus sign inside the number is not a number character"},
        {"; x = 5-", false, "", "", "a minus sign inside the number is not a number character"},
        {"; x = 60 ; note", false, "", "", "a trailing comment is not white space"},
        {"; x = 60;", false, "", "", form},
        {"; x = 60 x", false, "", "", form},
        {"; bed_STL_filename = ", false, "", "", "an empty value is no number"},
        {"; post_process = NULL", false, "", "", "text values are not settings numbers"},
        {"; g_code_prefix = 4D323036", false, "", "", "hex text is not a number"},
        {"; x=60", false, "", "", "\" = \" needs both spaces"},
        {"; x =60", false, "", "", "\" = \" needs both spaces"},
        {"; x= 60", false, "", "", "\" = \" needs both spaces"},
        {"; x =\t60", false, "", "", "\" = \" needs spaces, not tabs"},
        {";x = 60", false, "", "", "\"; \" starts the line"},
        {" ; x = 60", false, "", "", "\"; \" starts the line"},
        {"; = 60", false, "", "", "the name is not empty"},
        {";  = 60", false, "", "", "the name is not empty"},
        {"; 2x = 60", false, "", "", "digits are not name characters"},
        {"; a-b = 1", false, "", "", "hyphens are not name characters"},
        {"; x = 0x10", false, "", "", "hex numbers are not settings numbers"},
    };
    for (const KissRow& row : rows) {
        KissParameter groups;
        const bool accepted = matchKissParameter(row.line, groups);
        EXPECT_EQ(accepted, row.accepted) << shown(row.line) << ": " << row.rule;
        if (accepted && row.accepted) {
            EXPECT_EQ(groups.name, row.name) << shown(row.line) << ": the name group";
            EXPECT_EQ(groups.value, row.value) << shown(row.line) << ": the number group";
        }
        std::smatch match;
        EXPECT_EQ(std::regex_search(row.line, match, kissDefinition()), row.accepted)
            << shown(row.line) << ": the table row contradicts the pattern itself";
        if (row.accepted && !match.empty()) {
            EXPECT_EQ(match[1].str(), row.name) << shown(row.line) << ": the table row contradicts the pattern";
            EXPECT_EQ(match[2].str(), row.value) << shown(row.line) << ": the table row contradicts the pattern";
        }
    }
}

std::string settingsLine(std::mt19937& rng)
{
    static const std::array<const char*, 10> names{
        "layer_thickness_mm", "Sparse Speed", "num_extruders", "bed_C", "ext_gain", "Name With  Spaces", "_", "a",
        " leading",           "trailing "};
    static const std::array<const char*, 26> values{
        "60",   "6e1", ".6",     "-0", "1e+20", "1e-5", "1.2.3", "-",    "+",   "0.25", "255", "-12.5", "1E5",
        "NULL", "",    "4D3230", "1e", "e5",    "+-1",  "--1",   "0x10", "1,5", "+5",   "0",   "007",   "5."};
    static const std::array<const char*, 12> separators{" = ", " = ",  " = ",  "  = ", "   = ", "= ",
                                                        " =",  " =  ", "\t= ", " =\t", " == ",  "="};
    static const std::array<const char*, 13> tails{"",   "",           "",  " ",  "  ",   "\t", " \t ",
                                                   "\r", " ; comment", ";", " x", "\v\f", "\n"};
    static const std::string nameChars = "abcXYZ_ _ ";
    static const std::string oddNameChars = "0-=.;'\t";
    static const std::string valueChars = "0123456789.+-eE";

    std::string line = below(rng, 12) == 0 ? anyOf(rng, std::array<const char*, 4>{";", ";  ", " ; ", "# "}) : "; ";
    if (below(rng, 2) == 0) {
        line += anyOf(rng, names);
    } else {
        const std::size_t length = 1 + below(rng, 12);
        for (std::size_t i = 0; i < length; ++i)
            line += below(rng, 15) == 0 ? oddNameChars[below(rng, oddNameChars.size())]
                                        : nameChars[below(rng, nameChars.size())];
    }
    line += below(rng, 2) == 0 ? " = " : anyOf(rng, separators);
    if (below(rng, 2) == 0) {
        line += anyOf(rng, values);
    } else {
        const std::size_t length = 1 + below(rng, 8);
        for (std::size_t i = 0; i < length; ++i)
            line += below(rng, 20) == 0 ? 'x' : valueChars[below(rng, valueChars.size())];
    }
    if (below(rng, 2) == 0) line += anyOf(rng, tails);
    return line;
}

TEST(KissParameter, MatcherAgreesWithItsPatternOnGeneratedSettingsLines)
{
    std::mt19937 rng(77031);
    std::size_t lines = 0, accepted = 0, disagreements = 0;
    const auto compare = [&](const std::string& line) {
        ++lines;
        std::smatch match;
        const bool byRegex = std::regex_search(line, match, kissDefinition());
        KissParameter groups;
        const bool byMatcher = matchKissParameter(line, groups);
        accepted += byRegex;
        bool same = byRegex == byMatcher;
        if (same && byRegex) same = groups.name == match[1].str() && groups.value == match[2].str();
        if (!same && ++disagreements <= 10) {
            ADD_FAILURE() << "on " << shown(line) << ": the matcher says " << byMatcher << " name "
                          << shown(byMatcher ? groups.name : "") << " value " << shown(byMatcher ? groups.value : "")
                          << ", the pattern says " << byRegex << " name " << shown(byRegex ? match[1].str() : "")
                          << " value " << shown(byRegex ? match[2].str() : "");
        }
    };
    for (int i = 0; i < 10000; ++i) {
        const std::string line = settingsLine(rng);
        compare(line);
        compare(mutated(line, rng));
    }
    EXPECT_EQ(disagreements, 0u) << "matchKissParameter must match, and group, exactly as its pattern";
    EXPECT_GT(accepted, lines / 10) << "the corpus must reach accepted settings lines";
    EXPECT_LT(accepted, lines - lines / 10) << "and refused ones";
}

} // namespace
} // namespace vorlane::test
