// The line loop: every input line, in file order, through its slicer's
// ordered table of line kinds; the print state kept up to date; the plans of
// the rewrites written where they apply, and every other line copied as it
// was read. What a line did is told to the watchers the loop was given.
#pragma once

#include "extrusion/rewrite.hpp"
#include "gcode/console.hpp"
#include "gcode/out_buffer.hpp"
#include "gcode/plan.hpp"
#include "lift/lift.hpp"
#include "pass/dialect.hpp"
#include "pass/told.hpp"
#include "paths/layers.hpp"
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
// decide nothing, and the reader copies the whole of it.
inline constexpr std::size_t LONGEST_WHOLE_LINE = std::size_t{1} << 20;

// Straight draws held before they are told together: enough that a call
// per draw no longer counts, few enough to stay in the cache.
inline constexpr std::size_t HELD_DRAWS = 64;

struct LineLoop {
    OutBuffer& out;
    Console& console;
    // Whose G-code the file is, and the name it gives its slicer where that
    // is the one to show (Slic3r's and the slicers Vorlane does not know).
    const Dialect* dialect = &kisslicerDialect();
    std::string slicerName{};
    // The fan restore of the slicer the file names, whatever table reads it
    // later on.
    FanRestore slicerFanRestore = FanRestore::Tool;
    // What the command line set for this run.
    RunSettings settings{};
    PrintState state{};
    // What has been printed so far.
    LayerCollections layers{};
    // What the rewrites did, for the run's summary.
    RunResults results{};
    // Counted from 1, increased before the line is handled.
    long long lineNo = 0;
    // The line being handled is only the first bytes of a longer one, which
    // the reader copies itself.
    bool lineCut = false;
    // Who hears what the lines did; none in a plain run.
    std::vector<Watcher> watchers{};
    // A watcher shows the layers: no progress dots.
    bool layersShown = false;
    // Straight draws not yet told (see DrawTold).
    std::vector<DrawTold> heldDraws{};
    // Reused from line to line, so that no line allocates.
    Plan plan{};
    LiftScratch liftScratch{};
    CrossingScratch crossingScratch{};
    std::vector<Vec2> arcPoints{};
};

// Reads the file as `dialect`'s G-code, from its first line on.
void useDialect(LineLoop& loop, const Dialect& dialect);
// Reads the file as the slicer it names writes G-code.
void useSlicer(LineLoop& loop, const SlicerNaming& naming);

// The slicer's name in the summary comment: one word; empty for Kisslicer.
std::string summaryNameOf(const LineLoop& loop);
// What the console calls the file's lines: "PrusaSlicer G-code", "G-code
// from <name> (its path kinds are unknown)" when read generically to the
// end; empty for Kisslicer.
std::string gcodeNameOf(const LineLoop& loop);

// Tells `watcher` what the lines from now on do.
void addWatcher(LineLoop& loop, const Watcher& watcher);

// Tells the watchers the draws still held: after the last line, before
// what they gathered is read.
void tellHeldDraws(LineLoop& loop);

// The collection of every line drawn (purge towers apart), each filed before
// its draw is told; the classic lift keeps none.
inline const LayerCollection* allLinesKept(const LineLoop& loop)
{
    return loop.settings.classicLift ? nullptr : &loop.layers.layerAllLines;
}

// Handles one line (without its line end) and writes what it becomes. A
// `cut` line is the first bytes of a longer one: only a comment may be that
// long, and the loop writes nothing of it.
// Throws Refusal when the file cannot be processed past the line,
// OutputError when the output refuses its bytes.
void processLine(LineLoop& loop, std::string_view line, bool cut = false);

// What a run holds when memory runs out, for the message: the printed paths
// and the line being read.
std::string memoryHeld(const LayerCollections& layers, std::size_t lineBytes);

} // namespace vorlane
