// A stand-in for the Lua interpreter, so the Lua pass is tested the same way
// on every platform without a real interpreter: it writes the arguments it
// received, one per line between brackets, to "lua-arguments.txt" in its
// working folder and to standard output, then carries out its script's
// lines: "append <text>" adds a line to the file named by the last argument,
// "exit <n>" ends with that exit code.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <filesystem>
#include <shellapi.h>
#endif

namespace {

#ifdef _WIN32
std::string narrow(const wchar_t* text)
{
    const std::u8string utf8 = std::filesystem::path(text).u8string();
    return std::string(utf8.begin(), utf8.end());
}
std::filesystem::path pathOf(const std::string& name)
{
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}
#else
const std::string& pathOf(const std::string& name) { return name; }
#endif

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv, argv + argc);
#ifdef _WIN32
    // The wide command line, as the real interpreter would read it.
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    arguments.clear();
    for (int i = 0; i < count; ++i)
        arguments.push_back(narrow(words[i]));
    LocalFree(words);
#endif
    std::string record;
    for (std::size_t i = 1; i < arguments.size(); ++i)
        record += "[" + arguments[i] + "]\n";
    std::ofstream("lua-arguments.txt", std::ios::binary) << record;
    std::fputs(record.c_str(), stdout);

    if (arguments.size() < 2) return 2;
    std::ifstream script(pathOf(arguments[1]));
    for (std::string line; std::getline(script, line);) {
        if (line.starts_with("append ")) {
            std::ofstream(pathOf(arguments.back()), std::ios::binary | std::ios::app) << line.substr(7) << '\n';
        } else if (line.starts_with("exit ")) {
            return std::atoi(line.c_str() + 5);
        }
    }
    return 0;
}
