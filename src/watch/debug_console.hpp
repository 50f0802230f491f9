// The debug console: what --debug says as the pass goes. Each layer by its
// height (in place of the progress dots), a lift skipped because nothing lay
// beyond its first obstacle, why each travel that still drags across another
// colour was left so (from the count), and what the bed rule found.
#pragma once

#include "gcode/console.hpp"
#include "pass/told.hpp"
#include "watch/drag_count.hpp"

namespace vorlane {

struct DebugConsole {
    Console* console;
    // The count of the same run, which hears each line first.
    const DragCount* count;
};

Watcher debugConsoleWatcher(DebugConsole& debug);

} // namespace vorlane
