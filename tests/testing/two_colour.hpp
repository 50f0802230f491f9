// Two-colour prints made from real single-tool Kisslicer 1.1 files, for the
// tests and benchmarks of what travels drag across: outer perimeters and
// loops in one colour, everything else in the other.
#pragma once

#include <string>
#include <string_view>

namespace vorlane::test {

// Kisslicer 1.1's path kinds named as today's ('Perimeter' becomes
// 'Perimeter Path', 'Wipe (and De-string)' 'Destring/Wipe/Jump Path', and so
// on); in the main G-code a T line before each path-kind comment that
// changes the tool: perimeters and loops in T1, every other kind in T0.
std::string twoColourPrint(std::string_view singleTool);

} // namespace vorlane::test
