// The lift decision for a travel move: whether, where and how high the nozzle
// hops so as not to drag across paths another tool has just laid.
#pragma once

#include "gcode/console.hpp"
#include "gcode/out_buffer.hpp"
#include "lift/obstacles.hpp"
#include "state/print_state.hpp"
#include "state/run_results.hpp"

#include <vector>

namespace vorlane {

// For the travel just classified in `state` (an XY move in the printing
// chapter, not the first move after a tool change), with the heights,
// distances and feed rate of the run's settings: writes the lifted travel
// and returns true when the nozzle must hop; writes nothing and returns false
// when the travel can be copied as it is. `intersections` is scratch space; a
// lifted travel is counted in `results`.
bool liftTravelIfNeeded(const PrintState& state, OutBuffer& out, Console& console, bool debug,
                        std::vector<Intersection>& intersections, RunResults& results);

} // namespace vorlane
