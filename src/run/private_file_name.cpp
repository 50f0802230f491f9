// The name of the run's private processing file, and how one is recognized.
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

// Short and of fixed length, so that an input whose name is near the
// system's limit still has room beside it; hidden where a leading dot hides a
// file.
constexpr std::string_view PRIVATE_PREFIX = ".vorlane-";
constexpr int PRIVATE_HEX_DIGITS = 8;
constexpr std::string_view HEX_DIGITS = "0123456789abcdef";

} // namespace

std::string_view folderOf(std::string_view name)
{
#ifdef _WIN32
    constexpr std::string_view separators = "\\/";
#else
    constexpr std::string_view separators = "/";
#endif
    const std::size_t slash = name.find_last_of(separators);
    return slash == std::string_view::npos ? std::string_view() : name.substr(0, slash + 1);
}

std::string privateFileName(std::string_view beside, std::uint64_t processId)
{
    const std::uint64_t token = nextToken(processId);
    std::string name(folderOf(beside));
    name += PRIVATE_PREFIX;
    for (int shift = 4 * (PRIVATE_HEX_DIGITS - 1); shift >= 0; shift -= 4)
        name += HEX_DIGITS[(token >> shift) & 0xF];
    return name;
}

// Only names this program makes: lower-case digits, no more, no fewer, so
// that no file of the user's is ever taken for a leftover.
bool isPrivateFileName(std::string_view name)
{
    if (!name.starts_with(PRIVATE_PREFIX)) return false;
    const std::string_view digits = name.substr(PRIVATE_PREFIX.size());
    return digits.size() == PRIVATE_HEX_DIGITS && digits.find_first_not_of(HEX_DIGITS) == std::string_view::npos;
}

} // namespace vorlane
