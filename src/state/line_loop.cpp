// The line table. Row order is behaviour: the first row whose test holds
// decides what the line is, and the later rows are not tried.
#include "state/line_loop.hpp"

#include "extrusion/rewrite.hpp"
#include "gcode/recognizers.hpp"
#include "gcode/words.hpp"
#include "gcode/writers.hpp"
#include "lift/lift.hpp"

#include <chrono>

namespace vorlane {

LineError::LineError(long long number, std::string_view line, const std::string& problem)
    : std::runtime_error(concat("line ", number, ": ", problem)), lineNo(number), lineText(line)
{
}

namespace {

// Adds the time of its scope to a benchmark's counter, when there is one.
struct RewriteTimer {
    using Clock = std::chrono::steady_clock;
    std::int64_t* total;
    Clock::time_point started;
    explicit RewriteTimer(std::int64_t* counter) : total(counter), started(counter ? Clock::now() : Clock::time_point{})
    {
    }
    ~RewriteTimer()
    {
        if (total) *total += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - started).count();
    }
    RewriteTimer(const RewriteTimer&) = delete;
    RewriteTimer& operator=(const RewriteTimer&) = delete;
};

[[noreturn]] void refuseLine(const PrintState& state, const std::string& problem)
{
    throw LineError(state.lineNo, state.line, problem);
}

// A tool's layer thickness: the rise since its last drawn layer. Z going down
// starts over (at most 0.35); a tool other than 0 that skipped layers takes
// tool 0's thickness, at least 0.25, instead of the whole gap.
void updateLayerThickness(PrintState& s)
{
    const auto t = static_cast<std::size_t>(s.currentTool);
    const float currentZ = s.moves.currentZ;
    if (s.lastDrawnZForTool[t] == currentZ) return;
    float thickness = currentZ - s.lastDrawnZForTool[t];
    if (thickness < 0.0f)
        thickness = minOf(currentZ, 0.35f);
    else if (t > 0 && thickness > s.layerThicknessForTool[0])
        thickness = maxOf(s.layerThicknessForTool[0], 0.25f);
    s.layerThicknessForTool[t] = thickness;
    s.lastDrawnZForTool[t] = currentZ;
}

void handleDraw(LineLoop& loop)
{
    PrintState& s = loop.state;
    if (s.currentTool < 0) say(loop.console, concat("line: ", s.lineNo, " drawing with tool of ", s.currentTool));
    // The per-tool tables have ten slots.
    if (s.currentTool < 0 || s.currentTool >= TOOL_SLOTS)
        refuseLine(s, concat("tool ", s.currentTool, " is outside 0 to 9"));
    if (s.chapter == Chapter::Printing) updateLayerThickness(s);
    collectDraw(s.layers, {s.section, s.currentTool, s.moves.currentX, s.moves.currentY, s.moves.currentZ},
                s.move.beginDraw, s.toolForMain, s.toolForInfill);
    if (boostFirstInterfaceLayerOnMainSupport && s.section == DrawType::SupportInterface) {
        const RewriteTimer timer(loop.rewriteNanoseconds);
        if (boostSupportInterface(s, loop.out, loop.crossings)) s.writeTheLine = false;
    } else if (boostFirstInfillOverBulkInfill && s.section == DrawType::TopInfill) {
        const RewriteTimer timer(loop.rewriteNanoseconds);
        if (manageTopInfillDraw(s, loop.out, loop.crossings)) s.writeTheLine = false;
    }
}

void handleMoveLine(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    s.move = classifyMoveLine(s.moves, line);
    // In absolute mode E is a running total: read as an amount, every travel
    // would look like a draw and every boost would multiply totals.
    if (s.absoluteExtrusion && s.chapter == Chapter::Printing && s.move.eFound &&
        (s.move.xDistance != 0.0f || s.move.yDistance != 0.0f))
        refuseLine(s, "absolute extrusion (M82) is in effect; Vorlane needs relative extrusion (M83)");
    if (!s.seenFanControlAfterToolChange) {
        writeFanControlLineForCurrentTool(loop.out, s.currentTool, s.currentKisslicerFanSpeed);
        s.seenFanControlAfterToolChange = true;
    }
    if (s.move.pathType == PathType::XYDraw) {
        handleDraw(loop);
    } else if (s.move.pathType == PathType::XYMove && s.chapter == Chapter::Printing && s.seenMoveAfterToolchange) {
        const RewriteTimer timer(loop.rewriteNanoseconds);
        if (liftTravelIfNeeded(s, loop.out, loop.console, loop.debug, loop.intersections)) s.writeTheLine = false;
    }
    s.seenMoveAfterToolchange = true;
    s.moves.currentPathType = s.move.pathType;
}

// M106 without P sets the part fan (bare: full speed), M107 without P turns it
// off. Lines with P address a fan by number, as the restore lines do, and
// change nothing.
void trackFan(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    const WordTable elements = parseGCodeValues(stripTrailingComment(line));
    if (elements.has('P')) return;
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

struct PathKindRule {
    const Recognizer& recognizer;
    DrawType section;
};

// First match decides; switches turned off would file the kind as unclassified.
constexpr PathKindRule pathKindTable[] = {
    {pattern_Perimeter, DrawType::Perimeter},
    {pattern_Solid, DrawType::Solid},
    {pattern_PrimePillar, DrawType::PrimePillar},
    {pattern_StackedInfill, collectStackedInfill ? DrawType::StackedInfill : DrawType::UnclassifiedPath},
    {pattern_TopInfill, collectTopInfill || manageTopInfill ? DrawType::TopInfill : DrawType::UnclassifiedPath},
    {pattern_SupportInterface, collectSupportInterface ? DrawType::SupportInterface : DrawType::UnclassifiedPath},
    {pattern_SupportMain, collectSupportMain ? DrawType::SupportMain : DrawType::UnclassifiedPath},
};

void handlePathKindComment(LineLoop& loop, std::string_view line)
{
    for (const PathKindRule& rule : pathKindTable) {
        if (matches(rule.recognizer, line)) {
            loop.state.section = rule.section;
            return;
        }
    }
    loop.state.section = DrawType::UnclassifiedPath;
    if (matches(pattern_SupportAny, line))
        say(loop.console, concat("Error - unanticipated support path type in ", line));
}

void markLayer(LineLoop& loop, std::string_view)
{
    if (loop.debug)
        say(loop.console, concat("Layer Begin after ", loop.state.moves.currentZ));
    else
        sayProgress(loop.console, ".");
}

void changeTool(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    s.currentTool = parseToolChange(line);
    s.seenMoveAfterToolchange = false;
    s.seenFanControlAfterToolChange = false;
}

void handleBedTemperature(LineLoop& loop, std::string_view line)
{
    if (applyBedTemperatureRule(loop.state.settings, loop.console, loop.debug, line, loop.out))
        loop.state.writeTheLine = false;
}

template <const Recognizer& recognizer> bool lineIs(const PrintState&, std::string_view line)
{
    return matches(recognizer, line);
}
template <Chapter chapter> bool chapterIs(const PrintState& s, std::string_view) { return s.chapter == chapter; }
template <Chapter chapter> void enterChapter(LineLoop& loop, std::string_view) { loop.state.chapter = chapter; }

bool isFanCommand(const PrintState& s, std::string_view line)
{
    return s.chapter == Chapter::Printing && matches(pattern_MCodeToEnd, line);
}

void nothing(LineLoop&, std::string_view) {}
void resumeMarker(LineLoop& loop, std::string_view) { loop.state.seenFanControlAfterToolChange = false; }
void handleSettings(LineLoop& loop, std::string_view line)
{
    handleSettingsLine(loop.state.settings, loop.console, line);
}

struct LineRule {
    std::string_view test; // the pattern or condition, as documentation
    bool (*holds)(const PrintState&, std::string_view line);
    void (*action)(LineLoop&, std::string_view line);
};

constexpr LineRule lineTable[] = {
    {pattern_G1.pattern, lineIs<pattern_G1>, handleMoveLine},
    {"chapter is Printing and ^\\s*M[0-9]+([^0-9]|$)", isFanCommand, trackFan},
    {pattern_AllPaths.pattern, lineIs<pattern_AllPaths>, handlePathKindComment},
    {pattern_CommentLine.pattern, lineIs<pattern_CommentLine>, nothing},
    {pattern_Layer_Begin.pattern, lineIs<pattern_Layer_Begin>, markLayer},
    {pattern_ToolChange.pattern, lineIs<pattern_ToolChange>, changeTool},
    {pattern_ResumeTemp.pattern, lineIs<pattern_ResumeTemp>, resumeMarker},
    {pattern_BeginPrefix.pattern, lineIs<pattern_BeginPrefix>, enterChapter<Chapter::Prefix>},
    {pattern_BeginPrinting.pattern, lineIs<pattern_BeginPrinting>, enterChapter<Chapter::Printing>},
    {pattern_BeginPostfix.pattern, lineIs<pattern_BeginPostfix>, enterChapter<Chapter::Postfix>},
    {"chapter is Preamble", chapterIs<Chapter::Preamble>, handleSettings},
    {"chapter is Prefix", chapterIs<Chapter::Prefix>, handleBedTemperature},
};

// M82 and M83 are followed in every chapter, whatever row the line then takes.
void trackExtrusionMode(PrintState& s, std::string_view line)
{
    if (!matches(pattern_ExtrusionMode, line)) return;
    const std::size_t m = line.find('M');
    s.absoluteExtrusion = line[m + 2] == '2';
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
    PrintState& s = loop.state;
    ++s.lineNo;
    s.line = line;
    s.writeTheLine = true;
    try {
        if (loop.lineGoesOn && !isCommentLine(line))
            refuseLine(s, concat("the line is longer than ", static_cast<long long>(LONGEST_WHOLE_LINE),
                                 " bytes and not a comment; only a comment line may be that long"));
        trackExtrusionMode(s, line);
        for (const LineRule& rule : lineTable) {
            if (rule.holds(s, line)) {
                rule.action(loop, line);
                break;
            }
        }
    } catch (const LineError&) {
        throw;
    } catch (const OutputError&) {
        throw;
    } catch (const std::exception& e) {
        refuseLine(s, e.what());
    }
    if (s.writeTheLine) {
        if (loop.lineGoesOn)
            writePiece(loop.out, line);
        else
            writeLine(loop.out, line);
    }
}

} // namespace vorlane
