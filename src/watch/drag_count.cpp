// Counting the crossings of travels with other tools' fresh paths.
#include "watch/drag_count.hpp"

#include "gcode/number_text.hpp"
#include "gcode/refusal.hpp"
#include "paths/search_index.hpp"

#include <cmath>

namespace vorlane {

namespace {

void addTravel(DragCounts& counts, const Crossings& crossings)
{
    ++counts.travels;
    if (crossings.all > 0) ++counts.crossingTravels;
    counts.crossings.all += crossings.all;
    counts.crossings.overOuterPerimeters += crossings.overOuterPerimeters;
}

void add(Crossings& sum, const Crossings& more)
{
    sum.all += more.all;
    sum.overOuterPerimeters += more.overOuterPerimeters;
}

// A draw line filed; inline here, where every draw passes.
inline void fileLine(DragCount& count, float z, int tool, bool outerPerimeter, Vec2 from, Vec2 to)
{
    if (std::isnan(z) | std::isnan(from.x) | std::isnan(from.y) | std::isnan(to.x) | std::isnan(to.y)) return;
    if (const StoreLimit limit = appendSegmentQuickly(count.lines, z, tool, from, to); limit != StoreLimit::None)
        throw Refusal(concat("the print holds ", storeLimitText(limit), ", more than Vorlane can keep track of"));
    const std::size_t end = count.lines.vertices.size() - 1;
    if (count.outerPerimeterLines.size() <= end / 64) count.outerPerimeterLines.push_back(0);
    count.outerPerimeterLines[end / 64] |= std::uint64_t{outerPerimeter} << end % 64;
}

// The lines a draw laid: from where it began to where it ended, or along an
// arc's steps.
void fileDraw(DragCount& count, const MoveTold& move)
{
    const bool outer = move.kind == DrawType::Perimeter;
    if (move.arcSteps.empty()) {
        fileLine(count, move.toZ, move.tool, outer, move.from, move.to);
        return;
    }
    Vec2 from = move.from;
    for (const Vec2 step : move.arcSteps) {
        fileLine(count, move.toZ, move.tool, outer, from, step);
        from = step;
    }
}

// A travel as read, and as written: a lifted travel drags only along its flat
// start, before it rises, which ends where its written line says (as a
// printer reads it). An arc that travels drags along its steps.
void countTravel(DragCount& count, long long lineNo, const MoveTold& move)
{
    Crossings before;
    Vec2 end = move.from;
    for (const Vec2 step : move.arcSteps.empty() ? std::span<const Vec2>(&move.to, 1) : move.arcSteps) {
        add(before, crossingsOf(count, end, step, move.toZ, move.tool));
        end = step;
    }
    Crossings after = before;
    Vec2 dragsTo = end;
    if (move.rewrite == Rewrite::Lift) {
        after = {};
        dragsTo = move.from;
        const PlannedLine& first = move.plan->lines.front();
        if (first.shape == PlannedShape::XYMove) {
            dragsTo = first.written.xy;
            after = crossingsOf(count, move.from, dragsTo, move.toZ, move.tool);
        }
    }
    DragTally& tally = count.tally;
    addTravel(tally.before, before);
    addTravel(tally.after, after);
    tally.leftBy[static_cast<std::size_t>(move.liftRule)] += after.all;
    count.last = {lineNo, move.from, dragsTo, after, move.liftRule, move.chapter};
}

void hear(void* context, long long lineNo, const Told& told)
{
    const auto* move = std::get_if<const MoveTold*>(&told);
    if (!move) return;
    DragCount& count = *static_cast<DragCount*>(context);
    if ((*move)->draws)
        fileDraw(count, **move);
    else
        countTravel(count, lineNo, **move);
}

} // namespace

Watcher dragCountWatcher(DragCount& count) { return {hear, &count, false, {}}; }

void fileDrawLine(DragCount& count, float z, int tool, bool outerPerimeter, Vec2 from, Vec2 to)
{
    fileLine(count, z, tool, outerPerimeter, from, to);
}

Crossings crossingsOf(DragCount& count, Vec2 from, Vec2 to, float z, int tool)
{
    Crossings crossings;
    if (std::isnan(z)) return crossings;
    const auto tooLow = [z](float height) { return !(z - height < NOZZLE_HEIGHT_TOLERANCE_MM); };
    const auto tooHigh = [z](float height) { return !(height - z < NOZZLE_HEIGHT_TOLERANCE_MM); };
    SlotFilter otherTools;
    if (tool >= 0 && tool < TOOL_SLOTS) otherTools.tools &= static_cast<std::uint16_t>(~(1u << tool));
    // The segments of a piece come one after another: the side of the
    // travel each point lies on is worked out once for the two it ends and
    // begins.
    Vec2 sidePoint{};
    double side = 0;
    forEachSegmentInWindowInAnyOrder(
        count.lines, searchQueryOf(from, to), tooLow, tooHigh, otherTools, z, count.window,
        [&](const LayerEntry&, int, Vec2 prev, Vec2 vertex, std::uint32_t end) {
            const double prevSide = prev == sidePoint ? side : sideOf(from, to, prev);
            side = sideOf(from, to, vertex);
            sidePoint = vertex;
            if (!onOppositeSides(prevSide, side) ||
                !onOppositeSides(sideOf(prev, vertex, from), sideOf(prev, vertex, to)))
                return;
            ++crossings.all;
            if (count.outerPerimeterLines[end / 64] >> end % 64 & 1u) ++crossings.overOuterPerimeters;
        });
    return crossings;
}

const CountedTravel* draggingTravelOf(const DragCount& count, long long lineNo)
{
    const CountedTravel& last = count.last;
    if (last.lineNo != lineNo || last.after.all == 0 || last.chapter != Chapter::Printing) return nullptr;
    return &last;
}

} // namespace vorlane
