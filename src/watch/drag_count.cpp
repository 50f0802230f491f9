// Counting the crossings of travels with other tools' fresh paths.
#include "watch/drag_count.hpp"

#include "gcode/number_text.hpp"
#include "gcode/refusal.hpp"
#include "paths/search_index.hpp"

#include <algorithm>
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

const LayerCollection& linesOf(const DragCount& count)
{
    return count.sharedLines ? *count.sharedLines : count.ownLines;
}

// A draw line filed; inline here, where every draw passes.
inline void fileLine(DragCount& count, float z, int tool, bool outerPerimeter, Vec2 from, Vec2 to)
{
    if (static_cast<int>(std::isnan(z)) | static_cast<int>(std::isnan(from.x)) | static_cast<int>(std::isnan(from.y)) |
        static_cast<int>(std::isnan(to.x)) | static_cast<int>(std::isnan(to.y)))
        return;
    if (const StoreLimit limit = appendSegmentQuickly(count.ownLines, z, tool, from, to); limit != StoreLimit::None)
        throw Refusal(concat("the print holds ", storeLimitText(limit), ", more than Vorlane can keep track of"));
    const std::size_t end = count.ownLines.vertices.size() - 1;
    if (count.outerPerimeterLines.size() <= end / 64) count.outerPerimeterLines.push_back(0);
    count.outerPerimeterLines[end / 64] |= std::uint64_t{outerPerimeter} << end % 64;
}

// Marks the lines that end at vertices `begin` to `end` of the shared lines
// as an outer perimeter's (a vertex that starts a run ends no line, and no
// search reads its bit). The bits go only as far as the last outer
// perimeter's.
[[gnu::always_inline]] inline void markOuterPerimeter(DragCount& count, std::size_t begin, std::size_t end)
{
    std::vector<std::uint64_t>& bits = count.outerPerimeterLines;
    if (bits.size() < (end + 63) / 64) [[unlikely]]
        bits.resize((end + 63) / 64);
    for (std::size_t v = begin; v < end; ++v)
        bits[v / 64] |= std::uint64_t{1} << v % 64;
}

// A line a draw laid (a straight draw's, or an arc's step). A purge tower's
// (or prime pillar's) is crossed without harm to the print: it is not kept.
// Where the count shares the pass's lines, the pass filed it before it told
// the draw, and `allLinesEnd` is where they reached then: every vertex
// since the last draw told is one of this draw's.
[[gnu::always_inline]] inline void fileDrawn(DragCount& count, DrawType kind, int tool, float z, Vec2 from, Vec2 to,
                                             std::size_t allLinesEnd)
{
    if (kind == DrawType::PrimePillar) return;
    const bool outer = kind == DrawType::Perimeter;
    if (!count.sharedLines) {
        fileLine(count, z, tool, outer, from, to);
        return;
    }
    if (outer) markOuterPerimeter(count, count.toldVertices, allLinesEnd);
    count.toldVertices = allLinesEnd;
}

// The lines a draw laid: from where it began to where it ended, or along an
// arc's steps.
void fileDraw(DragCount& count, const MoveTold& move)
{
    const std::size_t allLinesEnd = count.sharedLines ? count.sharedLines->vertices.size() : 0;
    Vec2 from = move.from;
    for (const Vec2 to : move.arcSteps.empty() ? std::span<const Vec2>(&move.to, 1) : move.arcSteps) {
        fileDrawn(count, move.kind, move.tool, move.toZ, from, to, allLinesEnd);
        from = to;
    }
}

// What a travel crosses along its straight pieces, each from its start to
// its end height, and where the last piece that crosses ends.
struct Dragged {
    Crossings crossings;
    Vec2 to;
};

void addPiece(DragCount& count, Dragged& dragged, Vec2 from, Vec2 to, double fromZ, double toZ, int tool)
{
    const Crossings piece = crossingsOf(count, from, to, fromZ, toZ, tool);
    if (piece.all == 0) return;
    add(dragged.crossings, piece);
    dragged.to = to;
}

// A travel as read: along its line, or its arc's steps, its height rising or
// falling evenly with the distance travelled.
Dragged asRead(DragCount& count, const MoveTold& move)
{
    Dragged dragged{{}, move.to};
    if (move.arcSteps.empty()) {
        addPiece(count, dragged, move.from, move.to, move.fromZ, move.toZ, move.tool);
        return dragged;
    }
    const double rise = static_cast<double>(move.toZ) - move.fromZ;
    const auto steps = static_cast<double>(move.arcSteps.size());
    Vec2 from = move.from;
    for (std::size_t k = 0; k < move.arcSteps.size(); ++k) {
        const double fromZ = move.fromZ + rise * static_cast<double>(k) / steps;
        const double toZ = move.fromZ + rise * static_cast<double>(k + 1) / steps;
        addPiece(count, dragged, from, move.arcSteps[k], fromZ, toZ, move.tool);
        from = move.arcSteps[k];
    }
    dragged.to = from;
    return dragged;
}

// A lifted travel as written, each of its lines from where the one before
// left the head, its numbers as a printer reads them: the flat start at the
// height before the travel, the rise, the travel high.
Dragged asWritten(DragCount& count, const MoveTold& move)
{
    Dragged dragged{{}, move.from};
    Vec2 at = move.from;
    double z = move.fromZ;
    for (const PlannedLine& line : move.plan->lines) {
        const bool movesXY = line.shape == PlannedShape::XYMove || line.shape == PlannedShape::XYZMove;
        const bool movesZ = line.shape == PlannedShape::ZMove || line.shape == PlannedShape::XYZMove;
        const Vec2 to = movesXY ? line.written.xy : at;
        const double toZ = movesZ ? line.written.z : z;
        if (movesXY) addPiece(count, dragged, at, to, z, toZ, move.tool);
        at = to;
        z = toZ;
    }
    return dragged;
}

// A travel as read, and as written: a lifted travel drags only where its
// lines still pass at the height of paths. The tally keeps both, with the
// rule that left what still drags.
void countTravel(DragCount& count, long long lineNo, const MoveTold& move)
{
    const Dragged before = asRead(count, move);
    const Dragged after = move.rewrite == Rewrite::Lift ? asWritten(count, move) : before;
    DragTally& tally = count.tally;
    addTravel(tally.before, before.crossings);
    addTravel(tally.after, after.crossings);
    tally.leftBy[static_cast<std::size_t>(move.liftRule)] += after.crossings.all;
    count.last = {lineNo, move.from, after.to, after.crossings, move.liftRule, move.chapter};
}

// Draws told together, each as if told alone.
void fileDraws(DragCount& count, std::span<const DrawTold> draws)
{
    for (const DrawTold& draw : draws)
        fileDrawn(count, draw.kind, draw.tool, draw.z, draw.from, draw.to, draw.allLinesEnd);
}

void hear(void* context, long long lineNo, const Told& told)
{
    DragCount& count = *static_cast<DragCount*>(context);
    if (const DrawsTold* draws = std::get_if<DrawsTold>(&told)) {
        fileDraws(count, draws->draws);
        return;
    }
    const auto* move = std::get_if<const MoveTold*>(&told);
    if (!move) return;
    if ((*move)->draws)
        fileDraw(count, **move);
    else
        countTravel(count, lineNo, **move);
}

} // namespace

Watcher dragCountWatcher(DragCount& count) { return {hear, &count, false, {}}; }

void shareLines(DragCount& count, const LayerCollection& allLines)
{
    count.sharedLines = &allLines;
    count.toldVertices = allLines.vertices.size();
}

Crossings crossingsOf(DragCount& count, Vec2 from, Vec2 to, double fromZ, double toZ, int tool)
{
    Crossings crossings;
    if (std::isnan(fromZ) || std::isnan(toZ)) return crossings;
    // A level travel's height is a float, and the paths at the nozzle's
    // height are those whose layers lie within its reach. A travel that
    // moves Z takes the layers its reach may meet on the way; a crossing
    // there counts where the nozzle then stands within reach of the path.
    const bool level = fromZ == toZ;
    const auto low = static_cast<float>(std::min(fromZ, toZ)), high = static_cast<float>(std::max(fromZ, toZ));
    const float reach = level ? NOZZLE_HEIGHT_TOLERANCE_MM : 2 * NOZZLE_HEIGHT_TOLERANCE_MM;
    const auto tooLow = [low, reach](float height) { return !(low - height < reach); };
    const auto tooHigh = [high, reach](float height) { return !(height - high < reach); };
    SlotFilter otherTools;
    if (tool >= 0 && tool < TOOL_SLOTS) otherTools.tools &= static_cast<std::uint16_t>(~(1u << tool));
    // The segments of a piece come one after another: the side of the
    // travel each point lies on is worked out once for the two it ends and
    // begins.
    Vec2 sidePoint{};
    double side = 0;
    forEachSegmentInWindowInAnyOrder(
        linesOf(count), searchQueryOf(from, to), tooLow, tooHigh, otherTools, WindowKey{low, high}, count.window,
        [&](const LayerEntry& entry, int, Vec2 prev, Vec2 vertex, std::uint32_t end) {
            const double prevSide = prev == sidePoint ? side : sideOf(from, to, prev);
            side = sideOf(from, to, vertex);
            sidePoint = vertex;
            if (!onOppositeSides(prevSide, side)) return;
            const double fromSide = sideOf(prev, vertex, from), toSide = sideOf(prev, vertex, to);
            if (!onOppositeSides(fromSide, toSide)) return;
            if (!level) {
                const double along = fromSide / (fromSide - toSide);
                const double height = fromZ + along * (toZ - fromZ);
                if (!(std::fabs(height - entry.z) < static_cast<double>(NOZZLE_HEIGHT_TOLERANCE_MM))) return;
            }
            ++crossings.all;
            if (end / 64 < count.outerPerimeterLines.size() && count.outerPerimeterLines[end / 64] >> end % 64 & 1u)
                ++crossings.overOuterPerimeters;
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
