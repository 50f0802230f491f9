// G1 classification: a move that changes X or Y draws when its E amount is
// positive and travels otherwise; a move that only changes Z is a Z move.
#include "gcode/move.hpp"

#include "gcode/words.hpp"

namespace vorlane {

namespace {

// Takes the coordinate if the line carries it; returns how far it moved.
float follow(const WordTable& words, char letter, bool relative, bool& found, float& current)
{
    found = words.has(letter);
    if (!found) return 0;
    const float value = relative ? current + words[letter] : words[letter];
    const float distance = value - current;
    current = value;
    return distance;
}

} // namespace

MoveResult classifyMoveLine(MoveState& state, std::string_view line)
{
    const WordTable words = parseGCodeValues(stripTrailingComment(line));
    MoveResult move;
    const bool relative = state.relativePositioning;
    const float x = state.currentX, y = state.currentY;
    bool zFound = false;
    move.xDistance = follow(words, 'X', relative, move.xFound, state.currentX);
    move.yDistance = follow(words, 'Y', relative, move.yFound, state.currentY);
    move.zDistance = follow(words, 'Z', relative, zFound, state.currentZ);
    if (move.xFound) state.prevX = x;
    if (move.yFound) state.prevY = y;
    move.eFound = words.has('E');
    if (move.eFound) {
        const double word = exactValueOf(words.eText);
        if (state.absoluteExtrusion && !relative) {
            move.eDistance = static_cast<float>(word - state.extruderPosition_MM);
            state.extruderPosition_MM = word;
        } else {
            move.eDistance = words['E'];
            state.extruderPosition_MM += word;
        }
        state.currentE = move.eDistance;
    }
    if (words.has('F')) {
        state.currentF = words['F'];
        state.feedRateSeen = true;
    }

    if (move.xDistance != 0.0f || move.yDistance != 0.0f) {
        if (move.eDistance > 0.0f) {
            move.pathType = PathType::XYDraw;
            move.beginDraw = state.currentPathType != PathType::XYDraw;
        } else {
            move.pathType = PathType::XYMove;
        }
    } else if (move.zDistance != 0.0f) {
        move.pathType = PathType::Zmove;
    }
    return move;
}

void setPosition(MoveState& state, std::string_view line)
{
    const WordTable words = parseGCodeValues(stripTrailingComment(line));
    if (words.has('E'))
        state.extruderPosition_MM = exactValueOf(words.eText);
    else if (!words.has('X') && !words.has('Y') && !words.has('Z'))
        state.extruderPosition_MM = 0;
}

} // namespace vorlane
