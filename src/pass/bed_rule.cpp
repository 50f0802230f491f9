// The bed temperature rule.
#include "pass/bed_rule.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/words.hpp"
#include "geometry/vec2.hpp"

namespace vorlane {

void findBedRaise(const Settings& settings, std::string_view text, BedFinding& finding)
{
    const auto& catalog = settings.settingsCatalog;
    if (!catalog.contains(static_cast<std::int32_t>(SettingsSection::Material0) + 1)) return;
    if (!matches(pattern_MCode, text)) return;
    finding.mCodeLine = true;
    finding.line = text;
    const WordTable elements = parseGCodeValues(stripTrailingComment(text));
    if (!elements.has('M') || !elements.has('S')) return;
    const float m = elements['M'];
    if (m != 190.0f && m != 140.0f) return;

    float maxTemp = 0;
    bool anyBedTemp = false;
    for (const auto& [section, values] : catalog) {
        if (section <= static_cast<std::int32_t>(SettingsSection::ActualParameters)) continue;
        // A material without a bed temperature asks for none.
        const auto bed = values.find("bed_C");
        if (bed == values.end()) continue;
        const float materialBedTemp = bed->second;
        finding.materialBedTemps.push_back(materialBedTemp);
        maxTemp = maxOf(materialBedTemp, maxTemp);
        anyBedTemp = true;
    }
    // With no material asking for a temperature, the file's own stands: the
    // bed is never switched off.
    if (anyBedTemp && maxTemp != elements['S']) finding.raise = BedRaise{m, elements['S'], maxTemp};
}

} // namespace vorlane
