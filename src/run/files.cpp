// Chunked reading with memchr and unbuffered writes of large pieces.
#include "run/files.hpp"

#include "state/line_loop.hpp"

#include <cstring>
#include <stdexcept>

namespace vorlane {

namespace {

[[noreturn]] void outputFailed(const OutputFile& out, const std::string& error)
{
    throw OutputError("Could not write file '" + out.name + "' due to error: " + error);
}

// Moves the unread bytes to the front of the buffer and reads more behind them.
void readMore(InputFile& in)
{
    if (in.begin > 0) {
        std::memmove(in.buffer.data(), in.buffer.data() + in.begin, in.end - in.begin);
        in.end -= in.begin;
        in.scanned -= in.begin;
        in.begin = 0;
    }
    std::size_t got = 0;
    if (const std::string error = readSome(in.file, in.buffer.data() + in.end, in.buffer.size() - in.end, got);
        !error.empty())
        throw std::runtime_error("Could not read file '" + in.name + "' due to error: " + error);
    if (got == 0) in.atEnd = true;
    in.end += got;
}

} // namespace

InputFile::~InputFile() { closeInput(*this); }

std::string openInput(InputFile& in, const std::string& name)
{
    in.name = name;
    if (std::string error = openForReading(name, in.file, in.permissions); !error.empty()) return error;
    // Room for the longest line held whole, its CR and its LF.
    in.buffer.resize(LONGEST_WHOLE_LINE + 2);
    return {};
}

bool nextLine(InputFile& in, std::string_view& line)
{
    if (in.lineGoesOn)
        for (std::string_view skipped; restOfLine(in, skipped);) {
        }
    for (;;) {
        const char* base = in.buffer.data();
        const void* lf = std::memchr(base + in.scanned, '\n', in.end - in.scanned);
        if (lf) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
            std::size_t lineEnd = at;
            if (lineEnd > in.begin && base[lineEnd - 1] == '\r') --lineEnd;
            line = std::string_view(base + in.begin, lineEnd - in.begin);
            in.begin = in.scanned = at + 1;
            return true;
        }
        if (in.atEnd) {
            if (in.begin == in.end) return false;
            line = std::string_view(base + in.begin, in.end - in.begin);
            in.begin = in.scanned = in.end;
            return true;
        }
        in.scanned = in.end;
        if (in.begin == 0 && in.end == in.buffer.size()) {
            // The line fills the buffer: its first bytes now, the rest as it
            // comes. A CR at the end may be the one before the LF: it waits.
            const std::size_t headEnd = base[in.end - 1] == '\r' ? in.end - 1 : in.end;
            line = std::string_view(base, headEnd);
            in.begin = in.scanned = headEnd;
            in.lineGoesOn = true;
            return true;
        }
        readMore(in);
    }
}

bool restOfLine(InputFile& in, std::string_view& piece)
{
    while (in.lineGoesOn) {
        const char* base = in.buffer.data();
        if (const void* lf = std::memchr(base + in.begin, '\n', in.end - in.begin)) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
            const std::size_t pieceEnd = at > in.begin && base[at - 1] == '\r' ? at - 1 : at;
            piece = std::string_view(base + in.begin, pieceEnd - in.begin);
            in.begin = in.scanned = at + 1;
            in.lineGoesOn = false;
            return true;
        }
        if (in.atEnd) {
            piece = std::string_view(base + in.begin, in.end - in.begin);
            in.begin = in.scanned = in.end;
            in.lineGoesOn = false;
            return true;
        }
        const std::size_t pieceEnd = in.end > in.begin && base[in.end - 1] == '\r' ? in.end - 1 : in.end;
        if (pieceEnd > in.begin) {
            piece = std::string_view(base + in.begin, pieceEnd - in.begin);
            in.begin = in.scanned = pieceEnd;
            return true;
        }
        readMore(in);
    }
    return false;
}

void closeInput(InputFile& in)
{
    // Nothing was written to the input; a failing close loses nothing.
    if (in.file != NO_FILE) closeFile(in.file);
    in.file = NO_FILE;
}

OutputFile::~OutputFile()
{
    if (file != NO_FILE) closeFile(file);
}

std::string createOutput(OutputFile& out, const std::string& name, unsigned permissions)
{
    out.name = name;
    return createForWriting(name, permissions, out.file);
}

void drainToFile(void* outputFile, std::string_view bytes)
{
    auto& out = *static_cast<OutputFile*>(outputFile);
    if constexpr (PLATFORM_LINE_END != "\n") {
        out.translated.clear();
        for (std::size_t lf; (lf = bytes.find('\n')) != std::string_view::npos; bytes.remove_prefix(lf + 1)) {
            out.translated.append(bytes.substr(0, lf));
            out.translated.append(PLATFORM_LINE_END);
        }
        out.translated.append(bytes);
        bytes = out.translated;
    }
    if (const std::string error = writeAll(out.file, bytes); !error.empty()) outputFailed(out, error);
}

void finishOutput(OutputFile& out)
{
    // Only a result that is on the disk may replace the input.
    if (const std::string error = syncFile(out.file); !error.empty()) outputFailed(out, error);
    const NativeFile file = out.file;
    out.file = NO_FILE;
    if (const std::string error = closeFile(file); !error.empty()) outputFailed(out, error);
}

} // namespace vorlane
