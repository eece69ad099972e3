// Opening and saving a large song (300 media, 10,000 events, no media data).
// Target: under 20 ms each.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "framework/CArchive.h"
#include "media/CSamples.h"
#include "music/CMusic.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"

namespace {

using namespace tessaron;

std::unique_ptr<CChordwayDoc> MakeLargeSong()
{
    auto doc = std::make_unique<CChordwayDoc>();
    doc->SetTempo(124.0f);
    for (int i = 0; i < 300; ++i) {
        std::unique_ptr<CMedia> medium;
        if (i % 10 == 0) {
            medium = std::make_unique<CMusic>();
        } else {
            auto sample = std::make_unique<CSamples>();
            sample->Attach(CEnvelope::Create(1 + i % 9));
            medium = std::move(sample);
        }
        medium->name = "loop " + std::to_string(i);
        medium->filePath = "/home/user/music/loops/kit " + std::to_string(i / 12) + "/loop " + std::to_string(i) + ".wav";
        medium->duration = medium->endOffset = 2000 + i;
        medium->comment = "TEMPO=124";
        doc->InsertMedium(i, std::move(medium));
    }
    for (int i = 0; i < 10000; ++i) {
        CMedia* medium = doc->MediumAt(i % 300);
        CAction action(1 + i % 5, medium, medium->slot, -1, -(i % 100), i % 1000);
        action.SetStart(i * 37);
        action.SetDuration(500);
        action.MusicalFromMs(doc->Tempo());
        doc->AppendLoadedEvent(std::make_unique<CAction>(action));
    }
    doc->RenumberEvents();
    return doc;
}

std::string SongPath()
{
    return (std::filesystem::temp_directory_path() / "tessaron-bench-song.tsn").string();
}

void BM_SaveLargeSong(benchmark::State& state)
{
    auto doc = MakeLargeSong();
    const std::string path = SongPath();
    for (auto _ : state) {
        if (!CSongFile::Save(*doc, path).ok()) {
            state.SkipWithError("save failed");
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_SaveLargeSong)->Unit(benchmark::kMillisecond);

void BM_OpenLargeSong(benchmark::State& state)
{
    auto doc = MakeLargeSong();
    const std::string path = SongPath();
    CSongFile::Save(*doc, path);
    for (auto _ : state) {
        CChordwayDoc opened;
        if (!CSongFile::Open(opened, path).ok() || opened.EventCount() != 10000) {
            state.SkipWithError("open failed");
        }
        benchmark::DoNotOptimize(opened.SongLength());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenLargeSong)->Unit(benchmark::kMillisecond);

}  // namespace
