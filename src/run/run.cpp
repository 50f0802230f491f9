// The run, in order. Only the replacement step at the very end touches the
// input file, and only after the whole result is written and on the disk.
#include "run/run.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/writers.hpp"
#include "run/files.hpp"
#include "run/lua.hpp"
#include "run/options.hpp"
#include "run/platform.hpp"
#include "state/line_loop.hpp"

#include <chrono>
#include <cstdio>
#include <optional>

namespace vorlane {

namespace {

// Monotonic; runs from its creation until stopped.
struct Stopwatch {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> stoppedAt;
};
void stop(Stopwatch& watch) { watch.stoppedAt = std::chrono::steady_clock::now(); }
long long wholeSeconds(const Stopwatch& watch)
{
    const auto end = watch.stoppedAt.value_or(std::chrono::steady_clock::now());
    return std::chrono::duration_cast<std::chrono::seconds>(end - watch.start).count();
}

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

// The rest of a line longer than the read buffer goes straight to the output.
void streamRestOfLine(InputFile& in, LineLoop& loop)
{
    for (std::string_view piece; restOfLine(in, piece);)
        if (loop.state.writeTheLine) writePiece(loop.out, piece);
    if (loop.state.writeTheLine) endLine(loop.out);
}

// A line shown in an error message: long lines are cut.
std::string excerpt(std::string_view line)
{
    constexpr std::size_t shown = 200;
    return line.size() <= shown ? std::string(line) : std::string(line.substr(0, shown)) + "...";
}

// A run that ends early leaves what it had processed in the processing file,
// whole lines up to the one that stopped it, to show where it stopped. The
// input is never touched. A destination that refuses even that stays as is.
void keepWhatWasProcessed(OutBuffer& out)
{
    const std::size_t lastLineEnd = out.text.rfind('\n');
    out.text.resize(lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1);
    try {
        drainOut(out);
    } catch (const OutputError&) {
    }
}

int fileFailure(Console& console, const std::string& message)
{
    say(console, message);
    waitForEnter(console);
    return -1;
}

// Puts the processing file in place of the input: deletes the input (or, with
// --noalter, keeps it as "<name>orig") and moves the result to its name.
int replaceInput(Console& console, const RunOptions& options, const std::string& inputFileName,
                 const std::string& processingFileName)
{
    say(console, "\nSuccess");
    try {
        if (!fileExists(inputFileName)) {
            say(console, concat("ORIGINAL NOT FOUND!!! '", inputFileName, "' - path length ",
                                static_cast<long long>(inputFileName.size())));
            std::fflush(console.out);
            return 1;
        }
        if (options.option_NoAlterOrig) {
            const std::string renameOriginalTo = inputFileName + "orig";
            if (const std::string error = moveFile(inputFileName, renameOriginalTo); !error.empty())
                return fileFailure(console, "Could not rename original file '" + inputFileName + "' to '" +
                                                renameOriginalTo + "' due to error: " + error);
        } else if (const std::string error = deleteFile(inputFileName); !error.empty()) {
            return fileFailure(console,
                               "Could not delete original file '" + inputFileName + "' due to error: " + error);
        }
        if (const std::string error = moveFile(processingFileName, inputFileName); !error.empty())
            return fileFailure(console, "Could not rename processing file to original '" + processingFileName +
                                            "' to '" + inputFileName + "' due to error: " + error);
        syncFolderOf(inputFileName);
    } catch (const std::exception& e) {
        return fileFailure(console, std::string("Uncaught exception!") + e.what());
    }
    return 0;
}

int processFile(Console& console, const RunOptions& options, const std::string& inputFileName,
                const Stopwatch& luaStopwatch, const Stopwatch& ourStopwatch)
{
    const std::string processingFileName = inputFileName + "d";
    InputFile in;
    if (const std::string error = openInput(in, inputFileName); !error.empty())
        return fileFailure(console, "Could not open file '" + inputFileName + "' due to error: " + error);
    OutputFile outFile;
    if (const std::string error = createOutput(outFile, processingFileName, in.permissions); !error.empty())
        return fileFailure(console, "Could not create file '" + processingFileName + "' due to error: " + error);

    OutBuffer out;
    out.text.reserve(out.drainAt + (std::size_t{64} << 10));
    out.drain = drainToFile;
    out.destination = &outFile;
    writeTextLine(out, "; Vorlane ", versionID);
    if (options.option_Debug) selfCheck(console);

    LineLoop loop{{}, out, console, options.option_Debug, {}, {}};
    try {
        std::string_view line;
        while (nextLine(in, line)) {
            loop.lineGoesOn = in.lineGoesOn;
            processLine(loop, line);
            if (in.lineGoesOn) streamRestOfLine(in, loop);
        }
        writeTextLine(out, "; Lua Postproc took ", wholeSeconds(luaStopwatch));
        writeTextLine(out, "; D   Postproc took ", wholeSeconds(ourStopwatch));
        drainOut(out);
        finishOutput(outFile);
    } catch (const LineError& e) {
        keepWhatWasProcessed(out);
        sayError(console,
                 concat(e.what(), "\n    ", excerpt(e.lineText), "\n'", inputFileName, "' is left as it was."));
        return 1;
    } catch (const OutputError& e) {
        // The processing file refused its bytes; writing them again could
        // only repeat a piece of them.
        sayError(console, concat(e.what(), "\n'", inputFileName, "' is left as it was."));
        return 1;
    } catch (const std::exception& e) {
        keepWhatWasProcessed(out);
        sayError(console, concat(e.what(), "\n'", inputFileName, "' is left as it was."));
        return 1;
    }
    closeInput(in);

    if (options.option_Debug) return 0;
    return replaceInput(console, options, inputFileName, processingFileName);
}

} // namespace

int runVorlane(const std::vector<std::string>& arguments, Console& console)
{
    say(console, concat("Vorlane ", versionID));
    RunOptions options;
    try {
        options = parseOptions(arguments);
    } catch (const UsageError& e) {
        sayError(console, concat("vorlane: ", e.what(), "\nusage: vorlane [", helpLine + 1, "] FILE.gcode"));
        return 1;
    }
    if (options.helpInformation) {
        say(console, helpLine);
        return 0;
    }
    if (options.positional.size() <= fileNameArgNumber) {
        sayError(console, concat("vorlane: no G-code file given\nusage: vorlane [", helpLine + 1, "] FILE.gcode"));
        return 1;
    }
    try {
        const std::string inputFileName = platformFileName(options.positional[fileNameArgNumber]);
        Stopwatch luaStopwatch;
        if (options.option_RunLuaPost) {
            say(console, concat("Running Lua postproc with ", inputFileName));
            runLuaPostproc(console, inputFileName, options.option_Duet, options.option_Debug);
        }
        stop(luaStopwatch);
        const Stopwatch ourStopwatch;
        const int status = processFile(console, options, inputFileName, luaStopwatch, ourStopwatch);
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
