#include "audioout/OfflineBackend.h"

#include <algorithm>

#include "audioout/SoftwareMixer.h"

namespace tessaron {

std::vector<OutputDeviceInfo> OfflineBackend::ListDevices()
{
    OutputDeviceInfo device;
    device.name = kDeviceName;
    device.outputChannels = 2;
    device.rates = {22050, 44100, 48000, 88200, 96000};
    device.preferredRate = 48000;
    device.isDefault = true;
    return {device};
}

bool OfflineBackend::Start(unsigned device, const OutputDeviceInfo&, uint32_t rate, uint32_t channels,
                           SoftwareMixer& mixer)
{
    Stop();
    if (device != 0 || rate == 0 || channels == 0 || !mixer.SetDeviceRate(rate)) {
        return false;
    }
    rate_ = rate;
    channels_ = std::min<uint32_t>(channels, 2);
    mixer_ = &mixer;
    mixer.StreamStarting();
    return true;
}

void OfflineBackend::Stop()
{
    if (mixer_) {
        mixer_->StreamStopped();
        mixer_ = nullptr;
    }
}

bool OfflineBackend::Pull(float* output, uint32_t frames)
{
    if (!mixer_) {
        std::fill(output, output + static_cast<size_t>(frames) * std::max<uint32_t>(channels_, 1), 0.0f);
        return false;
    }
    mixer_->Render_RT(output, frames, channels_);
    return true;
}

}  // namespace tessaron
