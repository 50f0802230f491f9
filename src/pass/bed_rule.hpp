// The start bed temperature of a multi-material print: the hottest of the
// materials' own.
#pragma once

#include "gcode/console.hpp"
#include "state/settings.hpp"

#include <optional>
#include <string_view>

namespace vorlane {

// A bed temperature line raised: its M word, and its S before and after.
struct BedRaise {
    float m;
    float before;
    float after;
};

// A line of the prefix: with two or more materials, a bed temperature
// command (M140/M190 with S) is raised to the hottest material's "bed_C";
// when no material names one, or the line asks for it already, it stays.
std::optional<BedRaise> raisedBedTemperature(const Settings& settings, Console& console, bool debug,
                                             std::string_view line);

} // namespace vorlane
