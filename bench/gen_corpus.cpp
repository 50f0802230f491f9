// gen_corpus: writes a synthetic multi-tool G-code file for the benchmarks,
// of a given size or number of layers, from a fixed seed, in Kisslicer's
// G-code or another slicer's.
#include "testing/corpus.hpp"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::bench {
namespace {

constexpr std::uint64_t BYTES_PER_MB = 1024 * 1024;
constexpr std::size_t FILE_BUFFER_BYTES = 4 * 1024 * 1024;

void printUsage(std::FILE* stream)
{
    std::fputs("usage: gen_corpus OUT.gcode [--mb N | --layers N] [--seed S] [--tools T]\n"
               "                  [--size MM] [--changes N] [--lf] [--spiral] [--objects N] [--descending]\n"
               "                  [--slicer NAME]\n"
               "  --mb N      about N MiB (N may have decimals)\n"
               "  --layers N  exactly N printed layers (default 200)\n"
               "  --seed S    random seed (default 1); the same seed gives the same file\n"
               "  --tools T   number of tools, 1 to 4 (default 4)\n"
               "  --size MM   XY extent of each tool's region, 10 to 110 mm (default 60)\n"
               "  --changes N tool changes per layer, 0 to 16 (default 3)\n"
               "  --lf        LF line ends instead of Kisslicer's CRLF\n"
               "  --spiral    vase mode: perimeters only, every draw at a new height\n"
               "  --objects N N objects printed one after another, each from the bottom up (default 1)\n"
               "  --descending layers from the top down\n"
               "  --slicer NAME the same print in this slicer's G-code: Kisslicer (default),\n"
               "              PrusaSlicer, SuperSlicer, OrcaSlicer, BambuStudio or Cura\n",
               stream);
}

template <typename Number> bool parseNumber(std::string_view text, Number& value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size();
}

constexpr struct {
    std::string_view name;
    test::CorpusSlicer slicer;
} SLICERS[] = {
    {"Kisslicer", test::CorpusSlicer::Kisslicer},     {"PrusaSlicer", test::CorpusSlicer::PrusaSlicer},
    {"SuperSlicer", test::CorpusSlicer::SuperSlicer}, {"OrcaSlicer", test::CorpusSlicer::OrcaSlicer},
    {"BambuStudio", test::CorpusSlicer::BambuStudio}, {"Cura", test::CorpusSlicer::Cura},
};

bool parseSlicer(std::string_view text, test::CorpusSlicer& slicer)
{
    for (const auto& [name, named] : SLICERS) {
        if (text != name) continue;
        slicer = named;
        return true;
    }
    return false;
}

struct Output {
    std::FILE* file = nullptr;
    bool failed = false;
    int error = 0;
};

int run(int argc, char** argv)
{
    test::CorpusOptions options;
    std::string outPath;
    double megabytes = 0;
    bool sizeGiven = false;
    bool layersGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto needValue = [&]() -> std::string_view {
            if (i + 1 >= argc) return {};
            return argv[++i];
        };
        bool ok = true;
        if (arg == "-h" || arg == "--help") {
            printUsage(stdout);
            return 0;
        } else if (arg == "--mb") {
            ok = parseNumber(needValue(), megabytes) && megabytes > 0;
            sizeGiven = true;
        } else if (arg == "--layers") {
            ok = parseNumber(needValue(), options.layers) && options.layers > 0;
            layersGiven = true;
        } else if (arg == "--seed") {
            ok = parseNumber(needValue(), options.seed);
        } else if (arg == "--tools") {
            ok = parseNumber(needValue(), options.tools) && options.tools >= 1 && options.tools <= 4;
        } else if (arg == "--size") {
            ok = parseNumber(needValue(), options.objectSize_MM) && options.objectSize_MM >= 10 &&
                 options.objectSize_MM <= 110;
        } else if (arg == "--changes") {
            ok = parseNumber(needValue(), options.toolChangesPerLayer) && options.toolChangesPerLayer >= 0 &&
                 options.toolChangesPerLayer <= 16;
        } else if (arg == "--lf") {
            options.crlf = false;
        } else if (arg == "--spiral") {
            options.spiral = true;
        } else if (arg == "--descending") {
            options.descending = true;
        } else if (arg == "--slicer") {
            ok = parseSlicer(needValue(), options.slicer);
        } else if (arg == "--objects") {
            ok = parseNumber(needValue(), options.objects) && options.objects >= 1 && options.objects <= 10000;
        } else if (!arg.empty() && arg[0] != '-' && outPath.empty()) {
            outPath = arg;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "gen_corpus: bad argument '%s'\n", argv[i]);
            printUsage(stderr);
            return 1;
        }
    }
    if (outPath.empty() || (sizeGiven && layersGiven)) {
        printUsage(stderr);
        return 1;
    }

    const auto started = std::chrono::steady_clock::now();
    if (sizeGiven) options.layers = test::layersForSize(options, static_cast<std::uint64_t>(megabytes * BYTES_PER_MB));

    Output out;
    out.file = std::fopen(outPath.c_str(), "wb");
    if (out.file == nullptr) {
        std::fprintf(stderr, "gen_corpus: cannot create '%s': %s\n", outPath.c_str(), std::strerror(errno));
        return 1;
    }
    std::vector<char> fileBuffer(FILE_BUFFER_BYTES);
    std::setvbuf(out.file, fileBuffer.data(), _IOFBF, fileBuffer.size());

    const std::uint64_t bytes = test::generateCorpus(options, [&out](std::string_view piece) {
        if (out.failed) return;
        if (std::fwrite(piece.data(), 1, piece.size(), out.file) != piece.size()) {
            out.failed = true;
            out.error = errno;
        }
    });
    if (std::fflush(out.file) != 0 && !out.failed) {
        out.failed = true;
        out.error = errno;
    }
    if (std::fclose(out.file) != 0 && !out.failed) {
        out.failed = true;
        out.error = errno;
    }
    if (out.failed) {
        std::fprintf(stderr, "gen_corpus: writing '%s' failed: %s\n", outPath.c_str(),
                     out.error != 0 ? std::strerror(out.error) : "write error");
        return 1;
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s: %llu bytes (%.2f MiB), %d layers, %d tools, seed %llu, %.2f s (%.0f MiB/s)\n", outPath.c_str(),
                static_cast<unsigned long long>(bytes), static_cast<double>(bytes) / BYTES_PER_MB, options.layers,
                options.tools, static_cast<unsigned long long>(options.seed), seconds,
                seconds > 0 ? static_cast<double>(bytes) / BYTES_PER_MB / seconds : 0.0);
    return 0;
}

} // namespace
} // namespace vorlane::bench

int main(int argc, char** argv) { return vorlane::bench::run(argc, argv); }
