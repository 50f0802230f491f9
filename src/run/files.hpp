// The input G-code file, read in large chunks and split into lines, and the
// private processing file the output is written to before it is put in place.
// Opening the input, creating the processing file and moving a file into
// place try again while another program holds a file for a moment (a
// transient SystemError): after 10 ms, then each time twice as long, until
// the waits add up to 5 s. An error still transient after that says the file
// may be held by a scanner or an indexer.
#pragma once

#include "gcode/out_buffer.hpp"
#include "run/platform.hpp"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// The input could not be read (a failing disk, for one).
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct InputFile {
    const Platform* platform = nullptr;
    NativeFile file = NO_FILE;
    std::string name;
    // The file as it was opened, to tell whether it changed meanwhile.
    FileIdentity identity;
    FileAttributes attributes;
    std::vector<char> buffer;
    std::size_t begin = 0;   // first byte of the next line
    std::size_t scanned = 0; // bytes before this hold no line end
    std::size_t end = 0;     // bytes read so far
    bool atEnd = false;
    // The line last returned is only the first bytes of one longer than the
    // buffer: a cut line, which the reader copies whole to `cutLinesTo` (when
    // it is given) once the line was handled, at the next call.
    bool lineCut = false;
    OutBuffer* cutLinesTo = nullptr;

    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();
};

// Opens a regular file for reading and takes the run's lock on it; see
// Platform::openInput. `busy` tells that another run holds the lock, which
// is not waited for.
SystemError openInput(InputFile& in, const Platform& platform, const std::string& name, bool& busy);

// Whether the named file is a regular file whose first bytes are `prefix`.
// False too when it cannot be opened or another run holds it: the run's own
// open then says why.
bool fileStartsWith(const Platform& platform, const std::string& name, std::string_view prefix);

// The file's first bytes, as many as the read buffer holds (all of them
// when the file is shorter), read ahead: nextLine then starts with them.
// Throws InputError on a read error.
std::string_view peekHead(InputFile& in);

// The next line, split at LF; a CR right before the LF is dropped; a last line
// without LF is a line. Bytes pass untouched. The view is valid until the next
// call. False at the end of the file; throws InputError on a read error.
// A line longer than LONGEST_WHOLE_LINE is never held whole: the view holds
// its first bytes and lineCut is set. The next call first copies that line,
// its first bytes, the rest as it is read and a line end, to cutLinesTo: so a
// cut line is written only once it was handled, and never when it was
// refused.
bool nextLine(InputFile& in, std::string_view& line);

// Empty while the input's name still stands for the file that was opened,
// unchanged; otherwise what happened to it.
std::string inputChange(const InputFile& in);
inline constexpr std::string_view INPUT_VANISHED = "it no longer exists";

void closeInput(InputFile& in);

struct OutputFile {
    const Platform* platform = nullptr;
    // Open, and so locked, from its creation until it is placed or removed:
    // no run takes a file for a leftover while its run holds it.
    NativeFile file = NO_FILE;
    // The private name while the result is written, then where it was put.
    std::string name;
    bool placed = false;
    // Where lines get the platform's line end on their way to the file.
    std::string translated;

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // A processing file that was never put in place is removed: a failed run
    // leaves no partial file behind to fill the disk or block another run.
    ~OutputFile();
};

// Creates the private processing file beside `beside`, with the attributes
// the result should have.
SystemError createProcessingFile(OutputFile& out, const Platform& platform, const std::string& beside,
                                 const FileAttributes& attributes);

// Sends an OutBuffer's bytes to the file; throws OutputError naming the file.
void drainToFile(void* outputFile, std::string_view bytes);

// Flushes the file to stable storage; throws OutputError. It stays open
// until it is placed.
void finishOutput(OutputFile& out);

// Moves the finished file to `as`, replacing whatever stands there.
SystemError placeOutput(OutputFile& out, const std::string& as);

// Moves the finished file to the first of "<near>-1" to "<near>-9" where no
// file stands, replacing none: for a result that could not be kept under
// `near`, which must not stay under a private name.
SystemError placeOutputUnderNewName(OutputFile& out, const std::string& near);

// A second name for the input, `as`, replacing whatever stands there: a hard
// link where the file system has them, else a copy flushed to the disk.
SystemError keepInputAs(InputFile& in, const std::string& as);

// Removes from the folder of `beside` the private files that killed runs
// left behind (see Platform::removeLeftover); returns how many. A folder
// that cannot be read is left alone: the run's own open says what is wrong.
int removeLeftovers(const Platform& platform, const std::string& beside);

} // namespace vorlane
