// What the lift is for, as a number: the crossings of travels with paths
// other tools have drawn at the nozzle's height, where the tip drags across
// their tops. Counted for the travels as read and as written, with the rule
// that left each crossing travel as it was.
#pragma once

#include "lift/lift.hpp"
#include "paths/layers.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace vorlane {

// Every draw line, kept for counting: a segment from where the draw began to
// where it ended (an arc's steps each one). A travel only ever looks at the
// lines at its own height, and there at the few its box meets: the lines lie
// in chunks of a few of one tool at one height, with the box around them,
// and the chunks in bands of height as wide as the nozzle's reach. A chunk
// keeps its lines as points, a line that goes on from the last one adding
// only its end.
struct DrawChunk {
    Vec2 low, high;
    float z;
    std::uint32_t first;           // its first point
    std::uint32_t starts;          // bit i: point first + i begins lines, it ends none
    std::uint32_t outerPerimeters; // bit i: the line that ends at point first + i is an outer perimeter's
    std::uint8_t points;
    std::uint8_t tool;
};
// The box around each run of BLOCK_CHUNKS chunks of a band, so that a
// travel passes most of a layer's chunks by a block at a time.
struct DrawBlock {
    Vec2 low, high;
};
inline constexpr std::size_t BLOCK_CHUNKS = 16;
struct DrawBand {
    std::int64_t key;
    std::vector<DrawChunk> chunks;
    std::vector<DrawBlock> blocks;
};
struct DrawLines {
    PagedList<Vec2> points;
    std::vector<DrawBand> bands;
    // Band numbers plus one by key, open addressing; 0 is a free place.
    std::vector<std::uint32_t> bandTable;
    std::uint32_t lastBand = 0; // the band of the last line
};

// Files a draw line. A line with a coordinate or height that is not a number
// crosses nothing and is left out.
StoreLimit fileDrawLine(DrawLines& lines, float z, int tool, bool outerPerimeter, Vec2 from, Vec2 to);

// Draw lines less than this far above or below a travel are at the nozzle's
// height: the tip touches their tops.
inline constexpr float NOZZLE_HEIGHT_TOLERANCE_MM = 0.02f;

struct Crossings {
    long long all = 0;
    long long overOuterPerimeters = 0;
};

// The crossings of a travel's segment at height z with other tools' draw
// lines at the nozzle's height: pairs whose segments properly intersect,
// each one's ends strictly on either side of the other's line, computed in
// 64 bits. Touching or overlapping is no crossing.
Crossings crossingsOf(const DrawLines& lines, Vec2 from, Vec2 to, float z, int tool);

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

void addTravel(DragCounts& counts, const Crossings& crossings);

} // namespace vorlane
