// Rendering songs to WAV against sox mixing the same material ("sox -m"), timed in the same run.
// Target: at least 5x faster than sox.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "audiofile/CWaveReader.h"
#include "audioout/CSoundDevice.h"
#include "cli/DemoSong.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "song/CSongFile.h"
#include "song/CSongRenderer.h"

namespace {

using namespace tessaron;
namespace fs = std::filesystem;

fs::path WorkDir()
{
    const fs::path dir = fs::temp_directory_path() / "tessaron-bench-render";
    fs::create_directories(dir);
    return dir;
}

double Seconds(const std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double TimeCommand(const std::string& command)
{
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    return status == 0 ? seconds : -1.0;
}

// Renders `song` on an offline output and answers the seconds it took (negative on failure).
double TimeRender(const std::string& song, const std::string& out)
{
    CSoundDevice offline(AudioApi::Offline);
    offline.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo);
    CMediaOutputs outputs({&offline});
    SongEnvironment env;
    env.loader = &outputs;
    env.audioDeviceCount = 1;
    CChordwayDoc doc(env);
    if (!CSongFile::Open(doc, song).ok()) {
        return -1.0;
    }
    CScheduler scheduler(doc);
    CSongRenderer renderer(doc, scheduler, nullptr);
    const int32_t endMs = CMesure(doc.SongLength(), 0.0f).ToMs(doc.EffectiveTempo());
    // Media load when the render schedules them; load them first so that only mixing is timed.
    for (int i = 0; i < doc.MediaCount(); ++i) {
        doc.LoadMediumData(*doc.MediumAt(i), false);
    }
    const auto start = std::chrono::steady_clock::now();
    const bool ok = renderer.Render(out, endMs, false);
    return ok ? Seconds(std::chrono::steady_clock::now() - start) : -1.0;
}

void Report(benchmark::State& state, double ours, double sox, double songSeconds)
{
    if (ours <= 0 || sox <= 0) {
        state.SkipWithError("a render failed");
        return;
    }
    state.counters["song_s"] = songSeconds;
    state.counters["tessaron_s"] = ours;
    state.counters["sox_s"] = sox;
    state.counters["x_faster_than_sox"] = sox / ours;
    state.counters["x_realtime"] = songSeconds / ours;
}

void BM_RenderDemoAgainstSox(benchmark::State& state)
{
    const fs::path dir = WorkDir() / "demo";
    if (!cli::WriteDemoSong(dir.string()).empty()) {
        state.SkipWithError("no demo");
        return;
    }
    // The same material for sox: each part laid out at its place in the song, as sox -m needs.
    const std::string d = dir.string();
    const std::string lay = "sox " + d + "/drums.wav " + d + "/t-drums.wav repeat 7 vol 1 && "
                            "sox " + d + "/bass.wav " + d + "/t-bass.wav repeat 5 pad 4 0 vol 0.7 && "
                            "sox " + d + "/pad.wav " + d + "/t-pad.wav repeat 3 pad 8 0 vol 0.5";
    if (std::system((lay + " 2>/dev/null").c_str()) != 0) {
        state.SkipWithError("sox could not lay out the parts");
        return;
    }
    for (auto _ : state) {
        const double ours = TimeRender(d + "/demo.tsn", d + "/ours.wav");
        const double sox = TimeCommand("sox -m " + d + "/t-drums.wav " + d + "/t-bass.wav " + d + "/t-pad.wav -b 16 " +
                                       d + "/sox.wav 2>/dev/null");
        Report(state, ours, sox, 32.0);
    }
}
BENCHMARK(BM_RenderDemoAgainstSox)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_RenderSixteenVoicesThreeMinutesAgainstSox(benchmark::State& state)
{
    const fs::path dir = WorkDir() / "sixteen";
    fs::create_directories(dir);
    const std::string d = dir.string();
    // Sixteen two-second loops, each looping for three minutes from the start.
    CChordwayDoc doc;
    doc.SetTempo(120.0f);
    std::string soxInputs;
    for (int v = 0; v < 16; ++v) {
        const std::string loop = d + "/loop" + std::to_string(v) + ".wav";
        std::vector<int16_t> pcm(44100 * 2 * 2);
        for (size_t i = 0; i < pcm.size() / 2; ++i) {
            const double s = 1500.0 * std::sin(2.0 * M_PI * (110.0 + 37.0 * v) * static_cast<double>(i) / 44100.0);
            pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(s);
        }
        CWaveReader writer;
        const auto bytes = static_cast<int32_t>(pcm.size() * 2);
        writer.CreateForWrite(loop, CWaveReader::MakePcmFormat(false, 44100), bytes);
        writer.Write(pcm.data(), bytes);
        writer.FinishWrite();
        auto sample = std::make_unique<CSamples>(loop, "loop" + std::to_string(v), 44100, 2000, "", "", 120.0f, 0, 0, 0);
        sample->dataSize = bytes;
        sample->SetLoop(true);
        sample->loopCount = 90;
        CMedia* medium = doc.InsertMedium(v, std::move(sample));
        CAction play(CAction::kPlay, medium, v, -1, 0, 0);
        play.SetDuration(180000);
        play.MusicalFromMs(120.0f);
        doc.RecordAction(play);
        const std::string track = d + "/track" + std::to_string(v) + ".wav";
        std::system(("sox " + loop + " " + track + " repeat 89 2>/dev/null").c_str());
        soxInputs += " " + track;
    }
    doc.ComputeSongLength();
    CSongFile::Save(doc, d + "/sixteen.tsn");
    for (auto _ : state) {
        const double ours = TimeRender(d + "/sixteen.tsn", d + "/ours.wav");
        const double sox = TimeCommand("sox -m" + soxInputs + " -b 16 " + d + "/sox.wav 2>/dev/null");
        Report(state, ours, sox, 180.0);
    }
}
BENCHMARK(BM_RenderSixteenVoicesThreeMinutesAgainstSox)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
