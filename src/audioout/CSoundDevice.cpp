#include "audioout/CSoundDevice.h"

#include <map>

#include "audioout/Gain.h"
#include "audioout/JackOutputBackend.h"
#include "audioout/OfflineBackend.h"
#include "audioout/RtAudioBackend.h"
#include "audioout/SoftwareMixer.h"
#include "framework/IMessageSink.h"

namespace tessaron {

CSoundDevice::CSoundDevice(AudioApi api) : api_(ResolveAudioApi(api, &probeNotes_)) {}

CSoundDevice::~CSoundDevice() { Close(); }

std::unique_ptr<IOutputBackend> CSoundDevice::MakeBackend() const
{
    if (api_ == AudioApi::Offline) {
        return std::make_unique<OfflineBackend>();
    }
    if (api_ == AudioApi::Jack) {
        return std::make_unique<JackOutputBackend>(clientName_);
    }
    return std::make_unique<RtAudioBackend>(api_, clientName_);
}

// Devices with outputs, with their identifiers: the API's name, the device's name, and "#n"
// for the n-th device of the same name.
std::vector<CSoundDevice::Found> CSoundDevice::ListFound()
{
    std::unique_ptr<IOutputBackend> backend = MakeBackend();
    std::vector<Found> found;
    std::map<std::string, int> seen;
    const std::vector<OutputDeviceInfo> devices = backend->ListDevices();
    problem_ = backend->Problem();
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].outputChannels == 0) {
            continue;  // capture-only
        }
        const int count = ++seen[devices[i].name];
        std::string id = std::string(AudioApiName(api_)) + ":" + devices[i].name;
        if (count > 1) {
            id += "#" + std::to_string(count);
        }
        found.push_back({static_cast<int>(i), devices[i], id});
    }
    return found;
}

CSoundDevice::Found CSoundDevice::FindDevice(const std::string& id)
{
    std::vector<Found> found = ListFound();
    for (const Found& device : found) {
        if (id.empty() ? device.info.isDefault : device.id == id) {
            return device;
        }
    }
    if (id.empty() && !found.empty()) {
        return found.front();
    }
    return {};
}

bool CSoundDevice::EnumerateDevices(std::vector<CDeviceEntry>& list, bool requireStereo16,
                                    bool rejectEmulated)
{
    const std::vector<Found> found = ListFound();
    for (const Found& device : found) {
        if ((requireStereo16 || rejectEmulated) &&
            !PassesDeviceTest(device.info, requireStereo16, rejectEmulated)) {
            continue;
        }
        AppendDeviceEntry(list, device.id, device.info.name);
    }
    return !found.empty();
}

bool CSoundDevice::TestDevice(const std::string& id, bool requireStereo16, bool rejectEmulated)
{
    const Found device = FindDevice(id);
    return device.index >= 0 && PassesDeviceTest(device.info, requireStereo16, rejectEmulated);
}

bool CSoundDevice::Create(void*, const std::string& id, uint32_t rate, uint16_t channels,
                          int speakerConfig)
{
    Close();
    const Found device = FindDevice(id);
    if (device.index < 0 || rate == 0 || channels == 0) {
        return false;
    }
    backend_ = MakeBackend();
    offline_ = api_ == AudioApi::Offline ? static_cast<OfflineBackend*>(backend_.get()) : nullptr;
    mixer_ = std::make_shared<SoftwareMixer>(rate);
    format_ = WaveFormat::Pcm16(rate, channels);
    speakerConfig_ = speakerConfig;
    deviceId_ = device.id;
    name_ = device.info.name;
    deviceIndex_ = device.index;
    deviceInfo_ = device.info;
    SendMasterGain();
    return true;
}

bool CSoundDevice::OpenDefault(void* window)
{
    return Create(window, "", 44100, 2, kSpeakerStereo) && StartPrimary();
}

bool CSoundDevice::Open(const std::string& id, int mixerIndex, uint32_t rate, uint16_t channels,
                        int speakerConfig)
{
    if (!Create(nullptr, id, rate, channels, speakerConfig) || !StartPrimary()) {
        return false;
    }
    if (mixerIndex >= 0) {
        OpenMixer(mixerIndex);
    }
    return true;
}

bool CSoundDevice::StartPrimary()
{
    if (!mixer_) {
        return false;
    }
    if (started_) {
        return true;
    }
    backend_->SetLossHandler([this] {
        if (sink_) {
            sink_->post(kMessageOutputLost, static_cast<intptr_t>(api_), 0);
        }
    });
    started_ = backend_->Start(static_cast<unsigned>(deviceIndex_), deviceInfo_, format_.samplesPerSec,
                               format_.channels, *mixer_);
    problem_ = backend_->Problem();
    return started_;
}

bool CSoundDevice::ClearPrimary() { return started_; }

bool CSoundDevice::Lost() const { return started_ && backend_ && backend_->Lost(); }

void CSoundDevice::Close()
{
    systemMixer_.Close();
    if (backend_) {
        backend_->Stop();
    }
    backend_.reset();
    offline_ = nullptr;
    mixer_.reset();  // buffers still alive keep it until they go
    started_ = false;
    deviceIndex_ = -1;
}

std::unique_ptr<CSoundBuffer> CSoundDevice::CreateSecondary(const SoundBufferDesc& desc,
                                                           std::shared_ptr<const SoundBlock> content)
{
    return mixer_ ? CSoundBuffer::Create(mixer_, desc, std::move(content)) : nullptr;
}

std::unique_ptr<CSoundBuffer> CSoundDevice::DuplicateSecondary(const CSoundBuffer& buffer)
{
    return buffer.Duplicate();
}

void CSoundDevice::SendMasterGain()
{
    if (!mixer_) {
        return;
    }
    float left = 0.0f;
    float right = 0.0f;
    PanGains(masterPan_, left, right);
    const float level = GainFromHundredthsDb(masterVolume_);
    mixer_->SetMasterGain(level * left, level * right);
}

bool CSoundDevice::SetMasterVolume(int32_t hundredthsDb)
{
    if (!mixer_ || hundredthsDb < BufferLimits::VolumeMin || hundredthsDb > BufferLimits::VolumeMax) {
        return false;
    }
    masterVolume_ = hundredthsDb;
    SendMasterGain();
    return true;
}

bool CSoundDevice::SetMasterPan(int32_t hundredthsDb)
{
    if (!mixer_ || hundredthsDb < BufferLimits::PanLeft || hundredthsDb > BufferLimits::PanRight) {
        return false;
    }
    masterPan_ = hundredthsDb;
    SendMasterGain();
    return true;
}

bool CSoundDevice::Pull(float* output, uint32_t frames)
{
    return offline_ && started_ && offline_->Pull(output, frames);
}

uint32_t CSoundDevice::Rate() const
{
    return started_ && backend_ ? backend_->Rate() : format_.samplesPerSec;
}

uint32_t CSoundDevice::Channels() const
{
    return started_ && backend_ ? backend_->Channels() : format_.channels;
}

}  // namespace tessaron
