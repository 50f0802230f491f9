// Scanners for the recognizers that are more than a literal prefix. Each
// comment gives the match the regular expression would make.
#include "gcode/recognizers.hpp"

namespace vorlane {

namespace {

// Skips `\s*` then expects "M" and a digit; returns the position after the
// whole digit run, or npos.
std::size_t afterMNumber(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && isSpace(line[i]))
        ++i;
    if (i + 1 >= line.size() || line[i] != 'M' || !isDigit(line[i + 1])) return std::string_view::npos;
    i += 2;
    while (i < line.size() && isDigit(line[i]))
        ++i;
    return i;
}

bool isPathKindChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '(' || c == ')' || c == ' ';
}

bool isNameChar(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ' '; }

bool isValueChar(char c) { return isDigit(c) || c == '+' || c == '.' || c == 'e' || c == 'E'; }

// Skips `\s*`, then expects `command` and a digit of `lastDigits`, then the
// end of the line or a character that is neither a digit nor a point.
bool scanGCommand(std::string_view line, std::string_view command, std::string_view lastDigits)
{
    std::size_t i = 0;
    while (i < line.size() && isSpace(line[i]))
        ++i;
    const std::size_t after = i + command.size() + 1;
    return line.substr(i, command.size()) == command && after <= line.size() &&
           lastDigits.find(line[after - 1]) != std::string_view::npos &&
           (after == line.size() || !(isDigit(line[after]) || line[after] == '.'));
}

// The text, then only white space to the end of the line.
bool wholeLine(std::string_view line, std::string_view text, std::size_t from = 0)
{
    if (line.substr(from, text.size()) != text) return false;
    for (std::size_t i = from + text.size(); i < line.size(); ++i)
        if (!isSpace(line[i])) return false;
    return true;
}

// "<prefix>[0-9]+" then the rest: where the digits end, or npos.
std::size_t afterDigits(std::string_view line, std::string_view prefix)
{
    if (!line.starts_with(prefix)) return std::string_view::npos;
    std::size_t i = prefix.size();
    while (i < line.size() && isDigit(line[i]))
        ++i;
    return i > prefix.size() ? i : std::string_view::npos;
}

} // namespace

bool scanG1(std::string_view line) { return line.size() >= 3 && line[0] == 'G' && line[1] == '1' && !isDigit(line[2]); }

// The digit run can only end at a non-digit, so "[^0-9]" needs one more character.
bool scanMCode(std::string_view line)
{
    const std::size_t end = afterMNumber(line);
    return end != std::string_view::npos && end < line.size();
}

bool scanMCodeToEnd(std::string_view line) { return afterMNumber(line) != std::string_view::npos; }

bool scanExtrusionMode(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && isSpace(line[i]))
        ++i;
    return line.substr(i, 2) == "M8" && i + 2 < line.size() && (line[i + 2] == '2' || line[i + 2] == '3') &&
           (i + 3 == line.size() || !isDigit(line[i + 3]));
}

bool scanPositioningMode(std::string_view line) { return scanGCommand(line, "G9", "01"); }

bool scanSetPosition(std::string_view line) { return scanGCommand(line, "G9", "2"); }

// "[a-zA-Z() ]*" stops at the first other character, and " Path" is made of
// class characters, so the run must end with " Path" and an apostrophe follow.
bool scanAllPaths(std::string_view line)
{
    if (!line.starts_with("; '")) return false;
    std::size_t end = 3;
    while (end < line.size() && isPathKindChar(line[end]))
        ++end;
    return end - 3 >= 5 && line.substr(end - 5, 5) == " Path" && end < line.size() && line[end] == '\'';
}

bool scanCommentLine(std::string_view line) { return line == ";"; }

bool scanTravelOrMove(std::string_view line)
{
    return line.size() >= 3 && line[0] == 'G' && (line[1] == '0' || line[1] == '1') && !isDigit(line[2]);
}

bool scanArc(std::string_view line)
{
    return line.size() >= 3 && line[0] == 'G' && (line[1] == '2' || line[1] == '3') && !isDigit(line[2]);
}

bool scanLayerChange(std::string_view line) { return wholeLine(line, ";LAYER_CHANGE"); }

bool scanChangeLayer(std::string_view line) { return wholeLine(line, "; CHANGE_LAYER"); }

bool scanNumberedLayer(std::string_view line)
{
    const std::size_t end = afterDigits(line, line.starts_with(";LAYER:-") ? ";LAYER:-" : ";LAYER:");
    return end != std::string_view::npos && wholeLine(line, "", end);
}

bool scanS3dLayer(std::string_view line)
{
    const std::size_t end = afterDigits(line, "; layer ");
    return end != std::string_view::npos && line.substr(end).starts_with(", Z = ");
}

bool scanS3dLayerEnd(std::string_view line) { return wholeLine(line, "; layer end"); }

bool scanToolNumber(std::string_view line) { return afterDigits(line, "T") != std::string_view::npos; }

bool scanMaterialChangeStart(std::string_view line)
{
    const std::size_t end = afterDigits(line, "M620 S");
    return end != std::string_view::npos && end < line.size() && line[end] == 'A';
}

bool scanMaterialChangeEnd(std::string_view line)
{
    const std::size_t end = afterDigits(line, "M621 S");
    return end != std::string_view::npos && end < line.size() && line[end] == 'A';
}

bool scanToolChange(std::string_view line)
{
    std::size_t i = 1;
    if (line.empty() || line[0] != 'T') return false;
    if (i < line.size() && line[i] == '-') ++i;
    return i < line.size() && isDigit(line[i]);
}

// The name class holds the space but not "=", so the name run must end with
// the space of " = "; backtracking can end it nowhere else. The value run takes
// every value character; only white space may follow it.
bool matchKissParameter(std::string_view line, KissParameter& groups)
{
    if (!line.starts_with("; ")) return false;
    std::size_t run = 2;
    while (run < line.size() && isNameChar(line[run]))
        ++run;
    const std::size_t nameEnd = run - 1;
    if (nameEnd <= 2 || line[nameEnd] != ' ' || line.substr(run, 2) != "= ") return false;
    const std::size_t valueBegin = run + 2;
    if (valueBegin >= line.size()) return false;
    const char first = line[valueBegin];
    if (!(isDigit(first) || first == '-' || first == '+')) return false;
    std::size_t valueEnd = valueBegin + 1;
    while (valueEnd < line.size() && isValueChar(line[valueEnd]))
        ++valueEnd;
    for (std::size_t i = valueEnd; i < line.size(); ++i)
        if (!isSpace(line[i])) return false;
    groups.name = line.substr(2, nameEnd - 2);
    groups.value = line.substr(valueBegin, valueEnd - valueBegin);
    return true;
}

} // namespace vorlane
