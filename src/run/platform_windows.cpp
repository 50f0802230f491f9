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

void prepareConsole()
{
    // The console may be the user's own window: give back its code page at exit.
    consoleCodePageBefore = GetConsoleOutputCP();
    if (consoleCodePageBefore == 0 || consoleCodePageBefore == CP_UTF8) return;
    SetConsoleOutputCP(CP_UTF8);
    std::atexit([] { SetConsoleOutputCP(consoleCodePageBefore); });
}

std::string openForReading(const std::string& name, NativeFile& file, unsigned& permissions)
{
    if (injectedFault("open")) return INJECTED_FAULT_TEXT;
    // Others may go on reading, writing or deleting the file meanwhile, as
    // the slicer expects of a file it handed over.
    const HANDLE handle =
        CreateFileW(wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return systemError();
    permissions = 0;
    file = fileOf(handle);
    return {};
}

std::string readSome(NativeFile file, char* into, std::size_t size, std::size_t& got)
{
    if (injectedFault("read")) return INJECTED_FAULT_TEXT;
    DWORD read = 0;
    const DWORD wanted = size > (DWORD{1} << 30) ? DWORD{1} << 30 : static_cast<DWORD>(size);
    if (!ReadFile(handleOf(file), into, wanted, &read, nullptr)) return systemError();
    got = read;
    return {};
}

std::string createForWriting(const std::string& name, unsigned, NativeFile& file)
{
    if (injectedFault("create")) return INJECTED_FAULT_TEXT;
    const HANDLE handle = CreateFileW(wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return systemError();
    file = fileOf(handle);
    return {};
}

std::string writeAll(NativeFile file, std::string_view bytes)
{
    if (injectedFault("write")) return INJECTED_FAULT_TEXT;
    while (!bytes.empty()) {
        const DWORD piece = bytes.size() > (DWORD{1} << 30) ? DWORD{1} << 30 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(handleOf(file), bytes.data(), piece, &written, nullptr)) return systemError();
        bytes.remove_prefix(written);
    }
    return {};
}

std::string syncFile(NativeFile file)
{
    if (injectedFault("sync")) return INJECTED_FAULT_TEXT;
    // Consoles and pipes have nothing to flush.
    if (!FlushFileBuffers(handleOf(file)) && GetFileType(handleOf(file)) == FILE_TYPE_DISK) return systemError();
    return {};
}

std::string closeFile(NativeFile file)
{
    // A failing close still releases the file, as the system's does.
    const bool closed = CloseHandle(handleOf(file));
    if (injectedFault("close")) return INJECTED_FAULT_TEXT;
    return closed ? std::string() : systemError();
}

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

bool fileExists(const std::string& name)
{
    if (injectedFault("exists")) return false;
    return GetFileAttributesW(wide(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string deleteFile(const std::string& name)
{
    if (injectedFault("delete")) return INJECTED_FAULT_TEXT;
    return DeleteFileW(wide(name).c_str()) ? std::string() : systemError();
}

std::string moveFile(const std::string& from, const std::string& to)
{
    if (injectedFault("move")) return INJECTED_FAULT_TEXT;
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), flags) ? std::string() : systemError();
}

// MOVEFILE_WRITE_THROUGH has already made the move durable.
void syncFolderOf(const std::string&) {}

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

} // namespace vorlane
