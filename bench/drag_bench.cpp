// What the lift prevents, per print: for every real multi-tool file, the
// other slicers' files (those of ../shared/more-slicers Vorlane reads by
// their own rules too), two-colour prints made from the single-tool
// Kisslicer 1.1 files and a generated print, the travels and what they
// cross of other tools' fresh paths at the nozzle's height, as read and as
// written, the rule that left each crossing, and what the lifted travels and
// all the rewrites cost in print time. Prints the table the README shows.
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
};

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
    return {std::move(name), run.drags, run.results};
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
    std::printf("| %s | %lld | %lld -> %lld | %lld -> %lld | %lld -> %lld | %s | %+.2f min (%+.2f %%) | %+.1f min "
                "(%+.1f %%) |\n",
                row.name.c_str(), before.travels, before.crossingTravels, after.crossingTravels, before.crossings.all,
                after.crossings.all, before.crossings.overOuterPerimeters, after.crossings.overOuterPerimeters,
                rules.empty() ? "-" : rules.c_str(), r.liftMinutes, share(r.liftMinutes), r.addedMinutes,
                share(r.addedMinutes));
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<Row> rows;
    for (const std::string& file : test::gcodeFilesIn(VORLANE_REAL_GCODE)) {
        const std::string name = std::filesystem::path(file).stem().string();
        if (name.find("4tool") != std::string::npos || name.find("2matl") != std::string::npos)
            rows.push_back(rowOf(name, readText(file)));
        if (name.starts_with("sulicat"))
            rows.push_back(rowOf(name + " (two colours)", test::twoColourPrint(readText(file))));
    }
    for (const std::string& file : test::gcodeFilesIn(VORLANE_OTHER_SLICERS))
        rows.push_back(rowOf(std::filesystem::path(file).stem().string(), readText(file)));
    for (const std::string& file : test::moreSlicerFilesIn(VORLANE_MORE_SLICERS))
        rows.push_back(rowOf(std::filesystem::path(file).stem().string(), readText(file)));
    // Files named on the command line (made with gen_corpus, say).
    for (int i = 1; i < argc; ++i)
        rows.push_back(rowOf(std::filesystem::path(argv[i]).filename().string(), readText(argv[i])));
    std::printf("| Print | Travels | Crossing travels | Crossings | Over outer perimeters | Left by | Lifts add | "
                "Print time |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const Row& row : rows)
        printRow(row);
    std::printf("\nGenerated (ours to tune):\n\n");
    vorlane::test::CorpusOptions options;
    options.layers = 60;
    std::string generated;
    vorlane::test::generateCorpus(options, [&](std::string_view bytes) { generated.append(bytes); });
    printRow(rowOf("generated four-tool print, 60 layers", generated));
}
