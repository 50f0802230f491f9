// One run of the program: banner, options, the optional Lua pass, the line
// loop over the file, and the processed file put in place of the input.
#pragma once

#include "gcode/console.hpp"
#include "pass/line_loop.hpp"
#include "run/platform.hpp"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

inline constexpr const char* versionID = "v0024";

// Returns the process exit status: 0 for a normal run, -1 after a file
// failure, 1 for an error that ends the run (the input then stays as it was).
// Every file and process call goes through `platform`.
int runVorlane(const std::vector<std::string>& arguments, Console& console, const Platform& platform);

// Why a pass stopped, as the console says it, and whether what was processed
// is kept as "<name>d" to show where it stopped.
struct PassStop {
    std::string message;
    bool keepProcessed;
};

// The one place that tells a pass's failures apart. A refusal names the line
// that ended the pass; a failing input or output says what failed; a fault
// of Vorlane's own, or memory running out, says so and names the line for
// reference. `inLine`: the failure came while `line` (the loop's last) was
// handled, not while the file was read or the result finished;
// `bytesRead` is what the reader holds.
PassStop passStopOf(std::exception_ptr error, const LineLoop& loop, bool inLine, std::string_view line,
                    std::size_t bytesRead);

} // namespace vorlane
