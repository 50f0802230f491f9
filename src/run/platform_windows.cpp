// Windows implementation of the platform calls. Names are UTF-8 inside the
// program and UTF-16 at every system call, so any name Windows allows works.
#include "run/platform.hpp"

#include <cstdlib>
#include <stdexcept>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace vorlane {

namespace {

std::wstring wide(std::string_view text)
{
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(), units);
    return result;
}

std::string narrow(std::wstring_view text)
{
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

// The system's text for an error code, without its trailing line end.
std::string systemError(DWORD error = GetLastError())
{
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? narrow(std::wstring_view(text, length)) : "error " + std::to_string(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

HANDLE handleOf(NativeFile file) { return reinterpret_cast<HANDLE>(file); }
NativeFile fileOf(HANDLE handle) { return reinterpret_cast<NativeFile>(handle); }

} // namespace

std::vector<std::string> programArguments(int, char**)
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words) throw std::runtime_error("cannot read the command line: " + systemError());
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(narrow(words[i]));
    LocalFree(words);
    return arguments;
}

namespace {
UINT consoleCodePageBefore = 0;
}

// Files are opened as handles, never as C runtime descriptors, so a closed
// standard stream cannot be taken by a file the run opens; writes to it fail
// quietly.
void prepareProcess()
{
    // The console may be the user's own window: give back its code page at exit.
    consoleCodePageBefore = GetConsoleOutputCP();
    if (consoleCodePageBefore == 0 || consoleCodePageBefore == CP_UTF8) return;
    SetConsoleOutputCP(CP_UTF8);
    std::atexit([] { SetConsoleOutputCP(consoleCodePageBefore); });
}

namespace {

SystemError errorOf(DWORD error = GetLastError()) { return {systemError(error)}; }

// A virus scanner or an indexer opens a file the moment it is written or
// closed, often without sharing its deletion, and the slicer may hold its
// file a moment after it starts the run. Windows reports such a hold as a
// sharing violation or, on a file that exists, as access denied; access
// denied on a read-only file or a folder, or where no file stands, lasts.
SystemError failureAt(const std::wstring& name, DWORD error)
{
    SystemError failure = errorOf(error);
    const DWORD attributes = error == ERROR_ACCESS_DENIED ? GetFileAttributesW(name.c_str()) : 0;
    failure.transient =
        error == ERROR_SHARING_VIOLATION || (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
                                             (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0);
    return failure;
}

// An exclusive lock on the whole file, taken at once or not at all.
bool lockWhole(HANDLE handle)
{
    OVERLAPPED whole{};
    return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole);
}

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
            (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
            static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                      info.ftLastWriteTime.dwLowDateTime)};
}

SystemError identityOfFile(NativeFile file, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handleOf(file), &info)) return errorOf();
    identity = identityOf(info);
    return {};
}

SystemError openInput(const std::string& name, OpenedInput& input)
{
    // Others may read the file meanwhile but not write it. Delete sharing
    // lets the run give the file a second name (--noalter); the lock keeps
    // other runs away, and the check before the replacement sees a file
    // that was deleted or renamed meanwhile.
    const std::wstring wideName = wide(name);
    const HANDLE handle = CreateFileW(wideName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return failureAt(wideName, GetLastError());
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return {"it is a device or a pipe, not a regular file"};
    }
    if (!lockWhole(handle)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        if (error == ERROR_LOCK_VIOLATION) {
            input.busy = true;
            return {};
        }
        return errorOf(error);
    }
    FileIdentity identity;
    if (SystemError error = identityOfFile(fileOf(handle), identity)) {
        CloseHandle(handle);
        return error;
    }
    input.file = fileOf(handle);
    input.identity = identity;
    input.attributes = {};
    return {};
}

SystemError readSome(NativeFile file, char* into, std::size_t size, std::size_t& got)
{
    DWORD read = 0;
    const DWORD wanted = size > (DWORD{1} << 30) ? DWORD{1} << 30 : static_cast<DWORD>(size);
    if (!ReadFile(handleOf(file), into, wanted, &read, nullptr)) return errorOf();
    got = read;
    return {};
}

SystemError rewindFile(NativeFile file)
{
    LARGE_INTEGER start{};
    return SetFilePointerEx(handleOf(file), start, nullptr, FILE_BEGIN) ? SystemError{} : errorOf();
}

SystemError identityOfName(const std::string& name, FileIdentity& identity)
{
    // Asks for no access to the contents, so the run's own handle, which
    // shares no writing, does not stand in the way.
    const HANDLE handle =
        CreateFileW(wide(name).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return errorOf();
    const SystemError error = identityOfFile(fileOf(handle), identity);
    CloseHandle(handle);
    return error;
}

bool nameTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

SystemError createPrivateFile(const std::string& beside, const FileAttributes&, NativeFile& file, std::string& name)
{
    for (int attempt = 0; attempt < PRIVATE_NAME_ATTEMPTS; ++attempt) {
        const std::string candidate = privateFileName(beside, GetCurrentProcessId());
        const std::wstring wideCandidate = wide(candidate);
        // Deletion is shared so that the run can move the file while it
        // holds it; the lock keeps other runs from taking it for a leftover.
        const HANDLE handle = CreateFileW(wideCandidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (nameTaken(error)) continue;
            return failureAt(wideCandidate, error);
        }
        // A file system without locks leaves the fresh file's age to guard it.
        static_cast<void>(lockWhole(handle));
        file = fileOf(handle);
        name = candidate;
        return {};
    }
    return {"every name tried for the processing file is taken"};
}

SystemError writeAll(NativeFile file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD piece = bytes.size() > (DWORD{1} << 30) ? DWORD{1} << 30 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(handleOf(file), bytes.data(), piece, &written, nullptr)) return errorOf();
        bytes.remove_prefix(written);
    }
    return {};
}

SystemError syncFile(NativeFile file) { return FlushFileBuffers(handleOf(file)) ? SystemError{} : errorOf(); }

SystemError closeFile(NativeFile file)
{
    // A failing close still releases the file, as the system's does.
    return CloseHandle(handleOf(file)) ? SystemError{} : errorOf();
}

// Write-through makes the move durable before it returns. A read-only file
// at `to` is replaced as on POSIX, where only the folder's rights count.
SystemError replaceFile(const std::string& from, const std::string& to)
{
    const std::wstring source = wide(from), target = wide(to);
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExW(source.c_str(), target.c_str(), flags)) return {};
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != FILE_ATTRIBUTE_READONLY ||
        !SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return failureAt(target, error);
    if (MoveFileExW(source.c_str(), target.c_str(), flags)) return {};
    // Judged while the target is writable, as it was for this try.
    SystemError retried = failureAt(target, GetLastError());
    SetFileAttributesW(target.c_str(), attributes);
    return retried;
}

SystemError moveToNewName(const std::string& from, const std::string& to, bool& taken)
{
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) return {};
    const DWORD error = GetLastError();
    taken = nameTaken(error);
    return errorOf(error);
}

SystemError linkPrivately(const std::string& existing, std::string& name)
{
    for (int attempt = 0; attempt < PRIVATE_NAME_ATTEMPTS; ++attempt) {
        const std::string candidate = privateFileName(existing, GetCurrentProcessId());
        if (CreateHardLinkW(wide(candidate).c_str(), wide(existing).c_str(), nullptr)) {
            name = candidate;
            return {};
        }
        const DWORD error = GetLastError();
        if (!nameTaken(error)) return errorOf(error);
    }
    return {"every name tried for a second name of the file is taken"};
}

SystemError deleteFile(const std::string& name) { return DeleteFileW(wide(name).c_str()) ? SystemError{} : errorOf(); }

bool fileExists(const std::string& name) { return GetFileAttributesW(wide(name).c_str()) != INVALID_FILE_ATTRIBUTES; }

SystemError privateFilesBeside(const std::string& beside, std::vector<std::string>& names)
{
    const std::string folder(folderOf(beside));
    WIN32_FIND_DATAW found;
    const HANDLE search =
        FindFirstFileExW(wide(folder + "*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return errorOf();
    do {
        const std::string name = narrow(found.cFileName);
        if (isPrivateFileName(name)) names.push_back(folder + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return {};
}

std::int64_t ticksOf(const FILETIME& time)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

bool removeLeftover(const std::string& name)
{
    // The link itself, never what it points at. Deletion is asked for at
    // once: another program that holds the file without sharing it refuses
    // the open, and the file stays.
    const HANDLE handle =
        CreateFileW(wide(name).c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    constexpr std::int64_t TICKS_PER_SECOND = 10000000;
    // Deleted through this handle, so only the file looked at here goes,
    // and only while no run holds its lock.
    FILE_DISPOSITION_INFO disposition{TRUE};
    const bool removed = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
                         (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
                         ticksOf(now) - ticksOf(info.ftLastWriteTime) > LEFTOVER_AGE.count() * TICKS_PER_SECOND &&
                         lockWhole(handle) &&
                         SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
    CloseHandle(handle);
    return removed;
}

int runProgram(const std::vector<std::string>& arguments)
{
    std::wstring commandLine = wide(windowsCommandLine(arguments));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // The child writes where this program writes, console or redirection.
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child))
        throw std::runtime_error("could not start \"" + arguments[0] + "\": " + systemError());
    CloseHandle(child.hThread);
    DWORD exitCode = 1;
    const bool waited =
        WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(child.hProcess, &exitCode);
    const DWORD error = GetLastError();
    CloseHandle(child.hProcess);
    if (!waited) throw std::runtime_error("could not wait for \"" + arguments[0] + "\": " + systemError(error));
    return static_cast<int>(exitCode);
}

void sleepFor(std::chrono::milliseconds duration) { Sleep(static_cast<DWORD>(duration.count())); }

constexpr Platform windowsPlatform{
    openInput,          readSome,       rewindFile,  identityOfFile, identityOfName, createPrivateFile, writeAll,
    syncFile,           closeFile,      replaceFile, moveToNewName,  linkPrivately,  deleteFile,        fileExists,
    privateFilesBeside, removeLeftover, runProgram,  sleepFor,       true,
};

} // namespace

const Platform& systemPlatform() { return windowsPlatform; }

std::string platformFileName(std::string_view name)
{
    std::string fullPath;
    if (!isRootedWindowsName(name)) {
        const std::wstring relative = wide(name);
        std::wstring full(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length =
                GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
            if (length == 0) throw std::runtime_error("GetFullPathName failed");
            if (length < full.size()) {
                full.resize(length);
                break;
            }
            full.resize(length);
        }
        fullPath = narrow(full);
    }
    return windowsLongPathForm(name, fullPath);
}

} // namespace vorlane
