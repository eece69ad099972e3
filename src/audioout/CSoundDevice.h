#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audioout/AudioApi.h"
#include "audioout/CDeviceEntry.h"
#include "audioout/CSoundBuffer.h"
#include "audioout/CSystemMixer.h"
#include "audioout/WaveFormat.h"

namespace tessaron {

class IMessageSink;
class IOutputBackend;
class OfflineBackend;
class SoftwareMixer;

// One audio output device: enumeration, the running device stream (the "primary buffer"), the
// factory of sound buffers, the master volume and pan, and the card's mixer lines.
//
// Lifecycle: Create (device chosen, mixing format set) -> StartPrimary (stream running) ->
// Close. Open and OpenDefault do both. Buffers may outlive Close: they then play nowhere.
// Calls come from the user-interface thread or the scheduler; the mixing runs on the audio
// system's own thread.
class CSoundDevice {
public:
    static constexpr int kSpeakerStereo = 4;
    // Posted to the message sink when the running output is lost (its sound server went away
    // or stopped answering): first = the AudioApi as a number, second = 0. Posted once per
    // start, from a thread of the device; the program window tells the user and may Open the
    // device again once a server runs.
    static constexpr uint32_t kMessageOutputLost = 1060;

    // The API is resolved once here: TESSARON_AUDIO_API, else `api`, else the first that runs.
    explicit CSoundDevice(AudioApi api = AudioApi::Auto);
    // Servers passed over while resolving the API because they did not answer, for the user.
    const std::vector<std::string>& ProbeNotes() const { return probeNotes_; }
    ~CSoundDevice();
    CSoundDevice(const CSoundDevice&) = delete;
    CSoundDevice& operator=(const CSoundDevice&) = delete;

    AudioApi Api() const { return api_; }
    // The name the stream shows in the sound server ("Tessaron"); takes effect at Create.
    void SetClientName(std::string name) { clientName_ = std::move(name); }
    // The device's window: where the loss of the output is posted (kMessageOutputLost), and
    // where the players of this device post their notices (a music medium's end). May be null.
    void SetMessageSink(IMessageSink* sink) { sink_ = sink; }
    IMessageSink* MessageSink() const { return sink_; }

    // Output devices of the API in its order; with either flag, those failing TestDevice are
    // left out. Answers false when the API reports none.
    bool EnumerateDevices(std::vector<CDeviceEntry>& list, bool requireStereo16, bool rejectEmulated);
    bool TestDevice(const std::string& id, bool requireStereo16, bool rejectEmulated);

    // `window` is accepted for the callers' sake and unused. An empty id is the default device.
    bool Create(void* window, const std::string& id, uint32_t rate, uint16_t channels,
                int speakerConfig);
    bool OpenDefault(void* window);  // Create(window, "", 44100, 2, 4), StartPrimary
    bool Open(const std::string& id, int mixerIndex, uint32_t rate, uint16_t channels,
              int speakerConfig);
    // Starts the stream: at the format's rate when the device allows it, else at its own.
    bool StartPrimary();
    // The output is mixed afresh every block, so there is nothing stale to clear: answers
    // whether the stream runs.
    bool ClearPrimary();
    void Close();

    // A buffer of silence, or one that plays `content` (desc.bufferBytes long) without a copy.
    std::unique_ptr<CSoundBuffer> CreateSecondary(const SoundBufferDesc& desc,
                                                  std::shared_ptr<const SoundBlock> content = nullptr);
    std::unique_ptr<CSoundBuffer> DuplicateSecondary(const CSoundBuffer& buffer);

    // Volume -10000..0 and pan -10000..10000 in hundredths of a decibel, on the whole output.
    bool SetMasterVolume(int32_t hundredthsDb);
    bool SetMasterPan(int32_t hundredthsDb);
    int32_t GetMasterVolume() const { return masterVolume_; }
    int32_t GetMasterPan() const { return masterPan_; }

    // The system mixer of the card, opened by Open or here; -1 means none.
    bool OpenMixer(int index) { return systemMixer_.OpenMixer(index); }
    CSystemMixer& SystemMixer() { return systemMixer_; }

    // Offline API only: mixes the next frames on the calling thread (interleaved, Channels()).
    bool Pull(float* output, uint32_t frames);

    bool Created() const { return mixer_ != nullptr; }
    bool Started() const { return started_; }
    // Whether the running output was lost; Close, then Open again once a server runs.
    bool Lost() const;
    // Why the last enumeration or start found nothing, for the user ("the JACK server 'x'
    // does not answer"); empty when nothing failed that way.
    const std::string& Problem() const { return problem_; }
    const std::string& Name() const { return name_; }
    const std::string& DeviceId() const { return deviceId_; }
    // The mixing format asked for in Create.
    const WaveFormat& Format() const { return format_; }
    // The rate and channels the stream runs at (the format's until started).
    uint32_t Rate() const;
    uint32_t Channels() const;
    std::shared_ptr<SoftwareMixer> Mixer() const { return mixer_; }

private:
    struct Found {
        int index = -1;
        OutputDeviceInfo info;
        std::string id;
    };
    std::vector<Found> ListFound();
    Found FindDevice(const std::string& id);
    std::unique_ptr<IOutputBackend> MakeBackend() const;
    void SendMasterGain();

    std::vector<std::string> probeNotes_;
    AudioApi api_;
    std::string clientName_ = "Tessaron";
    IMessageSink* sink_ = nullptr;
    std::string problem_;
    std::unique_ptr<IOutputBackend> backend_;
    OfflineBackend* offline_ = nullptr;  // backend_ when offline
    std::shared_ptr<SoftwareMixer> mixer_;
    WaveFormat format_;
    int speakerConfig_ = kSpeakerStereo;
    std::string deviceId_;
    std::string name_;
    int deviceIndex_ = -1;
    OutputDeviceInfo deviceInfo_;
    bool started_ = false;
    int32_t masterVolume_ = 0;
    int32_t masterPan_ = 0;
    CSystemMixer systemMixer_;
};

}  // namespace tessaron
