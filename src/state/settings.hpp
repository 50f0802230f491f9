// The slicer's settings header, read into a catalog.
#pragma once

#include "gcode/console.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vorlane {

// Section of the settings header; the n-th material header (from 0) selects
// Material0 + n.
enum class SettingsSection : std::int32_t {
    None = 0,
    Printer = 1,
    Support = 2,
    Style = 3,
    ActualParameters = 4,
    Material0 = 5,
};

struct Settings {
    SettingsSection settingsSection = SettingsSection::None;
    std::int32_t settingsMaterial = 0;
    // Section -> name -> value. A section appears with its first stored setting.
    std::map<std::int32_t, std::map<std::string, float, std::less<>>> settingsCatalog;
    // A setting could not be read; the run waits for Enter at its end so
    // that the message can be read.
    bool unreadableSetting = false;
};

enum class SettingLine { NotASetting, Setting, Unreadable };

// Reads one "; name = number" line: NotASetting for any other line and for
// names holding "g_code". A number that does not convert prints its message
// and gives Unreadable.
SettingLine parseSetting(Console& console, std::string_view line, std::string& settingName, float& settingValue);

// A line of the preamble: a section header, or a setting of the current
// section. Returns the setting it stored, if it stored one.
struct StoredSetting {
    SettingsSection section;
    std::string name;
    float value;
};
std::optional<StoredSetting> handleSettingsLine(Settings& settings, Console& console, std::string_view line);

// Kisslicer's firmware setting that makes E words absolute positions.
inline bool setsAbsoluteExtrusion(const StoredSetting& setting)
{
    return setting.section == SettingsSection::Printer && setting.name == "firmware_type" && setting.value == 2.0f;
}

} // namespace vorlane
