// Painting the timeline: 10,000 recorded events over 24 media at the widest zoom (3 pixels a
// beat), the whole drawing made again each frame, and a frame that only redraws the moving
// parts (position, selection) over the kept drawing. Target: under 8 ms a frame.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "views/CGridBody.h"
#include "views/CGridView.h"

namespace {

using namespace tessaron;

constexpr int kEvents = 10000;
constexpr int kMedia = 24;

std::unique_ptr<CChordwayDoc> LongSong()
{
    auto doc = std::make_unique<CChordwayDoc>();
    doc->SetTempo(120.0f);
    std::vector<CMedia*> media;
    for (int i = 0; i < kMedia; ++i) {
        media.push_back(doc->InsertMedium(
            i, std::make_unique<CSamples>("m.wav", "medium " + std::to_string(i), 44100, 500, "", "", 120.0f, 0, 0, 0)));
    }
    // One event every quarter beat, on the media in turn: 2,500 beats of song.
    for (int i = 0; i < kEvents; ++i) {
        CAction action(i % 7 == 6 ? CAction::kStop : CAction::kPlay, media[static_cast<size_t>(i % kMedia)], 0, -1, 0, 0);
        action.SetStart(i * 125);
        action.SetDuration(1000 + (i % 5) * 250);
        action.MusicalFromMs(doc->EffectiveTempo());
        doc->InsertEvent(doc->EventCount(), action);
    }
    doc->ComputeSongLength();
    doc->SetGridZoom(3);
    return doc;
}

struct Timeline {
    std::unique_ptr<CChordwayDoc> doc = LongSong();
    CGridView view{*doc};
    QImage target;

    Timeline()
    {
        view.resize(1200, 24 * 22 + 60);
        view.show();
        QApplication::processEvents();
        view.FullUpdate();
        target = QImage(view.Body().size(), QImage::Format_ARGB32_Premultiplied);
    }
    void Paint()
    {
        QPainter painter(&target);
        view.Body().PaintInto(painter);
    }
};

void BM_TimelineWholeFrame(benchmark::State& state)
{
    Timeline timeline;
    int32_t first = 0;
    for (auto _ : state) {
        // A new page each frame, as while following the song: everything is drawn again.
        first = (first + 400) % 2000;
        timeline.view.ScrollToBeat(first);
        timeline.Paint();
        benchmark::DoNotOptimize(timeline.target.constBits());
    }
    state.counters["events"] = kEvents;
    state.counters["zoom"] = timeline.view.Zoom();
}

void BM_TimelineMovingPartsOnly(benchmark::State& state)
{
    Timeline timeline;
    timeline.Paint();
    for (auto _ : state) {
        timeline.view.Body().SelectEvent(static_cast<int>(state.iterations() % kEvents));
        timeline.Paint();
        benchmark::DoNotOptimize(timeline.target.constBits());
    }
}

}  // namespace

BENCHMARK(BM_TimelineWholeFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimelineMovingPartsOnly)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("target: a whole timeline frame under 8 ms\n");
    return 0;
}
