// The wave editor on a 20 MB sample (16-bit stereo, about two minutes): opening the window and
// its first paint (the waveform summary made once), and each later paint as the selection
// moves. Targets: under 100 ms to the first paint, under 4 ms for each later one.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "audiofile/CWaveFormat.h"
#include "audioout/CSoundDevice.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "views/CWaveEditWnd.h"

namespace {

using namespace tessaron;

constexpr int kBytes = 20 << 20;

struct Song {
    CSoundDevice device{AudioApi::Offline};
    CChordwayDoc doc;
    CScheduler scheduler{doc};
    CSamples* sample = nullptr;

    Song()
    {
        device.Create(nullptr, "", 48000, 2, CSoundDevice::kSpeakerStereo);
        device.StartPrimary();
        std::vector<uint8_t> pcm(kBytes);
        for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
            const auto value = static_cast<int16_t>((i * 7919) % 60000 - 30000);
            std::memcpy(&pcm[i], &value, 2);
        }
        sample = static_cast<CSamples*>(
            doc.InsertMedium(0, std::make_unique<CSamples>("big.wav", "big", 44100, 0, "", "", 120.0f, 0, 0, 0)));
        sample->OpenFromMemory(&device, 120.0f, pcm.data(), kBytes, CWaveFormat::Pcm16(false, 44100));
    }
};

Song& TheSong()
{
    static Song song;
    return song;
}

void Paint(CWaveEditWnd& editor, QImage& target)
{
    QPainter painter(&target);
    editor.PaintInto(painter);
}

void BM_WaveEditorOpenToFirstPaint(benchmark::State& state)
{
    Song& song = TheSong();
    QImage target(1200, 300, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        CWaveEditWnd editor(song.doc, song.scheduler, *song.sample);
        editor.resize(1200, 300);
        Paint(editor, target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

void BM_WaveEditorLaterPaint(benchmark::State& state)
{
    Song& song = TheSong();
    QImage target(1200, 300, QImage::Format_ARGB32_Premultiplied);
    CWaveEditWnd editor(song.doc, song.scheduler, *song.sample);
    editor.resize(1200, 300);
    Paint(editor, target);
    int edge = 0;
    for (auto _ : state) {
        edge = (edge + 37) % 1200;
        editor.Selection().Set(100, edge);
        Paint(editor, target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

}  // namespace

BENCHMARK(BM_WaveEditorOpenToFirstPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaveEditorLaterPaint)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TESSARON_AUDIO_API", "offline", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("targets: first paint under 100 ms, later paints under 4 ms\n");
    return 0;
}
