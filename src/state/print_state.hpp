// The print state: one record, created before the first line and never reset,
// that the line loop keeps up to date as the printer would.
#pragma once

#include "gcode/move.hpp"
#include "paths/layers.hpp"
#include "state/settings.hpp"

#include <array>
#include <cstdint>
#include <limits>

namespace vorlane {

enum class Chapter : std::int32_t { None = 0, Preamble = 1, Prefix = 2, Printing = 3, Postfix = 4 };

struct PrintState {
    Chapter chapter = Chapter::Preamble;
    // The slicer's settings, from the file's header.
    Settings settings;
    DrawType section = DrawType::None;
    std::int32_t currentTool = 0;
    // Since the last tool change (or tool-change block) a move was made
    // (Kisslicer) or a path drawn (the other slicers): a travel may be lifted.
    bool seenMoveAfterToolchange = false;
    // Tool-change blocks open: within them nothing is lifted or rewritten.
    int toolChangeBlocks = 0;
    // False from a tool change or resume marker until the next move line, which
    // then restores the fan first.
    bool seenFanControlAfterToolChange = true;
    float currentKisslicerFanSpeed = 0;
    MoveState moves;
    // What the last G1 line did.
    MoveResult move;
    std::array<float, TOOL_SLOTS> lastDrawnZForTool{};
    std::array<float, TOOL_SLOTS> layerThicknessForTool{};
    // The tools last seen drawing main support and stacked infill.
    int toolForMain = 0;
    int toolForInfill = 0;
    // The height the last layer marker named, where markers name one.
    float layerMarkerZ = std::numeric_limits<float>::quiet_NaN();
    // Read generically: the highest draw so far (a draw above it begins a
    // layer).
    float highestDrawZ = -std::numeric_limits<float>::infinity();
};

// The height of the layer below the tool's last drawn layer.
inline float prevLayerHeightForTool(const PrintState& state, int tool)
{
    const auto t = static_cast<std::size_t>(tool);
    return state.lastDrawnZForTool.at(t) - state.layerThicknessForTool.at(t);
}

} // namespace vorlane
