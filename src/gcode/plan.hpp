// What a rewrite writes in place of a line: its comment lines, blank lines
// and moves, in order. A rewrite fills a plan and writes nothing; each line's
// text is made once, as it is planned, and each move keeps its numbers as
// that text reads back. The line loop writes the text, and counts and prices
// the moves from those numbers, so that nothing written is ever read back. A
// plan is cleared and refilled for every line it serves, keeping its room,
// so that planning allocates nothing once warm.
#pragma once

#include "gcode/number_text.hpp"
#include "gcode/out_buffer.hpp"
#include "gcode/writers.hpp"
#include "geometry/vec2.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// Each shape of move is the line of one writer.
enum class PlannedShape : std::uint8_t {
    Text,     // a comment or blank line
    ZMove,    // G1 Z F
    XYMove,   // G1 X Y F
    XYZMove,  // G1 X Y Z F
    FeedRate, // G1 F
    XYEFDraw, // G1 X Y E F
};

struct PlannedLine {
    PlannedShape shape;
    // A move's numbers as its text reads back.
    WrittenValues written;
};

struct Plan {
    std::vector<PlannedLine> lines;
    // Every line's text, line ends included, in order.
    std::string text;
    // A rewritten draw's extrusion factor over what lies below it, for the
    // report.
    float factor = 1.0f;
};

inline void clear(Plan& plan)
{
    plan.lines.clear();
    plan.text.clear();
    plan.factor = 1.0f;
}

// A comment or blank line from parts, numbers in the program's number text.
template <typename... Parts> void planText(Plan& plan, const Parts&... parts)
{
    appendParts(plan.text, parts...);
    plan.text += '\n';
    plan.lines.push_back({PlannedShape::Text, {}});
}

inline void planZMove(Plan& plan, float z, float feedRate)
{
    plan.lines.push_back({PlannedShape::ZMove, writeZMoveLine(plan.text, z, feedRate)});
}
inline void planXYMove(Plan& plan, Vec2 xyDest, float feedRate)
{
    plan.lines.push_back({PlannedShape::XYMove, writeXYMove(plan.text, xyDest, feedRate)});
}
inline void planXYZMove(Plan& plan, Vec2 xyDest, float z, float feedRate)
{
    plan.lines.push_back({PlannedShape::XYZMove, writeXYZMove(plan.text, xyDest, z, feedRate)});
}
inline void planFeedRate(Plan& plan, float feedRate)
{
    plan.lines.push_back({PlannedShape::FeedRate, writeFeedRate(plan.text, feedRate)});
}
inline void planXYEFDraw(Plan& plan, Vec2 xyDest, float e, float feedRate)
{
    plan.lines.push_back({PlannedShape::XYEFDraw, writeXYEFDraw(plan.text, xyDest, e, feedRate)});
}

// Every line of the plan, in order.
inline void writePlan(OutBuffer& out, const Plan& plan) { writeLines(out, plan.text); }

// How many lines of the plan draw.
inline int drawLinesOf(const Plan& plan)
{
    int draws = 0;
    for (const PlannedLine& line : plan.lines)
        draws += line.shape == PlannedShape::XYEFDraw ? 1 : 0;
    return draws;
}

} // namespace vorlane
