// The summary of a run.
#include "state/run_results.hpp"

#include "gcode/number_text.hpp"

#include <algorithm>
#include <cstdio>

namespace vorlane {

namespace {

std::string signedTenths(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", value);
    return text;
}

std::string bedText(const RunResults& r, std::string_view arrow)
{
    return r.bedRewritten ? concat(r.bedBefore, arrow, r.bedAfter) : std::string("unchanged");
}

} // namespace

void countUnknownPathKind(RunResults& r, std::string_view name)
{
    ++r.unknownKinds;
    const auto kept = r.unknownKindNames.begin() + static_cast<std::ptrdiff_t>(r.unknownKindNamesKept);
    if (std::find(r.unknownKindNames.begin(), kept, name) != kept) return;
    if (r.unknownKindNamesKept < r.unknownKindNames.size())
        r.unknownKindNames[r.unknownKindNamesKept++] = name;
    else
        r.moreUnknownKindNames = true;
}

std::string describeResults(const RunResults& r, std::string_view slicer)
{
    const std::string share = r.inputMinutes > 0 ? signedTenths(100 * r.addedMinutes / r.inputMinutes) + " %" : "n/a";
    const std::string unknownKinds = slicer.empty() ? "" : concat(", ", r.unknownKinds, " unknown path kinds");
    return concat(r.liftedTravels, " travels lifted, ", r.interfaceDraws, " interface draws rewritten (",
                  r.interfaceSplit, " split), ", r.infillDraws, " infill draws rewritten (", r.infillSplit, " split), ",
                  r.fanRestores, " fan restores, bed ", bedText(r, " -> "), r.bedRewritten ? " C" : "", unknownKinds,
                  "; print time ", signedTenths(r.addedMinutes), " min (", share, ")");
}

std::string summaryComment(const RunResults& r, std::string_view slicer)
{
    std::string line = "; Vorlane summary: ";
    if (!slicer.empty()) appendParts(line, "slicer=", slicer, " ");
    appendParts(line, "lifted=", r.liftedTravels, " interface=", r.interfaceDraws,
                " interface_split=", r.interfaceSplit, " infill=", r.infillDraws, " infill_split=", r.infillSplit,
                " fan_restores=", r.fanRestores, " bed=", bedText(r, "->"));
    if (slicer.empty()) return line;
    appendParts(line, " unknown_kinds=", r.unknownKinds);
    if (r.unknownKinds == 0) return line;
    for (std::size_t n = 0; n < r.unknownKindNamesKept; ++n)
        appendParts(line, n == 0 ? " (\"" : ", \"", r.unknownKindNames[n], "\"");
    return line + (r.moreUnknownKindNames ? ", ...)" : ")");
}

} // namespace vorlane
