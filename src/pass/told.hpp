// What the pass tells its watchers: for each line that matters, one small
// record of what the line did, made from what the pass decided and wrote.
// A watcher is a function and its context, given to the loop as the output
// buffer is given its drain; the pass does not know who listens, and with
// no watcher it makes no record at all.
#pragma once

#include "gcode/plan.hpp"
#include "geometry/vec2.hpp"
#include "lift/lift.hpp"
#include "pass/bed_rule.hpp"
#include "paths/layers.hpp"
#include "state/print_state.hpp"

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

namespace vorlane {

// What replaced a move line, if anything.
enum class Rewrite : std::uint8_t { None, Lift, InterfaceBoost, InfillBoost };

// A move line that drew or travelled in X and Y: a straight move or an arc.
struct MoveTold {
    bool draws = false;
    // Where the head was and where the line leaves it, and its height before
    // and after.
    Vec2 from, to;
    float fromZ = 0, toZ = 0;
    int tool = 0;
    // The path kind in force.
    DrawType kind = DrawType::None;
    Chapter chapter = Chapter::None;
    // An arc's straight steps, its end point last; empty for a straight move.
    std::span<const Vec2> arcSteps;
    // A travel's: the rule that settled whether it was lifted, and the
    // decision when one was made.
    LiftRule liftRule = LiftRule::OutsidePrinting;
    const LiftDecision* decision = nullptr;
    // What replaced the line: its plan, or none when the line was copied.
    Rewrite rewrite = Rewrite::None;
    const Plan* plan = nullptr;
};

struct ToolChangeTold {
    int tool;
};

// A layer marker.
struct LayerTold {
    float currentZ;
};

// A settings comment "; <name> = <value>" of a name a watcher asked for.
struct SettingTold {
    std::string_view name;
    std::string_view value;
};

// A straight draw copied as it was, the line nearly every line of a print
// is. Such draws are told together (HELD_DRAWS at a time), in the order
// drawn, and before anything else is told: a watcher hears them as it would
// one by one, without a call for each.
struct DrawTold {
    Vec2 from, to;
    float z;
    std::int32_t tool;
    DrawType kind;
    // How many vertices the collection of every line held after the draw
    // was filed in it (where the pass keeps one).
    std::uint32_t allLinesEnd;
};

struct DrawsTold {
    std::span<const DrawTold> draws;
};

// What a line did, one of the records above; the larger ones by address,
// valid while the watcher is called.
using Told = std::variant<const MoveTold*, DrawsTold, ToolChangeTold, LayerTold, SettingTold, const BedFinding*>;

struct Watcher {
    void (*hear)(void* context, long long lineNo, const Told& told) = nullptr;
    void* context = nullptr;
    // It shows each layer on the console itself, in place of the progress dot.
    bool showsLayers = false;
    // The settings comments it wants to hear of, by name.
    std::span<const std::string_view> settings;
};

} // namespace vorlane
