// POSIX implementation of the platform calls.
#include "run/platform.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vorlane {

namespace {

std::string systemError(int error = errno) { return std::strerror(error); }

} // namespace

std::vector<std::string> programArguments(int argc, char** argv) { return {argv, argv + argc}; }

void prepareConsole() {}

std::string openForReading(const std::string& name, NativeFile& file, unsigned& permissions)
{
    if (injectedFault("open")) return INJECTED_FAULT_TEXT;
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return systemError();
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        close(fd);
        return systemError(error);
    }
    permissions = info.st_mode & 07777;
    file = fd;
    return {};
}

std::string readSome(NativeFile file, char* into, std::size_t size, std::size_t& got)
{
    if (injectedFault("read")) return INJECTED_FAULT_TEXT;
    for (;;) {
        const ssize_t n = read(static_cast<int>(file), into, size);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return {};
        }
        if (errno != EINTR) return systemError();
    }
}

std::string createForWriting(const std::string& name, unsigned permissions, NativeFile& file)
{
    if (injectedFault("create")) return INJECTED_FAULT_TEXT;
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return systemError();
    // The processing name may point at a device; only a regular file takes
    // the input's mode.
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) fchmod(fd, permissions);
    file = fd;
    return {};
}

std::string writeAll(NativeFile file, std::string_view bytes)
{
    if (injectedFault("write")) return INJECTED_FAULT_TEXT;
    while (!bytes.empty()) {
        const ssize_t written = write(static_cast<int>(file), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return systemError();
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

std::string syncFile(NativeFile file)
{
    if (injectedFault("sync")) return INJECTED_FAULT_TEXT;
    // Devices and pipes that cannot sync say so; there is nothing to wait for.
    if (fsync(static_cast<int>(file)) != 0 && errno != EINVAL && errno != EROFS) return systemError();
    return {};
}

std::string closeFile(NativeFile file)
{
    // A failing close still releases the file, as the system's does.
    const bool closed = close(static_cast<int>(file)) == 0;
    if (injectedFault("close")) return INJECTED_FAULT_TEXT;
    return closed ? std::string() : systemError();
}

std::string platformFileName(std::string_view name)
{
    if (name.starts_with('/')) return std::string(name);
    std::string folder(4096, '\0');
    while (!getcwd(folder.data(), folder.size())) {
        if (errno != ERANGE)
            throw std::runtime_error(std::string("cannot read the working folder: ") + std::strerror(errno));
        folder.resize(folder.size() * 2);
    }
    folder.resize(std::strlen(folder.c_str()));
    if (!folder.ends_with('/')) folder += '/';
    return folder + std::string(name);
}

bool fileExists(const std::string& name)
{
    if (injectedFault("exists")) return false;
    struct stat info;
    return stat(name.c_str(), &info) == 0;
}

std::string deleteFile(const std::string& name)
{
    if (injectedFault("delete")) return INJECTED_FAULT_TEXT;
    return unlink(name.c_str()) == 0 ? std::string() : systemError();
}

std::string moveFile(const std::string& from, const std::string& to)
{
    if (injectedFault("move")) return INJECTED_FAULT_TEXT;
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::string() : systemError();
}

void syncFolderOf(const std::string& name)
{
    const std::size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

int runProgram(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child;
    const int failure = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
    if (failure != 0) throw std::runtime_error("could not start \"" + arguments[0] + "\": " + std::strerror(failure));
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("could not wait for \"" + arguments[0] + "\": " + std::strerror(errno));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

} // namespace vorlane
