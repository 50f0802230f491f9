// The summary of a run and the print time estimate.
#include "state/run_results.hpp"

#include "gcode/number_text.hpp"
#include "gcode/recognizers.hpp"

#include <cmath>
#include <cstdio>

namespace vorlane {

double moveMinutes(const MoveState& before, const MoveState& after)
{
    if (!after.feedRateSeen || !(after.currentF > 0.0f)) return 0;
    const double dx = static_cast<double>(after.currentX) - before.currentX;
    const double dy = static_cast<double>(after.currentY) - before.currentY;
    const double dz = static_cast<double>(after.currentZ) - before.currentZ;
    return std::sqrt(dx * dx + dy * dy + dz * dz) / after.currentF;
}

double linesMinutes(MoveState& at, std::string_view text)
{
    double minutes = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!matches(pattern_G1, line)) continue;
        const MoveState before = at;
        classifyMoveLine(at, line);
        minutes += moveMinutes(before, at);
    }
    return minutes;
}

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
