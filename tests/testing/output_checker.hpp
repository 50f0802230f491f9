// A checker for processed G-code, shared by the end-to-end tests and the
// fuzzer. It holds an output to what the program may write for its input:
// every input line is copied in order unless a comment announces its
// replacement; a lifted travel ends at the travel's end point, comes back down
// to the travel's height and restores its feed rate; the E values of a
// rewritten draw add up to the line's E with the boosted stretches scaled by
// the factor its header names; fan restores and the raised bed temperature
// stand where they belong. It reads both texts with small readers of its own,
// never with the program's scanners, so that a fault there cannot hide itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test {

enum class OutputForm {
    Lines,     // the processed lines only, as the line pass writes them
    Body,      // the settings line (if any), the processed lines and the summary comment (if any)
    WholeFile, // the header line, the body (its summary required), then the two timing lines
};

// What the checker found and checked, for tests that want the rewrites there.
struct CheckCounts {
    int liftedTravels = 0;
    int wholeDraws = 0; // rewritten draws written as one draw
    int splitDraws = 0; // rewritten draws cut at their crossings
    int pieces = 0;     // draws written for the split draws, their finishes included
    int fanRestores = 0;
    int bedLines = 0;
    // Per kind: draws rewritten, and those written as two or more draw lines.
    int interfaceDraws = 0, interfaceSplit = 0;
    int infillDraws = 0, infillSplit = 0;
    std::string firstBed = "unchanged"; // "60->70": the first raised bed line, before and after
    // Travels and what they cross of other tools' draws at the nozzle's
    // height, as read and as written.
    struct Drags {
        long long travels = 0, crossingTravels = 0, crossings = 0, overOuterPerimeters = 0;
    };
    Drags dragsBefore, dragsAfter;
};

// What is wrong with `outputText` as the program's output for `inputText`;
// empty when everything holds. After a line that cannot be lined up with the
// input the check stops, so the first problem is the one to read. The
// summary comment's counts must be the checker's own. `counts` adds up over
// calls.
std::vector<std::string> checkOutput(std::string_view inputText, std::string_view outputText, OutputForm form,
                                     CheckCounts* counts = nullptr);

// A body (what a debug run writes less its header and timing lines),
// counting the lifted travels checked.
std::vector<std::string> checkOutput(std::string_view inputText, std::string_view outputText,
                                     int* liftedTravels = nullptr);

// The print time estimate of G-code text in minutes: each G1 line's XYZ
// length over its feed rate, moves before the first feed rate left out, G91
// followed; read with the checker's own readers.
double printMinutes(std::string_view text);

// The console's summary line the program must print for a run whose input
// and output are these, counted and timed by the checker; its pass time
// written "<t>".
std::string summaryLineFor(std::string_view inputText, std::string_view outputText, long long lines);

// The problems, one a line.
std::string joined(const std::vector<std::string>& problems);

} // namespace vorlane::test
