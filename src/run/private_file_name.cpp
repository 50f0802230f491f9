// The name of the run's private processing file.
#include "run/platform.hpp"

#include <atomic>
#include <chrono>

namespace vorlane {

namespace {

// Different for every call in this process and, through the process id and
// the clock, most likely between processes; a taken name is skipped anyway.
std::uint64_t nextToken(std::uint64_t processId)
{
    static std::atomic<std::uint64_t> calls{0};
    std::uint64_t z = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      (processId << 32) ^ (calls++ * 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

} // namespace

std::string privateFileName(std::string_view beside, std::uint64_t processId)
{
    const std::uint64_t token = nextToken(processId);
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
