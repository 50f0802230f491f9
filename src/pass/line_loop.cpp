// The line tables: Kisslicer's, and that of the slicers that mark path kinds
// and layers in their own comments. Row order is behaviour: the first row
// whose test holds decides what the line is, and the later rows are not
// tried.
#include "pass/line_actions.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/refusal.hpp"
#include "gcode/words.hpp"
#include "gcode/writers.hpp"
#include "pass/bed_rule.hpp"

#include <span>

namespace vorlane {

std::string memoryHeld(const LayerCollections& layers, std::size_t lineBytes)
{
    const auto mebibytes = static_cast<long long>(storedVertexCount(layers) * sizeof(Vec2) >> 20);
    return concat(mebibytes, " MiB of printed paths are held, and the line is ", static_cast<long long>(lineBytes),
                  " bytes long");
}

void keepLine(LineLoop& loop, std::string_view line)
{
    if (loop.lineGoesOn)
        writePiece(loop.out, line);
    else
        writeLine(loop.out, line);
}

void useDialect(LineLoop& loop, const Dialect& dialect)
{
    loop.dialect = &dialect;
    // Their settings are no Kisslicer settings: the file starts after them.
    if (!dialect.kisslicerRows) loop.state.chapter = Chapter::Prefix;
}

namespace {

// M106 without P sets the part fan (bare: full speed), M107 without P turns it
// off. Lines with P address a fan by number, as the restore lines do, and
// change nothing.
void trackFan(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    const WordTable elements = parseGCodeValues(stripTrailingComment(line));
    if (!elements.has('P')) {
        // The M value as an integer, by truncation.
        const float m = elements['M'];
        if (m >= 106.0f && m < 107.0f) {
            s.currentKisslicerFanSpeed = elements.has('S') ? elements['S'] : 255.0f;
            s.seenFanControlAfterToolChange = true;
        } else if (m >= 107.0f && m < 108.0f) {
            s.currentKisslicerFanSpeed = 0.0f;
            s.seenFanControlAfterToolChange = true;
        }
    }
    keepLine(loop, line);
}

struct PathKindRule {
    const Recognizer& recognizer;
    DrawType section;
};

// First match decides.
constexpr PathKindRule pathKindTable[] = {
    {pattern_Perimeter, DrawType::Perimeter},     {pattern_Solid, DrawType::Solid},
    {pattern_PrimePillar, DrawType::PrimePillar}, {pattern_StackedInfill, DrawType::StackedInfill},
    {pattern_TopInfill, DrawType::TopInfill},     {pattern_SupportInterface, DrawType::SupportInterface},
    {pattern_SupportMain, DrawType::SupportMain},
};

DrawType sectionOf(LineLoop& loop, std::string_view line)
{
    for (const PathKindRule& rule : pathKindTable)
        if (matches(rule.recognizer, line)) return rule.section;
    if (matches(pattern_SupportAny, line))
        say(loop.console, concat("Error - unanticipated support path type in ", line));
    return DrawType::UnclassifiedPath;
}

void handlePathKindComment(LineLoop& loop, std::string_view line)
{
    loop.state.section = sectionOf(loop, line);
    keepLine(loop, line);
}

void markLayer(LineLoop& loop, std::string_view line)
{
    if (loop.report) startReportLayer(*loop.report);
    if (loop.debug)
        say(loop.console, concat("Layer Begin after ", loop.state.moves.currentZ));
    else
        sayProgress(loop.console, ".");
    keepLine(loop, line);
}

void changeTool(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    s.currentTool = parseToolChange(line);
    s.seenMoveAfterToolchange = false;
    s.seenFanControlAfterToolChange = false;
    keepLine(loop, line);
}

void handleBedTemperature(LineLoop& loop, std::string_view line)
{
    const std::optional<BedRaise> raise = raisedBedTemperature(loop.state.settings, loop.console, loop.debug, line);
    if (!raise) {
        keepLine(loop, line);
        return;
    }
    writeTextLine(loop.out, "M", raise->m, " S", raise->after, " ; we use higher of the two materials' bed temps");
    RunResults& r = loop.results;
    if (!r.bedRewritten) {
        r.bedRewritten = true;
        r.bedBefore = raise->before;
        r.bedAfter = raise->after;
    }
}

template <const Recognizer& recognizer> bool lineIs(const LineLoop&, std::string_view line)
{
    return matches(recognizer, line);
}
template <Chapter chapter> bool chapterIs(const LineLoop& loop, std::string_view)
{
    return loop.state.chapter == chapter;
}
template <Chapter chapter> void enterChapter(LineLoop& loop, std::string_view line)
{
    loop.state.chapter = chapter;
    keepLine(loop, line);
}

bool isFanCommand(const LineLoop& loop, std::string_view line)
{
    return loop.state.chapter == Chapter::Printing && matches(pattern_MCodeToEnd, line);
}

void copy(LineLoop& loop, std::string_view line) { keepLine(loop, line); }
void resumeMarker(LineLoop& loop, std::string_view line)
{
    loop.state.seenFanControlAfterToolChange = false;
    keepLine(loop, line);
}
// Kisslicer writes no M82 for a printer whose firmware takes absolute E: its
// firmware setting says so.
void handleSettings(LineLoop& loop, std::string_view line)
{
    const std::optional<StoredSetting> stored = handleSettingsLine(loop.state.settings, loop.console, line);
    if (stored && setsAbsoluteExtrusion(*stored)) loop.state.moves.absoluteExtrusion = true;
    keepLine(loop, line);
}

// ---- The slicers that mark path kinds and layers in comments of their own.

// The path kind in force from the comment's name. A name the slicer's table
// does not know is counted, so that a new slicer version is noticed. The
// slicer's custom G-code (its Custom kind) ends the printing until the next
// layer or the next other kind.
void handleSlicerPathKind(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    const std::string_view name = pathKindNameOf(*loop.dialect, line);
    const PathKindName* known = pathKindNamed(*loop.dialect, name);
    s.section = known ? known->kind : DrawType::UnclassifiedPath;
    if (!known) countUnknownPathKind(loop.results, name);
    if (name == CUSTOM_PATH_KIND) {
        if (s.chapter == Chapter::Printing) s.chapter = Chapter::Postfix;
    } else if (s.chapter == Chapter::Postfix) {
        s.chapter = Chapter::Printing;
    }
    keepLine(loop, line);
}

bool isSlicerPathKind(const LineLoop& loop, std::string_view line)
{
    return line.starts_with(loop.dialect->pathKindPrefix);
}

bool isSlicerLayer(const LineLoop& loop, std::string_view line) { return matches(*loop.dialect->layerMarker, line); }

// Every layer is printed, whatever came before it.
void startLayer(LineLoop& loop, std::string_view line)
{
    loop.state.chapter = Chapter::Printing;
    markLayer(loop, line);
}

bool pausesPrinting(const LineLoop& loop, std::string_view line)
{
    return loop.dialect->printingPauses && matches(*loop.dialect->printingPauses, line);
}

void pausePrinting(LineLoop& loop, std::string_view line)
{
    if (loop.state.chapter == Chapter::Printing) loop.state.chapter = Chapter::Postfix;
    keepLine(loop, line);
}

// Only tools 0 to 15 are tools; other numbers are firmware codes.
bool isSlicerToolChange(const LineLoop&, std::string_view line)
{
    if (!matches(pattern_ToolNumber, line)) return false;
    int tool = 0;
    for (std::size_t i = 1; i < line.size() && isDigit(line[i]) && tool < TOOL_SLOTS; ++i)
        tool = tool * 10 + (line[i] - '0');
    return tool < TOOL_SLOTS;
}

bool opensToolChangeBlock(const LineLoop&, std::string_view line)
{
    return matches(pattern_WipeTowerStart, line) || matches(pattern_MaterialChangeStart, line);
}

bool closesToolChangeBlock(const LineLoop&, std::string_view line)
{
    return matches(pattern_WipeTowerEnd, line) || matches(pattern_MaterialChangeEnd, line);
}

void openToolChangeBlock(LineLoop& loop, std::string_view line)
{
    ++loop.state.toolChangeBlocks;
    keepLine(loop, line);
}

// An end with no block open is no end. After the outermost block the head
// stands where the block's moves left it, as after a tool change.
void closeToolChangeBlock(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    if (s.toolChangeBlocks > 0 && --s.toolChangeBlocks == 0) s.seenMoveAfterToolchange = false;
    keepLine(loop, line);
}

// Each action writes what the line becomes: the line itself, or what
// replaces it.
struct LineRule {
    std::string_view test; // the pattern or condition, as documentation
    bool (*holds)(const LineLoop&, std::string_view line);
    void (*action)(LineLoop&, std::string_view line);
};

bool always(const LineLoop&, std::string_view) { return true; }

constexpr LineRule kisslicerTable[] = {
    {pattern_G1.pattern, lineIs<pattern_G1>, handleMoveLine},
    {"chapter is Printing and ^\\s*M[0-9]+([^0-9]|$)", isFanCommand, trackFan},
    {pattern_AllPaths.pattern, lineIs<pattern_AllPaths>, handlePathKindComment},
    {pattern_CommentLine.pattern, lineIs<pattern_CommentLine>, copy},
    {pattern_Layer_Begin.pattern, lineIs<pattern_Layer_Begin>, markLayer},
    {pattern_ToolChange.pattern, lineIs<pattern_ToolChange>, changeTool},
    {pattern_ResumeTemp.pattern, lineIs<pattern_ResumeTemp>, resumeMarker},
    {pattern_BeginPrefix.pattern, lineIs<pattern_BeginPrefix>, enterChapter<Chapter::Prefix>},
    {pattern_BeginPrinting.pattern, lineIs<pattern_BeginPrinting>, enterChapter<Chapter::Printing>},
    {pattern_BeginPostfix.pattern, lineIs<pattern_BeginPostfix>, enterChapter<Chapter::Postfix>},
    {"chapter is Preamble", chapterIs<Chapter::Preamble>, handleSettings},
    {"chapter is Prefix", chapterIs<Chapter::Prefix>, handleBedTemperature},
    {"any other line", always, copy},
};

// The block rows come before the fan's: M620 and M621 are M-codes too.
constexpr LineRule slicerTable[] = {
    {pattern_G0G1.pattern, lineIs<pattern_G0G1>, handleMoveLine},
    {pattern_Arc.pattern, lineIs<pattern_Arc>, handleArc},
    {"^; CP TOOLCHANGE START or ^M620 S[0-9]+A", opensToolChangeBlock, openToolChangeBlock},
    {"^; CP TOOLCHANGE END or ^M621 S[0-9]+A", closesToolChangeBlock, closeToolChangeBlock},
    {"chapter is Printing and ^\\s*M[0-9]+([^0-9]|$)", isFanCommand, trackFan},
    {"the slicer's path-kind comment", isSlicerPathKind, handleSlicerPathKind},
    {"the slicer's layer marker", isSlicerLayer, startLayer},
    {"the slicer's pause in printing (Cura's ;TIME_ELAPSED:)", pausesPrinting, pausePrinting},
    {"^T[0-9]+, a tool 0 to 15", isSlicerToolChange, changeTool},
    {"any other line", always, copy},
};

// M82 and M83, G90 and G91 and G92 are followed in every chapter, whatever
// row the line then takes.
void trackModes(PrintState& s, std::string_view line)
{
    // Most lines are moves and comments: one look at their start passes them.
    if (line.starts_with(';') || line.starts_with("G1")) return;
    if (matches(pattern_ExtrusionMode, line)) {
        const std::size_t m = line.find('M');
        s.moves.absoluteExtrusion = line[m + 2] == '2';
    } else if (matches(pattern_PositioningMode, line)) {
        const std::size_t g = line.find('G');
        s.moves.relativePositioning = line[g + 2] == '1';
    } else if (matches(pattern_SetPosition, line)) {
        setPosition(s.moves, line);
    }
}

// Blanks, then ';'.
bool isCommentLine(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == ';';
}

} // namespace

void processLine(LineLoop& loop, std::string_view line)
{
    ++loop.lineNo;
    if (loop.lineGoesOn && !isCommentLine(line))
        throw Refusal(concat("the line is longer than ", static_cast<long long>(LONGEST_WHOLE_LINE),
                             " bytes and not a comment; only a comment line may be that long"));
    trackModes(loop.state, line);
    if (loop.report) noteColours(*loop.report, line);
    const std::span<const LineRule> rows = loop.dialect->kisslicerRows ? std::span<const LineRule>(kisslicerTable)
                                                                       : std::span<const LineRule>(slicerTable);
    for (const LineRule& rule : rows) {
        if (rule.holds(loop, line)) {
            rule.action(loop, line);
            return;
        }
    }
}

} // namespace vorlane
