// Absolute twins and the filament a file pushes.
#include "testing/absolute_twin.hpp"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace vorlane::test {

namespace {

// Amounts in units of 1e-5 mm: sums of decimals with up to five places are
// exact.
constexpr int PLACES = 5;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A line without its line end, and the line end.
struct Line {
    std::string_view text;
    std::string_view end;
};

std::vector<Line> linesOf(std::string_view text)
{
    std::vector<Line> lines;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        std::string_view end = lf == std::string_view::npos ? std::string_view() : text.substr(lf, 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
            end = text.substr(line.size(), end.size() + 1);
        }
        lines.push_back({line, end});
        text.remove_prefix(line.size() + end.size());
    }
    return lines;
}

std::string_view withoutBlanks(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

// A command at the start of the line ("M83", "G91"): not followed by a
// digit or a point.
bool isCommand(std::string_view line, std::string_view command)
{
    line = withoutBlanks(line);
    return line.starts_with(command) &&
           (line.size() == command.size() || !(isDigit(line[command.size()]) || line[command.size()] == '.'));
}

bool isMove(std::string_view line) { return line.size() >= 3 && line.starts_with("G1") && !isDigit(line[2]); }

// The upper-case E word of a line's code part: where its number begins and
// how long it is; npos when there is none.
std::size_t eWord(std::string_view line, std::size_t& length)
{
    const std::string_view code = line.substr(0, line.find(';'));
    std::size_t found = std::string_view::npos;
    for (std::size_t i = code.find('E'); i != std::string_view::npos; i = code.find('E', i + 1)) {
        std::size_t end = i + 1;
        if (end < code.size() && (code[end] == '-' || code[end] == '+')) ++end;
        const std::size_t digits = end;
        while (end < code.size() && (isDigit(code[end]) || code[end] == '.'))
            ++end;
        if (end > digits) {
            found = i + 1;
            length = end - found;
        }
    }
    return found;
}

std::int64_t unitsOf(std::string_view number)
{
    const bool negative = number.starts_with('-');
    if (negative || number.starts_with('+')) number.remove_prefix(1);
    const std::size_t point = number.find('.');
    const std::string_view whole = number.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : number.substr(point + 1);
    if (fraction.size() > PLACES) throw std::runtime_error("an E word with more than five places");
    std::int64_t units = 0;
    for (const char c : whole)
        units = units * 10 + (c - '0');
    for (int place = 0; place < PLACES; ++place)
        units = units * 10 + (place < static_cast<int>(fraction.size()) ? fraction[place] - '0' : 0);
    return negative ? -units : units;
}

std::string textOf(std::int64_t units)
{
    std::string text = units < 0 ? "-" : "";
    const std::uint64_t magnitude = static_cast<std::uint64_t>(units < 0 ? -units : units);
    std::uint64_t scale = 1;
    for (int place = 0; place < PLACES; ++place)
        scale *= 10;
    text += std::to_string(magnitude / scale);
    std::string fraction = std::to_string(magnitude % scale + scale).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

} // namespace

void appendTwinLine(std::string& twin, std::string_view line, std::string_view end, const TwinForm& form,
                    TwinState& state)
{
    std::string text(line);
    if (isCommand(line, "M83")) {
        if (!form.m82) return;
        text = "M82";
    } else if (line.starts_with("; firmware_type = ")) {
        text = "; firmware_type = 2";
    } else if (isCommand(line, "G90") || isCommand(line, "G91")) {
        state.relativePositioning = isCommand(line, "G91");
    } else if (line.starts_with("; BEGIN_LAYER_") && form.resetEachLayer) {
        twin.append("G92 E0").append(end);
        state.position = 0;
    } else if (std::size_t length = 0, at = eWord(line, length); at != std::string_view::npos) {
        const std::int64_t units = unitsOf(line.substr(at, length));
        if (isCommand(line, "G92")) {
            state.position = units;
        } else if (isMove(line)) {
            state.position += units;
            if (!state.relativePositioning) text.replace(at, length, textOf(state.position));
        }
    }
    twin.append(text).append(end);
    if (line.starts_with("; *** Printer Settings") && !state.hasFirmwareType)
        twin.append("; firmware_type = 2").append(end);
}

std::string absoluteTwin(std::string_view relative, const TwinForm& form)
{
    const std::vector<Line> lines = linesOf(relative);
    TwinState state;
    for (const Line& line : lines)
        state.hasFirmwareType = state.hasFirmwareType || line.text.starts_with("; firmware_type = ");
    std::string twin;
    for (const Line& line : lines)
        appendTwinLine(twin, line.text, line.end, form, state);
    return twin;
}

std::vector<float> filamentPerMove(std::string_view gcode)
{
    std::vector<float> amounts;
    bool absolute = false, relativePositioning = false, inPrinterSettings = false;
    double position = 0;
    for (const Line& line : linesOf(gcode)) {
        const std::string_view text = line.text;
        inPrinterSettings = text.starts_with("; *** ") ? text.starts_with("; *** Printer Settings") : inPrinterSettings;
        std::size_t length = 0;
        const std::size_t at = eWord(text, length);
        const double value =
            at == std::string_view::npos ? 0 : std::strtod(std::string(text.substr(at, length)).c_str(), nullptr);
        if (isCommand(text, "M82") || isCommand(text, "M83")) absolute = isCommand(text, "M82");
        if (inPrinterSettings && text.starts_with("; firmware_type = 2")) absolute = true;
        if (isCommand(text, "G90") || isCommand(text, "G91")) relativePositioning = isCommand(text, "G91");
        if (isCommand(text, "G92")) {
            const std::string_view code = text.substr(0, text.find(';'));
            if (at != std::string_view::npos)
                position = value;
            else if (code.find_first_of("XYZ") == std::string_view::npos)
                position = 0;
        }
        if (!isMove(text) || at == std::string_view::npos) continue;
        const bool takesPosition = absolute && !relativePositioning;
        amounts.push_back(static_cast<float>(takesPosition ? value - position : value));
        position = takesPosition ? value : position + value;
    }
    return amounts;
}

} // namespace vorlane::test
