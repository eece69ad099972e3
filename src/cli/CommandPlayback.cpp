// Song playback commands: render (offline, to a WAV file) and play (in real time).
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <unistd.h>

#include "audioout/CSoundDevice.h"
#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/OutputChoice.h"
#include "media/CMedia.h"
#include "music/CCompanionLink.h"
#include "music/CLinkServer.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "song/CSongFile.h"
#include "song/CSongRenderer.h"
#include "song/TimeText.h"

namespace tessaron::cli {

namespace {

std::atomic<bool> g_interrupted{false};  // set by Ctrl+C; a signal handler can only reach a global

void OnInterrupt(int) { g_interrupted = true; }

int Fail(const std::string& error)
{
    std::fprintf(stderr, "tessaron-cli: %s\n", error.c_str());
    return 1;
}

bool OpenSong(CChordwayDoc& doc, const std::string& path)
{
    const auto opened = CSongFile::Open(doc, path);
    if (opened.status == CSongFile::Status::NotASongPath) {
        Fail(opened.error);
    }
    return opened.ok();
}

}  // namespace

int RunRender(const Arguments& args)
{
    std::string song, out, end;
    bool mono = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--end" && i + 1 < args.size()) {
            end = args[++i];
        } else if (args[i] == "--mono") {
            mono = true;
        } else if (song.empty()) {
            song = args[i];
        } else if (out.empty()) {
            out = args[i];
        } else {
            song.clear();
            break;
        }
    }
    if (song.empty() || out.empty()) {
        std::fprintf(stderr, "usage: tessaron-cli render SONG.tsn OUT.wav [--end POS] [--mono]\n");
        return 2;
    }

    CSoundDevice offline(AudioApi::Offline);
    if (!offline.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo)) {
        return Fail("cannot make the offline output");
    }
    CMediaOutputs outputs({&offline});
    ConsoleNotice notice;
    ConsoleProgress progress;
    SongEnvironment env;
    env.notice = &notice;
    env.progress = &progress;
    env.loader = &outputs;
    env.audioDeviceCount = 1;
    CChordwayDoc doc(env);
    if (!OpenSong(doc, song)) {
        return 1;
    }
    const int32_t endMs = CSongRenderer::EndTextToMs(doc, end.empty() ? CSongRenderer::DefaultEndText(doc) : end);
    CScheduler scheduler(doc);
    CSongRenderer renderer(doc, scheduler, &progress);
    if (!renderer.Render(out, endMs, mono)) {
        return Fail("render failed: " + renderer.Error());
    }
    std::printf("wrote %s: %s of %s\n", out.c_str(), time_text::FromMs(endMs).c_str(), mono ? "mono" : "stereo");
    return 0;
}

int RunPlay(const Arguments& args)
{
    std::string song, wanted;
    bool listen = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--device" && i + 1 < args.size()) {
            wanted = args[++i];
        } else if (args[i] == "--listen") {
            listen = true;
        } else if (song.empty()) {
            song = args[i];
        } else {
            song.clear();
            break;
        }
    }
    if (song.empty()) {
        std::fprintf(stderr, "usage: tessaron-cli play SONG.tsn [--device NAME] [--listen]\n");
        return 2;
    }
    CSoundDevice device;
    std::string error;
    if (!OpenOutput(device, wanted, error)) {
        return Fail(error);
    }
    CMediaOutputs outputs({&device});
    ConsoleNotice notice;
    SongEnvironment env;
    env.notice = &notice;
    env.loader = &outputs;
    env.audioDeviceCount = 1;
    CChordwayDoc doc(env);
    if (!OpenSong(doc, song)) {
        return 1;
    }
    const int32_t endMs = CMesure(doc.SongLength(), 0.0f).ToMs(doc.EffectiveTempo());
    std::printf("playing %s (%s) on %s; Ctrl+C stops\n", song.c_str(), time_text::FromMs(endMs).c_str(),
                device.Name().c_str());
    std::fflush(stdout);

    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    CScheduler scheduler(doc);
    // With --listen a companion program can hand over media while the song plays.
    CCompanionLink link(doc, &scheduler);
    link.SetAddedCallback([](CMedia& medium) {
        std::printf("added \"%s\" from %s\n", medium.name.c_str(), medium.filePath.c_str());
        std::fflush(stdout);
    });
    CLinkServer server([&link](uint32_t command, std::span<const uint8_t> record) {
        return static_cast<uint32_t>(link.Execute(command, record));
    });
    if (listen) {
        if (!server.Start()) {
            return Fail(server.Error());
        }
        std::printf("listening at %s\n", server.Path().c_str());
        std::fflush(stdout);
    }
    scheduler.Start();
    scheduler.PlaySong();
    const bool terminal = isatty(STDERR_FILENO) != 0;
    int32_t clock = 0;
    while (!g_interrupted) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        bool idle;
        {
            std::lock_guard guard(doc.Lock());
            clock = doc.Clock().clock;
            idle = doc.PendingActions().empty();
        }
        if (terminal) {
            std::fprintf(stderr, "\r%s", time_text::StatusBar(time_text::FromMs(clock)).c_str());
        }
        if (clock >= endMs && idle && !listen) {
            break;
        }
    }
    server.Stop();
    scheduler.StopSong();
    scheduler.ShutDown();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the stop fade out
    if (terminal) {
        std::fprintf(stderr, "\n");
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::printf(g_interrupted ? "stopped\n" : "done\n");
    return 0;
}

}  // namespace tessaron::cli
