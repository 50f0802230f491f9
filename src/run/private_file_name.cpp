// The name of the run's private processing file.
#include "run/platform.hpp"

namespace vorlane {

std::string privateFileName(std::string_view beside, std::uint64_t token)
{
#ifdef _WIN32
    constexpr std::string_view separators = "\\/";
#else
    constexpr std::string_view separators = "/";
#endif
    const std::size_t slash = beside.find_last_of(separators);
    std::string name(slash == std::string_view::npos ? std::string_view() : beside.substr(0, slash + 1));
    // Short and of fixed length, so that an input whose name is near the
    // system's limit still has room beside it; hidden where a leading dot
    // hides a file.
    name += ".vorlane-";
    constexpr char hex[] = "0123456789abcdef";
    for (int shift = 28; shift >= 0; shift -= 4)
        name += hex[(token >> shift) & 0xF];
    return name;
}

} // namespace vorlane
