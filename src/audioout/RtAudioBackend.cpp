#include "audioout/RtAudioBackend.h"

#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "audioout/SoftwareMixer.h"

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

std::unique_ptr<RtAudio> MakeRtAudio(AudioApi api)
{
    try {
        auto audio = std::make_unique<RtAudio>(ToRtApi(api));
        audio->showWarnings(false);
        if (audio->getCurrentApi() != ToRtApi(api)) {
            return nullptr;
        }
        return audio;
    } catch (const RtAudioError&) {
        return nullptr;
    }
}

}  // namespace

RtAudioBackend::RtAudioBackend(AudioApi api, std::string clientName)
    : api_(api), clientName_(std::move(clientName)), audio_(MakeRtAudio(api))
{
}

RtAudioBackend::~RtAudioBackend() { Stop(); }

bool RtAudioBackend::ServerRuns(AudioApi api)
{
    if (api == AudioApi::Pulse && !PulseSocketExists()) {
        return false;
    }
    auto audio = MakeRtAudio(api);
    try {
        return audio && audio->getDeviceCount() > 0;
    } catch (const RtAudioError&) {
        return false;
    }
}

std::vector<OutputDeviceInfo> RtAudioBackend::ListDevices()
{
    std::vector<OutputDeviceInfo> devices;
    if (!audio_ || (api_ == AudioApi::Pulse && !PulseSocketExists())) {
        return devices;
    }
    for (int attempt = 0; attempt < 3 && devices.empty(); ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // see Start
        }
        devices = ListOnce();
    }
    return devices;
}

std::vector<OutputDeviceInfo> RtAudioBackend::ListOnce()
{
    std::vector<OutputDeviceInfo> devices;
    try {
        const unsigned count = audio_->getDeviceCount();
        for (unsigned i = 0; i < count; ++i) {
            const RtAudio::DeviceInfo info = audio_->getDeviceInfo(i);
            OutputDeviceInfo device;
            device.name = info.name;
            device.outputChannels = info.probed ? info.outputChannels : 0;
            device.rates.assign(info.sampleRates.begin(), info.sampleRates.end());
            device.preferredRate = info.preferredSampleRate;
            device.isDefault = info.isDefaultOutput;
            devices.push_back(std::move(device));
        }
    } catch (const RtAudioError&) {
        devices.clear();
    }
    return devices;
}

bool RtAudioBackend::Start(unsigned device, const OutputDeviceInfo& info, uint32_t rate,
                           uint32_t channels, SoftwareMixer& mixer)
{
    Stop();
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
    RtAudio::StreamParameters output;
    output.deviceId = device;
    output.nChannels = std::min(channels, info.outputChannels);
    RtAudio::StreamOptions options;
    options.streamName = clientName_;
    if (api_ == AudioApi::Pulse) {
        options.numberOfBuffers = 2;  // regular callbacks instead of bursts
    }
    unsigned int frames = 256;
    mixer_ = &mixer;
    channels_ = output.nChannels;
    // A JACK server refuses a client now and then while other clients come and go.
    for (int attempt = 0;; ++attempt) {
        try {
            audio_->openStream(&output, nullptr, RTAUDIO_FLOAT32, run, &frames, &Callback, this,
                               &options);
            mixer.StreamStarting();
            audio_->startStream();
            break;
        } catch (const RtAudioError&) {
            if (audio_->isStreamOpen()) {
                audio_->closeStream();
            }
            mixer.StreamStopped();
        }
        if (attempt == 2) {
            mixer_ = nullptr;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    rate_ = audio_->getStreamSampleRate() != 0 ? audio_->getStreamSampleRate() : run;
    running_ = true;
    return true;
}

void RtAudioBackend::Stop()
{
    if (!audio_ || !mixer_) {
        return;
    }
    try {
        if (audio_->isStreamRunning()) {
            audio_->abortStream();  // RtAudio 5.2 waits on an unlocked mutex in stopStream with JACK
        }
        if (audio_->isStreamOpen()) {
            audio_->closeStream();
        }
    } catch (const RtAudioError&) {
    }
    mixer_->StreamStopped();
    mixer_ = nullptr;
    running_ = false;
}

// Audio thread.
int RtAudioBackend::Callback(void* output, void*, unsigned int frames, double, unsigned int,
                             void* user)
{
    auto* self = static_cast<RtAudioBackend*>(user);
    self->mixer_->Render_RT(static_cast<float*>(output), frames, self->channels_);
    return 0;
}

}  // namespace tessaron
