// Re-extruding draws over what lies below: support interface over main
// support, and sparse infill over stacked infill, get more material and a
// lower feed rate where they cross it.
#pragma once

#include "extrusion/crossings.hpp"
#include "gcode/out_buffer.hpp"
#include "state/print_state.hpp"
#include "state/run_results.hpp"

#include <vector>

namespace vorlane {

// For the support-interface draw just classified in `state`: when it crosses
// main support in the window below, writes its replacement, counts it in
// `results` and returns true. `crossings` is scratch space.
bool boostSupportInterface(const PrintState& state, OutBuffer& out, std::vector<Crossing>& crossings,
                           RunResults& results);

// The same for a sparse-infill draw over stacked (or other sparse) infill.
bool manageTopInfillDraw(const PrintState& state, OutBuffer& out, std::vector<Crossing>& crossings,
                         RunResults& results);

} // namespace vorlane
