// What a run did, counted as it goes: the rewrites add to one small record,
// and the console's summary line and the output's summary comment both read
// it. Nothing here is formatted while lines are handled.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vorlane {

struct RunResults {
    long long liftedTravels = 0;
    // Draw lines replaced by a rewrite, and of those the ones written as two
    // or more draw lines.
    long long interfaceDraws = 0, interfaceSplit = 0;
    long long infillDraws = 0, infillSplit = 0;
    long long fanRestores = 0;
    // The first bed temperature line the bed rule rewrote: its S before and
    // after.
    bool bedRewritten = false;
    float bedBefore = 0, bedAfter = 0;
    // The print time estimate, in minutes: every move line's XYZ length over
    // its feed rate (moves before the first feed rate left out), for the
    // input, and what the rewrites add to it in the output.
    double inputMinutes = 0;
    double addedMinutes = 0;
    // Of those added, the lifted travels' own.
    double liftMinutes = 0;
    // Path-kind names the slicer's table does not know: the lines naming
    // one, and the first three distinct names in the order met.
    long long unknownKinds = 0;
    std::array<std::string, 3> unknownKindNames;
    std::size_t unknownKindNamesKept = 0;
    bool moreUnknownKindNames = false;
};

void countUnknownPathKind(RunResults& results, std::string_view name);

// "4 travels lifted, 12 interface draws rewritten (3 split), ...; print time
// +4.7 min (+18.5 %)": every count, zero included, so the line has one shape.
// A file of a slicer other than Kisslicer (`slicer` names it) also counts
// the path kinds its table did not know.
std::string describeResults(const RunResults& results, std::string_view slicer);

// The output's comment: the counts only, no times, so the same input and
// settings always give the same line; for a slicer other than Kisslicer it
// names the slicer and the unknown path kinds.
std::string summaryComment(const RunResults& results, std::string_view slicer);

} // namespace vorlane
