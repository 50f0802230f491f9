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
    struct stat info;
    return stat(name.c_str(), &info) == 0;
}

std::string deleteFile(const std::string& name)
{
    return unlink(name.c_str()) == 0 ? std::string() : std::strerror(errno);
}

std::string moveFile(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::string() : std::strerror(errno);
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
