// The debug console's lines.
#include "watch/debug_console.hpp"

#include "gcode/number_text.hpp"

namespace vorlane {

namespace {

void sayTravel(DebugConsole& debug, long long lineNo, const MoveTold& move)
{
    Console& console = *debug.console;
    if (const LiftDecision* d = move.decision; d && d->nothingBeyondFirstObstacle)
        say(console,
            concat("line:", lineNo, " min > max!! min - skipping!", d->minLambdaForLift, " mx ", d->maxLambdaForLift,
                   " furthest lambda ", d->furthestLambda, " move len ", d->moveLength_MM));
    const CountedTravel* travel = draggingTravelOf(*debug.count, lineNo);
    if (!travel) return;
    if (travel->rule == LiftRule::Lifted)
        say(console, concat("line ", lineNo, ": ", travel->after.all, " other-colour crossings before the rise"));
    else
        say(console,
            concat("line ", lineNo, ": ", travel->after.all, " other-colour crossings left: ", ruleText(travel->rule)));
}

void hear(void* context, long long lineNo, const Told& told)
{
    DebugConsole& debug = *static_cast<DebugConsole*>(context);
    if (const auto* move = std::get_if<const MoveTold*>(&told)) {
        if (!(*move)->draws) sayTravel(debug, lineNo, **move);
    } else if (const LayerTold* layer = std::get_if<LayerTold>(&told)) {
        say(*debug.console, concat("Layer Begin after ", layer->currentZ));
    } else if (const auto* bed = std::get_if<const BedFinding*>(&told)) {
        say(*debug.console, concat("Multi-Material - Prefix M-code line found: ", (*bed)->line));
        for (const float temperature : (*bed)->materialBedTemps)
            say(*debug.console, concat("found material bed temp of ", temperature));
    }
}

} // namespace

Watcher debugConsoleWatcher(DebugConsole& debug) { return {hear, &debug, true, {}}; }

} // namespace vorlane
