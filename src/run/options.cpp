// Option parsing.
#include "run/options.hpp"

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
    {"-h",           &RunOptions::helpInformation},
    {"--help",       &RunOptions::helpInformation},
    {"--version",    &RunOptions::versionInformation},
};
// clang-format on

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
        if (known == std::end(optionWords)) throw UsageError("unknown option '" + argument + "'");
        options.*(known->flag) = true;
    }
    return options;
}

} // namespace vorlane
