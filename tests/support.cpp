// Test support implementation.
#include "support.hpp"

#include "state/line_loop.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlane::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vorlane-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string readFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& name, std::string_view bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& name) { return std::filesystem::exists(std::filesystem::symlink_status(name)); }

RunResult runVorlane(const std::vector<std::string>& arguments, std::string_view input, const std::string& cwd,
                     const std::vector<std::pair<std::string, std::string>>& environment)
{
    TempDir io;
    const std::string inPath = io.file("stdin"), outPath = io.file("stdout"), errPath = io.file("stderr");
    writeFile(inPath, input);
    std::vector<std::string> argv{VORLANE_EXE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        const int in = open(inPath.c_str(), O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        for (const auto& [name, value] : environment)
            setenv(name.c_str(), value.c_str(), 1);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    RunResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
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
    char* consoleText = nullptr;
    std::size_t consoleSize = 0;
    Console console;
    console.out = open_memstream(&consoleText, &consoleSize);
    console.in = std::fopen("/dev/null", "r");
    {
        LineLoop loop{{}, out, console, debug, {}, {}};
        std::size_t begin = 0;
        while (begin < gcode.size()) {
            std::size_t end = gcode.find('\n', begin);
            if (end == std::string_view::npos) end = gcode.size();
            std::string_view line = gcode.substr(begin, end - begin);
            if (!line.empty() && line.back() == '\r' && end < gcode.size()) line.remove_suffix(1);
            processLine(loop, line);
            begin = end + 1;
        }
        drainOut(out);
    }
    std::fclose(console.out);
    std::fclose(console.in);
    result.console.assign(consoleText, consoleSize);
    std::free(consoleText);
    return result;
}

std::string processWithExecutable(std::string_view gcode, RunResult* run)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, gcode);
    const RunResult result = runVorlane({"--debug", input});
    if (run) *run = result;
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readFile(input), gcode) << "a debug run leaves the input as it was";
    std::string output = readFile(input + "d");
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

std::string lines(std::initializer_list<std::string_view> text)
{
    std::string joined;
    for (const std::string_view line : text) {
        joined += line;
        joined += '\n';
    }
    return joined;
}

std::vector<std::string> realGcodeFiles()
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(VORLANE_REAL_GCODE, error))
        if (entry.path().extension() == ".gcode") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace vorlane::test
