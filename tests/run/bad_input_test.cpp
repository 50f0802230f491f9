// Every kind of bad input a user can hand the program, each through the real
// executable with an empty standard input (a wait for Enter returns at once):
// the message, the exit status, and the input file afterwards. A refused file
// is left byte for byte as it was; an accepted one is processed as usual.
#include "support.hpp"

#include "run/platform.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <ostream>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace vorlane::test {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

enum class Given {
    File,           // a file holding `input`
    Directory,      // a folder where the file should be
    MissingFile,    // a name with nothing behind it
    UnreadableFile, // a file holding `input` that the user may not read
    EmptyName,      // "" as the file name, run in the test's folder
};

struct BadInput {
    std::string name; // the test's name
    Given given;
    std::string input; // the file's bytes
    int status;        // exit status; -1 is 255
    // Standard output after the banner and standard error; "{file}" stands
    // for the input's absolute name.
    std::string out;
    std::string err;
    // Status 0: the result between the header line and the two timing lines.
    std::string processed;
    std::string rule;
};

// Test names in failure reports, not the rows' bytes.
void PrintTo(const BadInput& row, std::ostream* os) { *os << row.name; }

const std::string banner = "Vorlane v0024\n";
const std::string success = "\nSuccess\n";
const std::string mainChapter = "; *** Main G-code";
const std::string restore = " ; restore the fan in case tool change messed it up";

// Standard error of a run that an unreadable line ended.
std::string refusedLine(int lineNo, const std::string& problem, const std::string& line)
{
    return "line " + std::to_string(lineNo) + ": " + problem + "\n    " + line + "\n'{file}' is left as it was.\n";
}

std::string badNumber(char letter, const std::string& number)
{
    return "the "s + letter + " word's number \"" + number + "\" is not a number that fits a 32-bit float";
}

std::string badTool(const std::string& number)
{
    return "the tool number " + number + " does not fit a 32-bit integer";
}

std::string openFailure(const std::string& error)
{
    return "Could not open file '{file}' due to error: " + error + "\nHit <ENTER> to close\n";
}

std::string settingIgnored(const std::string& name, const std::string& value)
{
    return "Could not parse setting '" + name + "' due to error in: " + value + " - ignoring setting\n";
}

// After an unreadable setting the run waits once, at its end.
const std::string waitAtTheEnd = "Hit <ENTER> to close\n";

// A file whose only fault is one line: copied lines before it, then the line.
BadInput refusedRow(std::string name, std::vector<std::string> before, const std::string& line,
                    const std::string& problem, std::string rule, std::string out = {})
{
    std::string input;
    for (const std::string& text : before)
        input += text + "\n";
    input += line + "\n";
    const int lineNo = static_cast<int>(before.size()) + 1;
    return {std::move(name), Given::File, input, 1, std::move(out), refusedLine(lineNo, problem, line), {},
            std::move(rule)};
}

BadInput acceptedRow(std::string name, std::string input, std::string processed, std::string rule, std::string out = {})
{
    return {std::move(name),
            Given::File,
            std::move(input),
            0,
            std::move(out) + std::string(SUMMARY_MARK) + "\n" + success,
            {},
            std::move(processed),
            std::move(rule)};
}

// Two materials with bed temperatures: the prefix's M codes are then read.
const std::vector<std::string> twoMaterials = {"; *** Material Settings for Extruder 1", "; bed_C = 60",
                                               "; *** Material Settings for Extruder 2", "; bed_C = 70",
                                               "; *** G-code Prefix"};

// 2^128 - 2^103 lies halfway between the largest float and 2^128; a tie
// rounds to the even neighbour, 2^128, which is out of range. One less rounds
// down to the largest float.
const std::string halfwayPastLargestFloat = "340282356779733661637539395458142568448";
const std::string justBelowHalfway = "340282356779733661637539395458142568447";

std::vector<BadInput> catalogue()
{
    std::vector<BadInput> rows;

    // Malformed numbers in the words the program reads.
    rows.push_back(refusedRow("XWithTwoPoints", {}, "G1 X1.2.3 Y5", badNumber('X', "1.2."),
                              "a number takes digits, a point, digits and one more point: 1.2. does not convert"));
    rows.push_back(refusedRow("YWithTwoPoints", {mainChapter}, "G1 X1 Y.5.5.", badNumber('Y', ".5."),
                              "a Y word read as .5. does not convert"));
    rows.push_back(refusedRow("ZWithTrailingPointAfterFraction", {mainChapter}, "G1 Z0.3.", badNumber('Z', "0.3."),
                              "0.3. has two points"));
    rows.push_back(refusedRow("EWithTwoPoints", {mainChapter, "G1 X0 Y1"}, "G1 X1 Y1 E1.2.3", badNumber('E', "1.2."),
                              "a malformed E amount ends the run"));
    rows.push_back(refusedRow("FWithTwoPoints", {mainChapter}, "G1 F7200.0.1", badNumber('F', "7200.0."),
                              "a malformed feed rate ends the run"));
    rows.push_back(refusedRow("LowerCaseLetterIsStillAWord", {mainChapter}, "G1 x1.2.3", badNumber('x', "1.2."),
                              "words are read without regard to case; the message shows the letter as written"));
    rows.push_back(refusedRow("GWordOfTheCommandItself", {mainChapter}, "G1.2.3 X1", badNumber('G', "1.2."),
                              "G1 followed by a point is a move line, and its own G word must convert"));
    rows.push_back(refusedRow("OtherWordLetter", {mainChapter}, "G1 X1 Y1 N1.2.3", badNumber('N', "1.2."),
                              "every word letter is read, not only the ones the program uses"));
    rows.push_back(refusedRow("NumberTooLargeForAFloat", {mainChapter}, "G1 X1" + std::string(40, '0') + " Y1",
                              badNumber('X', "1" + std::string(39, '0') + "..."),
                              "1e40 is beyond the largest float; a number of over 40 characters is shown cut"));
    rows.push_back(refusedRow("NumberThatRoundsToInfinity", {mainChapter}, "G1 X" + halfwayPastLargestFloat,
                              badNumber('X', halfwayPastLargestFloat),
                              "correct rounding: the tie between the largest float and 2^128 goes to 2^128"));
    rows.push_back(acceptedRow("NumberThatRoundsToTheLargestFloat", lines({mainChapter, "G1 X" + justBelowHalfway}),
                               lines({mainChapter, "G1 X" + justBelowHalfway}),
                               "correct rounding: just below the tie is the largest float, which fits"));
    rows.push_back(refusedRow("FanSpeedWithTwoPoints", {mainChapter}, "M106 S255.0.0", badNumber('S', "255.0."),
                              "the words of an M code in the printing chapter are read"));
    rows.push_back(refusedRow("BedTemperatureM140WithTwoPoints", twoMaterials, "M140 S1.2.3", badNumber('S', "1.2."),
                              "with two materials an M code of the prefix is read for the bed temperature rule"));
    rows.push_back(refusedRow("BedTemperatureM190WithTwoPoints", twoMaterials, "M190 S60.5.", badNumber('S', "60.5."),
                              "M190 is read like M140"));
    {
        std::string input, processed;
        for (const std::string& line : twoMaterials)
            input += line + "\n";
        processed = input + "M190 S70 ; we use higher of the two materials' bed temps\n";
        rows.push_back(acceptedRow("BedTemperatureWithADoubledPoint", input + "M190 S60..\n", processed,
                                   "60.. reads as 60. and a stray point, so the hotter bed of 70 replaces it"));
    }
    rows.push_back(refusedRow("LongLineIsShownCut", {mainChapter}, "G1 X1.2.3 ;" + std::string(250, 'c'),
                              badNumber('X', "1.2."), "the message shows 200 characters of a long line and ..."));
    {
        BadInput& row = rows.back();
        row.err = refusedLine(2, badNumber('X', "1.2."), "G1 X1.2.3 ;" + std::string(189, 'c') + "...");
    }
    {
        // Enough lines before the fault that output has already gone to the disk.
        std::string input = mainChapter + "\n";
        for (int i = 0; i < 200000; ++i)
            input += "G1 X1 Y1\n";
        input += "G1 X1.2.3\n";
        rows.push_back({"FaultAfterAMegabyteOfOutput", Given::File, input, 1, "",
                        refusedLine(200002, badNumber('X', "1.2."), "G1 X1.2.3"), "",
                        "lines are counted across read chunks; a late fault still leaves the input"});
    }
    rows.push_back(acceptedRow(
        "LettersWithoutNumbersAndSignedGarbage",
        lines({mainChapter, "G1 Xabc", "G1 X", "G1 E--1 F2400", "G1 X1 Y1 ; E1.2.3", "G1 X2 Y2 A1.2.3",
               "G1 X1 Y1 F1..5"}),
        lines({mainChapter, "G1 Xabc", "G1 X", "G1 E--1 F2400", "G1 X1 Y1 ; E1.2.3", "G1 X2 Y2 A1.2.3",
               "G1 X1 Y1 F1..5"}),
        "a letter without digits, a doubled sign, a comment and a non-word letter hold no word; 1..5 reads 1."));
    rows.push_back(acceptedRow("ExponentIsALowerCaseWord", lines({mainChapter, "G1 X1e999"}),
                               lines({mainChapter, "G1 X1e999"}),
                               "1e999 is X1 and a lower-case e word of 999: no exponent, nothing too large"));
    rows.push_back(acceptedRow(
        "FanSpeedOutsideThePrintingChapterIsNotRead", lines({"; *** G-code Prefix", "M106 S1.2.3"}),
        lines({"; *** G-code Prefix", "M106 S1.2.3"}), "with one material no M code of the prefix is read"));

    // Tool numbers.
    rows.push_back(refusedRow("ToolAboveFifteenThenADraw", {mainChapter, "T16", "G1 X5 Y5"}, "G1 X10 Y5 E1",
                              "tool 16 is outside 0 to 15", "the per-tool tables have sixteen slots"));
    rows.push_back(refusedRow("NegativeToolThenADraw", {mainChapter, "T-1", "G1 X5 Y5"}, "G1 X10 Y5 E1",
                              "tool -1 is outside 0 to 15", "a draw with a negative tool is announced, then refused",
                              "line: 4 drawing with tool of -1\n"));
    rows.push_back(refusedRow("LargestToolThenADraw", {mainChapter, "T2147483647"}, "G1 X1 Y1 E1",
                              "tool 2147483647 is outside 0 to 15",
                              "the largest 32-bit tool number is read, then refused"));
    rows.push_back(refusedRow("SmallestToolThenADraw", {mainChapter, "T-2147483648"}, "G1 X1 Y1 E1",
                              "tool -2147483648 is outside 0 to 15", "the smallest 32-bit tool number is read",
                              "line: 3 drawing with tool of -2147483648\n"));
    rows.push_back(refusedRow("ToolBeyond32Bits", {mainChapter}, "T99999999999", badTool("99999999999"),
                              "a tool number must fit a 32-bit integer"));
    rows.push_back(refusedRow("ToolTwoToThe32", {mainChapter}, "T4294967296", badTool("4294967296"),
                              "2^32 must not wrap to tool 0"));
    rows.push_back(refusedRow("ToolBelow32Bits", {mainChapter}, "T-2147483649", badTool("-2147483649"),
                              "one below the smallest 32-bit integer"));
    rows.push_back(acceptedRow("ToolNumberWithAFraction", lines({mainChapter, "T1.5", "G1 X1 Y1 E1"}),
                               lines({mainChapter, "T1.5",
                                      "M106 P1"
                                      " S0" +
                                          restore,
                                      "G1 X1 Y1 E1"}),
                               "text after the tool number is ignored: T1.5 selects tool 1"));
    {
        // Tool 0's perimeter from (10, 1) to (10, 10) on the nozzle's layer
        // (a draw records its end point); tool 16 travels across it at right
        // angles, half way along a 20 mm move.
        const std::string before =
            lines({mainChapter, "G1 X10 Y0 Z1", "; 'Perimeter Path'", "G1 X10 Y1 E1", "G1 X10 Y10 E1", "T16"});
        rows.push_back(acceptedRow(
            "ToolAboveFifteenTravels", before + lines({"G1 X0 Y5", "G1 X20 Y5 F9000"}),
            before + lines({"M106 P16 S0" + restore, "G1 X0 Y5", "G1 X8.0125 Y5 Z1.5 F9000", "G1 X20 Y5 F9000",
                            "G1 Z1 F450", "G1 F9000", "; original line:G1 X20 Y5 F9000"}),
            "only draws need a tool slot: a travel of tool 16 is lifted over another tool's path like any other"));
    }

    {
        // The same perimeter; tool 1 goes to its start, then hops 0.3 mm with
        // relative moves, as tool-change code does, and travels across.
        const std::string before = lines({mainChapter, "G1 X10 Y0 Z1", "; 'Perimeter Path'", "G1 X10 Y1 E1",
                                          "G1 X10 Y10 E1", "T1", "G1 X0 Y5", "G91", "G1 Z0.3", "G90"});
        const std::string restored =
            lines({mainChapter, "G1 X10 Y0 Z1", "; 'Perimeter Path'", "G1 X10 Y1 E1", "G1 X10 Y10 E1", "T1",
                   "M106 P1 S0" + restore, "G1 X0 Y5", "G91", "G1 Z0.3", "G90"});
        rows.push_back(acceptedRow(
            "RelativeHopThenATravel", before + lines({"G1 X20 Y5 F9000"}),
            restored + lines({"G1 X8.0125 Y5 Z1.5 F9000", "G1 X20 Y5 F9000", "G1 Z1.3 F450", "G1 F9000",
                              "; original line:G1 X20 Y5 F9000"}),
            "after G91 the Z word is added: the nozzle is at 1.3, 0.3 above the path, and comes back down to 1.3"));
        rows.push_back(acceptedRow(
            "RelativeTravelIsCopied", before + lines({"G91", "G1 X20 F9000", "G90", "G1 X0 Y5"}),
            restored + lines({"G91", "G1 X20 F9000", "G90", "G1 X11.9875 Y5 Z1.5 F9000", "G1 X0 Y5 F9000",
                              "G1 Z1.3 F450", "G1 F9000", "; original line:G1 X0 Y5"}),
            "a relative travel across the path is copied, never lifted; the absolute travel back starts from X20, "
            "where the relative one ended"));
        rows.push_back(acceptedRow("TravelBeforeAnyFeedRate",
                                   lines({mainChapter, "G1 X10 Y0 Z1", "; 'Perimeter Path'", "G1 X10 Y1 E1",
                                          "G1 X10 Y10 E1", "T1", "G1 X0 Y5", "G1 X20 Y5"}),
                                   lines({mainChapter, "G1 X10 Y0 Z1", "; 'Perimeter Path'", "G1 X10 Y1 E1",
                                          "G1 X10 Y10 E1", "T1", "M106 P1 S0" + restore, "G1 X0 Y5", "G1 X20 Y5"}),
                                   "no travel is lifted before the file has set a feed rate: a lift would carry F0"));
    }
    rows.push_back(acceptedRow(
        "NumbersTooSmallForAFloat",
        lines({mainChapter, "G1 X0." + std::string(60, '0') + "1 Y0." + std::string(44, '0') + "14 E-0." +
                                std::string(70, '0') + "1"}),
        lines({mainChapter, "G1 X0." + std::string(60, '0') + "1 Y0." + std::string(44, '0') + "14 E-0." +
                                std::string(70, '0') + "1"}),
        "a number below the float range reads as zero of its sign, one in the subnormal range as that; neither "
        "is an error"));
    {
        // As Vorlane wrote it, with the platform's line ends.
        std::string processed;
        for (const std::string_view line : {"; Vorlane v0024", "G28", "; Vorlane summary: lifted=0 interface=0",
                                            "; Lua Postproc took 0", "; D   Postproc took 0"})
            processed += std::string(line) + std::string(PLATFORM_LINE_END);
        rows.push_back({"AlreadyProcessed", Given::File, processed, 0,
                        "{file} was already processed by Vorlane; left as it is\n", "", "G28\n",
                        "a file that begins with Vorlane's header line is left as it is, so no boost compounds"});
    }

    // Settings.
    rows.push_back(acceptedRow(
        "SettingsHeadersWithoutSettings",
        lines({"; *** Printer Settings", "; *** Material Settings for Extruder 1",
               "; *** Material Settings for Extruder 2", "; bed_C = .6", "; bed_C = 70 ; hotter", "; *** G-code Prefix",
               "M140 S60"}),
        lines({"; *** Printer Settings", "; *** Material Settings for Extruder 1",
               "; *** Material Settings for Extruder 2", "; bed_C = .6", "; bed_C = 70 ; hotter", "; *** G-code Prefix",
               "M140 S60"}),
        "headers alone store nothing and lines not of the settings form are passed over silently, so no bed rule"));
    rows.push_back(acceptedRow(
        "MalformedSettingIsLeftOut",
        lines({"; *** Material Settings for Extruder 1", "; bed_C = 60", "; *** Material Settings for Extruder 2",
               "; bed_C = 7.0.0", "; *** G-code Prefix", "M140 S50"}),
        lines({"; *** Material Settings for Extruder 1", "; bed_C = 60", "; *** Material Settings for Extruder 2",
               "; bed_C = 7.0.0", "; *** G-code Prefix", "M140 S50"}),
        "an unreadable setting is announced and left out, and the run waits at its end: the second material stores "
        "nothing",
        settingIgnored("bed_C", "7.0.0")));
    rows.back().out += waitAtTheEnd;
    rows.push_back(acceptedRow(
        "SettingValuesThatDoNotConvert",
        lines({"; *** Printer Settings", "; bed_C = -", "; speed = +", "; x = 1e+39", "; y = 1e+20", "; z = 1.5e+"}),
        lines({"; *** Printer Settings", "; bed_C = -", "; speed = +", "; x = 1e+39", "; y = 1e+20", "; z = 1.5e+"}),
        "a lone sign, a value beyond the largest float and a bare exponent are each announced; 1e+20 fits",
        settingIgnored("bed_C", "-") + settingIgnored("speed", "+") + settingIgnored("x", "1e+39") +
            settingIgnored("z", "1.5e+")));
    rows.back().out += waitAtTheEnd;
    rows.push_back(acceptedRow(
        "NoMaterialHasABedTemperature",
        lines({"; *** Material Settings for Extruder 1", "; temp_C = 200", "; *** Material Settings for Extruder 2",
               "; temp_C = 210", "; *** G-code Prefix", "M140 S60", "M190 S60"}),
        lines({"; *** Material Settings for Extruder 1", "; temp_C = 200", "; *** Material Settings for Extruder 2",
               "; temp_C = 210", "; *** G-code Prefix", "M140 S60", "M190 S60"}),
        "two materials without bed_C leave the bed lines as they are, never S0"));

    // Extrusion mode.
    rows.push_back(
        refusedRow("PositionsReadAsAmounts",
                   {mainChapter, "; 'Stacked Sparse Infill Path'", "G1 Z0.2 F1000", "G1 X5 Y-1 F9000",
                    "G1 X5 Y1 E3.5 F1800", "G1 X5 Y-1 E3.6", "G1 Z0.4", "G1 X4 Y0", "; 'Sparse Infill Path'"},
                   "G1 X6 Y0 E3.7",
                   "an extrusion of 3.7 mm over a 2 mm draw looks like an absolute extruder position; set "
                   "the printer's firmware to relative E, or put M82 in its start G-code",
                   "a relative file whose E words are running sums would push them out as amounts"));
    rows.push_back(
        acceptedRow("AbsoluteExtrusionFollowed",
                    lines({"M82", "; *** G-code Prefix", "G1 X10 Y10 E5", mainChapter, "G1 E2", "G1 X10 Y10 E3", "M83",
                           "G1 X20 Y10 E1"}),
                    lines({"M82", "; *** G-code Prefix", "G1 X10 Y10 E5", mainChapter, "G1 E2", "G1 X10 Y10 E3", "M83",
                           "G1 X20 Y10 E1"}),
                    "absolute extrusion is followed, not refused: where nothing is rewritten every line is copied"));

    // Line forms.
    rows.push_back(acceptedRow("UnterminatedLastLine", mainChapter + "\nT1\nG1 X1 Y1 E1",
                               lines({mainChapter, "T1", "M106 P1 S0" + restore, "G1 X1 Y1 E1"}),
                               "a last line without LF is a line: processed (its fan restore comes first) and ended"));
    rows.push_back(
        acceptedRow("NulBytes", lines({mainChapter, "T1", "G1\0X5 Y5 E1"sv, "\0"sv, ";\0\0"sv, "T\0"sv}),
                    lines({mainChapter, "T1", "M106 P1 S0" + restore, "G1\0X5 Y5 E1"sv, "\0"sv, ";\0\0"sv, "T\0"sv}),
                    "NUL bytes are copied; a NUL after G1 still makes a move line"));
    {
        const std::string comment = "; " + std::string(std::size_t{10} << 20, 'x');
        rows.push_back(acceptedRow("TenMegabyteLine", mainChapter + "\r\n" + comment + "\r\nG1 X1 Y1\r\n",
                                   lines({mainChapter, comment, "G1 X1 Y1"}),
                                   "a 10 MB line is copied whole; CR before LF is dropped"));
    }
    {
        // Lines beyond the 1 MiB the program holds whole: a comment streams
        // through, anything else could have words cut off and is refused.
        const std::string megabyteOfWords = "G1 X1 Y1 ;" + std::string((std::size_t{1} << 20) - 10, 'c');
        rows.push_back(acceptedRow("MoveLineOfOneMegabyte", mainChapter + "\r\n" + megabyteOfWords + "\r\n",
                                   lines({mainChapter, megabyteOfWords}), "a line of 1 MiB is held whole"));
        rows.push_back(refusedRow("MoveLineOverOneMegabyte", {mainChapter}, megabyteOfWords + "cc",
                                  "the line is longer than 1048576 bytes and not a comment; only a comment line may "
                                  "be that long",
                                  "a move line longer than the line buffer is refused, not cut"));
        rows.back().err = refusedLine(2,
                                      "the line is longer than 1048576 bytes and not a comment; only a comment line "
                                      "may be that long",
                                      megabyteOfWords.substr(0, 200) + "...");
        const std::string longComment = ";" + std::string((std::size_t{1} << 20) + 5, 'x');
        rows.push_back(acceptedRow("LongCommentWithItsCrAtTheBufferEnd", longComment + "\r\nG1 X1 Y1\r\n",
                                   lines({longComment, "G1 X1 Y1"}),
                                   "the CR that ends the read buffer is the one before the LF: dropped"));
        rows.push_back(acceptedRow("LongCommentLastLineEndingInCr", mainChapter + "\n" + longComment + "\r",
                                   lines({mainChapter, longComment + "\r"}),
                                   "a last line without LF keeps its CR, however long"));
    }
    rows.push_back(acceptedRow("OnlyCarriageReturns", "\r\r\r\r", "\r\r\r\r\n",
                               "lines end at LF only: four CRs and no LF are one line, copied with its CRs"));
    rows.push_back(acceptedRow("EmptyFile", "", "", "an empty file gives the header and timing lines only"));

    // The file itself.
    rows.push_back({"Directory", Given::Directory, "", -1, openFailure(systemErrorText(EISDIR, WINDOWS_ACCESS_DENIED)),
                    "", "", "a folder is not a G-code file"});
    rows.push_back({"MissingFile", Given::MissingFile, "", -1,
                    openFailure(systemErrorText(ENOENT, WINDOWS_FILE_NOT_FOUND)), "", "",
                    "a name with nothing behind it"});
    rows.push_back({"UnreadableFile", Given::UnreadableFile, lines({"G28"}), -1, openFailure("Permission denied"), "",
                    "", "a file the user may not read"});
#ifdef _WIN32
    rows.push_back({"EmptyFileName", Given::EmptyName, "", 1, "", "vorlane: GetFullPathName failed\n", "",
                    "an empty name has no full path"});
#else
    rows.push_back({"EmptyFileName", Given::EmptyName, "", -1, openFailure("Is a directory"), "", "",
                    "an empty name made absolute names the working folder"});
#endif
    return rows;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The result less its header line, its summary comment and its timing lines,
// or an explanation of why it is not shaped as a result.
bool splitResult(const std::string& result, std::string& body, std::string& problem)
{
    const std::string header = "; Vorlane v0024\n";
    if (!result.starts_with(header)) {
        problem = "the result does not start with the header line";
        return false;
    }
    std::size_t end = result.size();
    for (const std::string_view timing : {"; D   Postproc took ", "; Lua Postproc took "}) {
        if (end <= header.size() || result[end - 1] != '\n') {
            problem = "the result does not end with the timing lines";
            return false;
        }
        const std::size_t lineStart = result.rfind('\n', end - 2) + 1;
        const std::string_view line(result.data() + lineStart, end - 1 - lineStart);
        if (lineStart < header.size() || !line.starts_with(timing) || line.size() == timing.size() ||
            line.substr(timing.size()).find_first_not_of("0123456789") != std::string_view::npos) {
            problem = "the result lacks the timing line \"" + std::string(timing) + "<seconds>\"";
            return false;
        }
        end = lineStart;
    }
    const std::size_t summary = result.rfind("\n; Vorlane summary: ", end - 1) + 1;
    if (summary == 0 || summary < header.size() - 1 || result.find('\n', summary) + 1 != end) {
        problem = "the result lacks the summary comment before its timing lines";
        return false;
    }
    body = result.substr(header.size(), summary - std::min(summary, header.size()));
    return true;
}

class Catalogue : public ::testing::TestWithParam<BadInput> {};

struct Arrangement {
    TempDir dir;
    std::string file; // the name given to the program, absolute
    std::vector<std::string> arguments;
    std::string cwd;
};

// Lays out what the row gives the program; false when this user cannot make it.
bool prepare(const BadInput& row, Arrangement& setup)
{
    setup.file = setup.dir.file("part.gcode");
    setup.arguments = {setup.file};
    switch (row.given) {
    case Given::File:
        writeFile(setup.file, row.input);
        break;
    case Given::Directory:
        std::filesystem::create_directory(setup.file);
        break;
    case Given::MissingFile:
        break;
    case Given::UnreadableFile:
#ifdef _WIN32
        return false; // Windows has no owner-only mode bits to take away
#else
        // Root reads anything.
        if (geteuid() == 0) return false;
#endif
        writeFile(setup.file, row.input);
        std::filesystem::permissions(setup.file, std::filesystem::perms::owner_write);
        break;
    case Given::EmptyName:
        setup.cwd = setup.dir.path;
        setup.file = std::filesystem::canonical(setup.dir.path).string() + "/";
        setup.arguments = {""};
        break;
    }
    return true;
}

TEST_P(Catalogue, MessageStatusAndTheFileAfterwards)
{
    const BadInput& row = GetParam();
    Arrangement setup;
    if (!prepare(row, setup)) GTEST_SKIP() << "running as root, which may read any file";
    const RunResult run = runVorlane(setup.arguments, "", setup.cwd);

    EXPECT_EQ(run.status, row.status & 0xFF) << row.rule << "\nstandard error: " << run.err;
    EXPECT_EQ(run.out, banner + replaceAll(row.out, "{file}", setup.file)) << row.rule;
    EXPECT_EQ(run.err, replaceAll(row.err, "{file}", setup.file)) << row.rule;

    switch (row.given) {
    case Given::File:
    case Given::UnreadableFile:
        if (row.status == 0) {
            std::string body, problem;
            ASSERT_TRUE(splitResult(readOutput(setup.file), body, problem)) << problem << "; " << row.rule;
            EXPECT_TRUE(body == row.processed)
                << row.rule << "\nexpected " << row.processed.size() << " bytes of processed lines, got " << body.size()
                << (body.size() < 2000 ? ":\n" + body : std::string());
            EXPECT_FALSE(exists(setup.file + "d")) << "the processing file took the input's name";
        } else {
            if (row.given == Given::UnreadableFile)
                std::filesystem::permissions(setup.file, std::filesystem::perms::owner_read,
                                             std::filesystem::perm_options::add);
            EXPECT_TRUE(readFile(setup.file) == row.input)
                << "a refused file is left byte for byte as it was; " << row.rule;
        }
        break;
    case Given::Directory:
        EXPECT_TRUE(std::filesystem::is_directory(setup.file));
        EXPECT_TRUE(std::filesystem::is_empty(setup.file)) << "nothing is written into the folder";
        EXPECT_FALSE(exists(setup.file + "d")) << "no processing file beside a folder";
        break;
    case Given::MissingFile:
        EXPECT_FALSE(exists(setup.file)) << "a missing file is not created";
        EXPECT_FALSE(exists(setup.file + "d")) << "no processing file without an input";
        break;
    case Given::EmptyName:
        EXPECT_FALSE(exists(setup.file + "d")) << "no processing file in the working folder";
        break;
    }
}

std::string rowName(const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(BadInput, Catalogue, ::testing::ValuesIn(catalogue()), rowName);

// A refused run leaves what it had processed beside the untouched input:
// whole lines up to the refused one, to show where it stopped. A file it
// could not open leaves nothing.
TEST(BadInput, RefusedRunsKeepWhatTheyProcessedBesideTheInput)
{
    const std::string header = "; Vorlane v0024\n";
    for (const BadInput& row : catalogue()) {
        if (row.status == 0) continue;
        SCOPED_TRACE(row.name);
        Arrangement setup;
        if (!prepare(row, setup)) continue;
        const RunResult run = runVorlane(setup.arguments, "", setup.cwd);
        EXPECT_NE(run.status, 0) << row.rule;
        const std::string processing = setup.file + "d";
        if (row.given != Given::File) {
            EXPECT_FALSE(exists(processing)) << "no processing file without an input";
            continue;
        }
        const std::string kept = readOutput(processing);
        ASSERT_TRUE(kept.starts_with(header)) << "the processing file starts with the header line";
        EXPECT_TRUE(kept.ends_with('\n')) << "whole lines only";
        // Every line before the refused one, in order (the program may have
        // added its own between them), and not the refused one.
        const std::size_t refusedLineStart = row.input.rfind('\n', row.input.size() - 2) + 1;
        std::size_t at = header.size();
        for (std::size_t begin = 0; begin < refusedLineStart;) {
            const std::size_t end = row.input.find('\n', begin) + 1;
            const std::string line = row.input.substr(begin, end - begin);
            const std::size_t found = kept.find(line, at);
            ASSERT_NE(found, std::string::npos) << "a line before the refused one is missing: " << line;
            at = found + line.size();
            begin = end;
        }
        EXPECT_EQ(kept.find(row.input.substr(refusedLineStart)), std::string::npos) << "the refused line is not kept";
    }
}

} // namespace
} // namespace vorlane::test
