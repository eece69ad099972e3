#include "app/CAudioOutputs.h"

#include "audioout/CSoundDevice.h"
#include "framework/INotice.h"

namespace tessaron {

CAudioOutputs::CAudioOutputs() = default;

CAudioOutputs::~CAudioOutputs() { Close(); }

bool CAudioOutputs::Open(const std::vector<CDeviceEntry>& list, const Opener& open, INotice* notice)
{
    Close();
    const size_t count = std::min(list.size(), kMaxDevices);
    for (size_t i = 0; i < count; ++i) {
        std::unique_ptr<CSoundDevice> device = open(list[i]);
        if (device) {
            devices_.push_back(std::move(device));
        } else if (notice != nullptr) {
            notice->show(std::string(kCannotOpenText) + " " + list[i].name, NoticeIcon::Exclamation);
        }
    }
    if (devices_.empty()) {
        if (notice != nullptr) {
            notice->show(kNoOutputText, NoticeIcon::Error);
        }
        return false;
    }
    return true;
}

std::vector<CDeviceEntry> CAudioOutputs::Enumerate()
{
    CSoundDevice probe;
    std::vector<CDeviceEntry> list;
    if (probe.Api() == AudioApi::Offline) {
        // TESSARON_AUDIO_API=offline: one output that plays nowhere, for machines without sound.
        list.push_back({"offline", "offline"});
    } else if (!probe.EnumerateDevices(list, false, false)) {
        list.clear();
    }
    return list;
}

std::unique_ptr<CSoundDevice> CAudioOutputs::OpenDevice(const CDeviceEntry& entry)
{
    return OpenDevice(entry, nullptr);
}

std::unique_ptr<CSoundDevice> CAudioOutputs::OpenDevice(const CDeviceEntry& entry, IMessageSink* lossSink)
{
    auto device = std::make_unique<CSoundDevice>();
    device->SetMessageSink(lossSink);
    if (device->Api() == AudioApi::Offline) {
        return device->Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo) ? std::move(device) : nullptr;
    }
    if (!device->Open(entry.id, -1, 44100, 2, CSoundDevice::kSpeakerStereo)) {
        return nullptr;
    }
    return device;
}

std::vector<CSoundDevice*> CAudioOutputs::Devices() const
{
    std::vector<CSoundDevice*> result;
    for (const auto& device : devices_) {
        result.push_back(device.get());
    }
    return result;
}

std::vector<size_t> CAudioOutputs::LostDevices() const
{
    std::vector<size_t> lost;
    for (size_t i = 0; i < devices_.size(); ++i) {
        if (devices_[i]->Lost()) {
            lost.push_back(i);
        }
    }
    return lost;
}

std::unique_ptr<CSoundDevice> CAudioOutputs::Replace(size_t index, const Opener& open, std::string& problem)
{
    problem.clear();
    if (index >= devices_.size()) {
        problem = "no such output";
        return nullptr;
    }
    const CSoundDevice& old = *devices_[index];
    std::unique_ptr<CSoundDevice> device = open(CDeviceEntry{old.DeviceId(), old.Name()});
    if (!device && !old.DeviceId().empty()) {
        // The server may come back with other device names: its default device will do.
        device = open(CDeviceEntry{"", old.Name()});
    }
    if (!device) {
        problem = std::string(kCannotOpenText) + " " + old.Name();
        return nullptr;
    }
    std::swap(devices_[index], device);
    return device;
}

void CAudioOutputs::Close()
{
    while (!devices_.empty()) {
        devices_.back()->Close();
        devices_.pop_back();
    }
}

}  // namespace tessaron
