// The settings catalog.
#include "state/settings.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/words.hpp"
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

std::optional<StoredSetting> handleSettingsLine(Settings& settings, Console& console, std::string_view text)
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
        StoredSetting stored{settings.settingsSection, {}, 0};
        const SettingLine read = parseSetting(console, text, stored.name, stored.value);
        if (read == SettingLine::Unreadable) settings.unreadableSetting = true;
        if (read != SettingLine::Setting) return std::nullopt;
        settings.settingsCatalog[static_cast<std::int32_t>(stored.section)][stored.name] = stored.value;
        return stored;
    }
    return std::nullopt;
}

} // namespace vorlane
