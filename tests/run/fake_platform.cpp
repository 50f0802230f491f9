// The fake platform: each call counts, then fails or goes to the system.
#include "run/fake_platform.hpp"

#include "run/run.hpp"
#include "support.hpp"

#include <chrono>
#include <cstdio>
#include <thread>

namespace vorlane::test {

FakePlatformState fakeState;

namespace {

const Platform& real() { return systemPlatform(); }

bool fails(const char* call)
{
    if (!fakeState.failFirst.empty() && fakeState.failFirst == call) {
        fakeState.failFirst.clear();
        fakeState.failed = call;
        return true;
    }
    if (fakeState.failAt == 0 || ++fakeState.calls != fakeState.failAt) return false;
    fakeState.failed = call;
    return true;
}

SystemError injected() { return {INJECTED_FAULT_TEXT}; }

bool held(const char* call)
{
    if (fakeState.held != call || fakeState.heldCalls == 0) return false;
    if (fakeState.heldCalls > 0) --fakeState.heldCalls;
    return true;
}

SystemError heldForAMoment() { return {INJECTED_FAULT_TEXT, true}; }

SystemError openInput(const std::string& name, OpenedInput& input)
{
    if (held("open")) {
        if (!fakeState.heldByAnotherRun) return heldForAMoment();
        input.busy = true;
        return {};
    }
    return fails("open") ? injected() : real().openInput(name, input);
}
SystemError readSome(NativeFile file, char* into, std::size_t size, std::size_t& got)
{
    return fails("read") ? injected() : real().readSome(file, into, size, got);
}
SystemError rewindFile(NativeFile file) { return fails("rewind") ? injected() : real().rewind(file); }
SystemError identityOfFile(NativeFile file, FileIdentity& identity)
{
    return fails("identity") ? injected() : real().identityOfFile(file, identity);
}
SystemError identityOfName(const std::string& name, FileIdentity& identity)
{
    if (fails("identity")) return injected();
    SystemError error = real().identityOfName(name, identity);
    if (fakeState.inputReplaced) ++identity.file;
    return error;
}
SystemError createPrivateFile(const std::string& beside, const FileAttributes& attributes, NativeFile& file,
                              std::string& name)
{
    if (held("create")) return heldForAMoment();
    return fails("create") ? injected() : real().createPrivateFile(beside, attributes, file, name);
}
SystemError writeAll(NativeFile file, std::string_view bytes)
{
    while (fakeState.holdWrites) {
        fakeState.writeWaiting = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    fakeState.writeWaiting = false;
    return fails("write") ? injected() : real().writeAll(file, bytes);
}
SystemError syncFile(NativeFile file) { return fails("sync") ? injected() : real().syncFile(file); }
SystemError closeFile(NativeFile file)
{
    // A failing close still releases the file, as the system's does.
    SystemError error = real().closeFile(file);
    return fails("close") ? injected() : error;
}
SystemError replaceFile(const std::string& from, const std::string& to)
{
    if (held("replace")) return heldForAMoment();
    return fails("replace") ? injected() : real().replaceFile(from, to);
}
SystemError moveToNewName(const std::string& from, const std::string& to, bool& taken)
{
    return fails("move") ? injected() : real().moveToNewName(from, to, taken);
}
SystemError linkPrivately(const std::string& existing, std::string& link)
{
    return fails("link") ? injected() : real().linkPrivately(existing, link);
}
SystemError deleteFile(const std::string& name) { return fails("delete") ? injected() : real().deleteFile(name); }
bool fileExists(const std::string& name) { return !fails("exists") && real().fileExists(name); }
SystemError privateFilesBeside(const std::string& beside, std::vector<std::string>& names)
{
    return fails("list") ? injected() : real().privateFilesBeside(beside, names);
}
bool removeLeftover(const std::string& name) { return !fails("remove") && real().removeLeftover(name); }
int runProgram(const std::vector<std::string>& arguments) { return real().runProgram(arguments); }
void sleepFor(std::chrono::milliseconds duration) { fakeState.waits.push_back(duration); }

std::string textOf(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

} // namespace

const Platform& fakePlatform()
{
    static const bool closeInputFirst = real().closeInputBeforeReplacing;
    static const Platform platform{
        openInput,          readSome,       rewindFile,  identityOfFile, identityOfName,  createPrivateFile, writeAll,
        syncFile,           closeFile,      replaceFile, moveToNewName,  linkPrivately,   deleteFile,        fileExists,
        privateFilesBeside, removeLeftover, runProgram,  sleepFor,       closeInputFirst,
    };
    return platform;
}

InProcessRun runInProcess(const std::vector<std::string>& arguments, const Platform& platform)
{
    Console console{std::tmpfile(), std::tmpfile(), std::fopen(NULL_DEVICE, "r")};
    std::vector<std::string> argv{"vorlane"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    InProcessRun run;
    run.status = runVorlane(argv, console, platform);
    run.out = textOf(console.out);
    run.err = textOf(console.err);
    std::fclose(console.in);
    return run;
}

} // namespace vorlane::test
