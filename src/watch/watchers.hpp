// The watchers a run listens to the pass with: the count of what travels
// drag across, for --debug and --report; the debug console's lines; the
// report's page. A plain run has none of them and pays for none.
#pragma once

#include "gcode/console.hpp"
#include "pass/line_loop.hpp"
#include "watch/debug_console.hpp"
#include "watch/drag_count.hpp"
#include "watch/report.hpp"

namespace vorlane {

struct RunWatchers {
    DragCount count;
    DebugConsole debug{};
    Report report;
};

// Gives the loop the count, over the loop's own collection of every line
// where it keeps one.
void countAlong(LineLoop& loop, DragCount& count);

// Gives the loop the watchers `debug` and `report` ask for; the count goes
// first, so that the others hear each travel after it was counted.
void listen(LineLoop& loop, RunWatchers& watchers, bool debug, bool report);

} // namespace vorlane
