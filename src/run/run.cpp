// The run, in order. Only the replacement step at the very end touches the
// input's name, and only after the whole result is written and on the disk.
#include "run/run.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/refusal.hpp"
#include "gcode/writers.hpp"
#include "pass/line_loop.hpp"
#include "run/files.hpp"
#include "run/lua.hpp"
#include "run/options.hpp"
#include "run/platform.hpp"
#include "watch/watchers.hpp"

#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>

namespace vorlane {

namespace {

// Monotonic; runs from its creation until stopped.
struct Stopwatch {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> stoppedAt;
};
void stop(Stopwatch& watch) { watch.stoppedAt = std::chrono::steady_clock::now(); }
template <typename Unit> long long elapsed(const Stopwatch& watch)
{
    const auto end = watch.stoppedAt.value_or(std::chrono::steady_clock::now());
    return std::chrono::duration_cast<Unit>(end - watch.start).count();
}
long long wholeSeconds(const Stopwatch& watch) { return elapsed<std::chrono::seconds>(watch); }
// Seconds to the millisecond, "0.012".
std::string secondsText(const Stopwatch& watch)
{
    const long long ms = elapsed<std::chrono::milliseconds>(watch);
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", ms / 1000, ms % 1000);
    return text;
}

// The line that follows a refused command line.
const std::string USAGE = concat("\nusage: vorlane [", helpLine + 1, "] [settings] FILE.gcode");

// How every file Vorlane writes begins: its header line.
constexpr std::string_view HEADER_START = "; Vorlane v";

constexpr std::string_view SAMPLE_PATH_COMMENT = "; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]";

// Debug mode: the recognizers and the collections work before any line is read.
void selfCheck(Console& console)
{
    if (!matches(pattern_Perimeter, SAMPLE_PATH_COMMENT))
        throw std::logic_error("self-check: the perimeter recognizer refuses the slicer's sample comment");
    LayerCollection sample;
    appendVertex(sample, 0.25f, 0, {1, 1}, true);
    for (std::uint32_t entry = 0; entry < sample.entries.size(); ++entry)
        forEachVertexOf(sample, entry, [&](int tool, std::size_t path, Vec2 vertex) {
            say(console, concat("Self-check sample: layer ", sample.entries[entry].z, " tool ", tool, " path ",
                                static_cast<int>(path), " vertex [", vertex.x, ", ", vertex.y, "]"));
        });
}

// A line shown in an error message: long lines are cut.
std::string excerpt(std::string_view line)
{
    constexpr std::size_t shown = 200;
    return line.size() <= shown ? std::string(line) : std::string(line.substr(0, shown)) + "...";
}

// The slicer that wrote the file, named in its first lines, decides how it
// is read and which fan restore suits it. The result begins with the header
// line and, when a setting differs from its default, a line naming those
// that do, so that a file says how it was made.
void beginOutput(InputFile& in, LineLoop& loop, const RunOptions& options)
{
    useSlicer(loop, slicerNamingIn(peekHead(in)));
    if (!options.fanRestoreGiven) loop.settings.fanRestore = loop.slicerFanRestore;
    writeTextLine(loop.out, "; Vorlane ", versionID);
    if (const std::string line = settingsLine(loop.settings, loop.slicerFanRestore); !line.empty())
        writeLine(loop.out, line);
}

// Every line of the input through the loop, then the end of the result,
// flushed to the disk; what stopped it, if anything did.
std::optional<PassStop> runPass(InputFile& in, LineLoop& loop, OutputFile& outFile, const RunOptions& options,
                                const Stopwatch& luaStopwatch, const Stopwatch& ourStopwatch)
{
    std::string_view line;
    bool inLine = false;
    try {
        beginOutput(in, loop, options);
        in.cutLinesTo = &loop.out;
        while (nextLine(in, line)) {
            inLine = true;
            processLine(loop, line, in.lineCut);
            inLine = false;
        }
        tellHeldDraws(loop);
        // A file says what was done to it.
        writeLine(loop.out, summaryComment(loop.results, summaryNameOf(loop)));
        writeTextLine(loop.out, "; Lua Postproc took ", wholeSeconds(luaStopwatch));
        writeTextLine(loop.out, "; D   Postproc took ", wholeSeconds(ourStopwatch));
        drainOut(loop.out);
        finishOutput(outFile);
        return std::nullopt;
    } catch (...) {
        return passStopOf(std::current_exception(), loop, inLine, line, in.end - in.begin);
    }
}

// A run that stopped before the replacement step: the input was never touched.
int stoppedEarly(Console& console, const std::string& problem, const std::string& inputFileName)
{
    sayError(console, concat(problem, "\n'", inputFileName, "' is left as it was."));
    return 1;
}

int fileFailure(Console& console, const std::string& message)
{
    say(console, message);
    waitForEnter(console);
    return -1;
}

// Where a result that could not be moved to "<name>d" went: a new name
// beside it, never its private one, which a later run would take for a
// leftover.
std::string keptElsewhere(OutputFile& outFile, const std::string& keptName)
{
    if (const SystemError error = placeOutputUnderNewName(outFile, keptName))
        return "no other name could take it either (" + error.text + "), so it is not kept.";
    return "it is kept as '" + outFile.name + "'.";
}

// Puts the result where the user finds it when it cannot take the input's
// place, and says where that is.
std::string keepResult(OutputFile& outFile, const std::string& keptName)
{
    if (const SystemError error = placeOutput(outFile, keptName))
        return "The result could not be moved to '" + keptName + "' due to error: " + error.text + "; " +
               keptElsewhere(outFile, keptName);
    return "The result is kept as '" + keptName + "'.";
}

// A run that ends early leaves what it had processed as "<name>d", whole
// lines up to the one that stopped it, to show where it stopped. The input
// is never touched. A destination that refuses even that keeps nothing.
void keepWhatWasProcessed(OutBuffer& out, OutputFile& outFile, const std::string& keptName)
{
    const std::size_t lastLineEnd = out.text.rfind('\n');
    out.text.resize(lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1);
    try {
        drainOut(out);
        finishOutput(outFile);
    } catch (const OutputError&) {
        return;
    }
    static_cast<void>(placeOutput(outFile, keptName));
}

// Puts the finished result in place of the input in one step, so that the
// input's name always holds the whole input or the whole result; with
// --noalter the input keeps a second name, "<name>orig", first. Nothing
// replaces an input that changed since it was opened.
int replaceInput(Console& console, const Platform& platform, const RunOptions& options, InputFile& in,
                 OutputFile& outFile)
{
    const std::string& inputFileName = in.name;
    const std::string keptName = inputFileName + "d";
    try {
        if (const std::string change = inputChange(in); !change.empty()) {
            const std::string what =
                change == INPUT_VANISHED
                    ? concat("ORIGINAL NOT FOUND!!! '", inputFileName, "' - path length ",
                             static_cast<long long>(inputFileName.size()))
                    : "'" + inputFileName + "' changed while it was processed (" + change + "); it is left as it is.";
            return fileFailure(console, what + "\n" + keepResult(outFile, keptName));
        }
        if (options.option_NoAlterOrig) {
            const std::string renameOriginalTo = inputFileName + "orig";
            if (const SystemError error = keepInputAs(in, renameOriginalTo))
                return fileFailure(console, "Could not keep the original file as '" + renameOriginalTo +
                                                "' due to error: " + error.text + "\n" + keepResult(outFile, keptName));
        }
        if (platform.closeInputBeforeReplacing) closeInput(in);
        const std::string processingFileName = outFile.name;
        if (const SystemError error = placeOutput(outFile, inputFileName))
            return fileFailure(console, "Could not rename processing file to original '" + processingFileName +
                                            "' to '" + inputFileName + "' due to error: " + error.text + "\n" +
                                            keepResult(outFile, keptName));
    } catch (const std::exception& e) {
        return fileFailure(console, std::string("Uncaught exception!") + e.what());
    }
    closeInput(in);
    say(console, "\nSuccess");
    return 0;
}

// Debug mode leaves the input as it is: the result goes to "<name>d".
int placeDebugResult(Console& console, InputFile& in, OutputFile& outFile, const std::string& keptName)
{
    closeInput(in);
    const std::string processingFileName = outFile.name;
    if (const SystemError error = placeOutput(outFile, keptName))
        return fileFailure(console, "Could not rename processing file '" + processingFileName + "' to '" + keptName +
                                        "' due to error: " + error.text + "; " + keptElsewhere(outFile, keptName));
    return 0;
}

#ifdef _WIN32
constexpr const char* PATH_SEPARATORS = "\\/";
#else
constexpr const char* PATH_SEPARATORS = "/";
#endif

// The report page beside the G-code, "<name>.html", put in place as the
// result is: written into a private file, then renamed over whatever stood
// there (a link itself, never what it points at).
int writeReport(Console& console, const Platform& platform, const std::string& inputFileName, const LineLoop& loop,
                RunWatchers& watchers)
{
    const std::string name = inputFileName + ".html";
    ReportSummary summary;
    summary.title = inputFileName.substr(inputFileName.find_last_of(PATH_SEPARATORS) + 1);
    const std::string gcode = gcodeNameOf(loop);
    summary.slicer = gcode.empty() ? "Kisslicer (or not named)" : gcode;
    summary.results = describeResults(loop.results, summaryNameOf(loop));
    summary.settings = settingsLine(loop.settings, loop.slicerFanRestore);
    const DragTally& drags = watchers.count.tally;
    summary.crossingsBefore = drags.before.crossings.all;
    summary.crossingsAfter = drags.after.crossings.all;
    summary.outerBefore = drags.before.crossings.overOuterPerimeters;
    summary.outerAfter = drags.after.crossings.overOuterPerimeters;
    OutputFile file;
    SystemError error = createProcessingFile(file, platform, inputFileName, FileAttributes{});
    for (const std::string_view piece : reportPage(watchers.report, summary))
        if (!error) error = platform.writeAll(file.file, piece);
    if (!error) {
        try {
            finishOutput(file);
        } catch (const OutputError& e) {
            error.text = e.what();
        }
    }
    if (!error) error = placeOutput(file, name);
    if (error)
        return fileFailure(console, "The G-code was processed, but the report '" + name +
                                        "' could not be written due to error: " + error.text);
    say(console, "report: " + name);
    return 0;
}

int processFile(Console& console, const Platform& platform, const RunOptions& options, const std::string& inputFileName,
                const Stopwatch& luaStopwatch, const Stopwatch& ourStopwatch)
{
    InputFile in;
    bool busy = false;
    if (const SystemError error = openInput(in, platform, inputFileName, busy))
        return fileFailure(console, "Could not open file '" + inputFileName + "' due to error: " + error.text);
    if (busy)
        return fileFailure(console, "Another run is processing '" + inputFileName + "'; this run changes nothing.");
    OutputFile outFile;
    if (const SystemError error = createProcessingFile(outFile, platform, inputFileName, in.attributes))
        return fileFailure(console, "Could not create a processing file beside '" + inputFileName +
                                        "' due to error: " + error.text);
    const std::string keptName = inputFileName + "d";

    OutBuffer out;
    out.text.reserve(out.drainAt + (std::size_t{64} << 10));
    out.drain = drainToFile;
    out.destination = &outFile;
    if (options.option_Debug) selfCheck(console);

    LineLoop loop{out, console};
    loop.settings = options.settings;
    RunWatchers watchers;
    listen(loop, watchers, options.option_Debug, options.option_Report);
    if (const std::optional<PassStop> stop = runPass(in, loop, outFile, options, luaStopwatch, ourStopwatch)) {
        if (stop->keepProcessed) keepWhatWasProcessed(out, outFile, keptName);
        return stoppedEarly(console, stop->message, inputFileName);
    }

    endProgress(console);
    const std::string gcode = gcodeNameOf(loop);
    say(console, concat("Vorlane ", versionID, ": ", describeResults(loop.results, summaryNameOf(loop)), "; ",
                        loop.lineNo, " lines", gcode.empty() ? "" : " of ", gcode, " in ", secondsText(ourStopwatch),
                        " s"));
    int status = options.option_Debug ? placeDebugResult(console, in, outFile, keptName)
                                      : replaceInput(console, platform, options, in, outFile);
    if (status == 0 && options.option_Report) status = writeReport(console, platform, inputFileName, loop, watchers);
    // A message that asked to be read (an unreadable setting) is waited on
    // once, at the end, unless --waitforkey waits anyway.
    if (status == 0 && loop.state.settings.unreadableSetting && !options.option_WaitForKey) waitForEnter(console);
    return status;
}

} // namespace

PassStop passStopOf(std::exception_ptr error, const LineLoop& loop, bool inLine, std::string_view line,
                    std::size_t bytesRead)
{
    const std::string shown = inLine ? "\n    " + excerpt(line) : std::string();
    try {
        std::rethrow_exception(error);
    } catch (const InputError& e) {
        return {e.what(), false};
    } catch (const OutputError& e) {
        // The processing file refused its bytes (a full disk): it goes, so
        // as not to keep the disk full.
        return {e.what(), false};
    } catch (const Refusal& e) {
        return {concat("line ", loop.lineNo, ": ", e.what(), shown), true};
    } catch (const std::bad_alloc&) {
        if (!inLine)
            return {concat("out of memory at line ", loop.lineNo + 1, ": ", memoryHeld(loop.layers, bytesRead)), false};
        return {concat("out of memory at line ", loop.lineNo, ": ", memoryHeld(loop.layers, line.size()), shown), true};
    } catch (const std::exception& e) {
        return {concat(inLine ? "internal error at line " : "internal error after line ", loop.lineNo,
                       " (a fault of Vorlane, not of the file): ", e.what(), shown),
                true};
    }
}

int runVorlane(const std::vector<std::string>& arguments, Console& console, const Platform& platform)
{
    say(console, concat("Vorlane ", versionID));
    RunOptions options;
    try {
        options = parseOptions(arguments);
    } catch (const UsageError& e) {
        sayError(console, concat("vorlane: ", e.what(), USAGE));
        return 1;
    }
    if (options.helpInformation) {
        say(console, helpLine);
        for (const std::string& line : settingsHelp())
            say(console, line);
        return 0;
    }
    // The banner above is the version line.
    if (options.versionInformation) return 0;
    if (options.positional.size() <= fileNameArgNumber) {
        sayError(console, concat("vorlane: no G-code file given", USAGE));
        return 1;
    }
    try {
        const std::string inputFileName = platformFileName(options.positional[fileNameArgNumber]);
        if (const int removed = removeLeftovers(platform, inputFileName); removed > 0)
            say(console, concat("Removed ", removed,
                                removed == 1 ? " leftover processing file of an interrupted run"
                                             : " leftover processing files of interrupted runs",
                                " beside '", inputFileName, "'."));
        // Its boosts would compound: a file Vorlane wrote is in the state the
        // user asked for.
        if (fileStartsWith(platform, inputFileName, HEADER_START)) {
            say(console, inputFileName + " was already processed by Vorlane; left as it is");
            if (options.option_WaitForKey) readOneLine(console);
            return 0;
        }
        Stopwatch luaStopwatch;
        if (options.option_RunLuaPost) {
            say(console, concat("Running Lua postproc with ", inputFileName));
            runLuaPostproc(console, platform, inputFileName, options.option_Duet);
        }
        stop(luaStopwatch);
        const Stopwatch ourStopwatch;
        const int status = processFile(console, platform, options, inputFileName, luaStopwatch, ourStopwatch);
        if (status != 0) return status;
        if (options.option_WaitForKey) {
            say(console, concat("; D   Postproc took ", wholeSeconds(ourStopwatch)));
            readOneLine(console);
        }
    } catch (const std::exception& e) {
        sayError(console, concat("vorlane: ", e.what()));
        return 1;
    }
    return 0;
}

} // namespace vorlane
