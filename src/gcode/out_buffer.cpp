// Draining the output buffer to its destination.
#include "gcode/out_buffer.hpp"

namespace vorlane {

void drainOut(OutBuffer& out)
{
    if (out.text.empty()) return;
    if (out.drain) out.drain(out.destination, out.text);
    out.text.clear();
}

void writePiece(OutBuffer& out, std::string_view bytes)
{
    if (out.text.size() + bytes.size() > out.drainAt) drainOut(out);
    if (bytes.size() >= out.drainAt && out.drain)
        out.drain(out.destination, bytes);
    else
        out.text.append(bytes);
}

} // namespace vorlane
