// What a run did, counted as it goes: the rewrites add to one small record,
// and the console's summary line and the output's summary comment both read
// it. Nothing here is formatted while lines are handled.
#pragma once

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
};

// "4 travels lifted, 12 interface draws rewritten (3 split), ...; print time
// +4.7 min (+18.5 %)": every count, zero included, so the line has one shape.
std::string describeResults(const RunResults& results);

// The output's comment: the counts only, no times, so the same input and
// settings always give the same line.
std::string summaryComment(const RunResults& results);

} // namespace vorlane
