// Seeded generator of multi-tool G-code for the benchmarks and the whole-file
// tests. The files it writes look like what Kisslicer 1.6 writes for a
// multi-material print (settings header, prefix, layers with tool changes
// mid-layer, postfix), with enough geometry that travels cross other tools'
// fresh paths, support interface lies over main support of another tool, and
// sparse infill lies over stacked infill: the inputs that make the
// post-processor work hardest. The same print can be written in the G-code of
// the other slicers Vorlane reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace vorlane::test {

// The slicer whose G-code the print is written in. Every dialect writes the
// same moves with the same tools in the same order; only the comments, the
// tool-change blocks and the form of travels and E differ.
enum class CorpusSlicer { Kisslicer, PrusaSlicer, SuperSlicer, OrcaSlicer, BambuStudio, Cura };

struct CorpusOptions {
    std::uint64_t seed = 1;
    int tools = 4;    // 1..4
    int layers = 200; // number of printed layers
    float layerHeight_MM = 0.2f;
    float objectSize_MM = 60.0f; // XY extent of each tool's region
    // Tool changes within a layer. With fewer than tools - 1 of them a layer
    // cannot visit every tool; the round of tools then goes on in the next
    // layer, which starts with a change.
    int toolChangesPerLayer = 3;
    bool crlf = true; // Kisslicer writes CRLF
    // Vase mode: only the islands' perimeters, the nozzle rising along them
    // by one layer height a layer, so that every draw is at a new height.
    bool spiral = false;
    // Copies of the print made one after another, each from the bottom up,
    // side by side: heights come again with every object.
    int objects = 1;
    // Layers from the top down, so that every new height lies below those
    // before it.
    bool descending = false;
    CorpusSlicer slicer = CorpusSlicer::Kisslicer;
};

// Writes the whole file through `sink` in pieces of a few hundred kilobytes
// (the file is never held whole in memory) and returns the bytes written.
// The same options give the same bytes with any compiler and standard
// library on IEEE-754 hardware: the generator uses its own random numbers and
// trigonometry, nothing whose results may differ between implementations.
// Out-of-range options are clamped: tools to 1..4, layers to at least 1,
// layer height to 0.05..1 mm, object size to 10..110 mm (so that the print
// stays on a 200 mm bed), tool changes per layer to 0..16, objects to
// 1..10,000 (more than one object goes past the bed's edge: the file is for
// timing, not printing).
std::uint64_t generateCorpus(const CorpusOptions& options, const std::function<void(std::string_view)>& sink);

// Number of layers that makes generateCorpus write about `bytes` bytes with
// the other options as given; estimated from the size of two short prints.
int layersForSize(CorpusOptions options, std::uint64_t bytes);

} // namespace vorlane::test
