// Move classification: a move that changes X or Y draws when its E amount is
// positive and travels otherwise; a move that only changes Z is a Z move. An
// arc draws whenever its E amount is positive (a full circle ends where it
// began).
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

// The words every move carries: the position, the extruder and the feed
// rate followed, the distances moved.
MoveResult followMove(MoveState& state, const WordTable& words)
{
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
        const double word = words.eExact;
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
    return move;
}

void classifyDraw(const MoveState& state, MoveResult& move)
{
    move.pathType = PathType::XYDraw;
    move.beginDraw = state.currentPathType != PathType::XYDraw;
}

} // namespace

MoveResult classifyMoveLine(MoveState& state, std::string_view line)
{
    MoveResult move = followMove(state, parseGCodeValues(stripTrailingComment(line)));
    if (move.xDistance != 0.0f || move.yDistance != 0.0f) {
        if (move.eDistance > 0.0f)
            classifyDraw(state, move);
        else
            move.pathType = PathType::XYMove;
    } else if (move.zDistance != 0.0f) {
        move.pathType = PathType::Zmove;
    }
    return move;
}

MoveResult classifyArcLine(MoveState& state, std::string_view line, bool clockwise, Arc& arc)
{
    const WordTable words = parseGCodeValues(stripTrailingComment(line));
    const Vec2 start{state.currentX, state.currentY};
    MoveResult move = followMove(state, words);
    const ArcWords arcWords{words.has('I'), words.has('J'), words.has('R'), words['I'], words['J'], words['R']};
    arc = arcOf(start, {state.currentX, state.currentY}, arcWords, clockwise);
    if (move.eDistance > 0.0f)
        classifyDraw(state, move);
    else if (move.xDistance != 0.0f || move.yDistance != 0.0f)
        move.pathType = PathType::XYMove;
    else if (move.zDistance != 0.0f)
        move.pathType = PathType::Zmove;
    return move;
}

void setPosition(MoveState& state, std::string_view line)
{
    const WordTable words = parseGCodeValues(stripTrailingComment(line));
    if (words.has('E'))
        state.extruderPosition_MM = words.eExact;
    else if (!words.has('X') && !words.has('Y') && !words.has('Z'))
        state.extruderPosition_MM = 0;
}

} // namespace vorlane
