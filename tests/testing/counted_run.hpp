// The line pass over a whole G-code text in memory, the travels' crossings
// counted, as a run reads the file: its slicer named by its head, the
// output and the console thrown away.
#pragma once

#include "pass/line_loop.hpp"
#include "state/run_results.hpp"
#include "watch/drag_count.hpp"

#include <string_view>

namespace vorlane::test {

// Reads the rest of a file as a run would: by the rules, and with the fan
// restore, of the slicer its head names.
void useDialectOfHead(LineLoop& loop, std::string_view gcode);

struct CountedRun {
    DragTally drags;
    RunResults results;
    // The printing chapter's travels longer than 2 mm: those a slicer's own
    // hop on every travel would lift.
    long long longTravels = 0;
};

// With `settings` for the run's (the fan restore stays the slicer's).
CountedRun countedRunOf(std::string_view gcode, const RunSettings& settings = {});

} // namespace vorlane::test
