// The line table. Row order is behaviour: the first row whose test holds
// decides what the line is, and the later rows are not tried.
#include "state/line_loop.hpp"

#include "extrusion/rewrite.hpp"
#include "gcode/recognizers.hpp"
#include "gcode/refusal.hpp"
#include "gcode/words.hpp"
#include "gcode/writers.hpp"
#include "lift/lift.hpp"

namespace vorlane {

namespace {

std::string faultText(LineFault fault, long long number, const std::string& problem)
{
    switch (fault) {
    case LineFault::Refused:
        break;
    case LineFault::Internal:
        return concat("internal error at line ", number, " (a fault of Vorlane, not of the file): ", problem);
    case LineFault::OutOfMemory:
        return concat("out of memory at line ", number, ": ", problem);
    }
    return concat("line ", number, ": ", problem);
}

} // namespace

std::string memoryHeld(const LayerCollections& layers, std::size_t lineBytes)
{
    const auto mebibytes = static_cast<long long>(storedVertexCount(layers) * sizeof(Vec2) >> 20);
    return concat(mebibytes, " MiB of printed paths are held, and the line is ", static_cast<long long>(lineBytes),
                  " bytes long");
}

LineError::LineError(LineFault kind, long long number, std::string_view line, const std::string& problem)
    : std::runtime_error(faultText(kind, number, problem)), fault(kind), lineNo(number), lineText(line)
{
}

namespace {

[[noreturn]] void refuseLine(const PrintState& state, const std::string& problem)
{
    throw LineError(LineFault::Refused, state.lineNo, state.line, problem);
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

// A draw written in relative positioning is copied as it is: the rewrites
// write absolute coordinates.
void handleDraw(LineLoop& loop, bool rewritable)
{
    PrintState& s = loop.state;
    if (s.currentTool < 0) say(loop.console, concat("line: ", s.lineNo, " drawing with tool of ", s.currentTool));
    // The per-tool tables have ten slots.
    if (s.currentTool < 0 || s.currentTool >= TOOL_SLOTS)
        refuseLine(s, concat("tool ", s.currentTool, " is outside 0 to 9"));
    if (s.chapter == Chapter::Printing) updateLayerThickness(s);
    collectDraw(s.layers, {s.section, s.currentTool, s.moves.currentX, s.moves.currentY, s.moves.currentZ},
                s.move.beginDraw);
    if (s.section == DrawType::SupportMain) s.toolForMain = s.currentTool;
    if (s.section == DrawType::StackedInfill) s.toolForInfill = s.currentTool;
    if (!rewritable) return;
    if (boostFirstInterfaceLayerOnMainSupport && s.section == DrawType::SupportInterface && !s.run.noInterfaceBoost) {
        if (boostSupportInterface(s, loop.out, loop.crossings, loop.results)) s.writeTheLine = false;
    } else if (boostFirstInfillOverBulkInfill && s.section == DrawType::TopInfill && !s.run.noInfillBoost) {
        if (manageTopInfillDraw(s, loop.out, loop.crossings, loop.results)) s.writeTheLine = false;
    }
}

// Nothing for a negative tool, whose fan there is no way to address.
void restoreFan(const PrintState& s, OutBuffer& out, RunResults& results)
{
    if (s.currentTool < 0 || s.run.fanRestore == FanRestore::Off) return;
    if (s.run.fanRestore == FanRestore::Tool)
        writeFanControlLineForCurrentTool(out, s.currentTool, s.currentKisslicerFanSpeed);
    else
        writeFanControlLine(out, s.currentKisslicerFanSpeed);
    ++results.fanRestores;
}

void handleMoveLine(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    const MoveState before = s.moves;
    s.move = classifyMoveLine(s.moves, line);
    const double minutes = moveMinutes(before, s.moves);
    loop.results.inputMinutes += minutes;
    // In absolute mode E is a running total: read as an amount, every travel
    // would look like a draw and every boost would multiply totals.
    if (s.absoluteExtrusion && s.chapter == Chapter::Printing && s.move.eFound &&
        (s.move.xDistance != 0.0f || s.move.yDistance != 0.0f))
        refuseLine(s, "absolute extrusion (M82) is in effect; Vorlane needs relative extrusion (M83)");
    if (!s.seenFanControlAfterToolChange) {
        restoreFan(s, loop.out, loop.results);
        s.seenFanControlAfterToolChange = true;
    }
    // What a rewrite writes is read back for the print time estimate, so it
    // stays in the buffer until then.
    const std::size_t written = loop.out.text.size();
    loop.out.holdDrains = true;
    // A lifted travel is written in absolute coordinates and with the
    // travel's feed rate: under G91, or before the file has set any feed
    // rate, the travel is copied as it is.
    const bool rewritable = !s.moves.relativePositioning;
    if (s.move.pathType == PathType::XYDraw) {
        handleDraw(loop, rewritable);
    } else if (s.move.pathType == PathType::XYMove && s.chapter == Chapter::Printing && s.seenMoveAfterToolchange &&
               rewritable && s.moves.feedRateSeen && !s.run.noLift) {
        if (liftTravelIfNeeded(s, loop.out, loop.console, loop.debug, loop.intersections, loop.results))
            s.writeTheLine = false;
    }
    loop.out.holdDrains = false;
    // A rewrite leaves the printer where the line would have, at the line's
    // feed rate: its lines take the place of the line's own time.
    if (!s.writeTheLine) {
        MoveState at = before;
        loop.results.addedMinutes += linesMinutes(at, std::string_view(loop.out.text).substr(written)) - minutes;
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

// First match decides.
constexpr PathKindRule pathKindTable[] = {
    {pattern_Perimeter, DrawType::Perimeter},     {pattern_Solid, DrawType::Solid},
    {pattern_PrimePillar, DrawType::PrimePillar}, {pattern_StackedInfill, DrawType::StackedInfill},
    {pattern_TopInfill, DrawType::TopInfill},     {pattern_SupportInterface, DrawType::SupportInterface},
    {pattern_SupportMain, DrawType::SupportMain},
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
    if (applyBedTemperatureRule(loop.state.settings, loop.console, loop.debug, line, loop.out, loop.results))
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

// M82 and M83, G90 and G91 are followed in every chapter, whatever row the
// line then takes.
void trackModes(PrintState& s, std::string_view line)
{
    if (matches(pattern_ExtrusionMode, line)) {
        const std::size_t m = line.find('M');
        s.absoluteExtrusion = line[m + 2] == '2';
    } else if (matches(pattern_PositioningMode, line)) {
        const std::size_t g = line.find('G');
        s.moves.relativePositioning = line[g + 2] == '1';
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
    PrintState& s = loop.state;
    ++s.lineNo;
    s.line = line;
    s.writeTheLine = true;
    try {
        if (loop.lineGoesOn && !isCommentLine(line))
            refuseLine(s, concat("the line is longer than ", static_cast<long long>(LONGEST_WHOLE_LINE),
                                 " bytes and not a comment; only a comment line may be that long"));
        trackModes(s, line);
        for (const LineRule& rule : lineTable) {
            if (rule.holds(s, line)) {
                rule.action(loop, line);
                break;
            }
        }
        if (s.writeTheLine) {
            if (loop.lineGoesOn)
                writePiece(loop.out, line);
            else
                writeLine(loop.out, line);
        }
    } catch (const LineError&) {
        throw;
    } catch (const OutputError&) {
        throw;
    } catch (const Refusal& e) {
        refuseLine(s, e.what());
    } catch (const std::bad_alloc&) {
        throw LineError(LineFault::OutOfMemory, s.lineNo, line, memoryHeld(s.layers, line.size()));
    } catch (const std::exception& e) {
        throw LineError(LineFault::Internal, s.lineNo, line, e.what());
    }
}

} // namespace vorlane
