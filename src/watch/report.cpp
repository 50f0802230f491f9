// The report page: layers as SVG drawings, the run's summary above them, in
// the page that report_page.html holds.
#include "watch/report.hpp"

#include "gcode/number_text.hpp"
#include "watch/report_page.hpp"
#include "watch/step_number.hpp"

#include <cmath>

namespace vorlane {

namespace {

// Where the drawings' colours come from when the slicer names none.
constexpr std::array<std::string_view, 8> PALETTE = {"#1f77b4", "#ff7f0e", "#2ca02c", "#9467bd",
                                                     "#8c564b", "#e377c2", "#17becf", "#bcbd22"};

// A coordinate in hundredths of a millimetre, rounded half away from zero.
// mm * 100 and the half added are exact in a double. Beyond ten thousand
// kilometres it is held there, so that differences of two fit 32 bits.
[[gnu::always_inline]] inline std::int32_t hundredths(float mm)
{
    constexpr double LIMIT = 1e9;
    const double scaled = static_cast<double>(mm) * 100;
    if (!(scaled > -LIMIT)) return static_cast<std::int32_t>(-LIMIT);
    if (!(scaled < LIMIT)) return static_cast<std::int32_t>(LIMIT);
    return static_cast<std::int32_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool isColour(std::string_view text)
{
    if (text.size() != 7 || text[0] != '#') return false;
    for (std::size_t i = 1; i < text.size(); ++i)
        if (!isHex(text[i])) return false;
    return true;
}

void readColours(std::string_view list, std::array<std::string, TOOL_SLOTS>& colours)
{
    for (std::size_t tool = 0; tool < colours.size() && !list.empty(); ++tool) {
        const std::size_t end = list.find(';');
        std::string_view colour = list.substr(0, end);
        while (!colour.empty() && (colour.back() == ' ' || colour.back() == '\r'))
            colour.remove_suffix(1);
        if (isColour(colour)) colours[tool] = colour;
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    }
}

std::string escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

// ---- Strokes: path data written as it comes, straight runs merged.

// Out of line, and taking no pen: a pen whose address is never taken stays
// in registers.
void flushStaged(Strokes& s, std::size_t bytes) { s.d.append(s.staged.data(), bytes); }

[[gnu::always_inline]] inline void flushStaged(Strokes& s, Pen& p)
{
    flushStaged(s, std::size_t{p.stagedBytes});
    p.stagedBytes = 0;
}

// A path command and its two numbers, as short as SVG reads them (a minus
// sign parts the numbers as well as a space does), gathered a few hundred
// bytes at a time before they go to the path data.
[[gnu::always_inline]] inline void appendStep(Strokes& s, Pen& p, char command, std::int32_t x, std::int32_t y)
{
    // A command, two numbers of at most 11 characters and a space.
    constexpr std::size_t LONGEST = 24;
    if (s.staged.size() - p.stagedBytes < LONGEST) flushStaged(s, p);
    char* const begin = s.staged.data() + p.stagedBytes;
    *begin = command;
    char* end = writeStepNumber(begin + 1, x);
    *end = ' ';
    end += y >= 0;
    end = writeStepNumber(end, y);
    p.stagedBytes = static_cast<std::uint16_t>(end - s.staged.data());
}

[[gnu::always_inline]] inline void writePending(Strokes& s, Pen& p)
{
    if (!p.pending) return;
    appendStep(s, p, 'l', p.pendingX - p.lastX, p.pendingY - p.lastY);
    p.lastX = p.pendingX;
    p.lastY = p.pendingY;
    p.pending = false;
}

[[gnu::always_inline]] inline void moveTo(Strokes& s, Pen& p, std::int32_t x, std::int32_t y)
{
    writePending(s, p);
    appendStep(s, p, 'M', x, y);
    p.lastX = x;
    p.lastY = y;
    p.open = true;
}

[[gnu::always_inline]] inline void lineTo(Strokes& s, Pen& p, std::int32_t x, std::int32_t y)
{
    const std::int32_t atX = p.pending ? p.pendingX : p.lastX, atY = p.pending ? p.pendingY : p.lastY;
    if (x == atX && y == atY) return;
    if (p.pending) {
        const long long ax = p.pendingX - p.lastX, ay = p.pendingY - p.lastY;
        const long long bx = x - p.pendingX, by = y - p.pendingY;
        if (ax * by - ay * bx != 0 || ax * bx + ay * by <= 0) writePending(s, p);
    }
    p.pendingX = x;
    p.pendingY = y;
    p.pending = true;
}

[[gnu::always_inline]] inline void drawLine(Strokes& s, Pen& p, std::int32_t fromX, std::int32_t fromY,
                                            std::int32_t toX, std::int32_t toY)
{
    const std::int32_t atX = p.pending ? p.pendingX : p.lastX, atY = p.pending ? p.pendingY : p.lastY;
    if (!p.open || atX != fromX || atY != fromY) moveTo(s, p, fromX, fromY);
    lineTo(s, p, toX, toY);
}

// ---- Marks.

[[gnu::always_inline]] inline void extend(Report::Extent& e, Vec2 p)
{
    e.minX = minOf(e.minX, p.x);
    e.minY = minOf(e.minY, p.y);
    e.maxX = maxOf(e.maxX, p.x);
    e.maxY = maxOf(e.maxY, p.y);
}

// A point of the drawing: X as it is, Y upwards.
void appendPoint(std::string& text, Vec2 p) { appendParts(text, hundredths(p.x), ",", -hundredths(p.y)); }

void appendLine(std::string& text, Vec2 from, Vec2 to)
{
    appendParts(text, "<line x1=\"", hundredths(from.x), "\" y1=\"", -hundredths(from.y), "\" x2=\"", hundredths(to.x),
                "\" y2=\"", -hundredths(to.y), "\"/>");
}

void appendCircle(std::string& text, Vec2 at, std::string_view kind)
{
    appendParts(text, "<circle class=\"", kind, "\" cx=\"", hundredths(at.x), "\" cy=\"", -hundredths(at.y),
                "\" r=\"12\"/>");
}

// ---- A layer done: its section, when it has something to show.

// The block of the page the next text goes to: a new one past a mebibyte,
// so that a long page grows without being copied, and after path data.
std::string& pageText(Report& r)
{
    constexpr std::size_t BLOCK = std::size_t{1} << 20;
    if (r.sections.empty() || !r.lastBlockIsText || r.sections.back().size() >= BLOCK) {
        r.sections.emplace_back();
        r.sections.back().reserve(BLOCK + BLOCK / 4);
        r.lastBlockIsText = true;
    }
    return r.sections.back();
}

// A tool's path data for the page. Most of the page is path data: a long
// one becomes a block of the page itself rather than a copy.
void appendPathData(Report& r, std::string& d)
{
    constexpr std::size_t COPIED = 4096;
    if (d.size() < COPIED) {
        pageText(r) += d;
        d.clear();
    } else {
        r.sections.push_back(std::move(d));
        r.lastBlockIsText = false;
        d = std::string();
    }
}

// The layer's paths as the group later layers draw faint by reference.
void appendPathGroup(Report& r, Report::Below& layer, std::string_view kind)
{
    appendParts(pageText(r), "<g", kind, " id=\"p", layer.layer, "\">");
    for (std::size_t tool = 0; tool < layer.d.size(); ++tool)
        if (!layer.d[tool].empty()) {
            appendParts(pageText(r), "<path class=\"t", static_cast<int>(tool), "\" d=\"");
            appendPathData(r, layer.d[tool]);
            pageText(r) += "\"/>";
        }
    pageText(r) += "</g>";
    layer.placed = true;
}

// The layer's section: its paths over those the lift's search reached
// below it, faint, and what happened in it.
void appendSection(Report& r, Report::Below& layer)
{
    const Report::Extent& e = r.extent;
    const std::int32_t x = hundredths(e.minX) - 200, y = -hundredths(e.maxY) - 200;
    const std::int32_t w = hundredths(e.maxX) - hundredths(e.minX) + 400;
    const std::int32_t h = hundredths(e.maxY) - hundredths(e.minY) + 400;
    appendParts(pageText(r), "<section data-vorlane-layer=\"", r.layer, "\" hidden><h2>Layer ", r.layer);
    if (!std::isnan(r.layerZ)) appendParts(pageText(r), ", Z ", r.layerZ);
    appendParts(pageText(r), "</h2><svg viewBox=\"", x, " ", y, " ", w, " ", h, "\"><defs>");
    const auto reached = [&](const Report::Below& below) {
        return below.z < r.layerZ && r.layerZ - below.z < r.liftHeight_MM;
    };
    for (Report::Below& below : r.below)
        if (reached(below) && !below.placed) appendPathGroup(r, below, "");
    pageText(r) += "</defs><g class=\"below\">";
    for (const Report::Below& below : r.below)
        if (reached(below)) appendParts(pageText(r), "<use href=\"#p", below.layer, "\"/>");
    pageText(r) += "</g>";
    appendPathGroup(r, layer, " class=\"paths\"");
    appendParts(pageText(r), "<g class=\"marks\">", r.marks, "</g></svg></section>\n");
    r.shown.push_back(r.layer);
}

void finishLayer(Report& r)
{
    Report::Below done{r.layer, r.layerZ, {}};
    std::array<std::size_t, TOOL_SLOTS> drawn{};
    for (std::size_t tool = 0; tool < r.paths.size(); ++tool) {
        writePending(r.paths[tool], r.paths[tool].pen);
        flushStaged(r.paths[tool], r.paths[tool].pen);
        drawn[tool] = r.paths[tool].d.size();
        done.d[tool] = std::move(r.paths[tool].d);
        r.paths[tool] = {};
    }
    if (r.events > 0 && r.extent.minX <= r.extent.maxX) appendSection(r, done);
    // Layers far below stay faint for a while: keep the last few, and the
    // buffers of the one let go for the next layer's paths.
    r.below.push_back(std::move(done));
    if (r.below.size() > 8) {
        for (std::size_t tool = 0; tool < TOOL_SLOTS; ++tool) {
            r.below.front().d[tool].clear();
            r.paths[tool].d.swap(r.below.front().d[tool]);
        }
        r.below.pop_front();
    }
    // A buffer whose text went into the page is gone: the next layer's paths
    // start with room for as many as this one's, not growing by copies.
    for (std::size_t tool = 0; tool < TOOL_SLOTS; ++tool)
        if (r.paths[tool].d.capacity() < drawn[tool]) r.paths[tool].d.reserve(drawn[tool] + drawn[tool] / 4);
    r.marks.clear();
    r.events = 0;
    r.layerZ = NaN;
    r.extent = {};
}

// ---- What the pass tells.

constexpr std::string_view EXTRUDER_COLOURS = "extruder_colour", FILAMENT_COLOURS = "filament_colour";
constexpr std::string_view COLOUR_SETTINGS[] = {EXTRUDER_COLOURS, FILAMENT_COLOURS};

// A layer marker: the layer before it is done.
void startReportLayer(Report& report)
{
    finishLayer(report);
    ++report.layer;
}

// A draw of a tool's, its pen taken out of the strokes. Inline where draws
// are heard: nearly every line is one.
[[gnu::always_inline]] inline void drawWithPen(Strokes& strokes, Pen& pen, Report::Extent& extent, Vec2 from, Vec2 to)
{
    // Most draws begin where the tool's last one ended.
    if (!pen.open || !(from == pen.lastEnd)) {
        extend(extent, from);
        drawLine(strokes, pen, hundredths(from.x), -hundredths(from.y), hundredths(to.x), -hundredths(to.y));
    } else {
        lineTo(strokes, pen, hundredths(to.x), -hundredths(to.y));
    }
    extend(extent, to);
    pen.lastEnd = to;
}

// Draws told together, a run of one tool's at a time. The pen and the
// extent are kept aside while they are drawn: the path text written between
// could be the same memory, for all the compiler knows.
void reportDraws(Report& report, std::span<const DrawTold> draws)
{
    Report::Extent extent = report.extent;
    for (std::size_t i = 0; i < draws.size();) {
        const std::int32_t tool = draws[i].tool;
        if (tool < 0 || tool >= TOOL_SLOTS) {
            ++i;
            continue;
        }
        if (std::isnan(report.layerZ)) report.layerZ = draws[i].z;
        Strokes& strokes = report.paths[static_cast<std::size_t>(tool)];
        Pen pen = strokes.pen;
        for (; i < draws.size() && draws[i].tool == tool; ++i)
            drawWithPen(strokes, pen, extent, draws[i].from, draws[i].to);
        strokes.pen = pen;
    }
    report.extent = extent;
}

// A draw told alone: a rewritten draw, or an arc's step.
void reportDraw(Report& report, int tool, float z, Vec2 from, Vec2 to)
{
    const DrawTold draw{from, to, z, tool, DrawType::None, 0};
    reportDraws(report, {&draw, 1});
}

void reportLift(Report& report, Vec2 from, Vec2 rise, Vec2 up, Vec2 to, float liftHeight_MM)
{
    ++report.events;
    extend(report.extent, from);
    extend(report.extent, to);
    std::string& m = report.marks;
    appendParts(m, "<g data-vorlane=\"lift\" class=\"lift\"><title>lifted ", liftHeight_MM,
                " mm</title><polyline points=\"");
    for (const Vec2 p : {from, rise, up, to}) {
        appendPoint(m, p);
        m += ' ';
    }
    m += "\"/>";
    appendCircle(m, rise, "rise");
    appendCircle(m, to, "descent");
    m += "</g>";
}

void reportRewrite(Report& report, Vec2 from, Vec2 to, float factor)
{
    ++report.events;
    extend(report.extent, from);
    extend(report.extent, to);
    appendParts(report.marks, "<g data-vorlane=\"rewrite\" class=\"rewrite\"><title>re-extruded, factor ", factor,
                "</title>");
    appendLine(report.marks, from, to);
    report.marks += "</g>";
}

void reportCrossings(Report& report, Vec2 from, Vec2 to, long long crossings, LiftRule rule)
{
    ++report.events;
    extend(report.extent, from);
    extend(report.extent, to);
    appendParts(
        report.marks, "<g data-vorlane=\"crossing\" class=\"crossing\"><title>", crossings, " other-colour crossings ",
        rule == LiftRule::Lifted ? std::string("before the rise") : concat("left: ", ruleText(rule)), "</title>");
    appendLine(report.marks, from, to);
    report.marks += "</g>";
}

void hearMove(Report& report, long long lineNo, const MoveTold& move)
{
    if (move.draws) {
        if (move.arcSteps.empty()) {
            reportDraw(report, move.tool, move.toZ, move.from, move.to);
        } else {
            Vec2 from = move.from;
            for (const Vec2 step : move.arcSteps) {
                reportDraw(report, move.tool, move.toZ, from, step);
                from = step;
            }
        }
    }
    if (move.rewrite == Rewrite::Lift) {
        const LiftDecision& d = *move.decision;
        reportLift(report, move.from, d.risePoint, d.upPoint, move.to, d.liftedZ_MM - move.toZ);
    } else if (move.rewrite != Rewrite::None) {
        reportRewrite(report, move.from, move.to, move.plan->factor);
    }
    if (move.draws) return;
    if (const CountedTravel* travel = draggingTravelOf(*report.count, lineNo))
        reportCrossings(report, travel->from, travel->dragsTo, travel->after.all, travel->rule);
}

void hear(void* context, long long lineNo, const Told& told)
{
    Report& report = *static_cast<Report*>(context);
    if (const DrawsTold* draws = std::get_if<DrawsTold>(&told)) {
        reportDraws(report, draws->draws);
    } else if (const auto* move = std::get_if<const MoveTold*>(&told)) {
        hearMove(report, lineNo, **move);
    } else if (std::holds_alternative<LayerTold>(told)) {
        startReportLayer(report);
    } else if (const SettingTold* setting = std::get_if<SettingTold>(&told)) {
        readColours(setting->value,
                    setting->name == EXTRUDER_COLOURS ? report.extruderColours : report.filamentColours);
    }
}

// Appends the page up to `marker` and passes it.
void appendPageUpTo(std::string& text, std::string_view& page, std::string_view marker)
{
    const std::size_t at = page.find(marker);
    text += page.substr(0, at);
    page.remove_prefix(at + marker.size());
}

} // namespace

Watcher reportWatcher(Report& report) { return {hear, &report, false, COLOUR_SETTINGS}; }

std::vector<std::string_view> reportPage(Report& report, const ReportSummary& s)
{
    finishLayer(report);
    std::string_view page = REPORT_PAGE;
    std::string& head = report.head;
    head.clear();
    appendPageUpTo(head, page, "<!--vorlane title-->");
    head += escaped(s.title);
    appendPageUpTo(head, page, "<!--vorlane tool colours-->");
    for (std::size_t tool = 0; tool < TOOL_SLOTS; ++tool) {
        const std::string& colour = !report.extruderColours[tool].empty() ? report.extruderColours[tool]
                                    : !report.filamentColours[tool].empty()
                                        ? report.filamentColours[tool]
                                        : std::string(PALETTE[tool % PALETTE.size()]);
        appendParts(head, ".t", static_cast<int>(tool), "{stroke:", colour, "}");
    }
    appendPageUpTo(head, page, "<!--vorlane title-->");
    head += escaped(s.title);
    appendPageUpTo(head, page, "<!--vorlane summary-->");
    const auto row = [&](std::string_view name, const std::string& value) {
        appendParts(head, "<tr><th>", name, "</th><td>", escaped(value), "</td></tr>");
    };
    row("Slicer", s.slicer);
    row("Done", s.results);
    row("Other-colour crossings", concat(s.crossingsBefore, " before, ", s.crossingsAfter, " after"));
    row("Of them over outer perimeters", concat(s.outerBefore, " before, ", s.outerAfter, " after"));
    row("Settings", s.settings.empty() ? std::string("the defaults") : s.settings);
    appendPageUpTo(head, page, "<!--vorlane layers-->");
    if (report.shown.empty()) head += "No layer has a lifted travel, a rewritten draw or a travel that drags.";
    for (const long long layer : report.shown)
        appendParts(head, "<a href=\"#layer=", layer, "\">", layer, "</a>");
    appendPageUpTo(head, page, "<!--vorlane sections-->");
    report.tail = page;
    std::vector<std::string_view> pieces{report.head};
    pieces.insert(pieces.end(), report.sections.begin(), report.sections.end());
    pieces.push_back(report.tail);
    return pieces;
}

} // namespace vorlane
