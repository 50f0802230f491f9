// Absolute-extrusion twins of relative G-code, for the tests: the same print
// as a slicer set to absolute E would write it, so that both can be run and
// their filament compared line for line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test {

struct TwinForm {
    // The relative file's M83 becomes M82 (else it is left out: the firmware
    // setting alone makes E absolute).
    bool m82 = true;
    // "G92 E0" before every layer marker, as Kisslicer 2 writes, so that
    // positions start over at every layer.
    bool resetEachLayer = false;
};

// Every E word of a move made a running position: exact decimal sums of the
// relative amounts, written with five decimals and trailing zeros left out.
// The printer section says "firmware_type = 2" (inserted after its header
// where the file has no such setting). Under G91 E words stay relative, as
// printers read them; G92 E sets the running position. Line ends are kept.
std::string absoluteTwin(std::string_view relative, const TwinForm& form);

// The same, a line at a time, for a writer that makes its text as it goes:
// what the twin holds up to the line just converted.
struct TwinState {
    std::int64_t position = 0; // in units of 1e-5 mm
    bool relativePositioning = false;
    // Whether the file sets its firmware type; if not, the twin says so
    // after the printer section's header.
    bool hasFirmwareType = false;
};

// Appends the twin of `line` (without its line end) and `end` to `twin`:
// nothing, the line, or the line and what comes with it.
void appendTwinLine(std::string& twin, std::string_view line, std::string_view end, const TwinForm& form,
                    TwinState& state);

// The filament each move line of G-code pushes (negative when it pulls), in
// the order of the lines, as a printer reads E: relative at the start, M82
// and M83, Kisslicer's "firmware_type = 2", G91 and G90, G92. Read with
// readers of its own.
std::vector<float> filamentPerMove(std::string_view gcode);

} // namespace vorlane::test
