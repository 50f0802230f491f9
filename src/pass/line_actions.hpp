// The tests and actions the slicers' line tables are made of (dialect.cpp),
// and what they share. Only the pass includes this.
#pragma once

#include "gcode/recognizers.hpp"
#include "pass/line_loop.hpp"

#include <string_view>

namespace vorlane {

// The line is written as it was read; a cut line is the reader's to write.
inline void keepLine(LineLoop& loop, std::string_view line)
{
    if (!loop.lineCut) writeLine(loop.out, line);
}

// Tells every watcher, in the order they were given, after the draws held.
inline void tell(LineLoop& loop, const Told& told)
{
    tellHeldDraws(loop);
    for (const Watcher& watcher : loop.watchers)
        watcher.hear(watcher.context, loop.lineNo, told);
}

// ---- Tests.

template <const Recognizer& recognizer> bool lineIs(const LineLoop&, std::string_view line)
{
    return matches(recognizer, line);
}
template <Chapter chapter> bool chapterIs(const LineLoop& loop, std::string_view)
{
    return loop.state.chapter == chapter;
}
inline bool always(const LineLoop&, std::string_view) { return true; }
// An M-code while printing: fan tracking.
bool isFanCommand(const LineLoop& loop, std::string_view line);
// The other slicers' comments and lines.
bool isSlicerPathKind(const LineLoop& loop, std::string_view line);
bool isSlicerLayer(const LineLoop& loop, std::string_view line);
bool pausesPrinting(const LineLoop& loop, std::string_view line);
bool isSlicerToolChange(const LineLoop& loop, std::string_view line);
bool opensToolChangeBlock(const LineLoop& loop, std::string_view line);
bool closesToolChangeBlock(const LineLoop& loop, std::string_view line);
// A file read generically: a comment that tells its slicer's family.
bool tellsFamily(const LineLoop& loop, std::string_view line);

// ---- Actions. Each writes what the line becomes.

// A straight move (G1; for the slicers that write it, G0 too): followed,
// filed when it draws, and written as it is or as its rewrite's plan.
void handleMoveLine(LineLoop& loop, std::string_view line);
// An arc (G2, G3): followed, and filed as straight steps when it draws.
// Arcs are never lifted or rewritten.
void handleArc(LineLoop& loop, std::string_view line);

void copy(LineLoop& loop, std::string_view line);
template <Chapter chapter> void enterChapter(LineLoop& loop, std::string_view line)
{
    loop.state.chapter = chapter;
    keepLine(loop, line);
}
void trackFan(LineLoop& loop, std::string_view line);
void changeTool(LineLoop& loop, std::string_view line);
void markLayer(LineLoop& loop, std::string_view line);
// Kisslicer's.
void handlePathKindComment(LineLoop& loop, std::string_view line);
void resumeMarker(LineLoop& loop, std::string_view line);
void handleSettings(LineLoop& loop, std::string_view line);
void handleBedTemperature(LineLoop& loop, std::string_view line);
// The other slicers'.
void handleSlicerPathKind(LineLoop& loop, std::string_view line);
void startLayer(LineLoop& loop, std::string_view line);
void pausePrinting(LineLoop& loop, std::string_view line);
void openToolChangeBlock(LineLoop& loop, std::string_view line);
void closeToolChangeBlock(LineLoop& loop, std::string_view line);
// From this comment on, the file is read by its family's table.
void takeFamily(LineLoop& loop, std::string_view line);
// A layer begins: the progress dot, and the watchers told.
void tellLayer(LineLoop& loop);

} // namespace vorlane
