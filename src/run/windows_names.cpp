// The Windows rules for file names and command lines, as pure functions of
// text, so a Windows build needs only the system calls around them.
#include "run/platform.hpp"

namespace vorlane {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool startsWithDriveRoot(std::string_view name)
{
    const bool letter = name.size() >= 3 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    return letter && name[1] == ':' && isSeparator(name[2]);
}

// Windows measures names in UTF-16 units: one per character, two for those
// beyond the basic plane (four-byte UTF-8 sequences).
std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

constexpr std::size_t LONG_NAME_UNITS = 240;

} // namespace

bool isRootedWindowsName(std::string_view name)
{
    return (!name.empty() && isSeparator(name[0])) || startsWithDriveRoot(name);
}

std::string windowsLongPathForm(std::string_view name, std::string_view fullPath)
{
    if (!isRootedWindowsName(name)) return "\\\\?\\" + std::string(fullPath);
    if (utf16Length(name) < LONG_NAME_UNITS || name.starts_with("\\\\?\\")) return std::string(name);
    // A name starting with a separator completes the prefix with its own.
    return (startsWithDriveRoot(name) ? "\\\\?\\" : "\\\\?") + std::string(name);
}

std::string windowsCommandLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
            line += argument;
            continue;
        }
        // Backslashes are literal except before a quote, where each must be
        // doubled; the quote itself is escaped, and so are the backslashes
        // before the closing quote.
        line += '"';
        std::size_t backslashes = 0;
        for (const char c : argument) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            if (c == '"') {
                line.append(backslashes * 2 + 1, '\\');
            } else {
                line.append(backslashes, '\\');
            }
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

} // namespace vorlane
