#include "audioout/RtAudioBackend.h"

#include <pulse/simple.h>
#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "audioout/AlsaLibraryMessages.h"
#include "audioout/DeadlineTask.h"
#include "audioout/JackLibraryMessages.h"
#include "audioout/SoftwareMixer.h"
#include "audioout/StreamTarget.h"

namespace tessaron {

namespace {

RtAudio::Api ToRtApi(AudioApi api)
{
    switch (api) {
    case AudioApi::Jack: return RtAudio::UNIX_JACK;
    case AudioApi::Pulse: return RtAudio::LINUX_PULSE;
    case AudioApi::Alsa: return RtAudio::LINUX_ALSA;
    default: return RtAudio::RTAUDIO_DUMMY;
    }
}

// A PulseAudio (or PipeWire) server leaves its socket where clients look for it; asking only
// then keeps a machine without one from trying to start one.
bool PulseSocketExists()
{
    if (std::getenv("PULSE_SERVER")) {
        return true;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    return runtime && std::filesystem::exists(std::filesystem::path(runtime) / "pulse" / "native", error);
}

std::shared_ptr<RtAudio> MakeRtAudio(AudioApi api)
{
    QuietAlsaLibrary();
    QuietJackLibrary();
    try {
        auto audio = std::make_shared<RtAudio>(ToRtApi(api));
        audio->showWarnings(false);
        if (audio->getCurrentApi() != ToRtApi(api)) {
            return nullptr;
        }
        return audio;
    } catch (const RtAudioError&) {
        return nullptr;
    }
}

// RtAudio's PulseAudio backend counts a device without connecting: a short playback stream
// tells whether the server answers.
bool PulseAnswers()
{
    const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, 48000, 2};
    int error = 0;
    pa_simple* probe = pa_simple_new(nullptr, "Tessaron probe", PA_STREAM_PLAYBACK, nullptr, "probe", &format,
                                     nullptr, nullptr, &error);
    if (!probe) {
        return false;
    }
    pa_simple_free(probe);
    return true;
}

// Frames of sound asked for before a PulseAudio stream's stalls count: its first writes may
// wait seconds for the server.
constexpr std::chrono::milliseconds kPulseStartGrace{3000};

}  // namespace

RtAudioBackend::RtAudioBackend(AudioApi api, std::string clientName)
    : api_(api), clientName_(std::move(clientName)), audio_(MakeRtAudio(api))
{
}

RtAudioBackend::~RtAudioBackend() { Stop(); }

ServerState RtAudioBackend::ProbeServer(AudioApi api)
{
    if (api == AudioApi::Pulse && !PulseSocketExists()) {
        return ServerState::Absent;
    }
    struct Answer {
        std::atomic<bool> present{false};
    };
    auto answer = std::make_shared<Answer>();
    const bool answered = RunWithin(kServerAnswerLimit, [api, answer] {
        if (api == AudioApi::Pulse) {
            answer->present = PulseAnswers();
            return;
        }
        auto audio = MakeRtAudio(api);
        try {
            answer->present = audio && audio->getDeviceCount() > 0;
        } catch (const RtAudioError&) {
        }
    });
    if (!answered) {
        return ServerState::Silent;
    }
    return answer->present ? ServerState::Answers : ServerState::Absent;
}

std::vector<OutputDeviceInfo> RtAudioBackend::ListDevices()
{
    std::vector<OutputDeviceInfo> devices;
    problem_.clear();
    if (!audio_ || (api_ == AudioApi::Pulse && !PulseSocketExists())) {
        return devices;
    }
    for (int attempt = 0; attempt < 3 && devices.empty() && audio_; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // see Start
        }
        devices = ListOnce();
    }
    return devices;
}

std::vector<OutputDeviceInfo> RtAudioBackend::ListOnce()
{
    auto found = std::make_shared<std::vector<OutputDeviceInfo>>();
    const bool answered = RunWithin(kServerAnswerLimit, [audio = audio_, found] {
        try {
            const unsigned count = audio->getDeviceCount();
            for (unsigned i = 0; i < count; ++i) {
                const RtAudio::DeviceInfo info = audio->getDeviceInfo(i);
                OutputDeviceInfo device;
                device.name = info.name;
                device.outputChannels = info.probed ? info.outputChannels : 0;
                device.rates.assign(info.sampleRates.begin(), info.sampleRates.end());
                device.preferredRate = info.preferredSampleRate;
                device.isDefault = info.isDefaultOutput;
                found->push_back(std::move(device));
            }
        } catch (const RtAudioError&) {
            found->clear();
        }
    });
    if (!answered) {
        Abandon();
        return {};
    }
    return *found;
}

// Opens the stream with a deadline. A late open that finishes after the deadline closes what
// it opened: nobody is waiting for it any more.
RtAudioBackend::OpenResult RtAudioBackend::OpenWithin(unsigned device, uint32_t run, uint32_t channels)
{
    struct Outcome {
        std::mutex mutex;
        bool abandoned = false;
        bool opened = false;
    };
    auto outcome = std::make_shared<Outcome>();
    const bool answered = RunWithin(kServerAnswerLimit, [audio = audio_, target = target_, outcome, device,
                                                         run, channels, api = api_, name = clientName_] {
        RtAudio::StreamParameters output;
        output.deviceId = device;
        output.nChannels = channels;
        RtAudio::StreamOptions options;
        options.streamName = name;
        if (api == AudioApi::Pulse) {
            options.numberOfBuffers = 2;  // regular callbacks instead of bursts
        }
        unsigned int frames = 256;
        bool opened = false;
        try {
            audio->openStream(&output, nullptr, RTAUDIO_FLOAT32, run, &frames, &Callback, target.get(), &options);
            opened = true;
        } catch (const RtAudioError&) {
        }
        std::lock_guard lock(outcome->mutex);
        outcome->opened = opened;
        if (outcome->abandoned && opened) {
            try {
                audio->closeStream();
            } catch (const RtAudioError&) {
            }
        }
    });
    std::lock_guard lock(outcome->mutex);
    if (!answered) {
        outcome->abandoned = true;
        return OpenResult::Silent;
    }
    return outcome->opened ? OpenResult::Opened : OpenResult::Refused;
}

bool RtAudioBackend::Start(unsigned device, const OutputDeviceInfo& info, uint32_t rate,
                           uint32_t channels, SoftwareMixer& mixer)
{
    Stop();
    problem_.clear();
    if (!audio_ || info.outputChannels == 0 || channels == 0) {
        return false;
    }
    // The asked rate when the device takes it, else the rate it prefers (a JACK server's own).
    const bool asked = std::find(info.rates.begin(), info.rates.end(), rate) != info.rates.end();
    uint32_t run = asked ? rate : info.preferredRate;
    if (run == 0 && !info.rates.empty()) {
        run = info.rates.back();
    }
    if (run == 0 || !mixer.SetDeviceRate(run)) {
        return false;
    }
    target_ = std::make_shared<StreamTarget>();
    target_->mixer = &mixer;
    target_->channels = std::min(channels, info.outputChannels);
    mixer_ = &mixer;
    channels_ = target_->channels;
    lost_ = false;
    // A JACK server refuses a client now and then while other clients come and go.
    for (int attempt = 0;; ++attempt) {
        const OpenResult opened = OpenWithin(device, run, channels_);
        if (opened == OpenResult::Silent) {
            Abandon();
            mixer_ = nullptr;
            return false;
        }
        if (opened == OpenResult::Opened) {
            try {
                mixer.StreamStarting();
                audio_->startStream();
                break;
            } catch (const RtAudioError&) {
                if (audio_->isStreamOpen()) {
                    audio_->closeStream();
                }
                mixer.StreamStopped();
            }
        }
        if (attempt == 2) {
            mixer_ = nullptr;
            target_.reset();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    rate_ = audio_->getStreamSampleRate() != 0 ? audio_->getStreamSampleRate() : run;
    StreamWatch::Limits limits;
    limits.stallLimit = std::chrono::milliseconds(1000);
    limits.stallArmedAfter = kPulseStartGrace;
    watch_.Begin(rate_, limits, target_, [this] {
        lost_.store(true, std::memory_order_release);
        if (lossHandler_) {
            lossHandler_();
        }
    });
    return true;
}

void RtAudioBackend::Abandon()
{
    if (target_) {
        target_->Detach();
    }
    if (audio_) {
        problem_ = "the " + AudioServerText(api_) + " does not answer";
    }
    // Whatever still uses the object owns it now; it is closed and freed there, if ever.
    audio_.reset();
}

void RtAudioBackend::Stop()
{
    watch_.End();
    if (!mixer_) {
        return;
    }
    if (lost_) {
        // The server is gone or stopped: closing could wait on it for good. Close on a thread
        // of its own, waited for only briefly, so the caller goes on either way.
        if (target_) {
            target_->Detach();
        }
        RunWithin(std::chrono::milliseconds(200), [audio = std::move(audio_), target = target_]() mutable {
            try {
                if (audio && audio->isStreamOpen()) {
                    audio->abortStream();
                    audio->closeStream();
                }
            } catch (const RtAudioError&) {
            }
            audio.reset();  // before the target its callbacks point to
        });
    } else if (audio_) {
        try {
            if (audio_->isStreamRunning()) {
                audio_->abortStream();  // RtAudio 5.2 waits on an unlocked mutex in stopStream with JACK
            }
            if (audio_->isStreamOpen()) {
                audio_->closeStream();
            }
        } catch (const RtAudioError&) {
        }
    }
    mixer_->StreamStopped();
    mixer_ = nullptr;
    target_.reset();
}

// Audio thread.
int RtAudioBackend::Callback(void* output, void*, unsigned int frames, double, unsigned int,
                             void* user)
{
    auto* target = static_cast<StreamTarget*>(user);
    if (!target->Enter_RT()) {
        std::fill_n(static_cast<float*>(output), static_cast<size_t>(frames) * target->channels, 0.0f);
        return 0;
    }
    target->mixer->Render_RT(static_cast<float*>(output), frames, target->channels);
    target->frames.fetch_add(frames, std::memory_order_relaxed);
    target->Leave_RT();
    return 0;
}

}  // namespace tessaron
