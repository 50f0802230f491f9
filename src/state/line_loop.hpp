// The line loop: every input line, in file order, through one ordered table
// of line kinds; the print state kept up to date; replacements written where a
// rewrite applies, and every other line copied as it was read.
#pragma once

#include "extrusion/crossings.hpp"
#include "gcode/console.hpp"
#include "gcode/out_buffer.hpp"
#include "lift/obstacles.hpp"
#include "state/print_state.hpp"
#include "state/run_results.hpp"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// Lines of up to this many bytes are handled whole. A longer line is handled
// from its first bytes, and only a comment line may be that long: its words
// decide nothing, and the whole of it is copied.
inline constexpr std::size_t LONGEST_WHOLE_LINE = std::size_t{1} << 20;

struct LineLoop {
    PrintState state;
    OutBuffer& out;
    Console& console;
    bool debug = false;
    // Reused by the searches of every line, so that no line allocates.
    std::vector<Crossing> crossings;
    std::vector<Intersection> intersections;
    // What the rewrites did, for the run's summary.
    RunResults results;
    // The line is only the first bytes of a longer one, whose rest the caller
    // streams to the output after it: only a comment line may be that long.
    bool lineGoesOn = false;
};

// Why a line ended the run: the program refused the input, or the program
// itself failed on it (a fault of its own, or no memory left).
enum class LineFault { Refused, Internal, OutOfMemory };

// A line the program cannot handle; the run ends with it. Only a refusal
// names the line as the cause; the others name it for reference.
struct LineError : std::runtime_error {
    LineError(LineFault fault, long long lineNo, std::string_view line, const std::string& problem);
    LineFault fault;
    long long lineNo;
    std::string lineText;
};

// What a run holds when memory runs out, for the message: the printed paths
// and the line being read.
std::string memoryHeld(const LayerCollections& layers, std::size_t lineBytes);

// Handles one line (without its line end) and writes what it becomes.
// Throws LineError; OutputError when the output refuses its bytes.
void processLine(LineLoop& loop, std::string_view line);

} // namespace vorlane
