// What the lift is for, as a number: the crossings of travels with paths
// other tools have drawn at the nozzle's height, where the tip drags across
// their tops. Counted for the travels as read and as written, with the rule
// that left each crossing travel as it was; it listens to the pass.
#pragma once

#include "lift/lift.hpp"
#include "pass/told.hpp"
#include "paths/layers.hpp"
#include "paths/search_index.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace vorlane {

// Draw lines less than this far above or below a travel are at the nozzle's
// height: the tip touches their tops.
inline constexpr float NOZZLE_HEIGHT_TOLERANCE_MM = 0.02f;

struct Crossings {
    long long all = 0;
    long long overOuterPerimeters = 0;
};

// What the travels cross, as read (before) and as written (after).
struct DragCounts {
    long long travels = 0;
    long long crossingTravels = 0;
    Crossings crossings;
};

struct DragTally {
    DragCounts before, after;
    // The crossings each rule left, as written.
    std::array<long long, LIFT_RULES> leftBy{};
};

// The last travel counted, as written: where it drags from and to (to the
// end of its last line that crosses), what it crosses, and why it was left
// so.
struct CountedTravel {
    long long lineNo = 0;
    Vec2 from, dragsTo;
    Crossings after;
    LiftRule rule = LiftRule::OutsidePrinting;
    Chapter chapter = Chapter::None;
};

// Every draw line, a segment from where the draw began to where it ended (an
// arc's steps each one), by the tool that drew it, purge towers apart: the
// lift's collections of kinds join a kind's end points across other kinds'
// draws, and keep prime pillars under one tool, but the count needs the
// lines as drawn and by whom. The pass's collection of every line is such a
// store: where the pass keeps it, the count searches it; else (the classic
// lift keeps none) the count files the lines in a store of its own.
struct DragCount {
    LayerCollection ownLines;
    const LayerCollection* sharedLines = nullptr;
    // The index's nodes around the height of the last travel counted.
    WindowNodes window;
    // Bit v: the line that ends at vertex v is an outer perimeter's (none
    // past the last bit kept).
    std::vector<std::uint64_t> outerPerimeterLines;
    // The vertices of the shared lines that a draw told so far has filed.
    std::size_t toldVertices = 0;
    DragTally tally;
    CountedTravel last;
};

// The watcher that counts.
Watcher dragCountWatcher(DragCount& count);

// Counts over `allLines`, the collection of every line the pass files
// before it tells each draw, instead of filing them again.
void shareLines(DragCount& count, const LayerCollection& allLines);

// The crossings of a travel's segment with other tools' draw lines at the
// nozzle's height (crossesExactly): its height goes from fromZ to toZ evenly
// along it, and a crossing counts where it lies less than
// NOZZLE_HEIGHT_TOLERANCE_MM from the crossed line's height. Purge towers
// are not kept: crossing them harms no print.
Crossings crossingsOf(DragCount& count, Vec2 from, Vec2 to, double fromZ, double toZ, int tool);

// The travel of line `lineNo` when it was counted and drags across another
// colour while printing, else nothing: what the console and the report show.
const CountedTravel* draggingTravelOf(const DragCount& count, long long lineNo);

} // namespace vorlane
