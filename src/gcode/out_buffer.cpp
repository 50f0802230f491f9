// Draining the output buffer to its destination.
#include "gcode/out_buffer.hpp"

namespace vorlane {

void drainOut(OutBuffer& out)
{
    if (out.text.empty()) return;
    if (out.drain) out.drain(out.destination, out.text);
    out.text.clear();
}

} // namespace vorlane
