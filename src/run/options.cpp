// Option parsing, and the table of settings that drives it, the help and the
// output's settings line.
#include "run/options.hpp"

#include "gcode/number_text.hpp"
#include "gcode/words.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace vorlane {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

struct OptionWord {
    std::string_view word; // lower case
    bool RunOptions::*flag;
};

// clang-format off
constexpr OptionWord optionWords[] = {
    {"--duet",       &RunOptions::option_Duet},
    {"--debug",      &RunOptions::option_Debug},
    {"--lua",        &RunOptions::option_RunLuaPost},
    {"--waitforkey", &RunOptions::option_WaitForKey},
    {"--noalter",    &RunOptions::option_NoAlterOrig},
    {"--report",     &RunOptions::option_Report},
    {"-h",           &RunOptions::helpInformation},
    {"--help",       &RunOptions::helpInformation},
    {"--version",    &RunOptions::versionInformation},
};
// clang-format on

// A setting that takes a number, read as a G-code number is (a 32-bit float,
// correctly rounded) and kept within its range.
struct NumberSetting {
    std::string_view name;     // lower case, without "--"
    std::string_view unit;     // what the help shows for the value
    float RunSettings::*value; // its default is the one RunSettings starts with
    float minimum, maximum;
    std::string_view meaning;
};

// clang-format off
constexpr NumberSetting numberSettings[] = {
    {"lift-height",          "MM",         &RunSettings::liftHeight_MM,         0.05f, 5.0f,
     "the height a lifted travel keeps above the paths it crosses"},
    {"lift-min-travel",      "MM",         &RunSettings::liftMinTravel_MM,      0.0f,  1000.0f,
     "travels not longer than this are never lifted (2 under --classic-lift)"},
    {"lift-feed",            "MM_PER_MIN", &RunSettings::liftFeedRate,          10.0f, 100000.0f,
     "the feed rate of the move back down after a lifted travel, and of both vertical moves of a travel "
     "from an unknown position"},
    {"path-width",           "MM",         &RunSettings::pathWidth_MM,          0.05f, 5.0f,
     "the assumed width of a printed path"},
    {"nozzle-tip",           "MM",         &RunSettings::nozzleTip_MM,          0.05f, 10.0f,
     "the nozzle tip's diameter"},
    {"interface-depth",      "MM",         &RunSettings::interfaceDepth_MM,     0.01f, 5.0f,
     "the ooze depth of support interface on another tool's main support"},
    {"interface-depth-same", "MM",         &RunSettings::interfaceDepthSame_MM, 0.01f, 5.0f,
     "the same when one tool prints both"},
    {"infill-boost",         "FACTOR",     &RunSettings::infillBoost,           1.0f,  5.0f,
     "the extrusion factor of sparse infill over stacked infill"},
    {"infill-full-speed",    "MM_PER_MIN", &RunSettings::infillFullSpeed,       1.0f,  100000.0f,
     "the feed rate at and above which sparse infill is not slowed"},
};
// clang-format on

constexpr RunSettings defaults{};

struct SwitchSetting {
    std::string_view name;
    bool RunSettings::*flag;
    std::string_view meaning;
};

constexpr SwitchSetting switchSettings[] = {
    {"no-lift", &RunSettings::noLift, "no travel is lifted"},
    {"no-interface-boost", &RunSettings::noInterfaceBoost, "support-interface draws are copied"},
    {"no-infill-boost", &RunSettings::noInfillBoost, "sparse-infill draws are copied"},
    {"no-lift-after-tool-change", &RunSettings::noLiftAfterToolChange,
     "travels after a tool change, up to the new tool's first move or draw, are copied"},
    {"classic-lift", &RunSettings::classicLift,
     "the lift as it was: no travel after a tool change lifted, no straight-up rise, outer walls and solid fill "
     "only, each travel judged at its end height"},
};

struct FanRestoreWord {
    std::string_view word;
    FanRestore form;
};
constexpr std::string_view FAN_RESTORE = "fan-restore";
constexpr FanRestoreWord fanRestoreWords[] = {
    {"tool", FanRestore::Tool}, {"plain", FanRestore::Plain}, {"off", FanRestore::Off}};
constexpr std::string_view FAN_RESTORE_ACCEPTED = "tool, plain or off";

std::string rangeOf(const NumberSetting& setting) { return concat(setting.minimum, " to ", setting.maximum); }

void setNumber(RunSettings& settings, const NumberSetting& setting, const std::string& text)
{
    float value = 0;
    if (!readFloat(text, value))
        throw UsageError(
            concat("option --", setting.name, ": '", text, "' is not a number; ", rangeOf(setting), " is accepted"));
    if (!(setting.minimum <= value && value <= setting.maximum))
        throw UsageError(concat("option --", setting.name, ": ", text, " is outside ", rangeOf(setting)));
    settings.*setting.value = value;
}

void setFanRestore(RunSettings& settings, const std::string& text)
{
    const std::string word = lowerCase(text);
    for (const FanRestoreWord& known : fanRestoreWords) {
        if (known.word == word) {
            settings.fanRestore = known.form;
            return;
        }
    }
    throw UsageError(concat("option --", FAN_RESTORE, ": '", text, "' is not ", FAN_RESTORE_ACCEPTED));
}

// A setting's argument, "--name", "--name=value" or "--name" and the value
// as the next argument. False when the name is no setting's.
bool takeSetting(RunOptions& options, const std::vector<std::string>& arguments, std::size_t& i)
{
    RunSettings& settings = options.settings;
    const std::string& argument = arguments[i];
    const std::size_t equals = argument.find('=');
    const std::string name =
        lowerCase(argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2));
    for (const SwitchSetting& setting : switchSettings) {
        if (setting.name != name) continue;
        if (equals != std::string::npos) throw UsageError(concat("option --", setting.name, " takes no value"));
        settings.*setting.flag = true;
        return true;
    }
    const auto number = std::find_if(std::begin(numberSettings), std::end(numberSettings),
                                     [&](const NumberSetting& setting) { return setting.name == name; });
    if (number == std::end(numberSettings) && name != FAN_RESTORE) return false;
    std::string value;
    if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
    } else {
        throw UsageError(concat("option --", name, " needs a value: ",
                                number == std::end(numberSettings) ? FAN_RESTORE_ACCEPTED : rangeOf(*number)));
    }
    if (number == std::end(numberSettings)) {
        setFanRestore(settings, value);
        options.fanRestoreGiven = true;
    } else {
        setNumber(settings, *number, value);
        options.liftMinTravelGiven = options.liftMinTravelGiven || number->value == &RunSettings::liftMinTravel_MM;
    }
    return true;
}

} // namespace

RunOptions parseOptions(const std::vector<std::string>& arguments)
{
    RunOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (i == 0 || optionsEnded || argument.empty() || argument[0] != '-') {
            options.positional.push_back(argument);
            continue;
        }
        const std::string word = lowerCase(argument);
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const auto known = std::find_if(std::begin(optionWords), std::end(optionWords),
                                        [&](const OptionWord& option) { return option.word == word; });
        if (known != std::end(optionWords)) {
            options.*(known->flag) = true;
            continue;
        }
        if (!word.starts_with("--") || !takeSetting(options, arguments, i))
            throw UsageError("unknown option '" + argument + "'");
    }
    if (options.settings.classicLift && !options.liftMinTravelGiven)
        options.settings.liftMinTravel_MM = CLASSIC_LIFT_MIN_TRAVEL_MM;
    return options;
}

std::vector<std::string> settingsHelp()
{
    constexpr std::size_t column = 34;
    std::vector<std::string> lines;
    const auto add = [&](std::string form, const std::string& text) {
        form = "  " + form;
        form.resize(std::max(form.size() + 1, column), ' ');
        lines.push_back(form + text);
    };
    add(concat("--", FAN_RESTORE, "=tool|plain|off"),
        "default tool: M106 P<tool>, M106 without P (the fan of the tool in use), or no fan restore");
    for (const NumberSetting& setting : numberSettings)
        add(concat("--", setting.name, "=", setting.unit),
            concat("default ", defaults.*setting.value, ", ", rangeOf(setting), ": ", setting.meaning));
    for (const SwitchSetting& setting : switchSettings)
        add(concat("--", setting.name), concat("switch: ", setting.meaning));
    return lines;
}

std::string settingsLine(const RunSettings& settings, FanRestore slicerFanRestore)
{
    std::string line;
    const auto add = [&](const auto&... parts) { appendParts(line, line.empty() ? "" : " ", parts...); };
    if (settings.fanRestore != slicerFanRestore) {
        for (const FanRestoreWord& known : fanRestoreWords)
            if (known.form == settings.fanRestore) add(FAN_RESTORE, "=", known.word);
    }
    const RunSettings runDefaults = defaultsFor(settings);
    for (const NumberSetting& setting : numberSettings)
        if (settings.*setting.value != runDefaults.*setting.value) add(setting.name, "=", settings.*setting.value);
    for (const SwitchSetting& setting : switchSettings)
        if (settings.*setting.flag) add(setting.name);
    return line.empty() ? line : "; Vorlane settings: " + line;
}

} // namespace vorlane
