// The line table. Row order is behaviour: the first row whose test holds
// decides what the line is, and the later rows are not tried.
#include "pass/line_loop.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/refusal.hpp"
#include "gcode/words.hpp"
#include "gcode/writers.hpp"
#include "pass/bed_rule.hpp"
#include "pass/print_time.hpp"

namespace vorlane {

std::string memoryHeld(const LayerCollections& layers, std::size_t lineBytes)
{
    const auto mebibytes = static_cast<long long>(storedVertexCount(layers) * sizeof(Vec2) >> 20);
    return concat(mebibytes, " MiB of printed paths are held, and the line is ", static_cast<long long>(lineBytes),
                  " bytes long");
}

namespace {

// The line is written as it was read. The head of a line longer than the
// read buffer is written without a line end: its rest follows.
void keepLine(LineLoop& loop, std::string_view line)
{
    if (loop.lineGoesOn)
        writePiece(loop.out, line);
    else
        writeLine(loop.out, line);
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

// The limits of the path store, as a refusal names them.
std::string limitText(StoreLimit limit)
{
    switch (limit) {
    case StoreLimit::LayerHeights:
        return concat("more than ", static_cast<long long>(MAX_LAYERS), " layer heights of one kind of path");
    case StoreLimit::PathsOfOneTool:
        return concat("more than ", static_cast<long long>(MAX_PATHS), " paths of one tool at one height");
    case StoreLimit::Vertices:
        return concat("more than ", static_cast<long long>(MAX_VERTICES), " draws of one kind of path");
    case StoreLimit::None:
        break;
    }
    return {};
}

// The draw just classified, for a rewrite.
DrawToRewrite drawToRewrite(const PrintState& s, std::string_view line)
{
    return {moveOrigin(s.moves, s.move),
            {s.moves.currentX, s.moves.currentY},
            s.moves.currentZ,
            s.moves.currentE,
            s.moves.currentF,
            s.layerThicknessForTool.at(static_cast<std::size_t>(s.currentTool)),
            line};
}

ToolBelow toolBelow(const PrintState& s, int tool) { return {s.currentTool == tool, prevLayerHeightForTool(s, tool)}; }

// The rewrite planned for a move line.
enum class Rewrite { None, Lift, InterfaceBoost, InfillBoost };

// Files the draw and plans its rewrite, if one applies. A draw written in
// relative positioning is copied as it is: the rewrites write absolute
// coordinates.
Rewrite handleDraw(LineLoop& loop, std::string_view line, bool rewritable)
{
    PrintState& s = loop.state;
    if (s.currentTool < 0) say(loop.console, concat("line: ", loop.lineNo, " drawing with tool of ", s.currentTool));
    if (s.currentTool < 0 || s.currentTool >= TOOL_SLOTS)
        throw Refusal(concat("tool ", s.currentTool, " is outside 0 to ", TOOL_SLOTS - 1));
    if (s.chapter == Chapter::Printing) updateLayerThickness(s);
    const StoreLimit limit =
        collectDraw(loop.layers, {s.section, s.currentTool, s.moves.currentX, s.moves.currentY, s.moves.currentZ},
                    s.move.beginDraw);
    if (limit != StoreLimit::None)
        throw Refusal(concat("the print holds ", limitText(limit), ", more than Vorlane can keep track of"));
    if (s.section == DrawType::SupportMain) s.toolForMain = s.currentTool;
    if (s.section == DrawType::StackedInfill) s.toolForInfill = s.currentTool;
    if (!rewritable) return Rewrite::None;
    if (s.section == DrawType::SupportInterface && !loop.settings.noInterfaceBoost &&
        planInterfaceBoost(drawToRewrite(s, line), toolBelow(s, s.toolForMain), loop.layers, loop.settings,
                           loop.crossingScratch, loop.plan))
        return Rewrite::InterfaceBoost;
    if (s.section == DrawType::TopInfill && !loop.settings.noInfillBoost &&
        planInfillBoost(drawToRewrite(s, line), toolBelow(s, s.toolForInfill), loop.layers, loop.settings,
                        loop.crossingScratch, loop.plan))
        return Rewrite::InfillBoost;
    return Rewrite::None;
}

// Plans the lifted travel when the decision lifts it; true when it did.
bool handleTravel(LineLoop& loop, std::string_view line)
{
    const PrintState& s = loop.state;
    const TravelMove travel{moveOrigin(s.moves, s.move),
                            {s.moves.currentX, s.moves.currentY},
                            normalized(Vec2{s.moves.currentX, s.moves.currentY} - moveOrigin(s.moves, s.move)),
                            s.moves.currentZ,
                            s.currentTool};
    const LiftDecision decision = decideLift(travel, loop.layers, loop.settings, loop.liftScratch);
    if (decision.nothingBeyondFirstObstacle && loop.debug)
        say(loop.console, concat("line:", loop.lineNo, " min > max!! min - skipping!", decision.minLambdaForLift,
                                 " mx ", decision.maxLambdaForLift, " furthest lambda ", decision.furthestLambda,
                                 " move len ", decision.moveLength_MM));
    if (decision.rule != LiftRule::Lifted) return false;
    planLiftedTravel(decision, travel, s.moves.currentF, loop.settings.liftFeedRate, line, loop.plan);
    return true;
}

// What the move line just classified becomes. A lifted travel is written in
// absolute coordinates and with the travel's feed rate: under G91, or before
// the file has set any feed rate, the travel is copied as it is. So is a
// travel that moves the extruder (a retraction or prime on the travel): the
// lifted travel's lines carry no E, and the amount would be lost.
Rewrite planRewrite(LineLoop& loop, std::string_view line)
{
    const PrintState& s = loop.state;
    const bool rewritable = !s.moves.relativePositioning;
    if (s.move.pathType == PathType::XYDraw) return handleDraw(loop, line, rewritable);
    if (s.move.pathType == PathType::XYMove && s.chapter == Chapter::Printing && s.seenMoveAfterToolchange &&
        rewritable && s.moves.feedRateSeen && s.move.eDistance == 0.0f && !loop.settings.noLift &&
        handleTravel(loop, line))
        return Rewrite::Lift;
    return Rewrite::None;
}

// A draw that pushes more filament than any real one over a short stretch
// comes from an absolute extruder position read as an amount: rewriting it
// would push all of that out at once.
void refuseMisreadExtrusion(const PrintState& s)
{
    const float amount = s.move.eDistance;
    const float length = magnitude(Vec2{s.moves.currentX, s.moves.currentY} - moveOrigin(s.moves, s.move));
    if (amount > 3.0f && amount > length)
        throw Refusal(concat("an extrusion of ", amount, " mm over a ", length,
                             " mm draw looks like an absolute extruder position; set the printer's firmware to "
                             "relative E, or put M82 in its start G-code"));
}

// Nothing for a negative tool, whose fan there is no way to address.
void restoreFan(LineLoop& loop)
{
    const PrintState& s = loop.state;
    if (s.currentTool < 0 || loop.settings.fanRestore == FanRestore::Off) return;
    if (loop.settings.fanRestore == FanRestore::Tool)
        writeFanControlLineForCurrentTool(loop.out, s.currentTool, s.currentKisslicerFanSpeed);
    else
        writeFanControlLine(loop.out, s.currentKisslicerFanSpeed);
    ++loop.results.fanRestores;
}

// Writes the plan in place of the line and prices it: a rewrite leaves the
// printer where the line would have, at the line's feed rate, so its moves
// take the place of the line's own time. In absolute extrusion a rewritten
// draw's amounts are written relative, and the extruder is then told the
// position the line left it at, so that every later line stays right.
void writeRewrite(LineLoop& loop, Rewrite rewrite, std::string_view line, const MoveState& before, double lineMinutes)
{
    const bool wrapped = rewrite != Rewrite::Lift && loop.state.moves.absoluteExtrusion;
    if (wrapped) writeLine(loop.out, "M83");
    writePlan(loop.out, loop.plan);
    if (wrapped) {
        writeLine(loop.out, "M82");
        writeTextLine(loop.out, "G92 E", parseGCodeValues(stripTrailingComment(line)).eText);
    }
    loop.results.addedMinutes += planMinutes(before, loop.plan) - lineMinutes;
    RunResults& r = loop.results;
    const bool split = drawLinesOf(loop.plan) >= 2;
    if (rewrite == Rewrite::Lift) ++r.liftedTravels;
    if (rewrite == Rewrite::InterfaceBoost) ++r.interfaceDraws, r.interfaceSplit += split ? 1 : 0;
    if (rewrite == Rewrite::InfillBoost) ++r.infillDraws, r.infillSplit += split ? 1 : 0;
}

// Everything the line causes is decided before anything is written: a line
// refused writes nothing, not even a pending fan restore.
void handleMoveLine(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    const MoveState before = s.moves;
    s.move = classifyMoveLine(s.moves, line);
    const double minutes = moveMinutes(before, s.moves);
    loop.results.inputMinutes += minutes;
    clear(loop.plan);
    const Rewrite rewrite = planRewrite(loop, line);
    if (rewrite == Rewrite::InterfaceBoost || rewrite == Rewrite::InfillBoost) refuseMisreadExtrusion(s);
    if (!s.seenFanControlAfterToolChange) {
        restoreFan(loop);
        s.seenFanControlAfterToolChange = true;
    }
    if (rewrite == Rewrite::None)
        keepLine(loop, line);
    else
        writeRewrite(loop, rewrite, line, before, minutes);
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

template <const Recognizer& recognizer> bool lineIs(const PrintState&, std::string_view line)
{
    return matches(recognizer, line);
}
template <Chapter chapter> bool chapterIs(const PrintState& s, std::string_view) { return s.chapter == chapter; }
template <Chapter chapter> void enterChapter(LineLoop& loop, std::string_view line)
{
    loop.state.chapter = chapter;
    keepLine(loop, line);
}

bool isFanCommand(const PrintState& s, std::string_view line)
{
    return s.chapter == Chapter::Printing && matches(pattern_MCodeToEnd, line);
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

// Each action writes what the line becomes: the line itself, or what
// replaces it.
struct LineRule {
    std::string_view test; // the pattern or condition, as documentation
    bool (*holds)(const PrintState&, std::string_view line);
    void (*action)(LineLoop&, std::string_view line);
};

constexpr LineRule lineTable[] = {
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
    {"any other line", [](const PrintState&, std::string_view) { return true; }, copy},
};

// M82 and M83, G90 and G91 and G92 are followed in every chapter, whatever
// row the line then takes.
void trackModes(PrintState& s, std::string_view line)
{
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
    for (const LineRule& rule : lineTable) {
        if (rule.holds(loop.state, line)) {
            rule.action(loop, line);
            return;
        }
    }
}

} // namespace vorlane
