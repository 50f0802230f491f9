// G1 classification while following the head: draws, travels, Z moves and
// the rest; the distances, the remembered previous coordinates, the feed rate
// and extrusion amount, and where a move starts.
#include "gcode/move.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorlane::test {
namespace {

// One G1 line as the line loop handles it: classified, then remembered as the
// previous path type.
MoveResult step(MoveState& state, const std::string& line)
{
    const MoveResult move = classifyMoveLine(state, line);
    state.currentPathType = move.pathType;
    return move;
}

TEST(ClassifyMove, DrawWithCommentFromTheOrigin)
{
    MoveState state;
    const MoveResult move = classifyMoveLine(state, "G1 X10 Y20 E0.5 F1800 ; X99 Y99 E9 F1");
    EXPECT_EQ(move.pathType, PathType::XYDraw) << "an XY change with positive E is a draw";
    EXPECT_TRUE(move.beginDraw) << "a draw after anything but a draw begins a path";
    EXPECT_TRUE(move.xFound && move.yFound && move.eFound);
    EXPECT_TRUE(state.feedRateSeen);
    EXPECT_EQ(move.xDistance, 10.f);
    EXPECT_EQ(move.yDistance, 20.f);
    EXPECT_EQ(move.zDistance, 0.f);
    EXPECT_EQ(move.eDistance, 0.5f);
    EXPECT_EQ(state.currentX, 10.f);
    EXPECT_EQ(state.currentY, 20.f);
    EXPECT_EQ(state.currentE, 0.5f) << "E is the last relative amount";
    EXPECT_EQ(state.currentF, 1800.f) << "the comment's F1 is not read";
    EXPECT_EQ(state.currentPathType, PathType::Other) << "the caller, not the classifier, sets the path type";
}

TEST(ClassifyMove, BeginDrawOnlyWhenThePreviousG1WasNotADraw)
{
    for (const PathType previous : {PathType::XYDraw, PathType::XYMove, PathType::Zmove, PathType::Other}) {
        MoveState state;
        state.currentPathType = previous;
        const MoveResult move = classifyMoveLine(state, "G1 X10 Y20 E0.5");
        EXPECT_EQ(move.pathType, PathType::XYDraw);
        EXPECT_EQ(move.beginDraw, previous != PathType::XYDraw)
            << "previous type " << static_cast<int>(previous) << ": a draw after a draw continues its path";
    }
    MoveState state;
    state.currentPathType = PathType::XYMove;
    EXPECT_FALSE(classifyMoveLine(state, "G1 X10 Y20").beginDraw) << "only draws begin paths";
}

TEST(ClassifyMove, TravelsHaveNoPositiveE)
{
    const std::vector<std::string> travels{"G1 X10 Y20 F7200", "G1 X10 Y20 E0", "G1 X10 Y20 E-0.5", "G1 X10 E-0",
                                           "G1 Y20 Z0.3 E0 F9000"};
    for (const std::string& line : travels) {
        MoveState state;
        const MoveResult move = classifyMoveLine(state, line);
        EXPECT_EQ(move.pathType, PathType::XYMove) << line << ": an XY change without positive E is a travel";
        EXPECT_FALSE(move.beginDraw) << line;
    }
}

TEST(ClassifyMove, RetractionIsReadWithItsSign)
{
    MoveState state;
    step(state, "G1 X10 Y20 E0.5 F1800");
    const MoveResult move = step(state, "G1 E-1.5 F2400");
    EXPECT_EQ(move.pathType, PathType::Other) << "an extruder-only move is Other";
    EXPECT_TRUE(move.eFound) << "a signed E word is read";
    EXPECT_EQ(move.eDistance, -1.5f);
    EXPECT_EQ(state.currentE, -1.5f);
    EXPECT_EQ(state.currentF, 2400.f);
    EXPECT_EQ(state.currentX, 10.f) << "no X word, no X change";
    EXPECT_FALSE(move.xFound || move.yFound);
}

TEST(ClassifyMove, NegativeCoordinatesMoveTheHead)
{
    MoveState state;
    const MoveResult move = step(state, "G1 X-5 Y10");
    EXPECT_EQ(state.currentX, -5.f) << "beds with the origin at the centre have negative X";
    EXPECT_EQ(move.xDistance, -5.f);
    EXPECT_EQ(move.yDistance, 10.f);
    EXPECT_EQ(move.pathType, PathType::XYMove);
    const MoveResult back = step(state, "G1 X-7.5 Y-2.25 E0.1");
    EXPECT_EQ(back.xDistance, -2.5f);
    EXPECT_EQ(back.yDistance, -12.25f);
    EXPECT_EQ(back.pathType, PathType::XYDraw);
}

TEST(ClassifyMove, ZOnlyMovesAreZmovesUnlessTheHeightStays)
{
    MoveState state;
    const MoveResult up = step(state, "G1 Z0.3 F1000");
    EXPECT_EQ(up.pathType, PathType::Zmove) << "a new height without XY change";
    EXPECT_EQ(up.zDistance, 0.3f);
    EXPECT_EQ(state.currentZ, 0.3f);
    EXPECT_EQ(state.currentF, 1000.f);
    const MoveResult same = step(state, "G1 Z0.3 F1000");
    EXPECT_EQ(same.pathType, PathType::Other) << "the same height is no move";
    EXPECT_EQ(same.zDistance, 0.f);
    const MoveResult down = step(state, "G1 Z-0.2");
    EXPECT_EQ(down.pathType, PathType::Zmove) << "a negative Z is read";
    EXPECT_EQ(state.currentZ, -0.2f);

    MoveState lifted;
    step(lifted, "G1 X10 Y20");
    const MoveResult inPlace = step(lifted, "G1 X10 Y20 Z0.5 E1");
    EXPECT_EQ(inPlace.pathType, PathType::Zmove) << "XY unchanged, Z changed";
    const MoveResult both = step(lifted, "G1 X11 Y20 Z0.6 E1");
    EXPECT_EQ(both.pathType, PathType::XYDraw) << "an XY change decides before the Z change";
}

TEST(ClassifyMove, NoChangeOfPlaceIsOtherEvenWithPositiveE)
{
    MoveState state;
    step(state, "G1 X10 Y20 F3000");
    const MoveResult move = step(state, "G1 X10 Y20 E0.5");
    EXPECT_EQ(move.pathType, PathType::Other) << "the head is already at (10, 20)";
    EXPECT_EQ(move.eDistance, 0.5f);
    EXPECT_FALSE(move.beginDraw);
    EXPECT_EQ(step(state, "G1 F9000").pathType, PathType::Other) << "a feed-rate-only line";
    EXPECT_EQ(state.currentF, 9000.f);
    EXPECT_EQ(state.currentE, 0.5f) << "no E word, no E change";
}

TEST(ClassifyMove, NegativeZeroDistanceCountsAsZero)
{
    MoveState state;
    const MoveResult move = step(state, "G1 X-0 Y0 E1");
    EXPECT_TRUE(std::signbit(move.xDistance)) << "-0 - 0 is -0";
    EXPECT_EQ(move.pathType, PathType::Other) << "a -0 distance is no XY change";
    EXPECT_TRUE(std::signbit(state.currentX)) << "the head's X is the word as read";
    EXPECT_EQ(step(state, "G1 Z-0").pathType, PathType::Other) << "a -0 height change is no Z move";
    EXPECT_EQ(step(state, "G1 X0").pathType, PathType::Other) << "0 - (-0) is no change either";
}

TEST(ClassifyMove, PrevHoldsTheCoordinateBeforeTheLastLineCarryingIt)
{
    MoveState state;
    step(state, "G1 X1 Y1");
    step(state, "G1 X2");
    EXPECT_EQ(state.prevX, 1.f);
    EXPECT_EQ(state.prevY, 0.f) << "Y was last carried by the first line, from 0";
    step(state, "G1 Y3");
    EXPECT_EQ(state.prevX, 1.f) << "a line without X keeps prevX from before the last X line";
    EXPECT_EQ(state.prevY, 1.f);
    step(state, "G1 Y4 Z0.2");
    EXPECT_EQ(state.prevX, 1.f);
    EXPECT_EQ(state.prevY, 3.f);
    EXPECT_EQ(state.currentX, 2.f);
    EXPECT_EQ(state.currentY, 4.f);
}

TEST(ClassifyMove, MoveOriginIsWhereTheHeadWasBeforeTheLine)
{
    MoveState state;
    MoveResult move = step(state, "G1 X10 Y20");
    EXPECT_EQ(moveOrigin(state, move), (Vec2{0, 0}));
    move = step(state, "G1 X30");
    EXPECT_EQ(moveOrigin(state, move), (Vec2{10, 20})) << "Y not on the line: its current value, not prevY (0)";
    move = step(state, "G1 Y40 E1");
    EXPECT_EQ(moveOrigin(state, move), (Vec2{30, 20})) << "X not on the line: its current value, not prevX (10)";
    move = step(state, "G1 X30 Y40 E1");
    EXPECT_EQ(moveOrigin(state, move), (Vec2{30, 40})) << "a move to where the head is starts there";
}

TEST(ClassifyMove, OnlyUpperCaseWordsAreConsulted)
{
    MoveState state;
    const MoveResult move = step(state, "G1 x10 Y5 e1");
    EXPECT_FALSE(move.xFound) << "a lower-case x is not X";
    EXPECT_FALSE(move.eFound) << "a lower-case e is not E";
    EXPECT_EQ(state.currentX, 0.f);
    EXPECT_EQ(move.yDistance, 5.f);
    EXPECT_EQ(move.pathType, PathType::XYMove);
}

TEST(ClassifyMove, WordFormsAndRepeats)
{
    MoveState state;
    const MoveResult points = step(state, "G1 X10. Y.5");
    EXPECT_EQ(state.currentX, 10.f) << "\"10.\" reads 10";
    EXPECT_EQ(state.currentY, 0.5f) << "\".5\" reads 0.5";
    EXPECT_EQ(points.yDistance, 0.5f);
    step(state, "G1 X1 X2");
    EXPECT_EQ(state.currentX, 2.f) << "a later word replaces an earlier one";
    EXPECT_EQ(state.prevX, 10.f) << "one line moves prev once";
    const MoveResult tight = step(state, "G1X5Y6E0.25F600");
    EXPECT_EQ(tight.pathType, PathType::XYDraw) << "words need no spaces";
    EXPECT_EQ(state.currentF, 600.f);
    const MoveResult tiny = step(state, "G1 X6 E0.00001");
    EXPECT_EQ(tiny.pathType, PathType::XYDraw) << "any positive E draws";
}

TEST(ClassifyMove, MalformedNumberIsAnError)
{
    MoveState state;
    EXPECT_THROW(classifyMoveLine(state, "G1 X1.2.3 Y4"), std::runtime_error) << "\"1.2.\" does not convert";
    EXPECT_THROW(classifyMoveLine(state, "G1 X" + std::string(40, '1')), std::runtime_error)
        << "a number too large for a float";
}

} // namespace
} // namespace vorlane::test
