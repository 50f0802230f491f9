// Test support implementation.
#include "support.hpp"

#include "pass/line_loop.hpp"
#include "testing/gcode_files.hpp"
#include "watch/watchers.hpp"

#include <gtest/gtest.h>

#include "run/platform.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vorlane::test {

namespace {

// Names are UTF-8 throughout the tests, as in the program.
std::filesystem::path pathOf(const std::string& name)
{
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

} // namespace

TempDir::TempDir()
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("vorlane-test-" + std::to_string(random() % 1000000000));
        if (std::filesystem::create_directory(candidate)) {
            path = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(pathOf(path), ignored);
}

std::string readFile(const std::string& name)
{
    std::ifstream in(pathOf(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& name, std::string_view bytes)
{
    std::ofstream out(pathOf(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& name) { return std::filesystem::exists(std::filesystem::symlink_status(pathOf(name))); }

std::string fromPlatformText(std::string_view text)
{
    if (PLATFORM_LINE_END == "\n") return std::string(text);
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "a line end without its CR at byte " << i;
            if (!plain.empty() && plain.back() == '\r') plain.pop_back();
        }
        plain += text[i];
    }
    return plain;
}

std::string readOutput(const std::string& name) { return fromPlatformText(readFile(name)); }

namespace {

// The executable's command line: its path, then the arguments.
std::vector<std::string> commandWith(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{VORLANE_EXE};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

} // namespace

using Environment = std::vector<std::pair<std::string, std::string>>;

// Where a started program's standard input, output and error go: file names.
struct Redirection {
    std::string in, out, err;
};

// Starts the executable with these arguments; the platform's way.
Background startProcess(const std::vector<std::string>& arguments, const Redirection& io, const std::string& cwd,
                        const Environment& environment);
// Waits for it; its exit status as a POSIX shell sees it (1000 when a signal ended it).
int waitForExit(Background& run);

#ifdef _WIN32

namespace {

std::wstring wide(const std::string& text)
{
    const std::filesystem::path path = pathOf(text);
    return path.wstring();
}

HANDLE inheritable(const std::string& name, bool forWriting)
{
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    return CreateFileW(wide(name).c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &security, forWriting ? CREATE_ALWAYS : OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// This process's environment with some variables set, as CreateProcessW takes it.
std::wstring environmentWith(const std::vector<std::pair<std::string, std::string>>& changes)
{
    std::vector<std::wstring> variables;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1)
        variables.emplace_back(entry);
    FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes) {
        const std::wstring key = wide(name) + L"=";
        std::erase_if(variables,
                      [&](const std::wstring& v) { return _wcsnicmp(v.c_str(), key.c_str(), key.size()) == 0; });
        variables.push_back(key + wide(value));
    }
    std::wstring result;
    for (const std::wstring& v : variables)
        result += v + L'\0';
    return result + L'\0';
}

} // namespace

std::string systemErrorText(int, unsigned long windowsError)
{
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, windowsError, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const std::u8string utf8 = std::filesystem::path(std::wstring(text, length)).u8string();
    LocalFree(text);
    std::string message(utf8.begin(), utf8.end());
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

Background startProcess(const std::vector<std::string>& arguments, const Redirection& io, const std::string& cwd,
                        const Environment& environment)
{
    std::wstring commandLine = wide(windowsCommandLine(commandWith(arguments)));
    std::wstring variables = environmentWith(environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable(io.in, false);
    startup.hStdOutput = inheritable(io.out, true);
    startup.hStdError = inheritable(io.err, true);
    PROCESS_INFORMATION child{};
    const std::wstring folder = cwd.empty() ? std::wstring() : wide(cwd);
    // Wine now and then fails to start a process with an internal error
    // when the machine is busy (both cores building and testing); a moment
    // later it starts. No other failure is tried again.
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt > 0) Sleep(100);
        started = CreateProcessW(wide(VORLANE_EXE).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                 CREATE_UNICODE_ENVIRONMENT, variables.data(),
                                 folder.empty() ? nullptr : folder.c_str(), &startup, &child);
        if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
    }
    const DWORD error = started ? 0 : GetLastError();
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (!started) {
        ADD_FAILURE() << "cannot start " << VORLANE_EXE << ": error " << error;
        return {};
    }
    CloseHandle(child.hThread);
    return {reinterpret_cast<std::intptr_t>(child.hProcess)};
}

int waitForExit(Background& run)
{
    const HANDLE process = reinterpret_cast<HANDLE>(run.process);
    if (!process) return 1000;
    WaitForSingleObject(process, INFINITE);
    DWORD exitCode = 1000;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    run.process = 0;
    // As a POSIX shell would see it: -1 reads 255.
    return static_cast<int>(exitCode & 0xFF);
}

Ended killAndWait(Background& run)
{
    const HANDLE process = reinterpret_cast<HANDLE>(run.process);
    constexpr UINT killedCode = 0xDEAD;
    const bool terminated = TerminateProcess(process, killedCode);
    WaitForSingleObject(process, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    run.process = 0;
    return {terminated && exitCode == killedCode, static_cast<int>(exitCode & 0xFF)};
}

#else

std::string systemErrorText(int posixError, unsigned long) { return std::strerror(posixError); }

Background startProcess(const std::vector<std::string>& arguments, const Redirection& io, const std::string& cwd,
                        const Environment& environment)
{
    std::vector<std::string> argv = commandWith(arguments);
    std::vector<char*> pointers;
    for (std::string& a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(open(io.in.c_str(), O_RDONLY), 0);
        dup2(open(io.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(io.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        for (const auto& [name, value] : environment)
            setenv(name.c_str(), value.c_str(), 1);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    EXPECT_GT(child, 0) << "fork failed";
    return {child};
}

int waitForExit(Background& run)
{
    int status = 0;
    waitpid(static_cast<pid_t>(run.process), &status, 0);
    run.process = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
}

Ended killAndWait(Background& run)
{
    const auto child = static_cast<pid_t>(run.process);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    run.process = 0;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return {true, 0};
    return {false, WIFEXITED(status) ? WEXITSTATUS(status) : 1000};
}

#endif

RunResult runVorlane(const std::vector<std::string>& arguments, std::string_view input, const std::string& cwd,
                     const Environment& environment)
{
    TempDir io;
    const Redirection files{io.file("stdin"), io.file("stdout"), io.file("stderr")};
    writeFile(files.in, input);
    Background run = startProcess(arguments, files, cwd, environment);
    RunResult result;
    result.status = waitForExit(run);
    result.out = fromPlatformText(readFile(files.out));
    result.err = fromPlatformText(readFile(files.err));
    const std::string start = "Vorlane v0024: ";
    const std::size_t at = result.out.starts_with(start) ? 0 : result.out.find("\n" + start);
    if (at != std::string::npos) {
        const std::size_t begin = at == 0 ? 0 : at + 1;
        const std::size_t end = result.out.find('\n', begin);
        result.summary = result.out.substr(begin, end - begin);
        result.out.replace(begin, end - begin, SUMMARY_MARK);
        const std::size_t seconds = result.summary.rfind(" lines in ");
        if (seconds != std::string::npos) result.summary.replace(seconds + 10, std::string::npos, "<t> s");
    }
    return result;
}

Background startVorlane(const std::vector<std::string>& arguments)
{
    return startProcess(arguments, {NULL_DEVICE, NULL_DEVICE, NULL_DEVICE}, {}, {});
}

NullConsole::~NullConsole()
{
    std::fclose(console.out);
    std::fclose(console.err);
    std::fclose(console.in);
}

OutBuffer outBufferInto(std::string& text)
{
    OutBuffer out;
    out.drain = [](void* destination, std::string_view bytes) {
        static_cast<std::string*>(destination)->append(bytes);
    };
    out.destination = &text;
    return out;
}

LoopResult runLoop(std::string_view gcode, bool debug)
{
    LoopResult result;
    OutBuffer out = outBufferInto(result.output);
    Console console;
    console.out = std::tmpfile();
    console.in = std::fopen(NULL_DEVICE, "r");
    {
        LineLoop loop{out, console};
        RunWatchers watchers;
        listen(loop, watchers, debug, false);
        std::size_t begin = 0;
        while (begin < gcode.size()) {
            std::size_t end = gcode.find('\n', begin);
            if (end == std::string_view::npos) end = gcode.size();
            std::string_view line = gcode.substr(begin, end - begin);
            if (!line.empty() && line.back() == '\r' && end < gcode.size()) line.remove_suffix(1);
            processLine(loop, line);
            begin = end + 1;
        }
        tellHeldDraws(loop);
        drainOut(out);
    }
    std::rewind(console.out);
    for (int c = std::fgetc(console.out); c != EOF; c = std::fgetc(console.out))
        result.console += static_cast<char>(c);
    std::fclose(console.out);
    std::fclose(console.in);
    return result;
}

std::string processWithExecutable(std::string_view gcode, RunResult* run, const std::vector<std::string>& options)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, gcode);
    std::vector<std::string> arguments = options;
    arguments.insert(arguments.end(), {"--debug", input});
    const RunResult result = runVorlane(arguments);
    if (run) *run = result;
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readFile(input), gcode) << "a debug run leaves the input as it was";
    std::string output = readOutput(input + "d");
    const std::string header = "; Vorlane v0024\n";
    EXPECT_TRUE(output.starts_with(header)) << "the output starts with the header line";
    output.erase(0, header.size());
    for (const std::string_view timing : {"; D   Postproc took ", "; Lua Postproc took "}) {
        const std::size_t last = output.rfind('\n', output.size() - 2);
        const std::size_t begin = last == std::string::npos ? 0 : last + 1;
        EXPECT_TRUE(std::string_view(output).substr(begin).starts_with(timing)) << "timing line " << timing;
        output.erase(begin);
    }
    return output;
}

std::vector<std::string> splitAtLineFeeds(std::string_view text)
{
    std::vector<std::string> result;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        result.emplace_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return result;
}

std::string lines(std::initializer_list<std::string_view> text)
{
    std::string joined;
    for (const std::string_view line : text) {
        joined += line;
        joined += '\n';
    }
    return joined;
}

std::string nothingRewritten(int fanRestores)
{
    return "; Vorlane summary: lifted=0 interface=0 interface_split=0 infill=0 infill_split=0 fan_restores=" +
           std::to_string(fanRestores) + " bed=unchanged\n";
}

std::vector<std::string> realGcodeFiles() { return gcodeFilesIn(VORLANE_REAL_GCODE); }

std::vector<std::string> otherSlicerFiles() { return gcodeFilesIn(VORLANE_OTHER_SLICERS); }

std::vector<std::string> moreSlicerFiles() { return moreSlicerFilesIn(VORLANE_MORE_SLICERS); }

std::vector<std::string> fixtureOptions(std::string_view gcode)
{
    const std::string_view first = gcode.substr(0, gcode.find('\n'));
    const std::size_t open = first.rfind(" [--");
    std::vector<std::string> options;
    if (open == std::string_view::npos || !first.ends_with(']')) return options;
    std::string_view named = first.substr(open + 2);
    named = named.substr(0, std::min(named.find(':'), named.find(']')));
    while (!named.empty()) {
        const std::size_t space = named.find(' ');
        options.emplace_back(named.substr(0, space));
        named.remove_prefix(space == std::string_view::npos ? named.size() : space + 1);
    }
    return options;
}

} // namespace vorlane::test
