// What a rewrite writes in place of a line: its comment lines, blank lines
// and moves, in order, each move with the values it is written from. A
// rewrite fills a plan and writes nothing; the line loop writes the plan
// through the G-code writers, counts it and prices it, so that nothing
// written is ever read back. A plan is cleared and refilled for every line it
// serves, keeping its room, so that planning allocates nothing once warm.
#pragma once

#include "gcode/number_text.hpp"
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
    Vec2 xy;
    float z = 0, e = 0, feedRate = 0;
    // Of a Text line: its bytes in Plan::text.
    std::uint32_t textBegin = 0, textEnd = 0;
};

struct Plan {
    std::vector<PlannedLine> lines;
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

inline std::string_view textOf(const Plan& plan, const PlannedLine& line)
{
    return std::string_view(plan.text).substr(line.textBegin, line.textEnd - line.textBegin);
}

// A comment or blank line from parts, numbers in the program's number text.
template <typename... Parts> void planText(Plan& plan, const Parts&... parts)
{
    const auto begin = static_cast<std::uint32_t>(plan.text.size());
    appendParts(plan.text, parts...);
    plan.lines.push_back({PlannedShape::Text, {}, 0, 0, 0, begin, static_cast<std::uint32_t>(plan.text.size())});
}

inline void planZMove(Plan& plan, float z, float feedRate)
{
    plan.lines.push_back({PlannedShape::ZMove, {}, z, 0, feedRate});
}
inline void planXYMove(Plan& plan, Vec2 xyDest, float feedRate)
{
    plan.lines.push_back({PlannedShape::XYMove, xyDest, 0, 0, feedRate});
}
inline void planXYZMove(Plan& plan, Vec2 xyDest, float z, float feedRate)
{
    plan.lines.push_back({PlannedShape::XYZMove, xyDest, z, 0, feedRate});
}
inline void planFeedRate(Plan& plan, float feedRate)
{
    plan.lines.push_back({PlannedShape::FeedRate, {}, 0, 0, feedRate});
}
inline void planXYEFDraw(Plan& plan, Vec2 xyDest, float e, float feedRate)
{
    plan.lines.push_back({PlannedShape::XYEFDraw, xyDest, 0, e, feedRate});
}

// How many lines of the plan draw.
inline int drawLinesOf(const Plan& plan)
{
    int draws = 0;
    for (const PlannedLine& line : plan.lines)
        draws += line.shape == PlannedShape::XYEFDraw ? 1 : 0;
    return draws;
}

} // namespace vorlane
