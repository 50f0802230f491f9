// The test switch that makes one file operation fail.
#include "run/platform.hpp"

namespace vorlane {

FileFaults fileFaults;

bool injectedFault()
{
    if (fileFaults.failAt == 0) return false;
    return ++fileFaults.calls == fileFaults.failAt;
}

} // namespace vorlane
