// Chunked reading with memchr and unbuffered writes of large pieces.
#include "run/files.hpp"

#include <cstring>
#include <stdexcept>

namespace vorlane {

namespace {

constexpr std::size_t READ_CHUNK = std::size_t{1} << 20;

[[noreturn]] void outputFailed(const OutputFile& out, const std::string& error)
{
    throw OutputError("Could not write file '" + out.name + "' due to error: " + error);
}

} // namespace

InputFile::~InputFile() { closeInput(*this); }

std::string openInput(InputFile& in, const std::string& name)
{
    in.name = name;
    if (std::string error = openForReading(name, in.file, in.permissions); !error.empty()) return error;
    in.buffer.resize(READ_CHUNK);
    return {};
}

bool nextLine(InputFile& in, std::string_view& line)
{
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
        // Keep the unfinished line, then read more behind it.
        in.scanned = in.end;
        if (in.begin > 0) {
            std::memmove(in.buffer.data(), base + in.begin, in.end - in.begin);
            in.end -= in.begin;
            in.scanned -= in.begin;
            in.begin = 0;
        }
        if (in.buffer.size() - in.end < READ_CHUNK / 2) in.buffer.resize(in.buffer.size() * 2);
        std::size_t got = 0;
        if (const std::string error = readSome(in.file, in.buffer.data() + in.end, in.buffer.size() - in.end, got);
            !error.empty())
            throw std::runtime_error("Could not read file '" + in.name + "' due to error: " + error);
        if (got == 0) in.atEnd = true;
        in.end += got;
    }
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
