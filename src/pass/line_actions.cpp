// What the lines other than moves do: fans, path kinds, layers, tools,
// chapters, Kisslicer's settings and bed rule, the other slicers' tool-change
// blocks.
#include "pass/line_actions.hpp"

#include "gcode/refusal.hpp"
#include "gcode/words.hpp"
#include "gcode/writers.hpp"
#include "pass/bed_rule.hpp"

namespace vorlane {

void copy(LineLoop& loop, std::string_view line) { keepLine(loop, line); }

bool isFanCommand(const LineLoop& loop, std::string_view line)
{
    return loop.state.chapter == Chapter::Printing && matches(pattern_MCodeToEnd, line);
}

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

void changeTool(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    s.currentTool = parseToolChange(line);
    s.seenMoveAfterToolchange = false;
    s.seenFanControlAfterToolChange = false;
    keepLine(loop, line);
    if (!loop.watchers.empty()) tell(loop, ToolChangeTold{s.currentTool});
}

void tellLayer(LineLoop& loop)
{
    if (!loop.layersShown) sayProgress(loop.console, ".");
    if (!loop.watchers.empty()) tell(loop, LayerTold{loop.state.moves.currentZ});
}

void markLayer(LineLoop& loop, std::string_view line)
{
    keepLine(loop, line);
    tellLayer(loop);
}

// ---- Kisslicer's.

namespace {

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

} // namespace

void handlePathKindComment(LineLoop& loop, std::string_view line)
{
    loop.state.section = sectionOf(loop, line);
    keepLine(loop, line);
}

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

// What the rule found is told as soon as it is known, before a malformed
// number in the line refuses it.
void handleBedTemperature(LineLoop& loop, std::string_view line)
{
    BedFinding finding;
    try {
        findBedRaise(loop.state.settings, line, finding);
    } catch (const Refusal&) {
        if (finding.mCodeLine && !loop.watchers.empty()) tell(loop, &finding);
        throw;
    }
    if (finding.mCodeLine && !loop.watchers.empty()) tell(loop, &finding);
    if (!finding.raise) {
        keepLine(loop, line);
        return;
    }
    const BedRaise& raise = *finding.raise;
    writeTextLine(loop.out, "M", raise.m, " S", raise.after, " ; we use higher of the two materials' bed temps");
    RunResults& r = loop.results;
    if (!r.bedRewritten) {
        r.bedRewritten = true;
        r.bedBefore = raise.before;
        r.bedAfter = raise.after;
    }
}

// ---- The slicers that mark path kinds and layers in comments of their own.

bool isSlicerPathKind(const LineLoop& loop, std::string_view line)
{
    const Dialect& dialect = *loop.dialect;
    if (!line.starts_with(dialect.pathKindPrefix)) return false;
    return !dialect.pathKindsExact || pathKindNamed(dialect, pathKindNameOf(dialect, line)) != nullptr;
}

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

bool isSlicerLayer(const LineLoop& loop, std::string_view line)
{
    return loop.dialect->layerMarker && matches(*loop.dialect->layerMarker, line);
}

// Every layer is printed, whatever came before it. A marker at the height of
// the layer in hand (Simplify3D's, whose layers are counted per process)
// continues that layer.
void startLayer(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    s.chapter = Chapter::Printing;
    if (loop.dialect->layerHeightOf) {
        const float z = loop.dialect->layerHeightOf(line);
        const bool continues = z == s.layerMarkerZ;
        s.layerMarkerZ = z;
        if (continues) {
            keepLine(loop, line);
            return;
        }
    }
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

bool tellsFamily(const LineLoop& loop, std::string_view line) { return familyToldBy(*loop.dialect, line) != nullptr; }

// The comment is the family's path kind, and the print is under way.
void takeFamily(LineLoop& loop, std::string_view line)
{
    loop.dialect = familyToldBy(*loop.dialect, line);
    loop.state.chapter = Chapter::Printing;
    handleSlicerPathKind(loop, line);
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

} // namespace vorlane
