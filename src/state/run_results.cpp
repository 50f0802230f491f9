// The summary of a run.
#include "state/run_results.hpp"

#include "gcode/number_text.hpp"

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

std::string describeResults(const RunResults& r)
{
    const std::string share = r.inputMinutes > 0 ? signedTenths(100 * r.addedMinutes / r.inputMinutes) + " %" : "n/a";
    return concat(r.liftedTravels, " travels lifted, ", r.interfaceDraws, " interface draws rewritten (",
                  r.interfaceSplit, " split), ", r.infillDraws, " infill draws rewritten (", r.infillSplit, " split), ",
                  r.fanRestores, " fan restores, bed ", bedText(r, " -> "), r.bedRewritten ? " C" : "", "; print time ",
                  signedTenths(r.addedMinutes), " min (", share, ")");
}

std::string summaryComment(const RunResults& r)
{
    return concat("; Vorlane summary: lifted=", r.liftedTravels, " interface=", r.interfaceDraws,
                  " interface_split=", r.interfaceSplit, " infill=", r.infillDraws, " infill_split=", r.infillSplit,
                  " fan_restores=", r.fanRestores, " bed=", bedText(r, "->"));
}

} // namespace vorlane
