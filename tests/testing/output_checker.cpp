// The output checker. It follows, with readers of its own, the few things of
// the print state that decide what may be rewritten (position, feed rate,
// chapter, path kind, tool, fan speed, the materials' bed temperatures) and
// lines every output line up with the input line it stands for.
#include "testing/output_checker.hpp"

#include "pass/dialect.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <tuple>

namespace vorlane::test {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t MAX_PROBLEMS = 20;

constexpr std::string_view HEADER_LINE = "; Vorlane v0024";
constexpr std::string_view LUA_TIMING = "; Lua Postproc took ";
constexpr std::string_view OWN_TIMING = "; D   Postproc took ";
constexpr std::string_view ORIGINAL_LINE = "; original line:";
constexpr std::string_view RESTORE_COMMENT = " ; restore the fan in case tool change messed it up";
constexpr std::string_view BED_COMMENT = " ; we use higher of the two materials' bed temps";
constexpr std::string_view FINISH_COMMENT = "; finish off - emitting with factor of ";
constexpr std::string_view SETTINGS_LINE = "; Vorlane settings: ";
constexpr std::string_view SUMMARY_LINE = "; Vorlane summary: ";
// Below this a feed rate scaled in floats loses its digits (subnormal
// numbers): ratios of such feed rates are not checked.
constexpr double MIN_CHECKED_FEED_RATE = 1e-6;

struct RewriteKind {
    std::string_view name;
    std::string_view header;
    std::string_view wholeAnnouncement;
    std::string_view plainComment;
    std::string_view boostedComment;
};

constexpr RewriteKind interfaceRewrite{
    "support interface", "; Interface Crosses Main: ", "; boosted Interface over all-Main Support - original line:",
    "; found Main so emitting vanilla:", "; found other so emitting boosted Interface:"};
constexpr RewriteKind topInfillRewrite{"sparse infill", "; TopInfill Crosses StackedInfilln: ",
                                       "; boosted TopInfill over all-Stacked Infill - original line:",
                                       "; found StackedInfill so emitting nominally slowed vanilla to get there:",
                                       "; found other so emitting boosted TopInfill:"};

// ---------------------------------------------------------------------------
// Lines and number text.

// As the program reads its input: lines end at LF, a CR right before the LF
// is not part of the line, and a last line without LF is a line.
std::vector<std::string_view> inputLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t lf = text.find('\n', begin);
        if (lf == npos) {
            lines.push_back(text.substr(begin));
            break;
        }
        std::size_t end = lf;
        if (end > begin && text[end - 1] == '\r') --end;
        lines.push_back(text.substr(begin, end - begin));
        begin = lf + 1;
    }
    return lines;
}

// The program ends every line it writes with LF.
std::vector<std::string_view> outputLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t lf = text.find('\n', begin);
        if (lf == npos) lf = text.size();
        lines.push_back(text.substr(begin, lf - begin));
        begin = lf + 1;
    }
    return lines;
}

// printf's %g of the float widened to double: the program's number text.
std::string g(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string excerpt(std::string_view line)
{
    return line.size() <= 120 ? std::string(line) : std::string(line.substr(0, 117)) + "...";
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A number written in the program's text form; its value in `value`. "nan"
// and "inf" are number text too (a comment may carry them).
bool readNumberText(std::string_view text, double& value)
{
    if (text.empty() || text.size() > 30) return false;
    const std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) return false;
    char again[40];
    std::snprintf(again, sizeof again, "%g", value);
    return copy == again;
}

// ---------------------------------------------------------------------------
// G-code words, as the program's word pattern
// (G|M|X|Y|Z|U|V|W|I|J|K|E|F|T|S|P|D|H|R|Q|N)([-+]?\d*\.?\d+\.?), any case,
// finds them from left to right in a line without its comment.

bool isWordLetter(char c)
{
    if (!isLetter(c)) return false;
    const char upper = c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
    return std::string_view("GMXYZUVWIJKEFTSPDHRQN").find(upper) != npos;
}

// The length of the number at the start of `text`, 0 when there is none.
// "\d*\.?\d+" takes digits, point, digits when a digit follows the point and
// the digits alone otherwise; a trailing point is taken after either.
std::size_t numberLength(std::string_view text, bool& twoPoints)
{
    twoPoints = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const std::size_t integerBegin = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    if (i + 1 < text.size() && text[i] == '.' && isDigit(text[i + 1])) {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        if (i < text.size() && text[i] == '.') {
            twoPoints = true;
            ++i;
        }
        return i;
    }
    if (i == integerBegin) return 0;
    if (i < text.size() && text[i] == '.') ++i;
    return i;
}

// The float a number text stands for, correctly rounded; nothing when the
// text is not one number or lies beyond a float's range (it rounds to 0 or
// to infinity), which the program refuses.
std::optional<float> floatOf(std::string_view number)
{
    const std::string text(number);
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size()) return std::nullopt;
    // Beyond the largest float it is malformed; below the smallest it reads
    // as zero, as a printer reads it.
    if (errno == ERANGE && std::isinf(value)) return std::nullopt;
    return value;
}

struct Words {
    std::array<std::optional<float>, 128> values;
    std::string_view eText; // the last upper-case E word's number as written
    bool malformed = false; // a number the program cannot read: it refuses the line
    std::optional<float> operator[](char letter) const { return values[static_cast<unsigned char>(letter)]; }
};

Words readWords(std::string_view line)
{
    const std::string_view text = line.substr(0, line.find(';'));
    Words words;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isWordLetter(text[i])) {
            ++i;
            continue;
        }
        bool twoPoints = false;
        const std::size_t length = numberLength(text.substr(i + 1), twoPoints);
        if (length == 0) {
            ++i;
            continue;
        }
        const std::optional<float> value = twoPoints ? std::nullopt : floatOf(text.substr(i + 1, length));
        if (value)
            words.values[static_cast<unsigned char>(text[i])] = *value;
        else
            words.malformed = true;
        if (text[i] == 'E') words.eText = text.substr(i + 1, length);
        i += 1 + length;
    }
    return words;
}

// ---------------------------------------------------------------------------
// The line kinds that matter here, in the program's own terms.

bool isMoveLine(std::string_view line) { return line.size() >= 3 && line.starts_with("G1") && !isDigit(line[2]); }

// After "^\s*M[0-9]+": the position behind the digits, or npos.
std::size_t afterMNumber(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && isSpace(line[i]))
        ++i;
    if (i + 1 >= line.size() || line[i] != 'M' || !isDigit(line[i + 1])) return npos;
    i += 2;
    while (i < line.size() && isDigit(line[i]))
        ++i;
    return i;
}

// "^; '[a-zA-Z() ]* Path'"
bool isPathKindComment(std::string_view line)
{
    if (!line.starts_with("; '")) return false;
    std::size_t end = 3;
    while (end < line.size() && (isLetter(line[end]) || line[end] == '(' || line[end] == ')' || line[end] == ' '))
        ++end;
    return end >= 8 && line.substr(end - 5, 5) == " Path" && end < line.size() && line[end] == '\'';
}

bool isToolChange(std::string_view line)
{
    if (line.size() < 2 || line[0] != 'T') return false;
    const std::size_t digit = line[1] == '-' ? 2 : 1;
    return digit < line.size() && isDigit(line[digit]);
}

enum class Chapter { Preamble, Prefix, Printing, Postfix };
enum class Section { None, Unclassified, Perimeter, Solid, PrimePillar, StackedInfill, TopInfill, Interface, Main };

// ---------------------------------------------------------------------------
// The other slicers, as the checker reads them: the header text that names
// each, its path-kind comment, where its layers begin, and a few of its path
// kinds written out by hand. The program's table gives the rest of the kinds;
// these rows must agree with it, so that a wrong row in the table is caught.

struct SlicerForm {
    std::string_view header;
    Slicer slicer;
    std::string_view kindPrefix;
    std::string_view layerMarker;          // the whole line; Cura's and ideaMaker's are followed by a number
    std::string_view pause;                // Cura's note after a layer, Simplify3D's end, which pause the printing
    std::string_view fanRestore;           // the restore when no setting asks for another
    std::string_view unknownPosition = {}; // the comment on a travel from where the head may not stand
    // Simplify3D's: a kind is a whole comment, after "feature " in 5.x.
    bool exactKinds = false;
};

constexpr std::string_view PRUSA_UNKNOWN = "; move to print after unknown position";
constexpr SlicerForm slicerForms[] = {
    {"; generated by PrusaSlicer", Slicer::PrusaSlicer, ";TYPE:", ";LAYER_CHANGE", {}, "plain", PRUSA_UNKNOWN},
    {"; generated by SuperSlicer", Slicer::SuperSlicer, ";TYPE:", ";LAYER_CHANGE", {}, "plain", PRUSA_UNKNOWN},
    {"; generated by OrcaSlicer", Slicer::OrcaSlicer, ";TYPE:", ";LAYER_CHANGE", {}, "off"},
    {"; BambuStudio", Slicer::BambuStudio, "; FEATURE: ", "; CHANGE_LAYER", {}, "off"},
    {";Generated with Cura_SteamEngine", Slicer::Cura, ";TYPE:", ";LAYER:", ";TIME_ELAPSED:", "plain"},
    {"; G-Code generated by Simplify3D(R)", Slicer::Simplify3D, "; ", "; layer ", "; layer end", "plain", {}, true},
    {";Sliced by ideaMaker", Slicer::IdeaMaker, ";TYPE:", ";LAYER:", {}, "plain"},
    // Read generically: no kinds, no layers, no fan restore, until a
    // family's comment (Slic3r: any ";TYPE:").
    {"; generated by Slic3r", Slicer::Slic3r, {}, {}, {}, "off"},
};
// The slicers the checker does not know by name, read as Slic3r's files are
// but for the comments that tell their family.
constexpr SlicerForm otherSlicer{{}, Slicer::Other, {}, {}, {}, "off"};

const SlicerForm& formOf(Slicer slicer)
{
    for (const SlicerForm& form : slicerForms)
        if (form.slicer == slicer) return form;
    return otherSlicer;
}

struct HandRow {
    Slicer slicer;
    std::string_view name;
    Section section;
};

constexpr HandRow handRows[] = {
    {Slicer::PrusaSlicer, "External perimeter", Section::Perimeter},
    {Slicer::PrusaSlicer, "Perimeter", Section::Unclassified},
    {Slicer::PrusaSlicer, "Top solid infill", Section::Solid},
    {Slicer::PrusaSlicer, "Wipe tower", Section::PrimePillar},
    {Slicer::PrusaSlicer, "Support material interface", Section::Interface},
    {Slicer::SuperSlicer, "External perimeter", Section::Perimeter},
    {Slicer::SuperSlicer, "Internal infill", Section::Unclassified},
    {Slicer::OrcaSlicer, "Outer wall", Section::Perimeter},
    {Slicer::OrcaSlicer, "Inner wall", Section::Unclassified},
    {Slicer::OrcaSlicer, "Sparse infill", Section::Unclassified},
    {Slicer::OrcaSlicer, "Internal solid infill", Section::Solid},
    {Slicer::OrcaSlicer, "Prime tower", Section::PrimePillar},
    {Slicer::BambuStudio, "Outer wall", Section::Perimeter},
    {Slicer::BambuStudio, "Gap infill", Section::Solid},
    {Slicer::BambuStudio, "Support", Section::Main},
    {Slicer::BambuStudio, "Custom", Section::Unclassified},
    {Slicer::Cura, "WALL-OUTER", Section::Perimeter},
    {Slicer::Cura, "WALL-INNER", Section::Unclassified},
    {Slicer::Cura, "SKIN", Section::Solid},
    {Slicer::Cura, "SUPPORT-INTERFACE", Section::Interface},
    {Slicer::Simplify3D, "outer perimeter", Section::Perimeter},
    {Slicer::Simplify3D, "solid layer", Section::Solid},
    {Slicer::Simplify3D, "dense support", Section::Interface},
    {Slicer::Simplify3D, "support", Section::Main},
    {Slicer::Simplify3D, "ooze shield", Section::PrimePillar},
    {Slicer::Simplify3D, "infill", Section::Unclassified},
    {Slicer::IdeaMaker, "WALL-OUTER", Section::Perimeter},
    {Slicer::IdeaMaker, "SOLID-FILL", Section::Solid},
    {Slicer::IdeaMaker, "RAFT", Section::Main},
};

Section sectionOf(DrawType kind)
{
    switch (kind) {
    case DrawType::Perimeter:
        return Section::Perimeter;
    case DrawType::Solid:
        return Section::Solid;
    case DrawType::PrimePillar:
        return Section::PrimePillar;
    case DrawType::SupportMain:
        return Section::Main;
    case DrawType::SupportInterface:
        return Section::Interface;
    case DrawType::StackedInfill:
        return Section::StackedInfill;
    case DrawType::TopInfill:
        return Section::TopInfill;
    case DrawType::None:
    case DrawType::UnclassifiedPath:
        break;
    }
    return Section::Unclassified;
}

// A slicer's name after the phrase that gives it: its words up to one that
// begins with a digit or is "on".
std::string nameAfter(std::string_view rest)
{
    std::istringstream words{std::string(rest)};
    std::string name;
    for (std::string word; words >> word && !isDigit(word[0]) && word != "on";)
        name += (name.empty() ? "" : " ") + word;
    return name;
}

// The slicer named by the first comment lines before the first command, and
// the name the file gives it where the summary takes that.
struct Naming {
    const SlicerForm* form = nullptr;
    std::string name;
};
Naming slicerFormOf(const std::vector<std::string_view>& in)
{
    for (const std::string_view line : in) {
        // Blank as the program takes it: spaces, tabs and carriage returns.
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == npos) continue;
        if (line[first] != ';') break;
        // The first header that names a slicer decides: Kisslicer's rules are
        // the checker's own.
        if (line.starts_with("; KISSlicer")) return {};
        for (const SlicerForm& form : slicerForms)
            if (line.starts_with(form.header))
                return {&form, form.slicer == Slicer::Slic3r ? nameAfter(line.substr(15)) : std::string()};
        for (const std::string_view phrase : {"; generated by ", ";Generated with ", "; Generated with ", ";Sliced by ",
                                              "; Sliced by ", "; G-Code generated by "})
            if (line.starts_with(phrase) && !nameAfter(line.substr(phrase.size())).empty())
                return {&otherSlicer, nameAfter(line.substr(phrase.size()))};
    }
    return {};
}

Section sectionOf(std::string_view comment)
{
    const std::pair<std::string_view, Section> kinds[] = {
        {"; 'Perimeter Path'", Section::Perimeter},      {"; 'Solid Path'", Section::Solid},
        {"; 'Prime Pillar Path'", Section::PrimePillar}, {"; 'Stacked Sparse Infill Path", Section::StackedInfill},
        {"; 'Sparse Infill Path", Section::TopInfill},   {"; 'Support Interface", Section::Interface},
        {"; 'Support (may Stack)", Section::Main},
    };
    for (const auto& [prefix, section] : kinds)
        if (comment.starts_with(prefix)) return section;
    return Section::Unclassified;
}

// "; name = value" of the settings header: a name of letters, spaces and
// underscores, a value that starts with a sign or a digit and goes on with
// digits, points, plus signs and e or E, then only white space.
bool readSetting(std::string_view line, std::string_view& name, std::string_view& value)
{
    if (!line.starts_with("; ")) return false;
    std::size_t run = 2;
    while (run < line.size() && (isLetter(line[run]) || line[run] == '_' || line[run] == ' '))
        ++run;
    if (run < 4 || line[run - 1] != ' ' || line.substr(run, 2) != "= ") return false;
    name = line.substr(2, run - 3);
    const std::size_t begin = run + 2;
    if (begin >= line.size() || !(isDigit(line[begin]) || line[begin] == '-' || line[begin] == '+')) return false;
    std::size_t end = begin + 1;
    while (end < line.size() &&
           (isDigit(line[end]) || line[end] == '+' || line[end] == '.' || line[end] == 'e' || line[end] == 'E'))
        ++end;
    for (std::size_t i = end; i < line.size(); ++i)
        if (!isSpace(line[i])) return false;
    value = line.substr(begin, end - begin);
    return true;
}

// A settings value as a float: the whole text one number ("+5" and ".5" after
// a sign included, "1.2.3" and a lone sign not).
std::optional<float> settingValue(std::string_view text)
{
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    const std::size_t lead = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() <= lead || !(isDigit(text[lead]) || text[lead] == '.')) return std::nullopt;
    return floatOf(text);
}

// ---------------------------------------------------------------------------
// Generated lines: "G1" and words in a fixed order, each number in the
// program's number text.

bool readGenerated(std::string_view line, std::string_view letters, double* values)
{
    if (!line.starts_with("G1")) return false;
    std::string_view rest = line.substr(2);
    for (std::size_t w = 0; w < letters.size(); ++w) {
        if (rest.size() < 2 || rest[0] != ' ' || rest[1] != letters[w]) return false;
        rest.remove_prefix(2);
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (!readNumberText(rest.substr(0, end), values[w])) return false;
        rest.remove_prefix(end);
    }
    return rest.empty();
}

bool allFinite(const double* values, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

// Equal but for the rounding of 32-bit arithmetic and of 6-digit number text,
// plus `slack` for what the caller knows to be less exact.
bool near(double actual, double expected, double slack = 0)
{
    return std::fabs(actual - expected) <= 1e-4 * std::max(std::fabs(actual), std::fabs(expected)) + 1e-6 + slack;
}

struct Point {
    double x = 0, y = 0;
};

// Where a written point lies along a move: its lambda and its distance from
// the move's line, with how far either may be off through rounding.
struct AlongMove {
    double lambda = 0;
    double offLine = 0;
    double lambdaSlack = 0;
    double lineSlack = 0;
};

AlongMove along(Point origin, Point terminus, Point p)
{
    const double dx = terminus.x - origin.x, dy = terminus.y - origin.y;
    const double length = std::hypot(dx, dy);
    AlongMove a;
    const double scale = std::max({std::fabs(origin.x), std::fabs(origin.y), std::fabs(terminus.x),
                                   std::fabs(terminus.y), std::fabs(p.x), std::fabs(p.y)});
    // Six-digit text of the point and float interpolation.
    a.lineSlack = 2e-5 * scale + 1e-5;
    if (!(length > 0)) return a;
    a.lambda = ((p.x - origin.x) * dx + (p.y - origin.y) * dy) / (length * length);
    a.offLine = std::fabs(dx * (p.y - origin.y) - dy * (p.x - origin.x)) / length;
    a.lambdaSlack = a.lineSlack / length;
    return a;
}

// The steps a drawn arc is kept as: equal angles, each within 0.05 mm of the
// arc, the last point its end; computed in doubles, kept as floats.
std::vector<Point> arcSteps(Point start, Point end, const Words& words, bool clockwise)
{
    double cx = start.x, cy = start.y;
    bool centred = true;
    if (words['I'] || words['J']) {
        cx += words['I'].value_or(0.0f);
        cy += words['J'].value_or(0.0f);
    } else if (words['R'] && !(start.x == end.x && start.y == end.y)) {
        const double r = *words['R'], dx = end.x - start.x, dy = end.y - start.y, d = std::hypot(dx, dy);
        const double h = std::sqrt(std::max(0.0, r * r - d * d / 4));
        const double side = (clockwise != (r < 0)) ? -1 : 1;
        cx = (start.x + end.x) / 2 - side * h * dy / d;
        cy = (start.y + end.y) / 2 + side * h * dx / d;
    } else {
        centred = false;
    }
    std::vector<Point> steps;
    if (centred) {
        const double pi = std::acos(-1.0);
        const double a0 = std::atan2(start.y - cy, start.x - cx), radius = std::hypot(start.x - cx, start.y - cy);
        double sweep = std::atan2(end.y - cy, end.x - cx) - a0;
        if (clockwise && sweep >= 0) sweep -= 2 * pi;
        if (!clockwise && sweep <= 0) sweep += 2 * pi;
        const long n =
            radius > 0.05
                ? std::max(1L, static_cast<long>(std::ceil(std::fabs(sweep) / (2 * std::acos(1 - 0.05 / radius)))))
                : 1;
        for (long k = 1; k < n; ++k) {
            const double a = a0 + sweep * static_cast<double>(k) / static_cast<double>(n);
            steps.push_back(
                {static_cast<float>(cx + radius * std::cos(a)), static_cast<float>(cy + radius * std::sin(a))});
        }
    }
    steps.push_back(end);
    return steps;
}

// ---------------------------------------------------------------------------
// The settings a run was given, as the output's settings line names them;
// without the line, the defaults.

struct RunValues {
    std::string fanRestore = "tool";
    bool fanRestoreGiven = false;
    float liftHeight = 0.5;           // a lifted travel crosses paths less than this below it
    std::string liftFeedText = "450"; // a lifted travel goes down at this feed rate
    float liftMinTravel = 0;          // the classic lift's is 2 when the line names none
    double infillBoost = 1.25;        // boosted sparse infill gets this much more plastic
    double infillFullSpeed = 10000;   // at and above it sparse infill is not slowed for speed
    double interfaceDepth = 0.8, interfaceDepthSame = 0.25;
    bool noLift = false, noInterfaceBoost = false, noInfillBoost = false;
    // The lift as it was: no travel after a tool change lifted, outer walls
    // and solid fill the only obstacles, each travel judged at its end
    // height; or only the travels after a tool change copied.
    bool classicLift = false, noLiftAfterToolChange = false;
};

// Reads "; Vorlane settings: name=value ... switch ..."; false with `problem`
// set for a word it does not know.
bool readSettingsLine(std::string_view line, RunValues& run, std::string& problem)
{
    line.remove_prefix(SETTINGS_LINE.size());
    float minTravel = -1;
    while (!line.empty()) {
        const std::string_view item = line.substr(0, line.find(' '));
        line.remove_prefix(std::min(line.size(), item.size() + 1));
        const std::size_t equals = item.find('=');
        const std::string_view name = item.substr(0, equals);
        const std::string_view value = equals == npos ? std::string_view() : item.substr(equals + 1);
        const std::optional<float> read = equals == npos ? std::nullopt : floatOf(value);
        const bool isNumber = read.has_value();
        const float number = read.value_or(0.0f);
        const auto numberFor = [&](auto& field) {
            if (isNumber) field = number;
            return isNumber;
        };
        bool known = false;
        if (name == "fan-restore" && (value == "tool" || value == "plain" || value == "off")) {
            run.fanRestore = std::string(value);
            run.fanRestoreGiven = true;
            known = true;
        } else if (name == "lift-feed" && isNumber) {
            run.liftFeedText = std::string(value);
            known = true;
        } else if (name == "lift-min-travel") {
            known = numberFor(minTravel);
        } else if (name == "infill-boost") {
            known = numberFor(run.infillBoost);
        } else if (name == "infill-full-speed") {
            known = numberFor(run.infillFullSpeed);
        } else if (name == "interface-depth") {
            known = numberFor(run.interfaceDepth);
        } else if (name == "interface-depth-same") {
            known = numberFor(run.interfaceDepthSame);
        } else if (name == "lift-height") {
            known = numberFor(run.liftHeight);
        } else if (name == "path-width" || name == "nozzle-tip") {
            known = isNumber; // they move lifts, which the check takes as they come
        } else if (equals == npos) {
            bool* flag = name == "no-lift"                     ? &run.noLift
                         : name == "no-interface-boost"        ? &run.noInterfaceBoost
                         : name == "no-infill-boost"           ? &run.noInfillBoost
                         : name == "classic-lift"              ? &run.classicLift
                         : name == "no-lift-after-tool-change" ? &run.noLiftAfterToolChange
                                                               : nullptr;
            if (flag) *flag = true;
            known = flag != nullptr;
        }
        if (!known) {
            problem = "the settings line names `" + std::string(item) + "`, which is no setting with a valid value";
            return false;
        }
    }
    run.liftMinTravel = minTravel >= 0 ? minTravel : run.classicLift ? 2.0f : 0.0f;
    return true;
}

// ---------------------------------------------------------------------------
// The check.

struct Position {
    float x = 0, y = 0, z = 0, f = 0;
};

struct Piece {
    bool boosted = false;
    bool finish = false;
    Point end;
    double e = 0;
    double f = 0;
    std::string fText;
    std::size_t outputLine = 0;
};

class Checker {
  public:
    Checker(std::vector<std::string_view> in, std::vector<std::string_view> out, std::size_t firstOutputLine,
            const RunValues& run, CheckCounts& counts, std::vector<std::string>& problems)
        : in_(std::move(in)), out_(std::move(out)), outputLineOffset_(firstOutputLine), run_(run), counts_(counts),
          problems_(problems)
    {
        Naming naming = slicerFormOf(in_);
        form_ = naming.form;
        ownName_ = std::move(naming.name);
        if (!form_) return;
        chapter_ = Chapter::Prefix;
        if (!run_.fanRestoreGiven) run_.fanRestore = std::string(form_->fanRestore);
        for (const HandRow& row : handRows) {
            if (row.slicer != form_->slicer) continue;
            const PathKindName* kind = pathKindNamed(dialectOf(row.slicer), row.name);
            if (!kind || sectionOf(kind->kind) != row.section)
                problem("the program's table reads the path kind `" + std::string(row.name) + "` otherwise");
        }
    }

    // The slicer the output's summary names, and its unknown path kinds.
    std::string slicerSummary() const
    {
        if (!form_) return {};
        if (ownName_.empty()) return std::string(dialectOf(form_->slicer).summaryName);
        std::string word = ownName_;
        word.erase(std::remove(word.begin(), word.end(), ' '), word.end());
        return word;
    }
    long long unknownKinds() const { return unknownKinds_; }
    const std::vector<std::string>& unknownKindNames() const { return unknownKindNames_; }

    void run()
    {
        for (i_ = 0; i_ < in_.size() && !stopped_; ++i_) {
            line_ = in_[i_];
            trackModes();
            if (isMoveLine(line_) || (form_ && line_.starts_with("G0") && line_.size() >= 3 && !isDigit(line_[2])))
                moveLine();
            else if (form_ && line_.size() >= 3 && (line_.starts_with("G2") || line_.starts_with("G3")) &&
                     !isDigit(line_[2]))
                arcLine();
            else if (form_)
                slicerLine();
            else
                otherLine();
        }
        if (!stopped_ && next_ < out_.size())
            problem("output line " + outputNumber(next_) + " `" + excerpt(out_[next_]) +
                    "` follows the line that stands for the last input line");
    }

  private:
    std::vector<std::string_view> in_;
    std::vector<std::string_view> out_;
    std::size_t outputLineOffset_;
    RunValues run_;
    CheckCounts& counts_;
    std::vector<std::string>& problems_;
    bool stopped_ = false;
    // The slicer that wrote the input, if other than Kisslicer (the family's
    // form, once a file read generically tells it), and its own name.
    const SlicerForm* form_ = nullptr;
    std::string ownName_;
    long long unknownKinds_ = 0;
    std::vector<std::string> unknownKindNames_;
    int toolChangeBlocks_ = 0;
    // Every segment drawn so far: where a lifted travel must cross another
    // tool's outer wall or solid.
    struct Drawn {
        float z;
        long long tool;
        Section section;
        Point from, to;
    };
    std::vector<Drawn> drawn_;
    // The draws by height, in steps of the nozzle-height tolerance.
    std::map<long long, std::vector<std::size_t>> drawnAt_;
    // The lines that join a kind's draws where another kind's came between,
    // the last end point of each kind (outer wall or not), tool and height,
    // and whether the last move line drew.
    std::vector<Drawn> joined_;
    std::map<std::tuple<Section, long long, float>, Point> lastEnds_;
    bool lastMoveDrew_ = false;
    static constexpr float NOZZLE_HEIGHT = 0.02f;

    // The step of heights a height lies in; heights beyond any print's share
    // the last step on either side, which a 64-bit number holds.
    static long long heightBand(double z)
    {
        constexpr double FARTHEST = 4e18;
        return static_cast<long long>(std::clamp(std::floor(z / NOZZLE_HEIGHT), -FARTHEST, FARTHEST));
    }

    std::size_t i_ = 0;     // the input line being lined up
    std::string_view line_; // its text
    std::size_t next_ = 0;  // the first output line not yet lined up

    // What the program follows of the print state.
    Position at_;
    Chapter chapter_ = Chapter::Preamble;
    Section section_ = Section::None;
    long long tool_ = 0;
    bool seenMoveAfterToolChange_ = false;
    bool fanRestorePending_ = false;
    bool absoluteExtrusion_ = false;
    // The extruder's position, as the printer keeps it.
    double extruderPosition_ = 0;
    bool inPrinterSettings_ = false;
    bool relativePositioning_ = false;
    bool feedRateSeen_ = false;
    float fanSpeed_ = 0;
    // Settings: -1 before the first header, -2 in a section that is no
    // material's, else the material's number.
    int settingsSection_ = -1;
    int materials_ = 0;
    std::map<int, std::optional<float>> materialsWithSettings_; // material -> its bed_C, if any

    std::string outputNumber(std::size_t k) const { return std::to_string(k + 1 + outputLineOffset_); }
    std::string_view outputAt(std::size_t k) const { return k < out_.size() ? out_[k] : std::string_view(); }
    std::string where() const { return "input line " + std::to_string(i_ + 1) + " `" + excerpt(line_) + "`"; }

    void problem(const std::string& text)
    {
        if (problems_.size() < MAX_PROBLEMS) problems_.push_back(text);
    }
    // The output can no longer be lined up with the input: nothing after this is worth reading.
    void lost(const std::string& text)
    {
        problem(text);
        stopped_ = true;
    }

    void expectCopy()
    {
        if (next_ < out_.size() && out_[next_] == line_) {
            ++next_;
            return;
        }
        if (next_ >= out_.size())
            lost(where() + " is missing: the output ends before it");
        else
            lost(where() + " is neither copied nor announced as replaced; output line " + outputNumber(next_) +
                 " is `" + excerpt(out_[next_]) + "`");
    }

    // M82 (absolute extrusion) and M83 (relative), G90 (absolute positioning)
    // and G91 (relative), G92 (set the extruder's position), whatever else
    // the line is.
    void trackModes()
    {
        std::size_t i = 0;
        while (i < line_.size() && isSpace(line_[i]))
            ++i;
        if (i + 2 >= line_.size() ||
            (line_[i + 2] != '0' && line_[i + 2] != '1' && line_[i + 2] != '2' && line_[i + 2] != '3'))
            return;
        if (i + 3 < line_.size() && isDigit(line_[i + 3])) return;
        const std::string_view code = line_.substr(i, 3);
        if (code == "M82" || code == "M83") absoluteExtrusion_ = code == "M82";
        const bool point = i + 3 < line_.size() && line_[i + 3] == '.';
        if ((code == "G90" || code == "G91") && !point) relativePositioning_ = code == "G91";
        if (code == "G92" && !point) {
            const Words words = readWords(line_);
            if (words['E'])
                extruderPosition_ = exactly(words.eText);
            else if (!words['X'] && !words['Y'] && !words['Z'])
                extruderPosition_ = 0;
        }
    }

    static double exactly(std::string_view number) { return std::strtod(std::string(number).c_str(), nullptr); }

    // ---- lines other than moves, in the program's row order

    void otherLine()
    {
        if (chapter_ == Chapter::Printing && afterMNumber(line_) != npos) {
            expectCopy();
            trackFan();
        } else if (isPathKindComment(line_)) {
            expectCopy();
            section_ = sectionOf(line_);
        } else if (line_ == ";" || line_.starts_with("; BEGIN_LAYER_OBJECT")) {
            expectCopy();
        } else if (isToolChange(line_)) {
            expectCopy();
            changeTool();
        } else if (line_.starts_with("; *** Resume on Ext")) {
            expectCopy();
            fanRestorePending_ = true;
        } else if (line_.starts_with("; *** G-code Prefix")) {
            expectCopy();
            chapter_ = Chapter::Prefix;
        } else if (line_.starts_with("; *** Main G-code")) {
            expectCopy();
            chapter_ = Chapter::Printing;
        } else if (line_.starts_with("; *** G-code Postfix")) {
            expectCopy();
            chapter_ = Chapter::Postfix;
        } else if (chapter_ == Chapter::Preamble) {
            expectCopy();
            settingsLine();
        } else if (chapter_ == Chapter::Prefix) {
            bedTemperatureLine();
        } else {
            expectCopy();
        }
    }

    // ---- the other slicers' lines, in the program's row order for them

    static bool startsBlock(std::string_view line)
    {
        return line.starts_with("; CP TOOLCHANGE START") || materialChange(line, "M620 S");
    }
    static bool endsBlock(std::string_view line)
    {
        return line.starts_with("; CP TOOLCHANGE END") || materialChange(line, "M621 S");
    }
    // "M620 S<n>A": digits, then A.
    static bool materialChange(std::string_view line, std::string_view prefix)
    {
        if (!line.starts_with(prefix)) return false;
        std::size_t i = prefix.size();
        while (i < line.size() && isDigit(line[i]))
            ++i;
        return i > prefix.size() && i < line.size() && line[i] == 'A';
    }
    bool isLayerMarker() const
    {
        std::string_view rest = line_;
        if (form_->layerMarker.empty() || !rest.starts_with(form_->layerMarker)) return false;
        rest.remove_prefix(form_->layerMarker.size());
        const bool s3d = form_->slicer == Slicer::Simplify3D;
        if (s3d || form_->slicer == Slicer::Cura || form_->slicer == Slicer::IdeaMaker) {
            if (rest.starts_with('-') && !s3d) rest.remove_prefix(1);
            const std::size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
            if (digits == 0) return false;
            rest.remove_prefix(digits);
        }
        // Simplify3D's names its height; the others are whole lines.
        if (s3d) return rest.starts_with(", Z = ");
        return std::all_of(rest.begin(), rest.end(), isSpace);
    }

    bool isPause() const
    {
        if (form_->pause.empty() || !line_.starts_with(form_->pause)) return false;
        const std::string_view rest = line_.substr(form_->pause.size());
        return form_->slicer != Slicer::Simplify3D || std::all_of(rest.begin(), rest.end(), isSpace);
    }

    // Read generically, the printing runs from the first draw to the end.
    void printsFromTheFirstDraw()
    {
        if (form_ && (form_->slicer == Slicer::Slic3r || form_->slicer == Slicer::Other)) chapter_ = Chapter::Printing;
    }

    // A file read generically comes to its family's form at the comment that
    // tells it: Slic3r's at any ";TYPE:", PrusaSlicer's; another's at
    // "; FEATURE: ", Bambu Studio's, or at a ";TYPE:" name only one of
    // PrusaSlicer's and OrcaSlicer's tables knows.
    const SlicerForm* familyTold() const
    {
        if (form_->slicer == Slicer::Slic3r)
            return line_.starts_with(";TYPE:") ? &formOf(Slicer::PrusaSlicer) : nullptr;
        if (form_->slicer != Slicer::Other) return nullptr;
        if (line_.starts_with("; FEATURE: ")) return &formOf(Slicer::BambuStudio);
        if (!line_.starts_with(";TYPE:")) return nullptr;
        std::string_view name = line_.substr(6);
        while (!name.empty() && isSpace(name.back()))
            name.remove_suffix(1);
        const bool prusa = pathKindNamed(dialectOf(Slicer::PrusaSlicer), name) != nullptr;
        const bool orca = pathKindNamed(dialectOf(Slicer::OrcaSlicer), name) != nullptr;
        if (prusa == orca) return nullptr;
        return &formOf(prusa ? Slicer::PrusaSlicer : Slicer::OrcaSlicer);
    }

    // Simplify3D's comments are kinds only where they name one.
    bool isKindComment() const
    {
        if (form_->kindPrefix.empty() || !line_.starts_with(form_->kindPrefix)) return false;
        return !form_->exactKinds || pathKindNamed(dialectOf(form_->slicer), kindName()) != nullptr;
    }

    std::string_view kindName() const
    {
        std::string_view name = line_.substr(form_->kindPrefix.size());
        if (form_->exactKinds && name.starts_with("feature ")) name.remove_prefix(8);
        while (!name.empty() && isSpace(name.back()))
            name.remove_suffix(1);
        return name;
    }

    void slicerLine()
    {
        if (startsBlock(line_)) {
            expectCopy();
            ++toolChangeBlocks_;
        } else if (endsBlock(line_)) {
            expectCopy();
            if (toolChangeBlocks_ > 0 && --toolChangeBlocks_ == 0) seenMoveAfterToolChange_ = false;
        } else if (chapter_ == Chapter::Printing && afterMNumber(line_) != npos) {
            expectCopy();
            trackFan();
        } else if (const SlicerForm* family = familyTold()) {
            expectCopy();
            form_ = family;
            chapter_ = Chapter::Printing;
            slicerPathKind();
        } else if (isKindComment()) {
            expectCopy();
            slicerPathKind();
        } else if (isLayerMarker()) {
            expectCopy();
            chapter_ = Chapter::Printing;
        } else if (isPause()) {
            expectCopy();
            if (chapter_ == Chapter::Printing) chapter_ = Chapter::Postfix;
        } else if (line_.starts_with('T') && line_.size() >= 2 && isDigit(line_[1])) {
            expectCopy();
            // Leading zeros are no digits of the number: T002 is tool 2.
            const std::size_t end = std::min(line_.find_first_not_of("0123456789", 1), line_.size());
            const std::size_t begin = std::min(line_.find_first_not_of('0', 1), end);
            if (end - begin <= 2 && (begin == end || std::stoi(std::string(line_.substr(begin, end - begin))) <= 15))
                changeTool();
        } else {
            expectCopy();
        }
    }

    // The slicer's custom G-code pauses the printing until the next layer or
    // the next other kind.
    void slicerPathKind()
    {
        const std::string_view name = kindName();
        const PathKindName* kind = pathKindNamed(dialectOf(form_->slicer), name);
        section_ = kind ? sectionOf(kind->kind) : Section::Unclassified;
        if (!kind) {
            ++unknownKinds_;
            if (std::find(unknownKindNames_.begin(), unknownKindNames_.end(), name) == unknownKindNames_.end())
                unknownKindNames_.emplace_back(name);
        }
        if (name == "Custom") {
            if (chapter_ == Chapter::Printing) chapter_ = Chapter::Postfix;
        } else if (chapter_ == Chapter::Postfix) {
            chapter_ = Chapter::Printing;
        }
    }

    // An arc moves the head to its end point and is copied; drawing, it is
    // kept as its steps.
    void arcLine()
    {
        const Words words = readWords(line_);
        if (words.malformed) problem(where() + " holds a number the program cannot read, yet it was not refused");
        const Position before = at_;
        const std::optional<float> e = followWords(words);
        if (e && *e > 0.0f) {
            printsFromTheFirstDraw();
            if (tool_ < 0 || tool_ > 15)
                problem(where() + " draws with tool " + std::to_string(tool_) +
                        ", outside 0 to 15, yet it was not refused");
            Point from{before.x, before.y};
            for (const Point step : arcSteps(from, {at_.x, at_.y}, words, line_[1] == '2')) {
                keepDrawn(from, step);
                from = step;
            }
            seenMoveAfterToolChange_ = true;
        } else {
            lastMoveDrew_ = false;
        }
        const bool travels = !(e && *e > 0.0f) && (at_.x != before.x || at_.y != before.y);
        if (travels) {
            // The head rises or falls evenly along the arc: over its steps.
            CheckCounts::Drags steps;
            Point from{before.x, before.y};
            const std::vector<Point> points = arcSteps(from, {at_.x, at_.y}, words, line_[1] == '2');
            const double rise = static_cast<double>(at_.z) - before.z;
            for (std::size_t k = 0; k < points.size(); ++k) {
                const double n = static_cast<double>(points.size());
                const CheckCounts::Drags crossed =
                    crossingsOf(from, points[k], before.z + rise * static_cast<double>(k) / n,
                                before.z + rise * static_cast<double>(k + 1) / n);
                steps.crossings += crossed.crossings;
                steps.overOuterPerimeters += crossed.overOuterPerimeters;
                from = points[k];
            }
            addTravel(counts_.dragsBefore, steps);
            addTravel(counts_.dragsAfter, steps);
        }
        if (!expectFanRestore()) return;
        expectCopy();
    }

    void keepDrawn(Point from, Point to)
    {
        if (!std::isnan(at_.z)) drawnAt_[heightBand(at_.z)].push_back(drawn_.size());
        drawn_.push_back({at_.z, tool_, section_, from, to});
        // The program keeps each kind's draws as the line through their end
        // points, per tool and height: a draw right after another draw goes
        // on from its kind's last end point, wherever that was, and the
        // classic lift takes the line from there to the draw's end for an
        // obstacle too.
        // (Draws of no kind are kept with the unclassified ones; purge
        // towers are no obstacles.)
        if (section_ != Section::PrimePillar && !std::isnan(at_.z)) {
            const Section kept = section_ == Section::None ? Section::Unclassified : section_;
            const auto key = std::make_tuple(kept, tool_, at_.z);
            const auto last = lastEnds_.find(key);
            if (lastMoveDrew_ && last != lastEnds_.end() && (last->second.x != from.x || last->second.y != from.y))
                joined_.push_back({at_.z, tool_, kept, last->second, to});
            lastEnds_[key] = to;
        }
        lastMoveDrew_ = true;
    }

    // Each segment's ends strictly on either side of the other's line.
    static bool properlyCross(Point a, Point b, Point c, Point d)
    {
        const auto side = [](Point p, Point q, Point r) {
            return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
        };
        const auto opposite = [](double u, double v) { return (u > 0 && v < 0) || (u < 0 && v > 0); };
        return opposite(side(a, b, c), side(a, b, d)) && opposite(side(c, d, a), side(c, d, b));
    }

    // Other tools' draws that the travel's segment crosses where the head,
    // going from height fromZ to toZ evenly along it, is within the nozzle's
    // reach of them, and of them the outer walls. Crossing a purge tower
    // harms no print: it is not counted.
    CheckCounts::Drags crossingsOf(Point from, Point to, double fromZ, double toZ) const
    {
        CheckCounts::Drags found;
        if (std::isnan(fromZ) || std::isnan(toZ)) return found;
        const bool level = fromZ == toZ;
        const long long lowest = heightBand(std::min(fromZ, toZ)) - 1;
        const long long highest = heightBand(std::max(fromZ, toZ)) + 1;
        const auto z = static_cast<float>(fromZ);
        for (auto at = drawnAt_.lower_bound(lowest); at != drawnAt_.end() && at->first <= highest; ++at) {
            for (const std::size_t k : at->second) {
                const Drawn& d = drawn_[k];
                if (d.tool == tool_ || d.section == Section::PrimePillar) continue;
                // A level travel's height is the float it was read as.
                if (level && !(z - d.z < NOZZLE_HEIGHT && d.z - z < NOZZLE_HEIGHT)) continue;
                const auto side = [](Point p, Point q, Point r) {
                    return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
                };
                if (!properlyCross(from, to, d.from, d.to)) continue;
                if (!level) {
                    // Where along the travel it crosses the path's line.
                    const double fromSide = side(d.from, d.to, from), toSide = side(d.from, d.to, to);
                    const double height = fromZ + fromSide / (fromSide - toSide) * (toZ - fromZ);
                    if (!(std::fabs(height - d.z) < NOZZLE_HEIGHT)) continue;
                }
                ++found.crossings;
                if (d.section == Section::Perimeter) ++found.overOuterPerimeters;
            }
        }
        return found;
    }

    static void addTravel(CheckCounts::Drags& total, const CheckCounts::Drags& travel)
    {
        ++total.travels;
        if (travel.crossings > 0) ++total.crossingTravels;
        total.crossings += travel.crossings;
        total.overOuterPerimeters += travel.overOuterPerimeters;
    }

    // The position, the feed rate and the extruder moved by a move's words;
    // the E amount, if the line carries E.
    std::optional<float> followWords(const Words& words)
    {
        // Under G91 the words are added to the position.
        const auto follow = [&](char letter, float value) {
            const std::optional<float> word = words[letter];
            return !word ? value : relativePositioning_ ? value + *word : *word;
        };
        at_.x = follow('X', at_.x);
        at_.y = follow('Y', at_.y);
        at_.z = follow('Z', at_.z);
        at_.f = words['F'].value_or(at_.f);
        feedRateSeen_ = feedRateSeen_ || words['F'].has_value();
        // The E amount: the word itself, or in absolute extrusion the
        // distance from the position before it.
        std::optional<float> e = words['E'];
        if (e) {
            const double value = exactly(words.eText);
            if (absoluteExtrusion_ && !relativePositioning_) e = static_cast<float>(value - extruderPosition_);
            extruderPosition_ = absoluteExtrusion_ && !relativePositioning_ ? value : extruderPosition_ + value;
        }
        return e;
    }

    // The first move after a tool change or a resume marker is preceded by
    // the fan restore, in the run's form; false when it is missing.
    bool expectFanRestore()
    {
        if (fanRestorePending_) {
            fanRestorePending_ = false;
            if (tool_ >= 0 && run_.fanRestore != "off") {
                const std::string fan = run_.fanRestore == "plain" ? "" : " P" + std::to_string(tool_);
                const std::string restore = "M106" + fan + " S" + g(fanSpeed_) + std::string(RESTORE_COMMENT);
                if (outputAt(next_) != restore) {
                    lost(where() + " is the first move after a tool change or resume marker, so `" + restore +
                         "` must stand first; output line " + outputNumber(next_) + " is `" + excerpt(outputAt(next_)) +
                         "`");
                    return false;
                }
                ++counts_.fanRestores;
                ++next_;
            }
        }
        const std::string_view first = outputAt(next_);
        if (first.starts_with("M106 ") && first.ends_with(RESTORE_COMMENT)) {
            lost("output line " + outputNumber(next_) + " `" + std::string(first) + "` restores the fan before " +
                 where() + ", but no tool change or resume marker came since the last move");
            return false;
        }
        return true;
    }

    // A lifted travel crosses another tool's path laid less than the lift
    // height below the nozzle (or above it): a line drawn of any kind but a
    // purge tower, reaching below the travel's lower end; classically, an
    // outer wall or solid below its end height, kept as the program keeps
    // them (a kind's draws joined from end point to end point).
    bool crossesAnObstacle(Point origin, Point terminus, float startZ) const
    {
        const float lowest = run_.classicLift ? at_.z : std::min(startZ, at_.z);
        const std::vector<const std::vector<Drawn>*> kept =
            run_.classicLift ? std::vector<const std::vector<Drawn>*>{&drawn_, &joined_}
                             : std::vector<const std::vector<Drawn>*>{&drawn_};
        for (const std::vector<Drawn>* lines : kept)
            for (const Drawn& d : *lines) {
                if (d.tool == tool_) continue;
                const bool obstacle = run_.classicLift ? d.section == Section::Perimeter || d.section == Section::Solid
                                                       : d.section != Section::PrimePillar;
                if (!obstacle || !(lowest - d.z < run_.liftHeight)) continue;
                if (segmentsMeet(origin, terminus, d.from, d.to)) return true;
            }
        return false;
    }

    // Crossing or touching, with room for the program's float rounding: an
    // end within a hair of the other segment's line (a hundred-thousandth
    // of a millimetre, and a millionth of the coordinates' size) counts as
    // on it, wherever the other end lies. A side value is the segment's
    // length times the point's distance from its line.
    static bool segmentsMeet(Point a, Point b, Point c, Point d)
    {
        const auto side = [](Point p, Point q, Point r) {
            return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
        };
        const double size = std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(b.x), std::fabs(b.y), std::fabs(c.x),
                                      std::fabs(c.y), std::fabs(d.x), std::fabs(d.y)});
        const double hair = 1e-5 + 1e-6 * size;
        const auto apart = [&](double u, double v, Point p, Point q) {
            const double reach = std::hypot(q.x - p.x, q.y - p.y) * hair;
            return (u > reach && v > reach) || (u < -reach && v < -reach);
        };
        const double d1 = side(a, b, c), d2 = side(a, b, d), d3 = side(c, d, a), d4 = side(c, d, b);
        return !apart(d1, d2, a, b) && !apart(d3, d4, c, d) && !(d1 == 0 && d2 == 0);
    }

    // M106 without P sets the part fan (bare: full), M107 without P stops it.
    void trackFan()
    {
        const Words words = readWords(line_);
        if (words.malformed) problem(where() + " holds a number the program cannot read, yet it was not refused");
        if (words['P']) return;
        const std::optional<float> m = words['M'];
        if (!m) return;
        if (*m >= 106 && *m < 107) {
            fanSpeed_ = words['S'].value_or(255.0f);
            fanRestorePending_ = false;
        } else if (*m >= 107 && *m < 108) {
            fanSpeed_ = 0;
            fanRestorePending_ = false;
        }
    }

    void changeTool()
    {
        const std::size_t begin = 1;
        std::size_t end = line_[1] == '-' ? 2 : 1;
        while (end < line_.size() && isDigit(line_[end]))
            ++end;
        const std::string number(line_.substr(begin, end - begin));
        errno = 0;
        const long long tool = std::strtoll(number.c_str(), nullptr, 10);
        if (errno == ERANGE || tool < INT32_MIN || tool > INT32_MAX)
            problem(where() + " names a tool beyond a 32-bit integer, yet it was not refused");
        tool_ = tool;
        seenMoveAfterToolChange_ = false;
        fanRestorePending_ = true;
    }

    void settingsLine()
    {
        // A section runs to the next section header of the five; other
        // "; *** " lines are settings text like any other.
        if (line_.starts_with("; *** Printer Settings")) {
            settingsSection_ = -2;
            inPrinterSettings_ = true;
        } else if (line_.starts_with("; *** Material Settings for Extruder")) {
            settingsSection_ = materials_++;
            inPrinterSettings_ = false;
        } else if (line_.starts_with("; *** Style Settings") || line_.starts_with("; *** Support Settings") ||
                   line_.starts_with("; *** Actual Slicing Settings As Used ***")) {
            settingsSection_ = -2;
            inPrinterSettings_ = false;
        } else if (inPrinterSettings_) {
            std::string_view name, text;
            // Kisslicer's firmware type 2 takes E as absolute positions.
            if (readSetting(line_, name, text) && name == "firmware_type" && settingValue(text) == 2.0f)
                absoluteExtrusion_ = true;
        } else if (settingsSection_ >= 0) {
            std::string_view name, text;
            if (!readSetting(line_, name, text) || name.find("g_code") != npos) return;
            const std::optional<float> value = settingValue(text);
            if (!value) return;
            std::optional<float>& bed = materialsWithSettings_[settingsSection_];
            if (name == "bed_C") bed = *value;
        }
    }

    // With two or more materials, the start G-code's bed temperature is raised
    // to the hottest material's.
    void bedTemperatureLine()
    {
        const std::size_t afterM = afterMNumber(line_);
        if (!materialsWithSettings_.contains(1) || afterM == npos || afterM == line_.size()) {
            expectCopy();
            return;
        }
        const Words words = readWords(line_);
        if (words.malformed) problem(where() + " holds a number the program cannot read, yet it was not refused");
        const std::optional<float> m = words['M'], s = words['S'];
        if (!m || !s || (*m != 140 && *m != 190)) {
            expectCopy();
            return;
        }
        float maxTemp = 0;
        bool anyBed = false;
        for (const auto& [material, bed] : materialsWithSettings_) {
            if (bed) maxTemp = *bed < maxTemp ? maxTemp : *bed;
            anyBed = anyBed || bed.has_value();
        }
        if (!anyBed || maxTemp == *s) {
            expectCopy();
            return;
        }
        const std::string raised = "M" + g(*m) + " S" + g(maxTemp) + std::string(BED_COMMENT);
        if (outputAt(next_) == raised) {
            if (counts_.bedLines == 0) counts_.firstBed = g(*s) + "->" + g(maxTemp);
            ++counts_.bedLines;
            ++next_;
            return;
        }
        lost(where() + " is a bed temperature below the hottest material's (" + g(maxTemp) + "): expected `" + raised +
             "`, output line " + outputNumber(next_) + " is `" + excerpt(outputAt(next_)) + "`");
    }

    // ---- moves

    void moveLine()
    {
        const Words words = readWords(line_);
        if (words.malformed) problem(where() + " holds a number the program cannot read, yet it was not refused");
        const Position before = at_;
        const std::optional<float> e = followWords(words);
        const float dx = at_.x - before.x, dy = at_.y - before.y;
        const bool movesXY = dx != 0.0f || dy != 0.0f;
        const bool isDraw = movesXY && e && *e > 0.0f;
        const bool isTravel = movesXY && !isDraw;
        if (isDraw) printsFromTheFirstDraw();
        const float lengthSquared = dx * dx + dy * dy;
        const bool longEnough = run_.liftMinTravel * run_.liftMinTravel < lengthSquared;
        // Lines the program refuses end the pass: the checker never sees them.
        if (isDraw && (tool_ < 0 || tool_ > 15))
            problem(where() + " draws with tool " + std::to_string(tool_) +
                    ", outside 0 to 15, yet it was not refused");

        if (!expectFanRestore()) return;
        const std::string_view first = outputAt(next_);
        const Point origin{before.x, before.y}, terminus{at_.x, at_.y};
        if (isDraw)
            keepDrawn(origin, terminus);
        else
            lastMoveDrew_ = false;
        const CheckCounts::Drags crossed =
            isTravel ? crossingsOf(origin, terminus, before.z, at_.z) : CheckCounts::Drags{};
        CheckCounts::Drags left = crossed;
        // A line copied as it was stands first. (The first line of a lift is
        // never the travel itself, and the lines after a copy may look like a
        // lift: a later travel's, or an input's own.)
        if (relativePositioning_ && first != line_) {
            lost(where() + " is a move under relative positioning (G91), which is always copied; output line " +
                 outputNumber(next_) + " is `" + excerpt(first) + "`");
            return;
        }
        // In absolute extrusion a rewritten draw stands between M83 and M82.
        const bool wrapped = first == "M83" && (outputAt(next_ + 1).starts_with(interfaceRewrite.header) ||
                                                outputAt(next_ + 1).starts_with(topInfillRewrite.header));
        const std::string_view header = wrapped ? outputAt(next_ + 1) : first;
        if (header.starts_with(interfaceRewrite.header) || header.starts_with(topInfillRewrite.header)) {
            const bool isInterface = header.starts_with(interfaceRewrite.header);
            if (isInterface && run_.noInterfaceBoost)
                problem(where() + " is rewritten as support interface under no-interface-boost");
            if (!isInterface && run_.noInfillBoost)
                problem(where() + " is rewritten as sparse infill under no-infill-boost");
            if (wrapped != absoluteExtrusion_)
                problem(where() + (wrapped ? " is rewritten between M83 and M82 under relative extrusion"
                                           : " is rewritten under absolute extrusion without M83 before it"));
            if (toolChangeBlocks_ > 0) problem(where() + " is rewritten within a tool-change block");
            next_ += wrapped ? 1 : 0;
            rewrittenDraw(isInterface ? interfaceRewrite : topInfillRewrite, isDraw, e.value_or(0), origin, terminus,
                          wrapped);
            if (wrapped) extruderTold(words.eText);
        } else if (isTravel && liftsInPlace(e)) {
            left = liftedInPlace(origin);
        } else if (const std::size_t announcement = first != line_ ? liftAnnouncement() : npos; announcement != npos) {
            if (!isTravel) problem(where() + " is announced as a lifted travel but is no travel");
            if (chapter_ != Chapter::Printing) problem(where() + " is lifted outside the printing chapter");
            if (!seenMoveAfterToolChange_ && (run_.classicLift || run_.noLiftAfterToolChange))
                problem(where() + " is lifted though it is the first move after a tool change");
            if (!longEnough)
                problem(where() + " is lifted though it is not longer than " + g(run_.liftMinTravel) + " mm");
            if (e && *e != 0.0f) problem(where() + " is lifted though it moves the extruder: its E would be lost");
            if (!feedRateSeen_) problem(where() + " is lifted though no feed rate was set yet");
            if (run_.noLift) problem(where() + " is lifted under no-lift");
            if (toolChangeBlocks_ > 0) problem(where() + " is lifted within a tool-change block");
            if (!crossesAnObstacle(origin, terminus, before.z))
                problem(where() + " is lifted though it crosses no other tool's path it may lift over at its height "
                                  "or less than the lift height below");
            // Lifted, it drags only where its written lines pass at the
            // height of paths: each line from where the one before left the
            // head, at the height the travel started at until it rises.
            left = {};
            Point from = origin;
            double fromZ = before.z;
            for (const Written& line : liftedTravel(announcement, origin, terminus)) {
                if (line.to.x != from.x || line.to.y != from.y) {
                    const CheckCounts::Drags crossed = crossingsOf(from, line.to, fromZ, line.z.value_or(fromZ));
                    left.crossings += crossed.crossings;
                    left.overOuterPerimeters += crossed.overOuterPerimeters;
                }
                from = line.to;
                fromZ = line.z.value_or(fromZ);
            }
        } else {
            expectCopy();
        }
        if (isTravel) {
            addTravel(counts_.dragsBefore, crossed);
            addTravel(counts_.dragsAfter, left);
        }
        // The other slicers' tool changes may leave the head where the file
        // does not know, until the new tool draws.
        seenMoveAfterToolChange_ = seenMoveAfterToolChange_ || !form_ || isDraw;
    }

    // After a rewritten draw in absolute extrusion: back to absolute E, and
    // the extruder told the position the line left it at, as written.
    void extruderTold(std::string_view eText)
    {
        const std::string told = "G92 E" + std::string(eText);
        if (stopped_) return;
        if (outputAt(next_) == "M82" && outputAt(next_ + 1) == told) {
            next_ += 2;
            return;
        }
        lost("the rewrite of " + where() + " is not followed by `M82` and `" + told + "`: output line " +
             outputNumber(next_) + " is `" + excerpt(outputAt(next_)) + "`");
    }

    // A travel the slicer marks as from where the head may not stand is
    // lifted where the head is, whatever it crosses and however short, by
    // the rules of any travel else; not by the classic lift, nor when the
    // run copies the travels after a tool change.
    bool liftsInPlace(std::optional<float> e) const
    {
        if (!form_ || form_->unknownPosition.empty()) return false;
        std::string_view comment = line_.substr(std::min(line_.find(';'), line_.size()));
        while (!comment.empty() && (comment.back() == ' ' || comment.back() == '\t' || comment.back() == '\r'))
            comment.remove_suffix(1);
        return comment == form_->unknownPosition && chapter_ == Chapter::Printing && toolChangeBlocks_ == 0 &&
               !relativePositioning_ && feedRateSeen_ && !(e && *e != 0.0f) && !run_.noLift && !run_.classicLift &&
               !run_.noLiftAfterToolChange;
    }

    // Up by the lift height where the head stands, the travel, down, the
    // feed rate back and the announcement; what the travel then crosses.
    CheckCounts::Drags liftedInPlace(Point origin)
    {
        const std::string fText = g(at_.f);
        const std::string expected[] = {"G1 Z" + g(at_.z + run_.liftHeight) + " F" + run_.liftFeedText,
                                        "G1 X" + g(at_.x) + " Y" + g(at_.y) + " F" + fText,
                                        "G1 Z" + g(at_.z) + " F" + run_.liftFeedText, "G1 F" + fText,
                                        std::string(ORIGINAL_LINE) + std::string(line_)};
        for (std::size_t k = 0; k < std::size(expected); ++k)
            if (outputAt(next_ + k) != expected[k]) {
                lost(where() + " is a travel from an unknown position, lifted in place: output line " +
                     outputNumber(next_ + k) + " should be `" + expected[k] + "`, not `" +
                     excerpt(outputAt(next_ + k)) + "`");
                return {};
            }
        next_ += std::size(expected);
        ++counts_.liftedTravels;
        return crossingsOf(origin, {at_.x, at_.y}, at_.z + run_.liftHeight, at_.z + run_.liftHeight);
    }

    // The announcement of a lifted travel: "; original line:" and the travel,
    // after a few generated moves.
    std::size_t liftAnnouncement() const
    {
        const std::string announcement = std::string(ORIGINAL_LINE) + std::string(line_);
        for (std::size_t k = next_; k < out_.size() && k < next_ + 8; ++k) {
            if (out_[k] == announcement) return k > next_ ? k : npos;
            if (!out_[k].starts_with("G1 ")) return npos;
        }
        return npos;
    }

    // A line of a lifted travel as a printer reads it: where it leaves the
    // head, and its height when it names one.
    struct Written {
        Point to;
        std::optional<float> z;
    };

    // [XY move to where the rise begins,] the rise along the travel, the
    // travel's end at height, down to the travel's Z, the feed rate back;
    // the lines that move the head as a printer reads them, none when they
    // are not as they should be.
    std::vector<Written> liftedTravel(std::size_t announcement, Point origin, Point terminus)
    {
        std::vector<Written> written;
        const auto asRead = [&](std::size_t k, Point at) {
            const Words words = readWords(out_[k]);
            return Written{
                {words['X'].value_or(static_cast<float>(at.x)), words['Y'].value_or(static_cast<float>(at.y))},
                words['Z']};
        };
        ++counts_.liftedTravels;
        const std::string lifted = "the lifted travel of " + where();
        const std::size_t n = announcement - next_;
        const std::string fText = g(at_.f);
        if (n != 4 && n != 5) {
            problem(lifted + " has " + std::to_string(n) + " lines before its announcement, not 4 or 5");
        } else {
            const std::size_t rise = announcement - 4;
            double lambdaBefore = 0;
            if (n == 5) {
                double v[3];
                if (!readGenerated(out_[next_], "XYF", v) || g(static_cast<float>(v[2])) != fText) {
                    problem(lifted + " does not begin with an XY move at the travel's feed rate: `" +
                            excerpt(out_[next_]) + "`");
                } else {
                    if (!allFinite(v, 3)) problem(lifted + " writes a number that is not finite");
                    const AlongMove a = along(origin, terminus, {v[0], v[1]});
                    if (a.offLine > a.lineSlack || a.lambda < -a.lambdaSlack || a.lambda > 1 + a.lambdaSlack)
                        problem(lifted + " starts its rise off the travel: `" + std::string(out_[next_]) + "`");
                    lambdaBefore = a.lambda - a.lambdaSlack;
                    written.push_back(asRead(next_, origin));
                }
            }
            double v[4];
            if (!readGenerated(out_[rise], "XYZF", v) || g(static_cast<float>(v[3])) != fText) {
                problem(lifted + " has no rise with X, Y and Z at the travel's feed rate: `" + excerpt(out_[rise]) +
                        "`");
            } else {
                if (!allFinite(v, 4)) problem(lifted + " writes a number that is not finite");
                const AlongMove a = along(origin, terminus, {v[0], v[1]});
                if (a.offLine > a.lineSlack || a.lambda < lambdaBefore - a.lambdaSlack || a.lambda > 1 + a.lambdaSlack)
                    problem(lifted + " rises off the travel or backwards along it: `" + std::string(out_[rise]) + "`");
                // Up by the clearance less the crossed layer's depth below the
                // nozzle (more for a layer above it): never down. A lift too
                // small for six digits leaves the text of Z as it was.
                const double z = at_.z;
                if (!(v[2] >= z - 1e-5 * std::fabs(z) - 1e-6))
                    problem(lifted + " rises to Z " + g(static_cast<float>(v[2])) + ", below the travel's Z " +
                            g(at_.z));
                written.push_back(asRead(rise, written.empty() ? origin : written.back().to));
            }
            const std::string end = "G1 X" + g(at_.x) + " Y" + g(at_.y) + " F" + fText;
            if (out_[rise + 1] != end)
                problem(lifted + " does not travel to the travel's end point at its feed rate (`" + end + "`): `" +
                        excerpt(out_[rise + 1]) + "`");
            else
                written.push_back(asRead(rise + 1, terminus));
            const std::string down = "G1 Z" + g(at_.z) + " F" + run_.liftFeedText;
            if (out_[rise + 2] != down)
                problem(lifted + " does not come back down to the travel's Z (`" + down + "`): `" +
                        excerpt(out_[rise + 2]) + "`");
            if (out_[rise + 3] != "G1 F" + fText)
                problem(lifted + " does not restore the feed rate with `G1 F" + fText + "`: `" +
                        excerpt(out_[rise + 3]) + "`");
        }
        next_ = announcement + 1;
        return written;
    }

    // ---- rewritten draws

    struct Factors {
        bool ok = false;
        double factor = 1;      // the extrusion factor of boosted stretches
        std::string factorText; // as the finish comment writes it
        bool sameTool = false;  // support interface: the main support's own tool
    };

    Factors readHeader(const RewriteKind& kind, std::string_view header)
    {
        Factors factors;
        std::string_view rest = header.substr(kind.header.size());
        const auto literal = [&](std::string_view text) {
            if (!rest.starts_with(text)) return false;
            rest.remove_prefix(text.size());
            return true;
        };
        const auto boolean = [&](bool& value) {
            value = rest.starts_with("true");
            return literal(value ? "true" : "false");
        };
        const auto number = [&](double& value) {
            const std::size_t end = std::min(rest.find(' '), rest.size());
            if (!readNumberText(rest.substr(0, end), value)) return false;
            rest.remove_prefix(end);
            return true;
        };
        const std::string wrong = "the " + std::string(kind.name) + " rewrite of " + where();
        if (&kind == &interfaceRewrite) {
            bool firstLayer = false, canBoost = false;
            double boosted = 0, prevLayerHeight = 0;
            if (!(literal("sameToolAsMainSupport: ") && boolean(factors.sameTool) && literal(" mainIsFirstLayer: ") &&
                  boolean(firstLayer) && literal(" canBoostVolume: ") && boolean(canBoost) &&
                  literal(" boostedFactor: ") && number(boosted) && literal(" prevLayerHeight for Main: ") &&
                  number(prevLayerHeight) && rest.empty())) {
                problem(wrong + " has a malformed header: `" + excerpt(header) + "`");
                return factors;
            }
            if (canBoost != !(factors.sameTool && firstLayer))
                problem(wrong + " can boost only unless one tool prints main support and interface on a first layer");
            if (std::fabs(prevLayerHeight - 0.4) > 1e-5 && firstLayer != (prevLayerHeight < 0.4))
                problem(wrong + ": main support is on a first layer exactly when the layer below lies under 0.4");
            // The ooze depth goal over a layer of at least 0.05.
            const double most = (factors.sameTool ? run_.interfaceDepthSame : run_.interfaceDepth) / 0.05;
            if (!(boosted >= 0 && boosted <= most * (1 + 1e-5)))
                problem(wrong + " names a boost factor beyond 0 to " + g(static_cast<float>(most)));
            factors.factor = canBoost ? boosted : 1;
            factors.factorText = canBoost ? g(static_cast<float>(boosted)) : "1";
        } else {
            double prevLayerHeight = 0;
            const std::string boost = g(static_cast<float>(run_.infillBoost));
            if (!(literal(" canBoostVolume: true boostedFactor: " + boost + " prevLayerHeight for Infill: ") &&
                  number(prevLayerHeight) && rest.empty())) {
                problem(wrong + " has a malformed header: `" + excerpt(header) + "`");
                return factors;
            }
            factors.factor = run_.infillBoost;
            factors.factorText = boost;
        }
        factors.ok = true;
        return factors;
    }

    // A draw line "G1 X Y E F" of a rewrite.
    bool readDraw(std::size_t k, Piece& piece, const std::string& rewrite)
    {
        double v[4];
        if (!readGenerated(outputAt(k), "XYEF", v)) {
            lost(rewrite + " has no draw with X, Y, E and F at output line " + outputNumber(k) + ": `" +
                 excerpt(outputAt(k)) + "`");
            return false;
        }
        if (!allFinite(v, 4)) problem(rewrite + " writes a number that is not finite: `" + std::string(out_[k]) + "`");
        piece.end = {v[0], v[1]};
        piece.e = v[2];
        piece.f = v[3];
        const std::string_view line = out_[k];
        piece.fText = std::string(line.substr(line.rfind(" F") + 2));
        piece.outputLine = k;
        return true;
    }

    void rewrittenDraw(const RewriteKind& kind, bool isDraw, float e, Point origin, Point terminus, bool wrapped)
    {
        const std::string rewrite = "the " + std::string(kind.name) + " rewrite of " + where();
        const Factors factors = readHeader(kind, out_[next_]);
        if (!isDraw) problem(rewrite + ": the line is no draw");
        const Section expected = &kind == &interfaceRewrite ? Section::Interface : Section::TopInfill;
        if (section_ != expected) problem(rewrite + ": the path kind in force is another");
        if (tool_ < 0 || tool_ > 15) problem(rewrite + ": a draw of a tool outside 0 to 15 is refused, not rewritten");
        ++next_;
        const std::string announcement(line_);
        const std::string endText = "G1 X" + g(at_.x) + " Y" + g(at_.y) + " E";
        const std::string fText = g(at_.f);
        const double f = at_.f;
        // Support interface over main support: the volume per time at most
        // 1 / need times the line's, never faster.
        const double need = factors.sameTool ? 1 : 0.5;
        const double interfaceSpeed = std::min(1.0, 1 / (need * factors.factor));
        const bool isInterface = &kind == &interfaceRewrite;

        int& kindDraws = isInterface ? counts_.interfaceDraws : counts_.infillDraws;
        if (outputAt(next_) == std::string(kind.wholeAnnouncement) + announcement) {
            ++counts_.wholeDraws;
            ++kindDraws;
            Piece draw;
            if (!readDraw(next_ + 1, draw, rewrite)) return;
            if (!outputAt(next_ + 1).starts_with(endText))
                problem(rewrite + " does not draw to the line's end point: `" + excerpt(out_[next_ + 1]) + "`");
            if (factors.ok && !near(draw.e, static_cast<double>(e) * factors.factor))
                problem(rewrite + " writes E " + g(static_cast<float>(draw.e)) + ", not the line's E times " +
                        factors.factorText);
            if (factors.ok && isInterface && !near(draw.f, f * interfaceSpeed))
                problem(rewrite + " writes F " + draw.fText + ", not the line's feed rate times " +
                        g(static_cast<float>(interfaceSpeed)));
            if (!isInterface && f > MIN_CHECKED_FEED_RATE && !(draw.f > 0 && draw.f <= f * (1 + 1e-5)))
                problem(rewrite + " raises the feed rate or stops: F " + draw.fText);
            if (outputAt(next_ + 2) != "G1 F" + fText)
                problem(rewrite + " does not restore the line's feed rate with `G1 F" + fText + "`: `" +
                        excerpt(outputAt(next_ + 2)) + "`");
            next_ += 3;
            return;
        }
        if (outputAt(next_) != std::string(ORIGINAL_LINE) + announcement) {
            lost(rewrite + " is not announced after its header: output line " + outputNumber(next_) + " is `" +
                 excerpt(outputAt(next_)) + "`");
            return;
        }
        ++counts_.splitDraws;
        ++next_;
        std::vector<Piece> pieces;
        for (;;) {
            const std::string_view comment = outputAt(next_);
            if (comment == kind.plainComment || comment == kind.boostedComment) {
                Piece piece;
                piece.boosted = comment == kind.boostedComment;
                if (outputAt(next_ + 1) != "")
                    problem(rewrite + ": the comment at output line " + outputNumber(next_) +
                            " is not followed by an empty line");
                if (!readDraw(next_ + 2, piece, rewrite)) return;
                pieces.push_back(piece);
                next_ += 3;
                continue;
            }
            if (comment.starts_with(FINISH_COMMENT)) {
                Piece piece;
                piece.finish = true;
                const bool boostedFinish = !pieces.empty() && !pieces.back().boosted;
                piece.boosted = boostedFinish;
                const std::string factorText = boostedFinish ? factors.factorText : "1";
                if (factors.ok && comment.substr(FINISH_COMMENT.size()) != factorText)
                    problem(rewrite + " finishes with factor " + std::string(comment.substr(FINISH_COMMENT.size())) +
                            ", not " + factorText + " (the stretch to the end is " +
                            (boostedFinish ? "boosted" : "plain") + ")");
                if (!readDraw(next_ + 1, piece, rewrite)) return;
                if (!out_[next_ + 1].starts_with(endText))
                    problem(rewrite + " does not finish at the line's end point: `" + excerpt(out_[next_ + 1]) + "`");
                pieces.push_back(piece);
                next_ += 2;
                break;
            }
            lost(rewrite + " has neither a piece nor its finish at output line " + outputNumber(next_) + ": `" +
                 excerpt(comment) + "`");
            return;
        }
        counts_.pieces += static_cast<int>(pieces.size());
        ++kindDraws;
        if (pieces.size() >= 2) ++(isInterface ? counts_.interfaceSplit : counts_.infillSplit);
        // The line's feed rate back when the finish changed it.
        const std::string restore = "G1 F" + fText;
        // The program compares the floats: F -0 and F 0 are one feed rate.
        const bool finishChangedF = pieces.back().fText != fText && pieces.back().f != f;
        // A feed-rate line of the rewrite stands before the copies of the same
        // lines that follow in the input.
        std::size_t inputRun = 0, outputRun = 0;
        while (i_ + 1 + inputRun < in_.size() && in_[i_ + 1 + inputRun] == restore)
            ++inputRun;
        while (next_ + outputRun < out_.size() && out_[next_ + outputRun] == restore)
            ++outputRun;
        // Between M83 and M82 every line is the rewrite's.
        if (wrapped ? outputRun > 0 : outputRun > inputRun)
            ++next_;
        else if (finishChangedF)
            problem(rewrite + " finishes at F " + pieces.back().fText + " but does not restore the line's `" + restore +
                    "`");
        if (factors.ok)
            checkPieces(rewrite, isInterface, factors, interfaceSpeed, pieces, e, f, fText, origin, terminus);
    }

    void checkPieces(const std::string& rewrite, bool isInterface, const Factors& factors, double interfaceSpeed,
                     const std::vector<Piece>& pieces, double e, double f, const std::string& fText, Point origin,
                     Point terminus)
    {
        if (isInterface && pieces.size() < 2)
            problem(rewrite + ": a split over main support and other paths writes a piece before its finish");
        double lambda = 0, lambdaSlack = 0, unboostedSum = 0, unboostedMagnitude = 0;
        bool sumKnown = true;
        std::string plainF, boostedF;
        for (std::size_t p = 0; p < pieces.size(); ++p) {
            const Piece& piece = pieces[p];
            const std::string at = rewrite + ", output line " + outputNumber(piece.outputLine);
            if (p > 0 && !piece.finish && piece.boosted == pieces[p - 1].boosted)
                problem(at + ": boosted and plain pieces alternate");
            const AlongMove a = along(origin, terminus, piece.end);
            if (a.offLine > a.lineSlack) problem(at + ": the piece ends off the line");
            if (a.lambda < lambda - a.lambdaSlack - lambdaSlack || a.lambda > 1 + a.lambdaSlack)
                problem(at + ": the pieces do not follow the line from its start to its end");
            const double k = piece.boosted ? factors.factor : 1;
            // The piece's share of the line's E is its share of the line's length.
            const double share = (piece.finish ? 1 : a.lambda) - lambda;
            const double shareSlack = a.lambdaSlack + lambdaSlack;
            if (!near(piece.e, e * share * k, std::fabs(e * k) * shareSlack))
                problem(at + ": E " + g(static_cast<float>(piece.e)) + " is not the line's E " +
                        g(static_cast<float>(e)) + " times the piece's share of its length (" +
                        g(static_cast<float>(share)) + ")" +
                        (piece.boosted ? " times " + factors.factorText : std::string()));
            if (k > 0) {
                unboostedSum += piece.e / k;
                unboostedMagnitude += std::fabs(piece.e / k);
            } else {
                sumKnown = false;
            }
            lambda = a.lambda;
            lambdaSlack = a.lambdaSlack;
            std::string& sameF = piece.boosted ? boostedF : plainF;
            if (sameF.empty()) sameF = piece.fText;
            if (piece.fText != sameF)
                problem(at + ": F " + piece.fText + " differs from the other " + (piece.boosted ? "boosted" : "plain") +
                        " pieces' F " + sameF);
            if (isInterface) {
                if (!piece.boosted && piece.fText != fText)
                    problem(at + ": a plain interface piece keeps the line's feed rate " + fText + ", not " +
                            piece.fText);
                if (piece.boosted && !near(piece.f, f * interfaceSpeed))
                    problem(at + ": F " + piece.fText + " is not the line's feed rate times " +
                            g(static_cast<float>(interfaceSpeed)));
            } else if (f > MIN_CHECKED_FEED_RATE && !(piece.f > 0 && piece.f <= f * (1 + 1e-5))) {
                problem(at + ": sparse infill is never drawn faster than the line: F " + piece.fText);
            }
        }
        // The E values add up to the line's E with the boosted parts scaled.
        if (sumKnown && !near(unboostedSum, e, 1e-4 * unboostedMagnitude))
            problem(rewrite + ": the pieces' E, boosted ones divided by " + factors.factorText + ", add up to " +
                    g(static_cast<float>(unboostedSum)) + ", not the line's E " + g(static_cast<float>(e)));
        // Sparse infill: both feed-rate factors come from one thickness factor
        // L and s = min(1, F / 10000): plain min(1, L s), boosted
        // min(1, 1.25 L^2 s).
        if (!isInterface && f > MIN_CHECKED_FEED_RATE && !plainF.empty() && !boostedF.empty()) {
            const double s = std::min(1.0, f / run_.infillFullSpeed);
            const double plain = std::strtod(plainF.c_str(), nullptr) / f;
            const double boosted = std::strtod(boostedF.c_str(), nullptr) / f;
            const double expected = std::min(1.0, run_.infillBoost * plain * plain / s);
            if (!near(boosted, expected))
                problem(rewrite + ": boosted pieces at F " + boostedF + " do not fit plain pieces at F " + plainF);
        }
    }
};

} // namespace

std::vector<std::string> checkOutput(std::string_view inputText, std::string_view outputText, OutputForm form,
                                     CheckCounts* counts)
{
    std::vector<std::string> problems;
    if (!outputText.empty() && !outputText.ends_with('\n'))
        problems.push_back("the output's last line has no line end");
    std::vector<std::string_view> out = outputLines(outputText);
    std::size_t offset = 0;
    if (form == OutputForm::WholeFile) {
        const auto timing = [&](std::size_t fromEnd, std::string_view prefix) {
            if (out.size() < fromEnd) return false;
            const std::string_view line = out[out.size() - fromEnd];
            if (!line.starts_with(prefix) || line.size() == prefix.size()) return false;
            return std::all_of(line.begin() + static_cast<std::ptrdiff_t>(prefix.size()), line.end(), isDigit);
        };
        if (out.empty() || out.front() != HEADER_LINE) {
            problems.push_back("the output does not begin with the header line `" + std::string(HEADER_LINE) + "`");
            return problems;
        }
        if (out.size() < 3 || !timing(2, LUA_TIMING) || !timing(1, OWN_TIMING)) {
            problems.push_back("the output does not end with `" + std::string(LUA_TIMING) + "N` and `" +
                               std::string(OWN_TIMING) + "N`");
            return problems;
        }
        out = std::vector<std::string_view>(out.begin() + 1, out.end() - 2);
        offset = 1;
    }
    // The summary comment, at the end; compared once the checker has counted.
    std::optional<std::string_view> summary;
    if (form == OutputForm::Lines) {
        // The line pass writes neither the settings line nor the summary: a
        // line that looks like one is a copy.
    } else if (!out.empty() && out.back().starts_with(SUMMARY_LINE)) {
        summary = out.back();
        out.pop_back();
    } else if (form == OutputForm::WholeFile) {
        problems.push_back("the output has no summary comment before its timing lines");
        return problems;
    }
    RunValues run;
    if (form != OutputForm::Lines && !out.empty() && out.front().starts_with(SETTINGS_LINE)) {
        std::string problem;
        if (!readSettingsLine(out.front(), run, problem)) {
            problems.push_back(problem);
            return problems;
        }
        out.erase(out.begin());
        ++offset;
    }
    CheckCounts found;
    Checker checker(inputLines(inputText), std::move(out), offset, run, found, problems);
    checker.run();
    const std::string slicer = checker.slicerSummary();
    std::string unknownKinds;
    if (!slicer.empty()) {
        unknownKinds = " unknown_kinds=" + std::to_string(checker.unknownKinds());
        const std::vector<std::string>& names = checker.unknownKindNames();
        for (std::size_t n = 0; n < names.size() && n < 3; ++n)
            unknownKinds += (n == 0 ? " (\"" : ", \"") + names[n] + "\"";
        if (!names.empty()) unknownKinds += names.size() > 3 ? ", ...)" : ")";
    }
    const std::string expected =
        std::string(SUMMARY_LINE) + (slicer.empty() ? "" : "slicer=" + slicer + " ") +
        "lifted=" + std::to_string(found.liftedTravels) + " interface=" + std::to_string(found.interfaceDraws) +
        " interface_split=" + std::to_string(found.interfaceSplit) + " infill=" + std::to_string(found.infillDraws) +
        " infill_split=" + std::to_string(found.infillSplit) + " fan_restores=" + std::to_string(found.fanRestores) +
        " bed=" + found.firstBed + unknownKinds;
    if (summary && problems.empty() && *summary != expected)
        problems.push_back("the summary `" + std::string(*summary) + "` does not count what the output holds: `" +
                           expected + "`");
    if (counts) {
        CheckCounts& total = *counts;
        total.liftedTravels += found.liftedTravels;
        total.wholeDraws += found.wholeDraws;
        total.splitDraws += found.splitDraws;
        total.pieces += found.pieces;
        total.fanRestores += found.fanRestores;
        total.bedLines += found.bedLines;
        total.interfaceDraws += found.interfaceDraws;
        total.interfaceSplit += found.interfaceSplit;
        total.infillDraws += found.infillDraws;
        total.infillSplit += found.infillSplit;
        for (auto [sum, add] :
             {std::pair{&total.dragsBefore, &found.dragsBefore}, {&total.dragsAfter, &found.dragsAfter}}) {
            sum->travels += add->travels;
            sum->crossingTravels += add->crossingTravels;
            sum->crossings += add->crossings;
            sum->overOuterPerimeters += add->overOuterPerimeters;
        }
        if (total.firstBed == "unchanged") total.firstBed = found.firstBed;
    }
    return problems;
}

double printMinutes(std::string_view text)
{
    float x = 0, y = 0, z = 0, f = 0;
    bool relative = false, feedRateSeen = false;
    double minutes = 0;
    for (const std::string_view line : inputLines(text)) {
        std::size_t i = 0;
        while (i < line.size() && isSpace(line[i]))
            ++i;
        if (line.substr(i, 3) == "G90" || line.substr(i, 3) == "G91") {
            const char after = i + 3 < line.size() ? line[i + 3] : ' ';
            if (!isDigit(after) && after != '.') relative = line[i + 2] == '1';
        }
        if (!isMoveLine(line)) continue;
        const Words words = readWords(line);
        const auto follow = [&](char letter, float value) {
            const std::optional<float> word = words[letter];
            return !word ? value : relative ? value + *word : *word;
        };
        const float nx = follow('X', x), ny = follow('Y', y), nz = follow('Z', z);
        if (words['F']) {
            f = *words['F'];
            feedRateSeen = true;
        }
        if (feedRateSeen && f > 0)
            minutes +=
                std::sqrt(std::pow(double(nx) - x, 2) + std::pow(double(ny) - y, 2) + std::pow(double(nz) - z, 2)) / f;
        x = nx;
        y = ny;
        z = nz;
    }
    return minutes;
}

std::string summaryLineFor(std::string_view inputText, std::string_view outputText, long long lines)
{
    CheckCounts c;
    checkOutput(inputText, outputText, OutputForm::Body, &c);
    const double before = printMinutes(inputText);
    double added = printMinutes(outputText) - before;
    // Sums of the same moves in another order differ in their last bits.
    if (std::fabs(added) < 1e-9) added = 0;
    char time[64];
    if (before > 0)
        std::snprintf(time, sizeof time, "%+.1f min (%+.1f %%)", added, 100 * added / before);
    else
        std::snprintf(time, sizeof time, "%+.1f min (n/a)", added);
    const auto n = [](int v) { return std::to_string(v); };
    return "Vorlane v0024: " + n(c.liftedTravels) + " travels lifted, " + n(c.interfaceDraws) +
           " interface draws rewritten (" + n(c.interfaceSplit) + " split), " + n(c.infillDraws) +
           " infill draws rewritten (" + n(c.infillSplit) + " split), " + n(c.fanRestores) + " fan restores, " +
           (c.firstBed == "unchanged" ? "bed unchanged"
                                      : "bed " + c.firstBed.replace(c.firstBed.find("->"), 2, " -> ") + " C") +
           "; print time " + time + "; " + std::to_string(lines) + " lines in <t> s";
}

std::vector<std::string> checkOutput(std::string_view inputText, std::string_view outputText, int* liftedTravels)
{
    CheckCounts counts;
    std::vector<std::string> problems = checkOutput(inputText, outputText, OutputForm::Body, &counts);
    if (liftedTravels) *liftedTravels += counts.liftedTravels;
    return problems;
}

std::string joined(const std::vector<std::string>& problems)
{
    std::string text;
    for (const std::string& p : problems)
        text += p + "\n";
    return text;
}

} // namespace vorlane::test
