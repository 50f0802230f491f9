// The output sink every generated or copied line goes through. Lines collect
// in one large buffer that is drained to its destination in big pieces; the
// destination (the processing file, or memory in tests) is chosen by the owner.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vorlane {

// The destination refused the output (a full disk, for one).
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct OutBuffer {
    std::string text;
    std::size_t drainAt = std::size_t{1} << 20;
    // Receives the buffered bytes; reports failures by throwing OutputError.
    void (*drain)(void* destination, std::string_view bytes) = nullptr;
    void* destination = nullptr;
};

void drainOut(OutBuffer& out);

// Ends the line being built in out.text and drains when the buffer is full.
inline void endLine(OutBuffer& out)
{
    out.text += '\n';
    if (out.text.size() >= out.drainAt) drainOut(out);
}

// Appends part of a line (of a line longer than the buffer): a piece as large
// as the buffer goes straight to the destination after what is buffered, so
// that the buffer never grows past its size.
void writePiece(OutBuffer& out, std::string_view bytes);

// Appends whole lines, their line ends included.
inline void writeLines(OutBuffer& out, std::string_view lines)
{
    out.text.append(lines);
    if (out.text.size() >= out.drainAt) drainOut(out);
}

inline void writeLine(OutBuffer& out, std::string_view line)
{
    out.text.append(line);
    endLine(out);
}

} // namespace vorlane
