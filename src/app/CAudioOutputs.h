#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audioout/CDeviceEntry.h"

namespace tessaron {

class CSoundDevice;
class IMessageSink;
class INotice;

// The program's audio output devices: at most 24, the first the current one. Plain C++ so that
// the choice can be tested without windows.
class CAudioOutputs {
public:
    static constexpr size_t kMaxDevices = 24;
    static constexpr const char* kNoOutputText = "No audio output device can be used: Tessaron cannot start.";
    static constexpr const char* kCannotOpenText = "Cannot open the audio output device";

    // Opens one listed device for 44100 Hz, 2 channels, 16-bit stereo frames; null on failure.
    using Opener = std::function<std::unique_ptr<CSoundDevice>(const CDeviceEntry&)>;

    CAudioOutputs();
    ~CAudioOutputs();
    CAudioOutputs(const CAudioOutputs&) = delete;
    CAudioOutputs& operator=(const CAudioOutputs&) = delete;

    // Opens the first 24 of `list`; a device that fails is reported with its name and left
    // out. With none listed or none left, reports that and answers false.
    bool Open(const std::vector<CDeviceEntry>& list, const Opener& open, INotice* notice);
    // The output devices of the audio system in use (TESSARON_AUDIO_API, else the first that
    // runs), and the opener for them.
    static std::vector<CDeviceEntry> Enumerate();
    static std::unique_ptr<CSoundDevice> OpenDevice(const CDeviceEntry& entry);
    // The same, with the loss of the running output posted to `lossSink`.
    static std::unique_ptr<CSoundDevice> OpenDevice(const CDeviceEntry& entry, IMessageSink* lossSink);

    // The places of the devices whose running output was lost.
    std::vector<size_t> LostDevices() const;
    // Opens the device at `index` afresh: the same device by its identifier, else the audio
    // system's default one. On success the new device takes the place and the old one is
    // handed back (still open, so that what plays on it can move first); null on failure,
    // with `problem` saying why and the old device left in place.
    std::unique_ptr<CSoundDevice> Replace(size_t index, const Opener& open, std::string& problem);

    std::vector<CSoundDevice*> Devices() const;
    size_t Count() const { return devices_.size(); }
    CSoundDevice* Current() const { return devices_.empty() ? nullptr : devices_.front().get(); }
    // Stops and frees every device, last opened first.
    void Close();

private:
    std::vector<std::unique_ptr<CSoundDevice>> devices_;
};

}  // namespace tessaron
