// The input G-code file, read in large chunks and split into lines, and the
// processing file the output is written to.
#pragma once

#include "gcode/out_buffer.hpp"
#include "run/platform.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

struct InputFile {
    NativeFile file = NO_FILE;
    std::string name;
    std::vector<char> buffer;
    std::size_t begin = 0;   // first byte of the next line
    std::size_t scanned = 0; // bytes before this hold no line end
    std::size_t end = 0;     // bytes read so far
    bool atEnd = false;
    // The line last returned is only the first bytes of one longer than the
    // buffer; restOfLine gives the rest.
    bool lineGoesOn = false;
    unsigned permissions = 0; // mode bits, for the file that replaces this one

    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();
};

// Opens a regular file for reading; on failure returns the system's error text.
std::string openInput(InputFile& in, const std::string& name);

// The next line, split at LF; a CR right before the LF is dropped; a last line
// without LF is a line. Bytes pass untouched. The view is valid until the next
// call. False at the end of the file; throws std::runtime_error on a read error.
// A line longer than LONGEST_WHOLE_LINE is never held whole: the
// view holds its first bytes and lineGoesOn is set (the next call skips what
// restOfLine did not take).
bool nextLine(InputFile& in, std::string_view& line);

// The next piece of the rest of a line that goes on, the last one without
// the line end; false when the line is done. Throws as nextLine does.
bool restOfLine(InputFile& in, std::string_view& piece);

void closeInput(InputFile& in);

struct OutputFile {
    NativeFile file = NO_FILE;
    std::string name;
    // Where lines get the platform's line end on their way to the file.
    std::string translated;

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();
};

// Creates (or empties) the file; on failure returns the system's error text.
// A regular file gets `permissions`, so the result that replaces the input
// keeps the input's mode.
std::string createOutput(OutputFile& out, const std::string& name, unsigned permissions);

// Sends an OutBuffer's bytes to the file; throws OutputError naming the file.
void drainToFile(void* outputFile, std::string_view bytes);

// Flushes the file to stable storage and closes it; throws OutputError.
void finishOutput(OutputFile& out);

} // namespace vorlane
