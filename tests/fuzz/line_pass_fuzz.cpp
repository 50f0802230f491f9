// A coverage-guided fuzzer (libFuzzer) over the whole line pass. The bytes are
// a G-code file: split into lines as the program reads its input, handed one
// by one to the line loop, the output drained into memory. A first byte 0x01
// asks for debug mode (and is no part of the file).
//
// A finding is anything but a clean pass or a line refused on purpose: a
// crash, a sanitizer report, an uncaught exception, an error that ends the
// run without being one of the program's refusals, or an output that the
// output checker rejects.
#include "testing/counted_run.hpp"
#include "testing/output_checker.hpp"

#include "gcode/console.hpp"
#include "gcode/out_buffer.hpp"
#include "gcode/refusal.hpp"
#include "pass/line_loop.hpp"
#include "watch/watchers.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr char DEBUG_MODE_MARK = '\x01';

[[noreturn]] void finding(const std::string& what)
{
    std::fprintf(stderr, "\n==== line pass finding ====\n%s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

// Console text goes nowhere; a wait for Enter reads the end of input at once.
vorlane::Console& quietConsole()
{
    static vorlane::Console console = [] {
        vorlane::Console c;
        c.out = std::fopen("/dev/null", "w");
        c.err = std::fopen("/dev/null", "w");
        c.in = std::fopen("/dev/null", "r");
        if (!c.out || !c.err || !c.in) finding("cannot open /dev/null");
        return c;
    }();
    return console;
}

// As the program reads its input: lines end at LF, a CR right before the LF
// is no part of the line, and a last line without LF is a line.
template <typename Handle> void forEachLine(std::string_view text, Handle handle)
{
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t lf = text.find('\n', begin);
        if (lf == std::string_view::npos) {
            handle(text.substr(begin));
            return;
        }
        std::size_t end = lf;
        if (end > begin && text[end - 1] == '\r') --end;
        handle(text.substr(begin, end - begin));
        begin = lf + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view gcode(reinterpret_cast<const char*>(data), size);
    const bool debug = !gcode.empty() && gcode.front() == DEBUG_MODE_MARK;
    if (debug) gcode.remove_prefix(1);

    std::string output;
    vorlane::OutBuffer out;
    out.drain = [](void* destination, std::string_view bytes) {
        static_cast<std::string*>(destination)->append(bytes);
    };
    out.destination = &output;
    vorlane::LineLoop loop{out, quietConsole()};
    vorlane::RunWatchers watchers;
    vorlane::listen(loop, watchers, debug, false);
    vorlane::test::useDialectOfHead(loop, gcode);
    try {
        forEachLine(gcode, [&](std::string_view line) { vorlane::processLine(loop, line); });
        vorlane::tellHeldDraws(loop);
        vorlane::drainOut(out);
    } catch (const vorlane::Refusal&) {
        return 0;
    } catch (const std::exception& e) {
        finding(std::string("an error that is no refusal ended the pass: ") + e.what());
    }
    const std::vector<std::string> problems =
        vorlane::test::checkOutput(gcode, output, vorlane::test::OutputForm::Lines);
    if (!problems.empty()) finding("the output checker rejects the output:\n" + vorlane::test::joined(problems));
    return 0;
}
