// Chunked reading with memchr and unbuffered writes of large pieces.
#include "run/files.hpp"

#include "gcode/number_text.hpp"
#include "pass/line_loop.hpp"

#include <algorithm>
#include <cstring>

namespace vorlane {

namespace {

constexpr std::size_t READ_CHUNK = std::size_t{1} << 20;

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
    if (const SystemError error =
            in.platform->readSome(in.file, in.buffer.data() + in.end, in.buffer.size() - in.end, got))
        throw InputError("Could not read file '" + in.name + "' due to error: " + error.text);
    if (got == 0) in.atEnd = true;
    in.end += got;
}

// Where the bytes from `from` up to `end` end once a CR at their end is left
// out: a CR before the LF is no part of the line, and one at the end of what
// has been read may be, so it waits for the next read.
std::size_t beforeCR(const char* base, std::size_t from, std::size_t end)
{
    return end > from && base[end - 1] == '\r' ? end - 1 : end;
}

constexpr std::chrono::milliseconds FIRST_RETRY_WAIT{10};
// Scanners let go of a file within a second or two; a file held longer is
// most likely held for good.
constexpr std::chrono::milliseconds RETRY_BUDGET{5000};

// Calls `operation` until it succeeds or fails for good. The waits between
// tries double from FIRST_RETRY_WAIT, the last one cut so that they add up to
// RETRY_BUDGET.
template <typename Operation> SystemError retryingTransient(const Platform& platform, const Operation& operation)
{
    std::chrono::milliseconds waited{0}, wait = FIRST_RETRY_WAIT;
    for (;;) {
        SystemError error = operation();
        if (!error.transient) return error;
        if (waited >= RETRY_BUDGET) {
            error.text += concat(" (still after ", static_cast<int>(RETRY_BUDGET.count() / 1000),
                                 " s of retrying: a virus scanner or an indexer may be holding the file)");
            return error;
        }
        wait = std::min(wait, RETRY_BUDGET - waited);
        platform.sleep(wait);
        waited += wait;
        wait *= 2;
    }
}

SystemError openRetrying(const Platform& platform, const std::string& name, OpenedInput& opened)
{
    return retryingTransient(platform, [&] { return platform.openInput(name, opened); });
}

} // namespace

InputFile::~InputFile() { closeInput(*this); }

SystemError openInput(InputFile& in, const Platform& platform, const std::string& name, bool& busy)
{
    in.platform = &platform;
    in.name = name;
    OpenedInput opened;
    if (SystemError error = openRetrying(platform, name, opened)) return error;
    busy = opened.busy;
    if (busy) return {};
    in.file = opened.file;
    in.identity = opened.identity;
    in.attributes = opened.attributes;
    // Room for the longest line held whole, its CR and its LF.
    in.buffer.resize(LONGEST_WHOLE_LINE + 2);
    return {};
}

bool fileStartsWith(const Platform& platform, const std::string& name, std::string_view prefix)
{
    OpenedInput opened;
    // Waits for a scanner as the run's own open does, or a file Vorlane
    // wrote would be taken for a new one.
    if (openRetrying(platform, name, opened) || opened.busy) return false;
    std::string first(prefix.size(), '\0');
    std::size_t have = 0;
    for (std::size_t got = 1; have < first.size() && got > 0; have += got) {
        if (platform.readSome(opened.file, first.data() + have, first.size() - have, got)) break;
    }
    static_cast<void>(platform.closeFile(opened.file));
    return have == first.size() && first == prefix;
}

std::string_view peekHead(InputFile& in)
{
    while (!in.atEnd && in.end < in.buffer.size())
        readMore(in);
    return std::string_view(in.buffer.data() + in.begin, in.end - in.begin);
}

namespace {

// The next piece of the rest of a cut line, the last one without the line
// end; false when the line is done.
bool restOfLine(InputFile& in, std::string_view& piece)
{
    while (in.lineCut) {
        const char* base = in.buffer.data();
        if (const void* lf = std::memchr(base + in.begin, '\n', in.end - in.begin)) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
            piece = std::string_view(base + in.begin, beforeCR(base, in.begin, at) - in.begin);
            in.begin = in.scanned = at + 1;
            in.lineCut = false;
            return true;
        }
        if (in.atEnd) {
            piece = std::string_view(base + in.begin, in.end - in.begin);
            in.begin = in.scanned = in.end;
            in.lineCut = false;
            return true;
        }
        const std::size_t pieceEnd = beforeCR(base, in.begin, in.end);
        if (pieceEnd > in.begin) {
            piece = std::string_view(base + in.begin, pieceEnd - in.begin);
            in.begin = in.scanned = pieceEnd;
            return true;
        }
        readMore(in);
    }
    return false;
}

// The cut line handed out last, whole: its first bytes still stand at the
// buffer's start, before `begin`.
void copyCutLine(InputFile& in)
{
    if (in.cutLinesTo) writePiece(*in.cutLinesTo, std::string_view(in.buffer.data(), in.begin));
    for (std::string_view piece; restOfLine(in, piece);)
        if (in.cutLinesTo) writePiece(*in.cutLinesTo, piece);
    if (in.cutLinesTo) endLine(*in.cutLinesTo);
}

} // namespace

bool nextLine(InputFile& in, std::string_view& line)
{
    if (in.lineCut) copyCutLine(in);
    for (;;) {
        const char* base = in.buffer.data();
        const void* lf = std::memchr(base + in.scanned, '\n', in.end - in.scanned);
        if (lf) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
            line = std::string_view(base + in.begin, beforeCR(base, in.begin, at) - in.begin);
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
            // comes.
            const std::size_t headEnd = beforeCR(base, 0, in.end);
            line = std::string_view(base, headEnd);
            in.begin = in.scanned = headEnd;
            in.lineCut = true;
            return true;
        }
        readMore(in);
    }
}

std::string inputChange(const InputFile& in)
{
    FileIdentity now;
    if (const SystemError error = in.platform->identityOfFile(in.file, now))
        return "its state cannot be read: " + error.text;
    if (!(now == in.identity)) return "it was written to";
    FileIdentity underName;
    if (!in.platform->fileExists(in.name)) return std::string(INPUT_VANISHED);
    if (const SystemError error = in.platform->identityOfName(in.name, underName))
        return "its state cannot be read: " + error.text;
    if (!(underName == in.identity)) return "another file took its name";
    return {};
}

void closeInput(InputFile& in)
{
    // Nothing was written to the input; a failing close loses nothing.
    if (in.file != NO_FILE) static_cast<void>(in.platform->closeFile(in.file));
    in.file = NO_FILE;
}

OutputFile::~OutputFile()
{
    if (file != NO_FILE) static_cast<void>(platform->closeFile(file));
    if (!placed && !name.empty()) static_cast<void>(platform->deleteFile(name));
}

SystemError createProcessingFile(OutputFile& out, const Platform& platform, const std::string& beside,
                                 const FileAttributes& attributes)
{
    out.platform = &platform;
    return retryingTransient(platform,
                             [&] { return platform.createPrivateFile(beside, attributes, out.file, out.name); });
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
    if (const SystemError error = out.platform->writeAll(out.file, bytes)) outputFailed(out, error.text);
}

// Only a file that is on the disk may stand for the input.
void finishOutput(OutputFile& out)
{
    if (const SystemError error = out.platform->syncFile(out.file)) outputFailed(out, error.text);
}

namespace {

SystemError replaceRetrying(const Platform& platform, const std::string& from, const std::string& to)
{
    return retryingTransient(platform, [&] { return platform.replaceFile(from, to); });
}

// The file has its name: the lock on it is no longer needed. Its bytes are
// on the disk since finishOutput, so a failing close loses nothing.
void placedAs(OutputFile& out, const std::string& as)
{
    out.name = as;
    out.placed = true;
    static_cast<void>(out.platform->closeFile(out.file));
    out.file = NO_FILE;
}

} // namespace

SystemError placeOutput(OutputFile& out, const std::string& as)
{
    if (SystemError error = replaceRetrying(*out.platform, out.name, as)) return error;
    placedAs(out, as);
    return {};
}

SystemError placeOutputUnderNewName(OutputFile& out, const std::string& near)
{
    constexpr int NEW_NAMES = 9;
    SystemError error;
    for (int n = 1; n <= NEW_NAMES; ++n) {
        const std::string as = concat(near, "-", n);
        bool taken = false;
        error = out.platform->moveToNewName(out.name, as, taken);
        if (!error) {
            placedAs(out, as);
            return {};
        }
        if (!taken) return error;
    }
    return error;
}

namespace {

// The input's bytes into a new private file, flushed; for file systems
// without hard links.
SystemError copyInput(InputFile& in, OutputFile& copy)
{
    const Platform& platform = *in.platform;
    if (SystemError error = createProcessingFile(copy, platform, in.name, in.attributes)) return error;
    if (SystemError error = platform.rewind(in.file)) return error;
    std::vector<char> chunk(READ_CHUNK);
    for (;;) {
        std::size_t got = 0;
        if (SystemError error = platform.readSome(in.file, chunk.data(), chunk.size(), got)) return error;
        if (got == 0) break;
        if (SystemError error = platform.writeAll(copy.file, std::string_view(chunk.data(), got))) return error;
    }
    return platform.syncFile(copy.file);
}

} // namespace

SystemError keepInputAs(InputFile& in, const std::string& as)
{
    const Platform& platform = *in.platform;
    std::string secondName;
    if (platform.linkPrivately(in.name, secondName)) {
        OutputFile copy;
        if (SystemError error = copyInput(in, copy)) return error;
        return placeOutput(copy, as);
    }
    if (SystemError error = replaceRetrying(platform, secondName, as)) {
        static_cast<void>(platform.deleteFile(secondName));
        return error;
    }
    return {};
}

int removeLeftovers(const Platform& platform, const std::string& beside)
{
    std::vector<std::string> names;
    if (platform.privateFilesBeside(beside, names)) return 0;
    return static_cast<int>(std::count_if(names.begin(), names.end(), platform.removeLeftover));
}

} // namespace vorlane
