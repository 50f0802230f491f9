// The report: one self-contained HTML page that shows, layer by layer, what
// the run did (every lifted travel, every rewritten draw) and every travel
// that still drags across another tool's fresh paths, over the paths of
// each tool. It listens to the pass; only the layers with something to show
// are kept, as SVG drawings, so the page grows with what was done, not with
// the print. The page around them is report_page.html, made part of the
// program when it is built.
#pragma once

#include "geometry/vec2.hpp"
#include "pass/told.hpp"
#include "paths/layers.hpp"
#include "watch/drag_count.hpp"

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// Where a polyline stands: kept apart from its text, so that it can stay in
// registers while a run of draws is drawn.
struct Pen {
    std::uint16_t stagedBytes = 0; // of Strokes::staged
    bool open = false;
    std::int32_t lastX = 0, lastY = 0;
    // The point not yet written, which the next may carry on in its direction.
    bool pending = false;
    std::int32_t pendingX = 0, pendingY = 0;
    Vec2 lastEnd{}; // where the last draw ended, as read
};

// A polyline in hundredths of a millimetre, points on a straight line merged.
struct Strokes {
    std::string d; // the SVG path data
    // The latest of it, not yet in d.
    std::array<char, 256> staged;
    Pen pen;
};

struct Report {
    // How far below the nozzle the lift looks: the paths drawn faint.
    float liftHeight_MM = 0.5f;
    // The count of the same run, which hears each line first: the travels
    // that still drag.
    const DragCount* count = nullptr;
    // The slicer's colours per tool ("#RRGGBB"), where it names them.
    std::array<std::string, TOOL_SLOTS> extruderColours, filamentColours;

    // The layer being drawn: its number (0 before the first marker), the
    // height of its first draw, its paths by tool and what happened in it.
    long long layer = 0;
    float layerZ = NaN;
    std::array<Strokes, TOOL_SLOTS> paths;
    std::string marks;
    long long events = 0;
    // What the layer's drawing spans.
    struct Extent {
        float minX = FLOAT_MAX, minY = FLOAT_MAX, maxX = -FLOAT_MAX, maxY = -FLOAT_MAX;
    } extent;
    // The paths of the layers just below, as drawn. A layer's paths go into
    // the page once, as a group "p<layer>" that later layers draw faint by
    // reference; until then they are kept here.
    struct Below {
        long long layer;
        float z;
        std::array<std::string, TOOL_SLOTS> d;
        bool placed = false;
    };
    std::deque<Below> below;

    // The layers shown so far, as page sections in blocks, and their
    // numbers. A long path data is a block of its own.
    std::vector<std::string> sections;
    bool lastBlockIsText = false;
    std::vector<long long> shown;
    // The page's head and tail, made at the end.
    std::string head, tail;
};

// The watcher that draws; it asks for the settings that name the slicer's
// colours ("; extruder_colour = ...", "; filament_colour = #RRGGBB;#RRGGBB").
Watcher reportWatcher(Report& report);

// What the page's head says of the run.
struct ReportSummary {
    std::string title;    // the G-code file
    std::string slicer;   // as the console names it
    std::string results;  // the console's summary of the rewrites
    std::string settings; // the settings that differ from their defaults
    long long crossingsBefore = 0, crossingsAfter = 0;
    long long outerBefore = 0, outerAfter = 0;
};

// The page, the last layer done, in the pieces it is written in: the head
// with the summary, the layers' sections, the tail with the script. They
// stay the report's.
std::vector<std::string_view> reportPage(Report& report, const ReportSummary& summary);

} // namespace vorlane
