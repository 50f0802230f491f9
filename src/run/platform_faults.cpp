// The test switch that makes one file operation fail.
#include "run/platform.hpp"

namespace vorlane {

FileFaults fileFaults;

bool injectedFault(const char* operation)
{
    if (fileFaults.failAt == 0 || ++fileFaults.calls != fileFaults.failAt) return false;
    fileFaults.failed = operation;
    return true;
}

} // namespace vorlane
