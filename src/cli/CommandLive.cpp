// tessaron-cli live: the song's media played from a MIDI keyboard with the trigger rules.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "audioout/CSoundDevice.h"
#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/Interruption.h"
#include "cli/OutputChoice.h"
#include "framework/INotice.h"
#include "midi/CMidiService.h"
#include "midi/IMidiInputTarget.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "song/CSongFile.h"
#include "song/CTriggerRules.h"

namespace tessaron::cli {

namespace {

struct LiveOptions {
    std::string song, device, midiIn, midiOut, record;
    double seconds = 0.0;  // 0: until Ctrl+C
    int32_t channel = CMidiService::kChannelOmni;
    bool thru = false;
};

bool ParseLive(const Arguments& args, LiveOptions& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--device" && hasValue) {
            options.device = args[++i];
        } else if (args[i] == "--midi-in" && hasValue) {
            options.midiIn = args[++i];
        } else if (args[i] == "--midi-out" && hasValue) {
            options.midiOut = args[++i];
        } else if (args[i] == "--record" && hasValue) {
            options.record = args[++i];
        } else if (args[i] == "--seconds" && hasValue) {
            char* end = nullptr;
            options.seconds = std::strtod(args[++i].c_str(), &end);
            if (end == nullptr || *end != '\0' || !(options.seconds > 0.0)) {
                return false;
            }
        } else if (args[i] == "--channel" && hasValue) {
            char* end = nullptr;
            const long channel = std::strtol(args[++i].c_str(), &end, 10);
            if (end == nullptr || *end != '\0' || !CSettings::kMidiCanal.Contains(static_cast<int32_t>(channel))) {
                return false;
            }
            options.channel = static_cast<int32_t>(channel);
        } else if (args[i] == "--thru") {
            options.thru = true;
        } else if (options.song.empty() && args[i].rfind("--", 0) != 0) {
            options.song = args[i];
        } else {
            return false;
        }
    }
    return !options.song.empty();
}

// MIDI input goes straight into the trigger rules, on the service's input thread.
class LiveTarget : public IMidiInputTarget {
public:
    explicit LiveTarget(CTriggerRules& rules) : rules_(rules) {}
    void send(uint32_t, int, uint32_t packed) override { rules_.HandleMessage(packed); }

private:
    CTriggerRules& rules_;
};

}  // namespace

int RunLive(const Arguments& args)
{
    LiveOptions options;
    if (!ParseLive(args, options)) {
        return Usage("live SONG.tsn [--device NAME] [--midi-in NAME] [--midi-out NAME] [--record OUT.tsn] "
                     "[--seconds S] [--channel 0..17] [--thru]");
    }
    ConsoleNotice notice(options.song);
    CMidiService midi;
    if (!midi.Create()) {
        return Fail("MIDI", std::string(notice_text::kNoMidiDeviceFound) + " (" + midi.Error() + ")");
    }
    CSoundDevice device;
    std::string error;
    if (!OpenOutput(device, options.device, error)) {
        return Fail(options.device.empty() ? "output" : options.device, error);
    }
    CMediaOutputs outputs({&device}, &midi);
    SongEnvironment env;
    env.notice = &notice;
    env.loader = &outputs;
    env.audioDeviceCount = 1;
    env.midiOutputPortCount = 1;
    env.settings.midiCanal = options.channel;
    env.settings.midiThru = options.thru;
    CChordwayDoc doc(env);
    if (!OpenSong(doc, options.song)) {
        return 1;
    }

    CScheduler scheduler(doc);
    CTriggerRules rules(doc, scheduler);
    LiveTarget target(rules);
    midi.SetChannel(options.channel);
    midi.SetThru(options.thru);
    midi.SetTarget(&target);
    // A port that cannot be found leaves ours open for others to connect to.
    if (!midi.OpenInput(options.midiIn)) {
        notice.show(CMidiService::ProblemText(CMidiService::kInputProblem, options.midiIn), NoticeIcon::Exclamation);
        midi.OpenInput("");
    }
    if (!midi.OpenOutput(options.midiOut)) {
        notice.show(CMidiService::ProblemText(CMidiService::kOutputProblem, options.midiOut), NoticeIcon::Exclamation);
        midi.OpenOutput("");
    }
    scheduler.Start();
    if (!options.record.empty()) {
        scheduler.ToggleRecordMode();
    }
    std::printf("live: %s on %s, MIDI in %s (%s)%s; Ctrl+C stops\n", options.song.c_str(), device.Name().c_str(),
                midi.InputPortName().c_str(), MidiApiName(midi.Api()), options.record.empty() ? "" : ", recording");
    std::fflush(stdout);

    Interruption interruption;
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::duration<double>(options.seconds);
    while (!interruption.Requested() &&
           (options.seconds <= 0.0 || std::chrono::steady_clock::now() - start < limit)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    midi.SetTarget(nullptr);
    midi.CloseInput();
    if (doc.Transport().RecordMode()) {
        scheduler.ToggleRecordMode();  // ends the pass: the song's length takes in what was played
    }
    scheduler.StopSong();
    scheduler.ShutDown();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the stop fade out
    std::printf("%s after %llu MIDI messages\n", interruption.Requested() ? "stopped" : "done",
                static_cast<unsigned long long>(midi.DeliveredInput()));
    if (!options.record.empty()) {
        const auto saved = CSongFile::Save(doc, options.record);
        if (!saved.ok()) {
            return Fail(options.record, saved.error);
        }
        std::printf("recorded %d events into %s\n", doc.EventCount(), options.record.c_str());
    }
    return 0;
}

}  // namespace tessaron::cli
