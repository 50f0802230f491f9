// The run's watchers given to the loop.
#include "watch/watchers.hpp"

namespace vorlane {

void listen(LineLoop& loop, RunWatchers& watchers, bool debug, bool report)
{
    if (!debug && !report) return;
    addWatcher(loop, dragCountWatcher(watchers.count));
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
