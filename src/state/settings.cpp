// The settings catalog and the bed temperature rule.
#include "state/settings.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/words.hpp"
#include "gcode/writers.hpp"
#include "geometry/vec2.hpp"

namespace vorlane {

SettingLine parseSetting(Console& console, std::string_view text, std::string& settingName, float& settingValue)
{
    settingName.clear();
    settingValue = NaN;
    KissParameter groups;
    if (!matchKissParameter(text, groups)) return SettingLine::NotASetting;
    // Start and end G-code templates are stored as settings too; they are not numbers.
    if (groups.name.find("g_code") != std::string_view::npos) return SettingLine::NotASetting;
    settingName = groups.name;
    if (!readFloat(groups.value, settingValue)) {
        say(console, concat("Could not parse setting '", groups.name, "' due to error in: ", groups.value,
                            " - ignoring setting"));
        return SettingLine::Unreadable;
    }
    return SettingLine::Setting;
}

void handleSettingsLine(Settings& settings, Console& console, std::string_view text)
{
    if (matches(pattern_PrinterSettings, text)) {
        settings.settingsSection = SettingsSection::Printer;
    } else if (matches(pattern_MaterialSettings, text)) {
        settings.settingsSection = static_cast<SettingsSection>(static_cast<std::int32_t>(SettingsSection::Material0) +
                                                                settings.settingsMaterial);
        ++settings.settingsMaterial;
    } else if (matches(pattern_StyleSettings, text)) {
        settings.settingsSection = SettingsSection::Style;
    } else if (matches(pattern_SupportSettings, text)) {
        settings.settingsSection = SettingsSection::Support;
    } else if (matches(pattern_ActualParameters, text)) {
        settings.settingsSection = SettingsSection::ActualParameters;
    } else if (settings.settingsSection != SettingsSection::None) {
        std::string settingName;
        float settingValue;
        const SettingLine read = parseSetting(console, text, settingName, settingValue);
        if (read == SettingLine::Setting)
            settings.settingsCatalog[static_cast<std::int32_t>(settings.settingsSection)][settingName] = settingValue;
        if (read == SettingLine::Unreadable) settings.unreadableSetting = true;
    }
}

bool applyBedTemperatureRule(const Settings& settings, Console& console, bool debug, std::string_view text,
                             OutBuffer& out, RunResults& results)
{
    const auto& catalog = settings.settingsCatalog;
    if (!catalog.contains(static_cast<std::int32_t>(SettingsSection::Material0) + 1)) return false;
    if (!matches(pattern_MCode, text)) return false;
    if (debug) say(console, concat("Multi-Material - Prefix M-code line found: ", text));
    const WordTable elements = parseGCodeValues(stripTrailingComment(text));
    if (!elements.has('M') || !elements.has('S')) return false;
    const float m = elements['M'];
    if (m != 190.0f && m != 140.0f) return false;

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
    if (!anyBedTemp || maxTemp == elements['S']) return false;
    writeTextLine(out, "M", m, " S", maxTemp, " ; we use higher of the two materials' bed temps");
    if (!results.bedRewritten) {
        results.bedRewritten = true;
        results.bedBefore = elements['S'];
        results.bedAfter = maxTemp;
    }
    return true;
}

} // namespace vorlane
