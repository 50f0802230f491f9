// The slicers whose G-code Vorlane reads, each as data: the rows its lines
// go through, how it names its path kinds, where its layers begin and its
// printing ends, which fan restore suits it. The line loop is one loop for
// all of them; adding a slicer is adding its tables in dialect.cpp.
#pragma once

#include "gcode/recognizers.hpp"
#include "paths/layers.hpp"
#include "state/print_state.hpp"
#include "state/run_settings.hpp"

#include <span>
#include <string_view>

namespace vorlane {

struct LineLoop;

enum class Slicer { Unnamed, Kisslicer, PrusaSlicer, SuperSlicer, OrcaSlicer, BambuStudio, Cura };

// A path kind's name as the slicer writes it, and Vorlane's kind for it
// (UnclassifiedPath: one it knows but collects with the other paths).
struct PathKindName {
    std::string_view name;
    DrawType kind;
};

// A row of a slicer's line table: the first row whose test holds handles the
// line, and its action writes what the line becomes (the line itself, or
// what replaces it).
struct LineRule {
    std::string_view test; // the pattern or condition, as documentation
    bool (*holds)(const LineLoop&, std::string_view line);
    void (*action)(LineLoop&, std::string_view line);
};

// After a tool change the head stands where the file says once the new tool
// has made its first move (Kisslicer), or its first draw (the slicers whose
// tool-change code may leave it where the file does not know).
enum class ToolReady { AfterFirstMove, AfterFirstDraw };

struct Dialect {
    Slicer slicer;
    // The slicer's name in the output's summary comment and on the console;
    // empty where the lines are Kisslicer's.
    std::string_view summaryName;
    std::string_view consoleName;
    // Its line table, in order.
    std::span<const LineRule> rows;
    // The chapter its files begin in: Kisslicer's settings header, or the
    // start G-code of the slicers whose settings are no Kisslicer settings.
    Chapter startsIn;
    ToolReady toolReady;
    // What a path-kind comment starts with; the name is the rest of the line.
    std::string_view pathKindPrefix;
    std::span<const PathKindName> pathKinds;
    // Where a layer begins.
    const Recognizer* layerMarker;
    // A line, besides the Custom path kind, after which the printing is
    // over until the next layer (Cura's, after every layer), or none.
    const Recognizer* printingPauses;
    // The fan restore when no setting asks for another.
    FanRestore fanRestore;
    // The trailing comment that marks a travel from where the head may not
    // stand (a tool changer's, after the change), or none.
    std::string_view unknownPositionMark;
};

// The dialect of Kisslicer and of files that name no slicer.
const Dialect& kisslicerDialect();

// The slicer named by the first comment line before the first command (a
// line that is neither blank nor a comment) that begins with one of the
// slicers' own header texts; Unnamed when none does. `head` is the file's
// beginning, whole lines or not.
Slicer slicerNamedIn(std::string_view head);

const Dialect& dialectOf(Slicer slicer);

// The path kind a known name stands for, or nothing.
const PathKindName* pathKindNamed(const Dialect& dialect, std::string_view name);

// The name a path-kind comment gives, less trailing blanks.
std::string_view pathKindNameOf(const Dialect& dialect, std::string_view line);

// Whether the line's trailing comment, less trailing blanks, is the
// dialect's mark of a travel from an unknown position.
bool fromUnknownPosition(const Dialect& dialect, std::string_view line);

// A known path kind that ends the printing (until the next layer) when it
// comes while printing: the slicer's custom G-code.
inline constexpr std::string_view CUSTOM_PATH_KIND = "Custom";

} // namespace vorlane
