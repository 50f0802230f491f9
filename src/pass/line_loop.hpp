// The line loop: every input line, in file order, through one ordered table
// of line kinds; the print state kept up to date; the plans of the rewrites
// written where they apply, and every other line copied as it was read.
#pragma once

#include "extrusion/rewrite.hpp"
#include "gcode/console.hpp"
#include "gcode/out_buffer.hpp"
#include "gcode/plan.hpp"
#include "lift/drags.hpp"
#include "lift/lift.hpp"
#include "pass/dialect.hpp"
#include "paths/layers.hpp"
#include "report/report.hpp"
#include "state/print_state.hpp"
#include "state/run_results.hpp"
#include "state/run_settings.hpp"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// Lines of up to this many bytes are handled whole. A longer line is handled
// from its first bytes, and only a comment line may be that long: its words
// decide nothing, and the whole of it is copied.
inline constexpr std::size_t LONGEST_WHOLE_LINE = std::size_t{1} << 20;

struct LineLoop {
    OutBuffer& out;
    Console& console;
    bool debug = false;
    // Whose G-code the file is.
    const Dialect* dialect = &kisslicerDialect();
    // What the command line set for this run.
    RunSettings settings{};
    PrintState state{};
    // What has been printed so far.
    LayerCollections layers{};
    // What the rewrites did, for the run's summary.
    RunResults results{};
    // Counted from 1, increased before the line is handled.
    long long lineNo = 0;
    // The line is only the first bytes of a longer one, whose rest the caller
    // streams to the output after it: only a comment line may be that long.
    bool lineGoesOn = false;
    // Reused from line to line, so that no line allocates.
    // The report's page being drawn, when one is asked for.
    Report* report = nullptr;
    // Counting what travels cross (in debug mode, for a report, in the
    // benchmarks): every draw line kept, and the tally. Off, neither costs.
    bool countDrags = false;
    DrawLines drawLines{};
    DragTally drags{};
    Plan plan{};
    LiftScratch liftScratch{};
    CrossingScratch crossingScratch{};
    std::vector<Vec2> arcPoints{};
};

// Reads the file as `dialect`'s G-code, from its first line on.
void useDialect(LineLoop& loop, const Dialect& dialect);

// Handles one line (without its line end) and writes what it becomes.
// Throws Refusal when the file cannot be processed past the line,
// OutputError when the output refuses its bytes.
void processLine(LineLoop& loop, std::string_view line);

// What a run holds when memory runs out, for the message: the printed paths
// and the line being read.
std::string memoryHeld(const LayerCollections& layers, std::size_t lineBytes);

} // namespace vorlane
