// What the lift prevents, per print: for every real multi-tool file, the
// other slicers' files (those of ../shared/more-slicers too), two-colour
// prints made from the single-tool
// Kisslicer 1.1 files and a generated print, the travels and what they
// cross of other tools' fresh paths at the nozzle's height, as read and as
// written, the rule that left each crossing, and what the lifted travels and
// all the rewrites cost in print time, beside what a slicer's own hop on
// every travel would. Prints the table the README shows.
#include "bench_support.hpp"

#include "testing/counted_run.hpp"
#include "testing/gcode_files.hpp"
#include "testing/two_colour.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace vorlane;

namespace {

struct Row {
    std::string name;
    DragTally drags;
    RunResults results;
    long long longTravels = 0;
};

// A slicer's own hop on every travel longer than 2 mm, priced as the print
// time estimate prices a lift's vertical moves: up and down 0.4 mm at the
// lift's feed rate.
constexpr double HOP_MM = 0.4;
double hopMinutes(long long travels) { return static_cast<double>(travels) * 2 * HOP_MM / RunSettings{}.liftFeedRate; }

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The whole line pass over `gcode` in memory, counting.
Row rowOf(std::string name, std::string_view gcode)
{
    const test::CountedRun run = test::countedRunOf(gcode);
    return {std::move(name), run.drags, run.results, run.longTravels};
}

void printRow(const Row& row)
{
    const DragCounts& before = row.drags.before;
    const DragCounts& after = row.drags.after;
    std::string rules;
    for (std::size_t rule = 0; rule < LIFT_RULES; ++rule) {
        const long long left = row.drags.leftBy[rule];
        if (left == 0) continue;
        rules += (rules.empty() ? "" : "; ") + std::string(ruleText(static_cast<LiftRule>(rule))) + " " +
                 std::to_string(left);
    }
    const RunResults& r = row.results;
    const auto share = [&](double minutes) { return r.inputMinutes > 0 ? 100 * minutes / r.inputMinutes : 0; };
    const double hop = hopMinutes(row.longTravels);
    std::printf("| %s | %lld | %lld -> %lld | %lld -> %lld | %lld -> %lld | %s | %+.2f min (%+.2f %%) | %+.2f min "
                "(%+.2f %%) | %+.1f min (%+.1f %%) |\n",
                row.name.c_str(), before.travels, before.crossingTravels, after.crossingTravels, before.crossings.all,
                after.crossings.all, before.crossings.overOuterPerimeters, after.crossings.overOuterPerimeters,
                rules.empty() ? "-" : rules.c_str(), r.liftMinutes, share(r.liftMinutes), hop, share(hop),
                r.addedMinutes, share(r.addedMinutes));
}

} // namespace

// Over the real multi-tool files (not the made-up two-colour prints), for
// each shortest travel the lift takes: the crossings left of all of them,
// and the most the lifted travels add to one file's print time.
void printMinTravelTable(const std::vector<std::string>& realFiles)
{
    std::printf("\n| --lift-min-travel | Crossings left (of all) | Lifted travels | Lifts add, most of one file | "
                "Of the hop on every travel, most of one file |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const float minTravel : {2.0f, 1.5f, 1.0f, 0.5f, 0.25f, 0.0f}) {
        RunSettings settings;
        settings.liftMinTravel_MM = minTravel;
        long long before = 0, after = 0, lifted = 0;
        double worstShare = 0, worstOfHop = 0;
        for (const std::string& file : realFiles) {
            const test::CountedRun run = test::countedRunOf(readText(file), settings);
            before += run.drags.before.crossings.all;
            after += run.drags.after.crossings.all;
            lifted += run.results.liftedTravels;
            if (run.results.inputMinutes > 0)
                worstShare = std::max(worstShare, 100 * run.results.liftMinutes / run.results.inputMinutes);
            if (run.longTravels > 0)
                worstOfHop = std::max(worstOfHop, run.results.liftMinutes / hopMinutes(run.longTravels));
        }
        std::printf("| %g mm | %lld of %lld (%.1f %% removed) | %lld | %.2f %% | %.2f |\n", minTravel, after, before,
                    before > 0 ? 100.0 * static_cast<double>(before - after) / static_cast<double>(before) : 0.0,
                    lifted, worstShare, worstOfHop);
    }
}

int main(int argc, char** argv)
{
    std::vector<Row> rows;
    std::vector<std::string> realFiles;
    for (const std::string& file : test::gcodeFilesIn(VORLANE_REAL_GCODE)) {
        const std::string name = std::filesystem::path(file).stem().string();
        if (name.find("4tool") != std::string::npos || name.find("2matl") != std::string::npos) {
            rows.push_back(rowOf(name, readText(file)));
            realFiles.push_back(file);
        }
        if (name.starts_with("sulicat"))
            rows.push_back(rowOf(name + " (two colours)", test::twoColourPrint(readText(file))));
    }
    for (const std::string& file : test::gcodeFilesIn(VORLANE_OTHER_SLICERS)) {
        rows.push_back(rowOf(std::filesystem::path(file).stem().string(), readText(file)));
        realFiles.push_back(file);
    }
    for (const std::string& file : test::moreSlicerFilesIn(VORLANE_MORE_SLICERS)) {
        rows.push_back(rowOf(std::filesystem::path(file).stem().string(), readText(file)));
        realFiles.push_back(file);
    }
    // Files named on the command line (made with gen_corpus, say).
    for (int i = 1; i < argc; ++i)
        rows.push_back(rowOf(std::filesystem::path(argv[i]).filename().string(), readText(argv[i])));
    std::printf("| Print | Travels | Crossing travels | Crossings | Over outer perimeters | Left by | Lifts add | "
                "A 0.4 mm hop on every travel would add | Print time, all rewrites |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const Row& row : rows)
        printRow(row);
    std::printf("\nGenerated (ours to tune):\n\n");
    vorlane::test::CorpusOptions options;
    options.layers = 60;
    std::string generated;
    vorlane::test::generateCorpus(options, [&](std::string_view bytes) { generated.append(bytes); });
    printRow(rowOf("generated four-tool print, 60 layers", generated));
    printMinTravelTable(realFiles);
}
