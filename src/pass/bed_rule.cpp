// The bed temperature rule.
#include "pass/bed_rule.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/words.hpp"
#include "geometry/vec2.hpp"

namespace vorlane {

std::optional<BedRaise> raisedBedTemperature(const Settings& settings, Console& console, bool debug,
                                             std::string_view text)
{
    const auto& catalog = settings.settingsCatalog;
    if (!catalog.contains(static_cast<std::int32_t>(SettingsSection::Material0) + 1)) return std::nullopt;
    if (!matches(pattern_MCode, text)) return std::nullopt;
    if (debug) say(console, concat("Multi-Material - Prefix M-code line found: ", text));
    const WordTable elements = parseGCodeValues(stripTrailingComment(text));
    if (!elements.has('M') || !elements.has('S')) return std::nullopt;
    const float m = elements['M'];
    if (m != 190.0f && m != 140.0f) return std::nullopt;

    float maxTemp = 0;
    bool anyBedTemp = false;
    for (const auto& [section, values] : catalog) {
        if (section <= static_cast<std::int32_t>(SettingsSection::ActualParameters)) continue;
        // A material without a bed temperature asks for none.
        const auto bed = values.find("bed_C");
        if (bed == values.end()) continue;
        const float materialBedTemp = bed->second;
        if (debug) say(console, concat("found material bed temp of ", materialBedTemp));
        maxTemp = maxOf(materialBedTemp, maxTemp);
        anyBedTemp = true;
    }
    // With no material asking for a temperature, the file's own stands: the
    // bed is never switched off.
    if (!anyBedTemp || maxTemp == elements['S']) return std::nullopt;
    return BedRaise{m, elements['S'], maxTemp};
}

} // namespace vorlane
