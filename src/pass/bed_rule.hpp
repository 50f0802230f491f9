// The start bed temperature of a multi-material print: the hottest of the
// materials' own.
#pragma once

#include "state/settings.hpp"

#include <optional>
#include <string_view>
#include <vector>

namespace vorlane {

// A bed temperature line raised: its M word, and its S before and after.
struct BedRaise {
    float m;
    float before;
    float after;
};

// What the rule found on a line of the prefix of a multi-material print.
struct BedFinding {
    // The line is an M-code line: the rule looked at it.
    bool mCodeLine = false;
    std::string_view line;
    // Of a bed temperature command, the materials' bed temperatures, in the
    // order of their sections.
    std::vector<float> materialBedTemps;
    // The line raised, when it is.
    std::optional<BedRaise> raise;
};

// A line of the prefix: with two or more materials, a bed temperature
// command (M140/M190 with S) is raised to the hottest material's "bed_C";
// when no material names one, or the line asks for it already, it stays.
// `finding` says what was found so far also when a malformed number in the
// line throws Refusal.
void findBedRaise(const Settings& settings, std::string_view line, BedFinding& finding);

} // namespace vorlane
