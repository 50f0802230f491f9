// Option parsing.
#include "run/options.hpp"

#include <algorithm>

namespace vorlane {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
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
        if (word == "--") optionsEnded = true;
        else if (word == "--duet") options.option_Duet = true;
        else if (word == "--debug") options.option_Debug = true;
        else if (word == "--lua") options.option_RunLuaPost = true;
        else if (word == "--waitforkey") options.option_WaitForKey = true;
        else if (word == "--noalter") options.option_NoAlterOrig = true;
        else if (word == "-h" || word == "--help") options.helpInformation = true;
        else throw UsageError("unknown option '" + argument + "'");
    }
    return options;
}

} // namespace vorlane
