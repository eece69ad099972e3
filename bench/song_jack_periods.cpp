// A 60 s song of 16 voices on a JACK dummy server (48 kHz, 128-frame periods), with media
// loaded as the song starts, closed and loaded again while it plays (some fitted to the song
// tempo by a stretch), stopped, and the stream closed at the end. Prints how many periods the
// server reports the program's client missed ("was not finished"): at the start, while
// playing, and at the end (target 0 each). Skipped when jackd is not installed.
// jack_metro runs on the same server meanwhile as the peer: the periods it misses are what the
// machine itself costs (other programs, a kernel that preempts late), and the ratio says how
// far the program's count is from that floor.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "audiofile/CWaveReader.h"
#include "audioout/CSoundDevice.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "support/ProcessSpawn.h"

extern char** environ;

namespace {

using namespace tessaron;
namespace fs = std::filesystem;

// A private jackd with the dummy driver; its output goes to a log the count is read from.
class DummyJackServer {
public:
    explicit DummyJackServer(const fs::path& folder)
        : name_("tessaron-bench-" + std::to_string(::getpid())), log_(folder / "jackd.log")
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<std::string> args = {"jackd", "-n", name_, "-d", "dummy", "-r", "48000", "-p", "128"};
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "jackd", &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        if (pid_ > 0) {
            setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
            // Ready once jack_lsp reaches it (well under a second here).
            const std::string probe = "JACK_DEFAULT_SERVER=" + name_ + " jack_lsp >/dev/null 2>&1";
            for (int i = 0; i < 50 && !ready_; ++i) {
                ready_ = std::system(probe.c_str()) == 0;
                if (!ready_) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
            }
        }
    }
    ~DummyJackServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Ready() const { return ready_; }
    // Lines of the server's log that report a missed period of the client `client`.
    int MissedPeriods(const std::string& client = "Tessaron") const
    {
        const std::string mark = "client = " + client + " was not finished";
        std::ifstream log(log_);
        int count = 0;
        for (std::string line; std::getline(log, line);) {
            count += line.find(mark) != std::string::npos ? 1 : 0;
        }
        return count;
    }

private:
    std::string name_;
    fs::path log_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

// jack_metro ticking on the server for as long as it lives; it ends on SIGINT.
class PeerClient {
public:
    PeerClient()
    {
        pid_ = test::SpawnQuietly({"/usr/bin/jack_metro", "-b", "120", "-n", kName});
    }
    ~PeerClient()
    {
        if (pid_ <= 0) {
            return;
        }
        kill(pid_, SIGINT);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    bool Running() const { return pid_ > 0; }
    static constexpr const char* kName = "metro";

private:
    pid_t pid_ = -1;
};

std::string WriteLoop(const fs::path& folder, int index, int seconds)
{
    const int rate = 44100;
    const int frames = rate * seconds;
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    const double frequency = 110.0 * (1 + index % 8);
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(std::lround(2000.0 * std::sin(2.0 * M_PI * frequency * i / rate)));
        pcm[2 * static_cast<size_t>(i)] = pcm[2 * static_cast<size_t>(i) + 1] = v;
    }
    const std::string path = (folder / ("loop" + std::to_string(index) + ".wav")).string();
    CWaveReader writer;
    const auto bytes = static_cast<int32_t>(pcm.size() * 2);
    writer.CreateForWrite(path, CWaveReader::MakePcmFormat(false, rate), bytes);
    writer.Write(pcm.data(), bytes);
    writer.FinishWrite();
    return path;
}

void AddEvent(CChordwayDoc& doc, int code, CMedia* medium, int startMs, int durationMs)
{
    CAction event(code, medium, medium->slot, -1, -600, 0);
    event.SetStart(startMs);
    event.SetDuration(durationMs);
    event.MusicalFromMs(doc.EffectiveTempo());
    doc.RecordAction(event);
}

void BM_MissedPeriodsOfASixtySecondSongOnJack(benchmark::State& state)
{
    const fs::path folder = fs::temp_directory_path() / ("tessaron-bench-jack-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (auto _ : state) {
        DummyJackServer server(folder);
        if (!server.Ready()) {
            state.SkipWithError("no JACK server (jackd with the dummy driver) could be started");
            break;
        }
        CSoundDevice device(AudioApi::Jack);
        device.SetClientName("Tessaron");
        if (!device.OpenDefault(nullptr)) {
            state.SkipWithError("cannot open the JACK output");
            break;
        }
        CMediaOutputs outputs({&device});
        SongEnvironment env;
        env.loader = &outputs;
        env.audioDeviceCount = 1;
        CChordwayDoc doc(env);
        doc.SetTempo(120.0f);
        std::vector<CMedia*> media;
        for (int i = 0; i < 16; ++i) {
            auto sample = std::make_unique<CSamples>();
            const std::string path = WriteLoop(folder, i, i < 12 ? 2 : 20);
            sample->OpenForInfo(0, path);
            sample->filePath = path;
            sample->endOffset = sample->duration;
            if (i >= 12) {
                sample->tempo = 110.0f;  // fitted to the song by a stretch at every load
                sample->stretchMode = 1;
            }
            media.push_back(doc.InsertMedium(doc.MediaCount(), std::move(sample)));
        }
        // Every voice plays every two seconds; every 7.5 s a quarter of them are closed and
        // loaded again by their next play, and some are stopped early.
        for (int t = 0; t < 60000; t += 2000) {
            for (int i = 0; i < 16; ++i) {
                const int start = t + i * 20;
                AddEvent(doc, CAction::kPlay, media[static_cast<size_t>(i)], start, 1900);
                if (i % 5 == 0) {
                    AddEvent(doc, CAction::kStop, media[static_cast<size_t>(i)], start + 900, 0);
                }
                if ((t / 2000) % 4 == 3 && i % 4 == t / 2000 % 4) {
                    AddEvent(doc, CAction::kClose, media[static_cast<size_t>(i)], start + 1950, 0);
                }
            }
        }
        doc.ComputeSongLength();

        auto peer = std::make_unique<PeerClient>();
        CScheduler scheduler(doc);
        scheduler.Start();
        const int before = server.MissedPeriods();
        const int peerBefore = server.MissedPeriods(PeerClient::kName);
        scheduler.PlaySong();  // loads every medium
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const int atStart = server.MissedPeriods();
        std::this_thread::sleep_for(std::chrono::seconds(59));
        const int playing = server.MissedPeriods();
        scheduler.StopSong();
        scheduler.ShutDown();
        doc.DeleteContents();
        device.Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const int atEnd = server.MissedPeriods();
        const bool peerRan = peer->Running();
        peer.reset();
        const int peerMissed = server.MissedPeriods(PeerClient::kName) - peerBefore;
        state.counters["missed_before"] = before;
        state.counters["missed_at_start"] = atStart - before;
        state.counters["missed_playing"] = playing - atStart;
        state.counters["missed_at_end"] = atEnd - playing;
        state.counters["missed_total"] = atEnd;
        if (peerRan) {
            // Over the same span as missed_at_start + missed_playing + missed_at_end.
            state.counters["peer_missed"] = peerMissed;
            state.counters["ratio_to_peer"] = static_cast<double>(atEnd - before) / std::max(peerMissed, 1);
        }
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_MissedPeriodsOfASixtySecondSongOnJack)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
