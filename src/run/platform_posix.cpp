// POSIX implementation of the platform calls.
#include "run/platform.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vorlane {

namespace {

SystemError systemError(int error = errno) { return {std::strerror(error)}; }

SystemError notRegular(mode_t mode)
{
    if (S_ISDIR(mode)) return systemError(EISDIR);
    const char* kind = S_ISFIFO(mode)   ? "a FIFO"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "something";
    return {std::string("it is ") + kind + ", not a regular file"};
}

FileIdentity identityOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

SystemError openInput(const std::string& name, OpenedInput& input)
{
    // A FIFO would block the open and a device may act on it: look first.
    struct stat info;
    if (stat(name.c_str(), &info) != 0) return systemError();
    if (!S_ISREG(info.st_mode)) return notRegular(info.st_mode);
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return systemError();
    // The name may stand for something else since it was looked at.
    if (fstat(fd, &info) != 0) {
        const SystemError error = systemError();
        close(fd);
        return error;
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        return notRegular(info.st_mode);
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        close(fd);
        input.busy = true;
        return {};
    }
    // Where the file system has no locks, the identity check before the
    // replacement still guards the file.
    const int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    input.file = fd;
    input.identity = identityOf(info);
    input.attributes = {static_cast<unsigned>(info.st_mode & 07777), static_cast<long long>(info.st_uid),
                        static_cast<long long>(info.st_gid)};
    return {};
}

SystemError readSome(NativeFile file, char* into, std::size_t size, std::size_t& got)
{
    for (;;) {
        const ssize_t n = read(static_cast<int>(file), into, size);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return {};
        }
        if (errno != EINTR) return systemError();
    }
}

SystemError rewindFile(NativeFile file)
{
    return lseek(static_cast<int>(file), 0, SEEK_SET) == 0 ? SystemError{} : systemError();
}

SystemError identityOfFile(NativeFile file, FileIdentity& identity)
{
    struct stat info;
    if (fstat(static_cast<int>(file), &info) != 0) return systemError();
    identity = identityOf(info);
    return {};
}

SystemError identityOfName(const std::string& name, FileIdentity& identity)
{
    struct stat info;
    if (stat(name.c_str(), &info) != 0) return systemError();
    identity = identityOf(info);
    return {};
}

SystemError createPrivateFile(const std::string& beside, const FileAttributes& attributes, NativeFile& file,
                              std::string& name)
{
    for (int attempt = 0; attempt < PRIVATE_NAME_ATTEMPTS; ++attempt) {
        const std::string candidate = privateFileName(beside, static_cast<std::uint64_t>(getpid()));
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return systemError();
        }
        // Held until the file is renamed or removed, so that no other run
        // takes it for a leftover. Nobody else can hold a file just created;
        // where the file system has no locks, its fresh age guards it.
        static_cast<void>(flock(fd, LOCK_EX | LOCK_NB));
        // The owner first: a change of owner clears set-id bits the mode
        // then restores. Only a privileged run may give the file away; the
        // group alone may still be the input's. A user outside the input's
        // group keeps their own, as for any file they save anew.
        if (attributes.owner >= 0 &&
            fchown(fd, static_cast<uid_t>(attributes.owner), static_cast<gid_t>(attributes.group)) != 0)
            static_cast<void>(fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(attributes.group)));
        if (fchmod(fd, attributes.permissions) != 0) {
            const SystemError error = systemError();
            close(fd);
            unlink(candidate.c_str());
            return error;
        }
        file = fd;
        name = candidate;
        return {};
    }
    return {"every name tried for the processing file is taken"};
}

SystemError writeAll(NativeFile file, std::string_view bytes)
{
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

SystemError syncFile(NativeFile file) { return fsync(static_cast<int>(file)) == 0 ? SystemError{} : systemError(); }

SystemError closeFile(NativeFile file)
{
    // A failing close still releases the file, as the system's does.
    return close(static_cast<int>(file)) == 0 ? SystemError{} : systemError();
}

// A folder name the system opens: "." for none.
std::string folderToOpen(std::string_view name)
{
    const std::string_view folder = folderOf(name);
    return folder.empty() ? "." : std::string(folder);
}

// Makes a completed move durable: flushes the folder that holds `name`. A
// folder that cannot be opened or synced (some file systems cannot) is not
// reported: the move has happened and stands, and only a power cut in the
// next seconds could undo it, which no message would mend.
void syncFolderOf(const std::string& name)
{
    const int fd = open(folderToOpen(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    static_cast<void>(fsync(fd));
    close(fd);
}

SystemError replaceFile(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0) return systemError();
    syncFolderOf(to);
    return {};
}

SystemError moveToNewName(const std::string& from, const std::string& to, bool& taken)
{
    int moved = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    // A file system that cannot refuse a taken name in a rename (some network
    // ones) still refuses it for a link.
    if (moved != 0 && errno == EINVAL) {
        moved = link(from.c_str(), to.c_str());
        // Should the private name stay too, a later run removes it as a
        // leftover; the result keeps its new name.
        if (moved == 0) static_cast<void>(unlink(from.c_str()));
    }
    if (moved != 0) {
        taken = errno == EEXIST;
        return systemError();
    }
    syncFolderOf(to);
    return {};
}

SystemError linkPrivately(const std::string& existing, std::string& name)
{
    for (int attempt = 0; attempt < PRIVATE_NAME_ATTEMPTS; ++attempt) {
        const std::string candidate = privateFileName(existing, static_cast<std::uint64_t>(getpid()));
        if (link(existing.c_str(), candidate.c_str()) == 0) {
            name = candidate;
            return {};
        }
        if (errno != EEXIST) return systemError();
    }
    return {"every name tried for a second name of the file is taken"};
}

SystemError deleteFile(const std::string& name) { return unlink(name.c_str()) == 0 ? SystemError{} : systemError(); }

bool fileExists(const std::string& name)
{
    struct stat info;
    return stat(name.c_str(), &info) == 0;
}

SystemError privateFilesBeside(const std::string& beside, std::vector<std::string>& names)
{
    DIR* folder = opendir(folderToOpen(beside).c_str());
    if (!folder) return systemError();
    while (const dirent* entry = readdir(folder))
        if (isPrivateFileName(entry->d_name)) names.push_back(std::string(folderOf(beside)) + entry->d_name);
    closedir(folder);
    return {};
}

bool looksLeftOver(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
           info.st_mtime < std::time(nullptr) - LEFTOVER_AGE.count();
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool removeLeftover(const std::string& name)
{
    // Looked at before it is opened, so that a FIFO or a device is never
    // opened and a link never followed.
    struct stat named;
    if (lstat(name.c_str(), &named) != 0 || !looksLeftOver(named)) return false;
    const int fd = open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    // The name may stand for another file since it was looked at; only the
    // one opened and locked here goes, and only while no run holds it.
    struct stat opened, now;
    const bool removed = fstat(fd, &opened) == 0 && looksLeftOver(opened) && sameFile(opened, named) &&
                         flock(fd, LOCK_EX | LOCK_NB) == 0 && lstat(name.c_str(), &now) == 0 && sameFile(now, opened) &&
                         unlink(name.c_str()) == 0;
    close(fd);
    return removed;
}

int runProgram(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // The program ignores SIGPIPE for itself; the child starts as usual.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t child;
    const int failure = posix_spawnp(&child, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (failure != 0) throw std::runtime_error("could not start \"" + arguments[0] + "\": " + std::strerror(failure));
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("could not wait for \"" + arguments[0] + "\": " + std::strerror(errno));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

void sleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

constexpr Platform posixPlatform{
    openInput,          readSome,       rewindFile,  identityOfFile, identityOfName, createPrivateFile, writeAll,
    syncFile,           closeFile,      replaceFile, moveToNewName,  linkPrivately,  deleteFile,        fileExists,
    privateFilesBeside, removeLeftover, runProgram,  sleepFor,       false,
};

} // namespace

const Platform& systemPlatform() { return posixPlatform; }

std::vector<std::string> programArguments(int argc, char** argv) { return {argv, argv + argc}; }

void prepareProcess()
{
    // Descriptors are handed out lowest first, so each closed one of 0, 1
    // and 2 is taken here, in order, by the null device.
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) break;
    }
    // A console or pipe that went away makes writes to it fail, which the
    // console text ignores; the run goes on.
    std::signal(SIGPIPE, SIG_IGN);
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

} // namespace vorlane
