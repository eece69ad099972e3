#include "song/CMediaOutputs.h"

#include "media/CMedia.h"

namespace tessaron {

CSoundDevice* CMediaOutputs::Device(int index) const
{
    if (devices_.empty()) {
        return nullptr;
    }
    return index >= 0 && index < DeviceCount() ? devices_[static_cast<size_t>(index)] : devices_.front();
}

bool CMediaOutputs::OpenMedium(CMedia& medium, float tempo)
{
    CSoundDevice* device = Device(medium.deviceIndex);
    medium.SetMidiService(midi_);
    return device != nullptr && medium.Open(device, tempo);
}

}  // namespace tessaron
