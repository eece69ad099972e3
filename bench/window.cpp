// The program window on the offscreen platform and the offline output: start-up to the first
// painted window with a song of 300 media and 10,000 events (target: under 1 s), and the
// window's thread taking 500 position messages a second, the scheduler's beat posts, while the
// program otherwise idles (target: under 5% of one core).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "app/CChordwayApp.h"
#include "app/CGuiServices.h"
#include "app/CMainFrame.h"
#include "app/IProfileStore.h"
#include "audiofile/CWaveReader.h"
#include "media/CSamples.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "song/Messages.h"

namespace {

using namespace tessaron;
using Clock = std::chrono::steady_clock;

// Settings kept in memory: a run leaves nothing in the user's settings.
class MemoryStore : public IProfileStore {
public:
    int32_t ReadInt(std::string_view key, int32_t fallback) override
    {
        const auto found = values_.find(std::string(key));
        return found == values_.end() ? fallback : std::stoi(found->second);
    }
    std::string ReadString(std::string_view key, std::string_view fallback) override
    {
        const auto found = values_.find(std::string(key));
        return found == values_.end() ? std::string(fallback) : found->second;
    }
    void WriteInt(std::string_view key, int32_t value) override { values_[std::string(key)] = std::to_string(value); }
    void WriteString(std::string_view key, std::string_view value) override
    {
        values_[std::string(key)] = std::string(value);
    }

private:
    std::map<std::string, std::string> values_;
};

// A folder of this run, with the environment of a window without a screen or a sound card.
const std::filesystem::path& Folder()
{
    static const std::filesystem::path folder = [] {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("tessaron-bench-window-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("TESSARON_AUDIO_API", "offline", 1);
        ::setenv("XDG_RUNTIME_DIR", path.c_str(), 1);  // the companion link's socket
        ::setenv("JACK_NO_START_SERVER", "1", 1);
        return path;
    }();
    return folder;
}

QApplication& Application()
{
    Folder();
    static int argc = 1;
    static char name[] = "bench_window";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

// 300 samples of one short loop, and 10,000 recorded plays spread over the song.
std::string BigSong()
{
    const std::string song = (Folder() / "big.tsn").string();
    if (std::filesystem::exists(song)) {
        return song;
    }
    const std::string wave = (Folder() / "loop.wav").string();
    std::vector<uint8_t> pcm(44100 / 10 * 4);  // 0.1 s of a square wave
    for (size_t i = 0; i + 3 < pcm.size(); i += 4) {
        const int16_t value = (i / 4) % 100 < 50 ? 8000 : -8000;
        for (size_t c = 0; c < 2; ++c) {
            pcm[i + 2 * c] = static_cast<uint8_t>(value & 0xFF);
            pcm[i + 2 * c + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
        }
    }
    CWaveReader writer;
    const auto bytes = static_cast<int32_t>(pcm.size());
    if (!writer.CreateForWrite(wave, CWaveReader::MakePcmFormat(false, 44100), bytes) ||
        writer.Write(pcm.data(), bytes) != bytes || !writer.FinishWrite()) {
        return {};
    }
    CChordwayDoc doc;
    doc.SetTempo(120.0f);
    for (int i = 0; i < 300; ++i) {
        auto sample = std::make_unique<CSamples>(wave, "loop " + std::to_string(i), 44100, 100, "", "", 120.0f, 0, 0, 0);
        sample->dataSize = bytes;
        doc.InsertMedium(i, std::move(sample));
    }
    for (int i = 0; i < 10000; ++i) {
        CAction play(CAction::kPlay, doc.MediumAt(i % 300), 0, -1, 0, 0);
        play.SetStart(i * 25);
        play.SetDuration(100);
        play.MusicalFromMs(120.0f);
        doc.InsertEvent(doc.EventCount(), play);
    }
    return CSongFile::Save(doc, song).ok() ? song : std::string();
}

// Notes the first paint of any widget of the main window.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && object->isWidgetType()) {
            painted = true;
        }
        return false;
    }
    bool painted = false;
};

void BM_StartUpToFirstPaintWithABigSong(benchmark::State& state)
{
    QApplication& application = Application();
    const std::string song = BigSong();
    if (song.empty()) {
        state.SkipWithError("the song could not be written");
        return;
    }
    int media = 0;
    int events = 0;
    for (auto _ : state) {
        FirstPaint paint;
        application.installEventFilter(&paint);
        const auto start = Clock::now();
        auto app = std::make_unique<CChordwayApp>(std::make_unique<MemoryStore>());
        if (!app->Start({QStringLiteral("tessaron"), QString::fromStdString(song)})) {
            state.SkipWithError("the window could not be made");
            return;
        }
        while (!paint.painted && Clock::now() - start < std::chrono::seconds(20)) {
            application.processEvents(QEventLoop::AllEvents, 5);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        application.removeEventFilter(&paint);
        media = app->Frame()->Doc().MediaCount();
        events = app->Frame()->Doc().EventCount();
        app->Frame()->close();
        app->Exit();
        app.reset();
        application.processEvents();
    }
    state.counters["media"] = media;
    state.counters["events"] = events;
}
BENCHMARK(BM_StartUpToFirstPaintWithABigSong)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the window's event loop for `seconds` while another thread posts `perSecond` bar-and-beat
// messages through the window's own kind of message sink; answers the CPU of the window's
// thread and of the whole program in percent of one core, the messages posted and how often
// the window took them (the sink hands on only the latest position once per frame).
struct Load {
    double uiPercent = 0.0;
    double processPercent = 0.0;
    int posted = 0;
    int handled = 0;
};

Load RunLoaded(CMainFrame& frame, int perSecond, double seconds)
{
    std::atomic<int> handled{0};
    CGuiMessageSink sink(&frame, [&frame, &handled](uint32_t message, intptr_t first, intptr_t second) {
        frame.OnMessage(message, first, second);
        handled.fetch_add(1, std::memory_order_relaxed);
    });
    std::atomic<bool> stop{false};
    std::atomic<int> posted{0};
    std::thread poster([&] {
        if (perSecond <= 0) {
            return;
        }
        const auto period = std::chrono::nanoseconds(1000000000 / perSecond);
        auto next = Clock::now();
        int beat = 0;
        while (!stop.load()) {
            next += period;
            std::this_thread::sleep_until(next);
            ++beat;
            // bar in the high word of the first value, beat and tick as the scheduler posts them
            sink.post(message::kBarBeat, (beat % 4) * 256, 1 + beat / 4);
            posted.fetch_add(1, std::memory_order_relaxed);
        }
    });
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    const double uiStart = ThreadCpuSeconds();
    const double processStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    loop.exec();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    Load load;
    load.uiPercent = 100.0 * (ThreadCpuSeconds() - uiStart) / wall;
    load.processPercent = 100.0 * (ProcessCpuSeconds() - processStart) / wall;
    stop.store(true);
    poster.join();
    QApplication::processEvents();
    load.handled = handled.load();
    load.posted = posted.load();
    return load;
}

void BM_FiveHundredPositionMessagesASecond(benchmark::State& state)
{
    QApplication& application = Application();
    for (auto _ : state) {
        auto app = std::make_unique<CChordwayApp>(std::make_unique<MemoryStore>());
        if (!app->Start({QStringLiteral("tessaron")})) {
            state.SkipWithError("the window could not be made");
            return;
        }
        application.processEvents();
        const Load idle = RunLoaded(*app->Frame(), 0, 3.0);
        const Load loaded = RunLoaded(*app->Frame(), 500, 5.0);
        state.counters["idle_process_cpu_pct"] = idle.processPercent;
        state.counters["ui_thread_cpu_pct"] = loaded.uiPercent;
        state.counters["process_cpu_pct"] = loaded.processPercent;
        state.counters["messages_per_s"] = loaded.posted / 5.0;
        state.counters["deliveries_per_s"] = loaded.handled / 5.0;
        app->Frame()->close();
        app->Exit();
        app.reset();
        application.processEvents();
    }
}
BENCHMARK(BM_FiveHundredPositionMessagesASecond)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
