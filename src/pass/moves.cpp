// Moves: following them, filing what they draw, writing them as they were
// read or as the plan of a rewrite, and telling the watchers what each did.
#include "pass/line_actions.hpp"

#include "gcode/refusal.hpp"
#include "gcode/words.hpp"
#include "gcode/writers.hpp"
#include "pass/print_time.hpp"

namespace vorlane {

namespace {

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

[[noreturn]] void refuseDrawingTool(LineLoop& loop)
{
    const PrintState& s = loop.state;
    if (s.currentTool < 0) say(loop.console, concat("line: ", loop.lineNo, " drawing with tool of ", s.currentTool));
    throw Refusal(concat("tool ", s.currentTool, " is outside 0 to ", TOOL_SLOTS - 1));
}

// A draw is filed with the tool drawing it, which must have a slot.
inline void checkDrawingTool(LineLoop& loop)
{
    if (loop.state.currentTool < 0 || loop.state.currentTool >= TOOL_SLOTS) refuseDrawingTool(loop);
}

// Files the end of a draw, or of an arc's step, begun at `from`, in the
// collections, and (but for the classic lift) its line among all lines.
void fileDrawnPoint(LineLoop& loop, Vec2 from, Vec2 point)
{
    PrintState& s = loop.state;
    const DrawContext draw{s.section, s.currentTool, point.x, point.y, s.moves.currentZ, from};
    StoreLimit limit = StoreLimit::None;
    if (allLinesKept(loop)) limit = collectLine(loop.layers, draw);
    if (limit == StoreLimit::None) limit = collectDraw(loop.layers, draw, s.move.beginDraw);
    if (limit != StoreLimit::None)
        throw Refusal(concat("the print holds ", storeLimitText(limit), ", more than Vorlane can keep track of"));
    if (s.section == DrawType::SupportMain) s.toolForMain = s.currentTool;
    if (s.section == DrawType::StackedInfill) s.toolForInfill = s.currentTool;
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

// Plans a draw's rewrite with `planIt`. A draw that would be rewritten from a
// misread extruder position is refused for that, before any of its plan's
// numbers is (a misread amount makes them huge).
template <typename PlanIt> bool plannedRewrite(const PrintState& s, PlanIt planIt)
{
    bool planned = false;
    try {
        planned = planIt();
    } catch (const Refusal&) {
        refuseMisreadExtrusion(s);
        throw;
    }
    if (planned) refuseMisreadExtrusion(s);
    return planned;
}

// Read generically, the printing runs from the first draw to the end, and a
// draw above every draw before it begins a layer.
void beginLayerAtDraw(LineLoop& loop)
{
    PrintState& s = loop.state;
    s.chapter = Chapter::Printing;
    if (!(s.moves.currentZ > s.highestDrawZ)) return;
    s.highestDrawZ = s.moves.currentZ;
    tellLayer(loop);
}

// Files the draw and plans its rewrite, if one applies. A draw written in
// relative positioning is copied as it is: the rewrites write absolute
// coordinates. Within a tool-change block nothing is rewritten: its paths
// belong to the tool change.
Rewrite handleDraw(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    checkDrawingTool(loop);
    if (loop.dialect->layersFromDraws) beginLayerAtDraw(loop);
    if (s.chapter == Chapter::Printing) updateLayerThickness(s);
    fileDrawnPoint(loop, moveOrigin(s.moves, s.move), {s.moves.currentX, s.moves.currentY});
    if (s.moves.relativePositioning || s.toolChangeBlocks > 0) return Rewrite::None;
    if (s.section == DrawType::SupportInterface && !loop.settings.noInterfaceBoost && plannedRewrite(s, [&] {
            return planInterfaceBoost(drawToRewrite(s, line), toolBelow(s, s.toolForMain), loop.layers, loop.settings,
                                      loop.crossingScratch, loop.plan);
        }))
        return Rewrite::InterfaceBoost;
    if (s.section == DrawType::TopInfill && !loop.settings.noInfillBoost && plannedRewrite(s, [&] {
            return planInfillBoost(drawToRewrite(s, line), toolBelow(s, s.toolForInfill), loop.layers, loop.settings,
                                   loop.crossingScratch, loop.plan);
        }))
        return Rewrite::InfillBoost;
    return Rewrite::None;
}

// The first rule that keeps the travel just classified from being lifted,
// or Lifted (its plan then made). The travels after a tool change go to the
// decision as any other, from where the file left the head, unless the run
// asks to copy them (the classic lift too); one the slicer marks as from an
// unknown position is lifted where the head stands, whatever its length. A
// lifted travel is written in absolute coordinates and with the travel's
// feed rate: under G91, or before the file has set any feed rate, the
// travel is copied as it is. So is a travel
// that moves the extruder (a retraction or prime on the travel): the lifted
// travel's lines carry no E, and the amount would be lost.
LiftRule handleTravel(LineLoop& loop, std::string_view line, const MoveState& before, LiftDecision& decision,
                      bool& decided)
{
    const PrintState& s = loop.state;
    if (s.chapter != Chapter::Printing) return LiftRule::OutsidePrinting;
    if (s.toolChangeBlocks > 0) return LiftRule::InToolChangeBlock;
    if (!s.seenMoveAfterToolchange && (loop.settings.classicLift || loop.settings.noLiftAfterToolChange))
        return loop.dialect->toolReady == ToolReady::AfterFirstMove ? LiftRule::BeforeFirstMove
                                                                    : LiftRule::BeforeFirstDraw;
    if (s.moves.relativePositioning || !s.moves.feedRateSeen) return LiftRule::RelativeOrNoFeedRate;
    if (s.move.eDistance != 0.0f) return LiftRule::MovesExtruder;
    if (loop.settings.noLift) return LiftRule::NoLift;
    const Vec2 origin = moveOrigin(s.moves, s.move), terminus{s.moves.currentX, s.moves.currentY};
    const TravelMove travel{origin,           terminus,      normalized(terminus - origin),
                            s.moves.currentZ, s.currentTool, before.currentZ};
    decided = true;
    if (!loop.settings.classicLift && !loop.settings.noLiftAfterToolChange &&
        fromUnknownPosition(*loop.dialect, line)) {
        decision = liftInPlace(travel, loop.settings);
        planLiftInPlace(decision, travel, s.moves.currentF, loop.settings.liftFeedRate, line, loop.plan);
        return decision.rule;
    }
    decision = decideLift(travel, loop.layers, loop.settings, loop.liftScratch);
    if (decision.rule == LiftRule::Lifted)
        planLiftedTravel(decision, travel, s.moves.currentF, loop.settings.liftFeedRate, line, loop.plan);
    return decision.rule;
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

void restorePendingFan(LineLoop& loop)
{
    if (loop.state.seenFanControlAfterToolChange) return;
    restoreFan(loop);
    loop.state.seenFanControlAfterToolChange = true;
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
    RunResults& r = loop.results;
    const double added = planMinutes(before, loop.plan) - lineMinutes;
    r.addedMinutes += added;
    const bool split = drawLinesOf(loop.plan) >= 2;
    if (rewrite == Rewrite::Lift) ++r.liftedTravels, r.liftMinutes += added;
    if (rewrite == Rewrite::InterfaceBoost) ++r.interfaceDraws, r.interfaceSplit += split ? 1 : 0;
    if (rewrite == Rewrite::InfillBoost) ++r.infillDraws, r.infillSplit += split ? 1 : 0;
}

// After a tool change the head stands where the file says once the new tool
// has made its first move or its first draw, as the slicer's dialect says.
void noteMoveDone(LineLoop& loop)
{
    PrintState& s = loop.state;
    s.seenMoveAfterToolchange = loop.dialect->toolReady == ToolReady::AfterFirstMove || s.seenMoveAfterToolchange ||
                                s.move.pathType == PathType::XYDraw;
    s.moves.currentPathType = s.move.pathType;
}

// What the move line just classified did, for the watchers.
MoveTold moveTold(const LineLoop& loop, const MoveState& before)
{
    const PrintState& s = loop.state;
    MoveTold told;
    told.draws = s.move.pathType == PathType::XYDraw;
    told.from = {before.currentX, before.currentY};
    told.to = {s.moves.currentX, s.moves.currentY};
    told.fromZ = before.currentZ;
    told.toZ = s.moves.currentZ;
    told.tool = s.currentTool;
    told.kind = s.section;
    told.chapter = s.chapter;
    return told;
}

// A straight draw copied as it was, held to be told with the next ones.
void holdDraw(LineLoop& loop, const MoveState& before)
{
    const PrintState& s = loop.state;
    const LayerCollection* allLines = allLinesKept(loop);
    loop.heldDraws.push_back({{before.currentX, before.currentY},
                              {s.moves.currentX, s.moves.currentY},
                              s.moves.currentZ,
                              s.currentTool,
                              s.section,
                              allLines ? static_cast<std::uint32_t>(allLines->vertices.size()) : 0});
    if (loop.heldDraws.size() == HELD_DRAWS) tellHeldDraws(loop);
}

// What the move line did, for the watchers, if it drew or travelled in X
// and Y: a draw copied as it was is held, to be told with the next ones.
void tellMove(LineLoop& loop, const MoveState& before, Rewrite rewrite, LiftRule liftRule, const LiftDecision* decision)
{
    const PathType type = loop.state.move.pathType;
    if (type != PathType::XYDraw && type != PathType::XYMove) return;
    if (type == PathType::XYDraw && rewrite == Rewrite::None) {
        holdDraw(loop, before);
        return;
    }
    MoveTold told = moveTold(loop, before);
    told.liftRule = liftRule;
    told.decision = decision;
    told.rewrite = rewrite;
    told.plan = rewrite == Rewrite::None ? nullptr : &loop.plan;
    tell(loop, &told);
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
    Rewrite rewrite = Rewrite::None;
    LiftRule liftRule = LiftRule::OutsidePrinting;
    LiftDecision decision;
    bool decided = false;
    if (s.move.pathType == PathType::XYDraw) {
        rewrite = handleDraw(loop, line);
    } else if (s.move.pathType == PathType::XYMove) {
        liftRule = handleTravel(loop, line, before, decision, decided);
        if (liftRule == LiftRule::Lifted) rewrite = Rewrite::Lift;
    }
    if (!loop.watchers.empty()) tellMove(loop, before, rewrite, liftRule, decided ? &decision : nullptr);
    restorePendingFan(loop);
    if (rewrite == Rewrite::None)
        keepLine(loop, line);
    else
        writeRewrite(loop, rewrite, line, before, minutes);
    noteMoveDone(loop);
}

void handleArc(LineLoop& loop, std::string_view line)
{
    PrintState& s = loop.state;
    const MoveState before = s.moves;
    Arc arc;
    s.move = classifyArcLine(s.moves, line, line[1] == '2', arc);
    loop.results.inputMinutes += arcMinutes(before, s.moves, arc);
    const bool draws = s.move.pathType == PathType::XYDraw;
    const bool told = !loop.watchers.empty() && (draws || s.move.pathType == PathType::XYMove);
    if (draws) {
        checkDrawingTool(loop);
        if (loop.dialect->layersFromDraws) beginLayerAtDraw(loop);
        if (s.chapter == Chapter::Printing) updateLayerThickness(s);
    }
    if (draws || told) arcPoints(arc, {s.moves.currentX, s.moves.currentY}, loop.arcPoints);
    if (draws) {
        Vec2 from{before.currentX, before.currentY};
        for (const Vec2 point : loop.arcPoints) {
            fileDrawnPoint(loop, from, point);
            from = point;
        }
    }
    if (told) {
        MoveTold move = moveTold(loop, before);
        move.arcSteps = loop.arcPoints;
        move.liftRule = s.chapter == Chapter::Printing ? LiftRule::ArcTravel : LiftRule::OutsidePrinting;
        tell(loop, &move);
    }
    restorePendingFan(loop);
    keepLine(loop, line);
    noteMoveDone(loop);
}

} // namespace vorlane
