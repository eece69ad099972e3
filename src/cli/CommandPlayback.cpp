// Song playback commands: render (offline, to a WAV file) and play (in real time).
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "audioout/CSoundDevice.h"
#include "cli/ArgumentChecks.h"
#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/MediaProblems.h"
#include "cli/OutputChoice.h"
#include "framework/IMessageSink.h"
#include "framework/TimeText.h"
#include "media/CMedia.h"
#include "midi/CMidiService.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "song/CSongFile.h"
#include "song/CSongRenderer.h"

namespace tessaron::cli {

namespace {

std::atomic<int> g_signal{0};  // the SIGINT or SIGTERM that arrived; a handler can only reach a global

void OnSignal(int number) { g_signal = number; }

// Hears the device's notice that the output was lost, as the program window would.
class OutputLossListener : public IMessageSink {
public:
    void post(uint32_t message, intptr_t, intptr_t) override
    {
        if (message == CSoundDevice::kMessageOutputLost) {
            lost_ = true;
        }
    }
    bool Lost() const { return lost_; }

private:
    std::atomic<bool> lost_{false};
};

// Whether `path` names this process's standard output, so that a report goes elsewhere.
bool IsStandardOutput(const std::string& path)
{
    struct stat named {};
    struct stat out {};
    return stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &out) == 0 && named.st_dev == out.st_dev &&
           named.st_ino == out.st_ino;
}

// Music and MIDI media play live only: the render mixes samples.
void WarnUnrendered(const CChordwayDoc& doc, const std::string& song)
{
    for (int i = 0; i < doc.MediaCount(); ++i) {
        if (doc.MediumAt(i)->kind != CMedia::kKindSample) {
            Warn(song, "music and MIDI media are silent in a render; only samples are mixed");
            return;
        }
    }
}

}  // namespace

int RunRender(const Arguments& args)
{
    std::string song, out, end;
    bool mono = false;
    bool endGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--end") {
            if (i + 1 == args.size()) {
                return Refuse("--end", "needs a position BAR.BEAT.FRACTION or a time HH:MM:SS.mmm");
            }
            end = args[++i];
            endGiven = true;
        } else if (args[i] == "--mono") {
            mono = true;
        } else if (args[i].starts_with("--")) {
            return Refuse(args[i], "unknown option of render");
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
        return Usage("render SONG.tsn OUT.wav [--end POS] [--mono]");
    }

    CSoundDevice offline(AudioApi::Offline);
    if (!offline.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo)) {
        return Fail(out, "cannot make the offline output");
    }
    CMediaOutputs outputs({&offline});
    ConsoleNotice notice(song);
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
    if (endGiven) {
        if (const std::string why = CheckEnd(end, doc.BeatsPerBar()); !why.empty()) {
            return Refuse("--end", why);
        }
    }
    const int32_t endMs = CSongRenderer::EndTextToMs(doc, end.empty() ? CSongRenderer::DefaultEndText(doc) : end);
    WarnSilentMedia(doc, song, true);
    WarnUnrendered(doc, song);
    CScheduler scheduler(doc);
    CSongRenderer renderer(doc, scheduler, &progress);
    if (!renderer.Render(out, endMs, mono)) {
        return Fail(out, renderer.Error());
    }
    std::fprintf(IsStandardOutput(out) ? stderr : stdout, "wrote %s: %s of %s\n", out.c_str(),
                 time_text::FromMs(endMs).c_str(), mono ? "mono" : "stereo");
    return 0;
}

int RunPlay(const Arguments& args)
{
    std::string song, wanted;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--device" && i + 1 < args.size()) {
            wanted = args[++i];
        } else if (song.empty()) {
            song = args[i];
        } else {
            song.clear();
            break;
        }
    }
    if (song.empty()) {
        return Usage("play SONG.tsn [--device NAME]");
    }
    CSoundDevice device;
    OutputLossListener loss;
    device.SetMessageSink(&loss);
    std::string error;
    if (!OpenOutput(device, wanted, error)) {
        return Fail(wanted.empty() ? "output" : wanted, error);
    }
    // MIDI media play through the built-in synthesizer on the device; those meant for an outside
    // port go to our MIDI output port when a MIDI system runs.
    CMidiService midi;
    if (midi.Create()) {
        midi.OpenOutput("");
    }
    CMediaOutputs outputs({&device}, &midi);
    ConsoleNotice notice(song);
    SongEnvironment env;
    env.notice = &notice;
    env.loader = &outputs;
    env.audioDeviceCount = 1;
    env.midiOutputPortCount = midi.OutputOpen() ? 1 : 0;
    CChordwayDoc doc(env);
    if (!OpenSong(doc, song)) {
        return 1;
    }
    WarnSilentMedia(doc, song, true);
    const int32_t endMs = CMesure(doc.SongLength(), 0.0f).ToMs(doc.EffectiveTempo());
    std::printf("playing %s (%s) on %s; Ctrl+C stops\n", song.c_str(), time_text::FromMs(endMs).c_str(),
                device.Name().c_str());
    std::fflush(stdout);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    CScheduler scheduler(doc);
    scheduler.Start();
    scheduler.PlaySong();
    const bool terminal = StderrIsTerminal();
    int32_t clock = 0;
    while (g_signal == 0 && !loss.Lost()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        bool idle;
        {
            std::lock_guard guard(doc.Lock());
            clock = doc.Clock().clock;
            idle = !doc.Transport().HasPending();
        }
        if (terminal) {
            std::fprintf(stderr, "\r%s", time_text::StatusBar(time_text::FromMs(clock)).c_str());
        }
        if (clock >= endMs && idle) {
            break;
        }
    }
    scheduler.StopSong();
    scheduler.ShutDown();
    if (!loss.Lost()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the stop fade out
    }
    if (terminal) {
        std::fprintf(stderr, "\n");
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (loss.Lost()) {
        return Fail(song, "the audio output was lost");
    }
    const int signal = g_signal;
    std::printf(signal != 0 ? "stopped\n" : "done\n");
    return signal != 0 ? 128 + signal : 0;  // the shell's status for a process ended by a signal
}

}  // namespace tessaron::cli
