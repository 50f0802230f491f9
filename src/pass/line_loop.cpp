// The loop around the line tables: each line counted, the mode lines
// followed, the settings a watcher asked for told, and the line handed to
// the first row of its slicer's table whose test holds.
#include "pass/line_actions.hpp"

#include "gcode/refusal.hpp"
#include "gcode/words.hpp"

namespace vorlane {

std::string memoryHeld(const LayerCollections& layers, std::size_t lineBytes)
{
    const auto mebibytes = static_cast<long long>(storedVertexCount(layers) * sizeof(Vec2) >> 20);
    return concat(mebibytes, " MiB of printed paths are held, and the line is ", static_cast<long long>(lineBytes),
                  " bytes long");
}

void useDialect(LineLoop& loop, const Dialect& dialect)
{
    loop.dialect = &dialect;
    loop.slicerFanRestore = dialect.fanRestore;
    loop.state.chapter = dialect.startsIn;
}

void useSlicer(LineLoop& loop, const SlicerNaming& naming)
{
    useDialect(loop, dialectOf(naming.slicer));
    loop.slicerName = naming.name;
}

std::string summaryNameOf(const LineLoop& loop)
{
    if (loop.slicerName.empty()) return std::string(loop.dialect->summaryName);
    std::string word;
    for (const char c : loop.slicerName)
        if (c != ' ') word += c;
    return word;
}

std::string gcodeNameOf(const LineLoop& loop)
{
    if (loop.dialect->layersFromDraws) return concat("G-code from ", loop.slicerName, " (its path kinds are unknown)");
    const std::string_view name = loop.slicerName.empty() ? loop.dialect->consoleName : loop.slicerName;
    return name.empty() ? std::string() : concat(name, " G-code");
}

void addWatcher(LineLoop& loop, const Watcher& watcher)
{
    loop.watchers.push_back(watcher);
    loop.layersShown = loop.layersShown || watcher.showsLayers;
    loop.heldDraws.reserve(HELD_DRAWS);
}

void tellHeldDraws(LineLoop& loop)
{
    if (loop.heldDraws.empty()) return;
    const Told told{DrawsTold{loop.heldDraws}};
    for (const Watcher& watcher : loop.watchers)
        watcher.hear(watcher.context, loop.lineNo, told);
    loop.heldDraws.clear();
}

namespace {

// M82 and M83, G90 and G91 and G92 are followed in every chapter, whatever
// row the line then takes.
void trackModes(PrintState& s, std::string_view line)
{
    // Most lines are moves and comments: one look at their start passes them.
    if (line.starts_with(';') || line.starts_with("G1")) return;
    if (matches(pattern_ExtrusionMode, line)) {
        const std::size_t m = line.find('M');
        s.moves.absoluteExtrusion = line[m + 2] == '2';
    } else if (matches(pattern_PositioningMode, line)) {
        const std::size_t g = line.find('G');
        s.moves.relativePositioning = line[g + 2] == '1';
    } else if (matches(pattern_SetPosition, line)) {
        setPosition(s.moves, line);
    }
}

// A settings comment "; <name> = <value>" whose name a watcher asked for.
void tellWantedSetting(LineLoop& loop, std::string_view line)
{
    if (!line.starts_with("; ")) return;
    const std::string_view rest = line.substr(2);
    if (rest.empty()) return;
    // Most comments are no setting at all: their first letter turns them away.
    for (const Watcher& watcher : loop.watchers)
        for (const std::string_view name : watcher.settings)
            if (rest[0] == name[0] && rest.starts_with(name) && rest.substr(name.size()).starts_with(" = ")) {
                tell(loop, SettingTold{name, rest.substr(name.size() + 3)});
                return;
            }
}

// Blanks, then ';'.
bool isCommentLine(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == ';';
}

} // namespace

void processLine(LineLoop& loop, std::string_view line, bool cut)
{
    ++loop.lineNo;
    if (cut && !isCommentLine(line))
        throw Refusal(concat("the line is longer than ", static_cast<long long>(LONGEST_WHOLE_LINE),
                             " bytes and not a comment; only a comment line may be that long"));
    loop.lineCut = cut;
    trackModes(loop.state, line);
    if (!loop.watchers.empty()) tellWantedSetting(loop, line);
    for (const LineRule& rule : loop.dialect->rows) {
        if (rule.holds(loop, line)) {
            rule.action(loop, line);
            return;
        }
    }
}

} // namespace vorlane
