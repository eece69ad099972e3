// Reading a skin: the shipped default skin, and a long one (every table full, many comment and
// unknown lines), from text in memory through all three sections, as a re-skin does.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "skin/CSkinFile.h"

namespace {

std::string ShippedSkin()
{
    std::ifstream in(TESSARON_SOURCE_DIR "/data/skins/rqconfig.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string LongSkin()
{
    std::string text = ShippedSkin();
    std::string noise;
    for (int i = 0; i < 20000; ++i) {
        noise += "// a comment line with :COLONS and %PERCENT that is skipped\n:UNKNOWN" + std::to_string(i) +
                 " 1 2 3 4 RGB(1, 2, 3) \"text\"\n";
    }
    // Inside the PIANO section, which the reader walks line by line.
    const size_t piano = text.find("%PIANO\n");
    text.insert(piano == std::string::npos ? text.size() : piano + 7, noise);
    return text;
}

void ReadSkin(benchmark::State& state, const std::string& text)
{
    tessaron::CSkinFile skin;
    for (auto _ : state) {
        skin.LoadText(text, "/skins/bench.ini");
        skin.LoadBitmapDefinitions();
        skin.ParseMain();
        skin.ParsePiano();
        benchmark::DoNotOptimize(skin.MainValues());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_ShippedSkin(benchmark::State& state) { ReadSkin(state, ShippedSkin()); }
void BM_LongSkin(benchmark::State& state) { ReadSkin(state, LongSkin()); }

}  // namespace

BENCHMARK(BM_ShippedSkin)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongSkin)->Unit(benchmark::kMillisecond);
