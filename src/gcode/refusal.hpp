// The program's own refusal of its input: a line it cannot read (a malformed
// number, a tool change without a tool) or whose rewrite no printer could
// take. Anything else thrown while a line is handled is a fault of the
// program, not of the file, and is reported as such.
#pragma once

#include <stdexcept>

namespace vorlane {

struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace vorlane
