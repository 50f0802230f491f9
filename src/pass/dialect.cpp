// The slicers' tables: their line tables, path kinds, header texts, and
// each slicer's dialect made of them.
#include "gcode/words.hpp"
#include "pass/line_actions.hpp"

namespace vorlane {

namespace {

constexpr DrawType NONE = DrawType::UnclassifiedPath;

// clang-format off
constexpr PathKindName prusaKinds[] = {
    {"External perimeter", DrawType::Perimeter},
    {"Solid infill", DrawType::Solid}, {"Top solid infill", DrawType::Solid}, {"Bridge infill", DrawType::Solid},
    {"Internal bridge infill", DrawType::Solid}, {"Gap fill", DrawType::Solid},
    {"Support material interface", DrawType::SupportInterface},
    {"Support material", DrawType::SupportMain},
    {"Wipe tower", DrawType::PrimePillar},
    {"Perimeter", NONE}, {"Internal perimeter", NONE}, {"Overhang perimeter", NONE}, {"Thin wall", NONE},
    {"Internal infill", NONE}, {"Skirt/Brim", NONE}, {"Skirt", NONE}, {"Ironing", NONE}, {"Custom", NONE},
    {"Mill", NONE}, {"Mixed", NONE},
};

constexpr PathKindName orcaKinds[] = {
    {"Outer wall", DrawType::Perimeter},
    {"Internal solid infill", DrawType::Solid}, {"Top surface", DrawType::Solid}, {"Bottom surface", DrawType::Solid},
    {"Bridge", DrawType::Solid}, {"Internal Bridge", DrawType::Solid}, {"Gap infill", DrawType::Solid},
    {"Support interface", DrawType::SupportInterface},
    {"Support", DrawType::SupportMain}, {"Support transition", DrawType::SupportMain},
    {"Prime tower", DrawType::PrimePillar},
    {"Inner wall", NONE}, {"Overhang wall", NONE}, {"Sparse infill", NONE}, {"Skirt", NONE}, {"Brim", NONE},
    {"Ironing", NONE}, {"Custom", NONE}, {"Multiple", NONE},
};

constexpr PathKindName curaKinds[] = {
    {"WALL-OUTER", DrawType::Perimeter},
    {"SKIN", DrawType::Solid},
    {"SUPPORT-INTERFACE", DrawType::SupportInterface},
    {"SUPPORT", DrawType::SupportMain},
    {"PRIME-TOWER", DrawType::PrimePillar},
    {"WALL-INNER", NONE}, {"FILL", NONE}, {"SKIRT", NONE},
};

// Simplify3D's kinds are whole comments ("; outer perimeter"; in 5.x
// "; feature outer perimeter"); its purge structures are wiped on as a prime
// tower is.
constexpr PathKindName s3dKinds[] = {
    {"outer perimeter", DrawType::Perimeter},
    {"solid layer", DrawType::Solid}, {"bridge", DrawType::Solid}, {"internal bridge", DrawType::Solid},
    {"gap fill", DrawType::Solid},
    {"dense support", DrawType::SupportInterface},
    {"support", DrawType::SupportMain}, {"raft", DrawType::SupportMain},
    {"prime pillar", DrawType::PrimePillar}, {"ooze shield", DrawType::PrimePillar},
    {"inner perimeter", NONE}, {"infill", NONE}, {"skirt", NONE}, {"internal single extrusion", NONE},
};

constexpr PathKindName ideaMakerKinds[] = {
    {"WALL-OUTER", DrawType::Perimeter},
    {"SOLID-FILL", DrawType::Solid}, {"BRIDGE", DrawType::Solid}, {"INTERNAL BRIDGE", DrawType::Solid},
    {"SUPPORT", DrawType::SupportMain}, {"RAFT", DrawType::SupportMain},
    {"WALL-INNER", NONE}, {"FILL", NONE},
};

// Rows the tables share. In the other slicers' tables the block rows come
// before the fan's: M620 and M621 are M-codes too.
constexpr LineRule moveRow{pattern_G0G1.pattern, lineIs<pattern_G0G1>, handleMoveLine};
constexpr LineRule arcRow{pattern_Arc.pattern, lineIs<pattern_Arc>, handleArc};
constexpr LineRule blockOpenRow{"^; CP TOOLCHANGE START or ^M620 S[0-9]+A", opensToolChangeBlock,
                                openToolChangeBlock};
constexpr LineRule blockCloseRow{"^; CP TOOLCHANGE END or ^M621 S[0-9]+A", closesToolChangeBlock,
                                 closeToolChangeBlock};
constexpr LineRule fanRow{"chapter is Printing and ^\\s*M[0-9]+([^0-9]|$)", isFanCommand, trackFan};
constexpr LineRule toolRow{"^T[0-9]+, a tool 0 to 15", isSlicerToolChange, changeTool};
constexpr LineRule otherRow{"any other line", always, copy};

// Kisslicer's line table. Row order is behaviour: the first row whose test
// holds decides what the line is, and the later rows are not tried.
constexpr LineRule kisslicerTable[] = {
    {pattern_G1.pattern, lineIs<pattern_G1>, handleMoveLine},
    fanRow,
    {pattern_AllPaths.pattern, lineIs<pattern_AllPaths>, handlePathKindComment},
    {pattern_CommentLine.pattern, lineIs<pattern_CommentLine>, copy},
    {pattern_Layer_Begin.pattern, lineIs<pattern_Layer_Begin>, markLayer},
    {pattern_ToolChange.pattern, lineIs<pattern_ToolChange>, changeTool},
    {pattern_ResumeTemp.pattern, lineIs<pattern_ResumeTemp>, resumeMarker},
    {pattern_BeginPrefix.pattern, lineIs<pattern_BeginPrefix>, enterChapter<Chapter::Prefix>},
    {pattern_BeginPrinting.pattern, lineIs<pattern_BeginPrinting>, enterChapter<Chapter::Printing>},
    {pattern_BeginPostfix.pattern, lineIs<pattern_BeginPostfix>, enterChapter<Chapter::Postfix>},
    {"chapter is Preamble", chapterIs<Chapter::Preamble>, handleSettings},
    {"chapter is Prefix", chapterIs<Chapter::Prefix>, handleBedTemperature},
    otherRow,
};

// The line table of the slicers that mark path kinds and layers in their own
// comments.
constexpr LineRule slicerTable[] = {
    moveRow,
    arcRow,
    blockOpenRow,
    blockCloseRow,
    fanRow,
    {"the slicer's path-kind comment", isSlicerPathKind, handleSlicerPathKind},
    {"the slicer's layer marker", isSlicerLayer, startLayer},
    {"the slicer's pause in printing (Cura's ;TIME_ELAPSED:)", pausesPrinting, pausePrinting},
    toolRow,
    otherRow,
};

// The line table of a file read generically: moves, arcs, tools and the fan
// (the modes are followed by the loop), and the tool-change blocks, whose
// moves stay as the slicer wrote them whoever wrote them; a comment that
// tells the slicer's family hands the file to that family's table.
constexpr LineRule genericTable[] = {
    moveRow,
    arcRow,
    blockOpenRow,
    blockCloseRow,
    fanRow,
    {"a comment that tells the slicer's family", tellsFamily, takeFamily},
    toolRow,
    otherRow,
};

// The slicers that name themselves in the first comment lines, in the order
// they are tried.
constexpr struct {
    std::string_view header;
    Slicer slicer;
} headers[] = {
    {"; KISSlicer", Slicer::Kisslicer},
    {"; generated by PrusaSlicer", Slicer::PrusaSlicer},
    {"; generated by SuperSlicer", Slicer::SuperSlicer},
    {"; generated by OrcaSlicer", Slicer::OrcaSlicer},
    {"; BambuStudio", Slicer::BambuStudio},
    {";Generated with Cura_SteamEngine", Slicer::Cura},
    {"; G-Code generated by Simplify3D(R)", Slicer::Simplify3D},
    {";Sliced by ideaMaker", Slicer::IdeaMaker},
    {"; generated by Slic3r", Slicer::Slic3r},
};

// How slicers Vorlane does not know name themselves: the slicer's name
// follows.
constexpr std::string_view namingPhrases[] = {
    "; generated by ", ";Generated with ", "; Generated with ", ";Sliced by ", "; Sliced by ", "; G-Code generated by ",
};

constexpr Chapter SETTINGS = Chapter::Preamble, START = Chapter::Prefix;
constexpr ToolReady MOVE = ToolReady::AfterFirstMove, DRAW = ToolReady::AfterFirstDraw;

// PrusaSlicer's and SuperSlicer's mark on the travel after a tool change on a
// tool changer, whose head the change leaves where the file does not know.
constexpr std::string_view PRUSA_UNKNOWN_POSITION = "; move to print after unknown position";

float s3dLayerHeight(std::string_view line)
{
    constexpr std::string_view height = ", Z = ";
    return wordValueOf(line.substr(line.find(height) + height.size()));
}

constexpr Dialect dialects[] = {
    {.slicer = Slicer::Unnamed, .rows = kisslicerTable, .startsIn = SETTINGS, .toolReady = MOVE,
     .fanRestore = FanRestore::Tool},
    {.slicer = Slicer::Kisslicer, .rows = kisslicerTable, .startsIn = SETTINGS, .toolReady = MOVE,
     .fanRestore = FanRestore::Tool},
    {.slicer = Slicer::PrusaSlicer, .summaryName = "PrusaSlicer", .consoleName = "PrusaSlicer", .rows = slicerTable,
     .startsIn = START, .toolReady = DRAW, .pathKindPrefix = ";TYPE:", .pathKinds = prusaKinds,
     .layerMarker = &pattern_LayerChange, .fanRestore = FanRestore::Plain,
     .unknownPositionMark = PRUSA_UNKNOWN_POSITION},
    {.slicer = Slicer::SuperSlicer, .summaryName = "SuperSlicer", .consoleName = "SuperSlicer", .rows = slicerTable,
     .startsIn = START, .toolReady = DRAW, .pathKindPrefix = ";TYPE:", .pathKinds = prusaKinds,
     .layerMarker = &pattern_LayerChange, .fanRestore = FanRestore::Plain,
     .unknownPositionMark = PRUSA_UNKNOWN_POSITION},
    {.slicer = Slicer::OrcaSlicer, .summaryName = "OrcaSlicer", .consoleName = "OrcaSlicer", .rows = slicerTable,
     .startsIn = START, .toolReady = DRAW, .pathKindPrefix = ";TYPE:", .pathKinds = orcaKinds,
     .layerMarker = &pattern_LayerChange},
    {.slicer = Slicer::BambuStudio, .summaryName = "BambuStudio", .consoleName = "Bambu Studio", .rows = slicerTable,
     .startsIn = START, .toolReady = DRAW, .pathKindPrefix = "; FEATURE: ", .pathKinds = orcaKinds,
     .layerMarker = &pattern_ChangeLayer},
    {.slicer = Slicer::Cura, .summaryName = "Cura", .consoleName = "Cura", .rows = slicerTable, .startsIn = START,
     .toolReady = DRAW, .pathKindPrefix = ";TYPE:", .pathKinds = curaKinds, .layerMarker = &pattern_NumberedLayer,
     .printingPauses = &pattern_TimeElapsed, .fanRestore = FanRestore::Plain},
    {.slicer = Slicer::Simplify3D, .summaryName = "Simplify3D", .consoleName = "Simplify3D", .rows = slicerTable,
     .startsIn = START, .toolReady = DRAW, .pathKindPrefix = "; ", .pathKinds = s3dKinds, .pathKindWord = "feature ",
     .pathKindsExact = true, .layerMarker = &pattern_S3dLayer, .layerHeightOf = s3dLayerHeight,
     .printingPauses = &pattern_S3dLayerEnd, .fanRestore = FanRestore::Plain},
    {.slicer = Slicer::IdeaMaker, .summaryName = "ideaMaker", .consoleName = "ideaMaker", .rows = slicerTable,
     .startsIn = START, .toolReady = DRAW, .pathKindPrefix = ";TYPE:", .pathKinds = ideaMakerKinds,
     .layerMarker = &pattern_NumberedLayer, .fanRestore = FanRestore::Plain},
    {.slicer = Slicer::Slic3r, .rows = genericTable, .startsIn = START, .toolReady = DRAW, .layersFromDraws = true,
     .family = Family::PrusaAtAnyType},
    {.slicer = Slicer::Other, .rows = genericTable, .startsIn = START, .toolReady = DRAW, .layersFromDraws = true,
     .family = Family::ToldByAComment},
};
// clang-format on

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The words after a naming phrase up to the first that begins with a digit
// or is "on"; empty when there are none.
std::string slicerNameAfter(std::string_view rest)
{
    std::string name;
    while (!rest.empty()) {
        const std::size_t start = rest.find_first_not_of(" \t\r");
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find_first_of(" \t\r"), rest.size());
        const std::string_view word = rest.substr(0, end);
        if (isDigit(word[0]) || word == "on") break;
        if (!name.empty()) name += ' ';
        name.append(word);
        rest.remove_prefix(end);
    }
    return name;
}

} // namespace

const Dialect& kisslicerDialect() { return dialects[0]; }

const Dialect& dialectOf(Slicer slicer)
{
    for (const Dialect& dialect : dialects)
        if (dialect.slicer == slicer) return dialect;
    return dialects[0];
}

SlicerNaming slicerNamingIn(std::string_view head)
{
    while (!head.empty()) {
        const std::size_t lf = head.find('\n');
        const std::string_view line = head.substr(0, lf);
        head.remove_prefix(lf == std::string_view::npos ? head.size() : lf + 1);
        std::size_t first = 0;
        while (first < line.size() && isBlank(line[first]))
            ++first;
        if (first == line.size()) continue;
        if (line[first] != ';') break;
        for (const auto& [header, slicer] : headers) {
            if (!line.starts_with(header)) continue;
            // Slic3r's name is the file's own: "Slic3r", "Slic3r Prusa Edition".
            if (slicer == Slicer::Slic3r)
                return {slicer, slicerNameAfter(line.substr(std::string_view("; generated by ").size()))};
            return {slicer, {}};
        }
        for (const std::string_view phrase : namingPhrases) {
            if (!line.starts_with(phrase)) continue;
            std::string name = slicerNameAfter(line.substr(phrase.size()));
            if (!name.empty()) return {Slicer::Other, std::move(name)};
        }
    }
    return {};
}

const Dialect* familyToldBy(const Dialect& dialect, std::string_view line)
{
    const Dialect& prusa = dialectOf(Slicer::PrusaSlicer);
    const Dialect& orca = dialectOf(Slicer::OrcaSlicer);
    const Dialect& bambu = dialectOf(Slicer::BambuStudio);
    switch (dialect.family) {
    case Family::None:
        return nullptr;
    case Family::PrusaAtAnyType:
        return line.starts_with(prusa.pathKindPrefix) ? &prusa : nullptr;
    case Family::ToldByAComment:
        break;
    }
    if (line.starts_with(bambu.pathKindPrefix)) return &bambu;
    if (!line.starts_with(prusa.pathKindPrefix)) return nullptr;
    // A name both tables know tells nothing yet.
    const std::string_view name = pathKindNameOf(prusa, line);
    const bool prusaKnows = pathKindNamed(prusa, name) != nullptr, orcaKnows = pathKindNamed(orca, name) != nullptr;
    if (prusaKnows == orcaKnows) return nullptr;
    return prusaKnows ? &prusa : &orca;
}

bool fromUnknownPosition(const Dialect& dialect, std::string_view line)
{
    if (dialect.unknownPositionMark.empty()) return false;
    const std::size_t semicolon = line.find(';');
    if (semicolon == std::string_view::npos) return false;
    std::string_view comment = line.substr(semicolon);
    while (!comment.empty() && isBlank(comment.back()))
        comment.remove_suffix(1);
    return comment == dialect.unknownPositionMark;
}

const PathKindName* pathKindNamed(const Dialect& dialect, std::string_view name)
{
    for (const PathKindName& kind : dialect.pathKinds)
        if (kind.name == name) return &kind;
    return nullptr;
}

std::string_view pathKindNameOf(const Dialect& dialect, std::string_view line)
{
    std::string_view name = line.substr(dialect.pathKindPrefix.size());
    if (!dialect.pathKindWord.empty() && name.starts_with(dialect.pathKindWord))
        name.remove_prefix(dialect.pathKindWord.size());
    while (!name.empty() && isSpace(name.back()))
        name.remove_suffix(1);
    return name;
}

} // namespace vorlane
