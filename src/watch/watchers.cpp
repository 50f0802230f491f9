// The run's watchers given to the loop.
#include "watch/watchers.hpp"

namespace vorlane {

void countAlong(LineLoop& loop, DragCount& count)
{
    if (const LayerCollection* allLines = allLinesKept(loop)) shareLines(count, *allLines);
    addWatcher(loop, dragCountWatcher(count));
}

void listen(LineLoop& loop, RunWatchers& watchers, bool debug, bool report)
{
    if (!debug && !report) return;
    countAlong(loop, watchers.count);
    if (debug) {
        watchers.debug = {&loop.console, &watchers.count};
        addWatcher(loop, debugConsoleWatcher(watchers.debug));
    }
    if (report) {
        watchers.report.liftHeight_MM = loop.settings.liftHeight_MM;
        watchers.report.count = &watchers.count;
        addWatcher(loop, reportWatcher(watchers.report));
    }
}

} // namespace vorlane
