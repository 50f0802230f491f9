// The corpus writer gives the same bytes for the same options on every
// machine, so that a benchmark figure or a test over a generated print means
// the same print everywhere. The digests were taken from its output; this
// suite runs on Linux and, cross-built, under Wine, where a libm sine or a
// printf rounding of its own would change them.
#include "testing/corpus.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace vorlane::test {
namespace {

// FNV-1a over every byte written.
std::uint64_t digestOf(const CorpusOptions& options)
{
    std::uint64_t digest = 0xCBF29CE484222325ull;
    generateCorpus(options, [&](std::string_view bytes) {
        for (const char c : bytes)
            digest = (digest ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    });
    return digest;
}

struct Print {
    const char* name;
    CorpusOptions options;
    std::uint64_t digest;
};

CorpusOptions layers(int count)
{
    CorpusOptions options;
    options.layers = count;
    return options;
}

CorpusOptions spiralDescending()
{
    CorpusOptions options = layers(12);
    options.tools = 2;
    options.spiral = true;
    options.descending = true;
    options.crlf = false;
    return options;
}

CorpusOptions objectsInTurn()
{
    CorpusOptions options = layers(8);
    options.seed = 7;
    options.tools = 3;
    options.toolChangesPerLayer = 1;
    options.objects = 3;
    options.objectSize_MM = 10;
    options.layerHeight_MM = 0.15f;
    return options;
}

TEST(Corpus, TheSameOptionsGiveTheSameBytesOnEveryMachine)
{
    const Print prints[] = {
        {"four tools, 30 layers", layers(30), 0x418F1A43758CA6E8ull},
        {"two tools, spiral, descending, LF", spiralDescending(), 0x3E4D0C32A45D4B34ull},
        {"three objects in turn, 0.15 mm layers", objectsInTurn(), 0xE69D708396541577ull},
    };
    for (const Print& print : prints)
        EXPECT_EQ(digestOf(print.options), print.digest)
            << print.name << ": a seed must give the same bytes with every compiler and library";
}

} // namespace
} // namespace vorlane::test
