// Chunked reading with memchr and unbuffered writes of large pieces.
#include "run/files.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane {

namespace {

constexpr std::size_t READ_CHUNK = std::size_t{1} << 20;

[[noreturn]] void outputFailed(const OutputFile& out, int error)
{
    throw OutputError("Could not write file '" + out.name + "' due to error: " + std::strerror(error));
}

} // namespace

InputFile::~InputFile() { closeInput(*this); }

std::string openInput(InputFile& in, const std::string& name)
{
    in.name = name;
    in.fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) return std::strerror(errno);
    struct stat info;
    if (fstat(in.fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        closeInput(in);
        return std::strerror(error);
    }
    in.permissions = info.st_mode & 07777;
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
        const ssize_t got = read(in.fd, in.buffer.data() + in.end, in.buffer.size() - in.end);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("Could not read file '" + in.name + "' due to error: " + std::strerror(errno));
        }
        if (got == 0) in.atEnd = true;
        in.end += static_cast<std::size_t>(got);
    }
}

void closeInput(InputFile& in)
{
    if (in.fd >= 0) close(in.fd);
    in.fd = -1;
}

OutputFile::~OutputFile()
{
    if (fd >= 0) close(fd);
}

std::string createOutput(OutputFile& out, const std::string& name, unsigned permissions)
{
    out.name = name;
    out.fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out.fd < 0) return std::strerror(errno);
    struct stat info;
    if (fstat(out.fd, &info) == 0 && S_ISREG(info.st_mode)) fchmod(out.fd, permissions);
    return {};
}

void drainToFile(void* outputFile, std::string_view bytes)
{
    const auto& out = *static_cast<const OutputFile*>(outputFile);
    while (!bytes.empty()) {
        const ssize_t written = write(out.fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            outputFailed(out, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void finishOutput(OutputFile& out)
{
    // Only a result that is on the disk may replace the input. Devices and
    // pipes that cannot sync say EINVAL; there is nothing to wait for then.
    if (fsync(out.fd) != 0 && errno != EINVAL && errno != EROFS) outputFailed(out, errno);
    const int fd = out.fd;
    out.fd = -1;
    if (close(fd) != 0) outputFailed(out, errno);
}

} // namespace vorlane
