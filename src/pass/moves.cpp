// Moves: following them, filing what they draw, and writing them as they
// were read or as the plan of a rewrite.
#include "pass/line_actions.hpp"

#include "gcode/refusal.hpp"
#include "gcode/words.hpp"
#include "gcode/writers.hpp"
#include "pass/print_time.hpp"

namespace vorlane {

namespace {

void tallyTravel(LineLoop& loop, Vec2 from, Vec2 to, const Crossings& before, const Crossings& after, LiftRule rule)
{
    DragTally& tally = loop.drags;
    addTravel(tally.before, before);
    addTravel(tally.after, after);
    tally.leftBy[static_cast<std::size_t>(rule)] += after.all;
    if (after.all == 0 || loop.state.chapter != Chapter::Printing) return;
    if (loop.report) reportCrossings(*loop.report, from, to, after.all, rule);
    if (!loop.debug) return;
    if (rule == LiftRule::Lifted)
        say(loop.console, concat("line ", loop.lineNo, ": ", after.all, " other-colour crossings before the rise"));
    else
        say(loop.console,
            concat("line ", loop.lineNo, ": ", after.all, " other-colour crossings left: ", ruleText(rule)));
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

// A draw is filed with the tool drawing it, which must have a slot.
void checkDrawingTool(LineLoop& loop)
{
    const PrintState& s = loop.state;
    if (s.currentTool < 0) say(loop.console, concat("line: ", loop.lineNo, " drawing with tool of ", s.currentTool));
    if (s.currentTool < 0 || s.currentTool >= TOOL_SLOTS)
        throw Refusal(concat("tool ", s.currentTool, " is outside 0 to ", TOOL_SLOTS - 1));
}

void refuseBeyond(StoreLimit limit)
{
    if (limit != StoreLimit::None)
        throw Refusal(concat("the print holds ", limitText(limit), ", more than Vorlane can keep track of"));
}

// Files a draw from `from` to `point`: its end in the collections, and when
// travels' crossings are counted, the whole line.
void fileDrawnPoint(LineLoop& loop, Vec2 from, Vec2 point)
{
    PrintState& s = loop.state;
    refuseBeyond(
        collectDraw(loop.layers, {s.section, s.currentTool, point.x, point.y, s.moves.currentZ}, s.move.beginDraw));
    if (loop.countDrags)
        refuseBeyond(fileDrawLine(loop.drawLines, s.moves.currentZ, s.currentTool, s.section == DrawType::Perimeter,
                                  from, point));
    if (loop.report) reportDraw(*loop.report, s.currentTool, s.moves.currentZ, from, point);
    if (s.section == DrawType::SupportMain) s.toolForMain = s.currentTool;
    if (s.section == DrawType::StackedInfill) s.toolForInfill = s.currentTool;
}

// Files the draw and plans its rewrite, if one applies. A draw written in
// relative positioning is copied as it is: the rewrites write absolute
// coordinates. Within a tool-change block nothing is rewritten: its paths
// belong to the tool change.
Rewrite handleDraw(LineLoop& loop, std::string_view line, bool rewritable)
{
    PrintState& s = loop.state;
    checkDrawingTool(loop);
    if (s.chapter == Chapter::Printing) updateLayerThickness(s);
    fileDrawnPoint(loop, moveOrigin(s.moves, s.move), {s.moves.currentX, s.moves.currentY});
    if (!rewritable || s.toolChangeBlocks > 0) return Rewrite::None;
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

// Plans the lifted travel when the decision lifts it; the rule that settled it.
LiftRule handleTravel(LineLoop& loop, std::string_view line)
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
    if (decision.rule == LiftRule::Lifted)
        planLiftedTravel(decision, travel, s.moves.currentF, loop.settings.liftFeedRate, line, loop.plan);
    return decision.rule;
}

// The first rule that keeps the travel just classified from being lifted,
// or Lifted (its plan then made). A lifted travel is written in absolute
// coordinates and with the travel's feed rate: under G91, or before the
// file has set any feed rate, the travel is copied as it is. So is a travel
// that moves the extruder (a retraction or prime on the travel): the lifted
// travel's lines carry no E, and the amount would be lost.
LiftRule liftRuleOf(LineLoop& loop, std::string_view line)
{
    const PrintState& s = loop.state;
    if (s.chapter != Chapter::Printing) return LiftRule::OutsidePrinting;
    if (s.toolChangeBlocks > 0) return LiftRule::InToolChangeBlock;
    if (!s.seenMoveAfterToolchange)
        return loop.dialect->kisslicerRows ? LiftRule::BeforeFirstMove : LiftRule::BeforeFirstDraw;
    if (s.moves.relativePositioning || !s.moves.feedRateSeen) return LiftRule::RelativeOrNoFeedRate;
    if (s.move.eDistance != 0.0f) return LiftRule::MovesExtruder;
    if (loop.settings.noLift) return LiftRule::NoLift;
    return handleTravel(loop, line);
}

// What the move line just classified becomes; `liftRule` says why a travel
// was lifted or not.
Rewrite planRewrite(LineLoop& loop, std::string_view line, LiftRule& liftRule)
{
    const PrintState& s = loop.state;
    if (s.move.pathType == PathType::XYDraw) return handleDraw(loop, line, !s.moves.relativePositioning);
    if (s.move.pathType != PathType::XYMove) return Rewrite::None;
    liftRule = liftRuleOf(loop, line);
    return liftRule == LiftRule::Lifted ? Rewrite::Lift : Rewrite::None;
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

// The report draws what a plan does: a lifted travel from its flat start to
// its rise, up, and along at height; a rewritten draw with its factor.
void reportRewritten(LineLoop& loop, Rewrite rewrite)
{
    const PrintState& s = loop.state;
    const Vec2 origin = moveOrigin(s.moves, s.move), terminus{s.moves.currentX, s.moves.currentY};
    if (rewrite != Rewrite::Lift) {
        reportRewrite(*loop.report, origin, terminus, loop.plan.factor);
        return;
    }
    Vec2 rise = origin, up = origin;
    float height = 0;
    for (const PlannedLine& line : loop.plan.lines) {
        if (line.shape == PlannedShape::XYMove && up == origin) rise = line.xy;
        if (line.shape == PlannedShape::XYZMove) {
            up = line.xy;
            height = line.z - s.moves.currentZ;
        }
    }
    reportLift(*loop.report, origin, rise, up, terminus, height);
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
    if (loop.report) reportRewritten(loop, rewrite);
    RunResults& r = loop.results;
    const bool split = drawLinesOf(loop.plan) >= 2;
    if (rewrite == Rewrite::Lift) ++r.liftedTravels;
    if (rewrite == Rewrite::InterfaceBoost) ++r.interfaceDraws, r.interfaceSplit += split ? 1 : 0;
    if (rewrite == Rewrite::InfillBoost) ++r.infillDraws, r.infillSplit += split ? 1 : 0;
}

// After a tool change Kisslicer's first move puts the head where the file
// says; the other slicers' tool-change macros may leave it where the file
// does not know, until the new tool's first draw.
void noteMoveDone(LineLoop& loop)
{
    PrintState& s = loop.state;
    s.seenMoveAfterToolchange =
        loop.dialect->kisslicerRows || s.seenMoveAfterToolchange || s.move.pathType == PathType::XYDraw;
    s.moves.currentPathType = s.move.pathType;
}

// The crossings of a travel as read, and as written: a lifted travel drags
// only along its flat start, before it rises. The flat part ends where its
// written line says (as a printer reads it). In debug mode a travel of the
// printing that still crosses says why.
void countTravel(LineLoop& loop, LiftRule rule)
{
    const PrintState& s = loop.state;
    const Vec2 origin = moveOrigin(s.moves, s.move), terminus{s.moves.currentX, s.moves.currentY};
    const Crossings before = crossingsOf(loop.drawLines, origin, terminus, s.moves.currentZ, s.currentTool);
    Crossings after = before;
    Vec2 dragsTo = terminus;
    if (rule == LiftRule::Lifted) {
        after = {};
        dragsTo = origin;
        const PlannedLine& first = loop.plan.lines.front();
        if (first.shape == PlannedShape::XYMove) {
            dragsTo = {asWritten(first.xy.x), asWritten(first.xy.y)};
            after = crossingsOf(loop.drawLines, origin, dragsTo, s.moves.currentZ, s.currentTool);
        }
    }
    tallyTravel(loop, origin, dragsTo, before, after, rule);
}

// An arc that travels drags along its steps; it is never lifted.
void countArcTravel(LineLoop& loop, const Vec2 start)
{
    Vec2 from = start;
    const PrintState& s = loop.state;
    Crossings crossings;
    for (const Vec2 point : loop.arcPoints) {
        const Crossings step = crossingsOf(loop.drawLines, from, point, s.moves.currentZ, s.currentTool);
        crossings.all += step.all;
        crossings.overOuterPerimeters += step.overOuterPerimeters;
        from = point;
    }
    tallyTravel(loop, start, from, crossings, crossings,
                s.chapter == Chapter::Printing ? LiftRule::ArcTravel : LiftRule::OutsidePrinting);
}

void restorePendingFan(LineLoop& loop)
{
    if (loop.state.seenFanControlAfterToolChange) return;
    restoreFan(loop);
    loop.state.seenFanControlAfterToolChange = true;
}

} // namespace

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
    LiftRule liftRule = LiftRule::OutsidePrinting;
    const Rewrite rewrite = planRewrite(loop, line, liftRule);
    if (rewrite == Rewrite::InterfaceBoost || rewrite == Rewrite::InfillBoost) refuseMisreadExtrusion(s);
    restorePendingFan(loop);
    if (rewrite == Rewrite::None)
        keepLine(loop, line);
    else
        writeRewrite(loop, rewrite, line, before, minutes);
    if (loop.countDrags && s.move.pathType == PathType::XYMove) countTravel(loop, liftRule);
    noteMoveDone(loop);
}

void handleArc(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    const MoveState before = s.moves;
    Arc arc;
    s.move = classifyArcLine(s.moves, line, line[1] == '2', arc);
    loop.results.inputMinutes += arcMinutes(before, s.moves, arc);
    if (s.move.pathType == PathType::XYDraw) {
        checkDrawingTool(loop);
        if (s.chapter == Chapter::Printing) updateLayerThickness(s);
        arcPoints(arc, {s.moves.currentX, s.moves.currentY}, loop.arcPoints);
        Vec2 from{before.currentX, before.currentY};
        for (const Vec2 point : loop.arcPoints) {
            fileDrawnPoint(loop, from, point);
            from = point;
        }
    } else if (loop.countDrags && s.move.pathType == PathType::XYMove) {
        arcPoints(arc, {s.moves.currentX, s.moves.currentY}, loop.arcPoints);
        countArcTravel(loop, {before.currentX, before.currentY});
    }
    restorePendingFan(loop);
    keepLine(loop, line);
    noteMoveDone(loop);
}

} // namespace vorlane
