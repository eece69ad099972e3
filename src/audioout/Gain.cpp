#include "audioout/Gain.h"

#include <cmath>

#include "audioout/SoundBufferDesc.h"

namespace tessaron {

float GainFromHundredthsDb(int32_t hundredths)
{
    if (hundredths <= BufferLimits::VolumeMin) {
        return 0.0f;
    }
    return static_cast<float>(std::pow(10.0, hundredths / 2000.0));
}

void PanGains(int32_t pan, float& left, float& right)
{
    left = pan > 0 ? GainFromHundredthsDb(-pan) : 1.0f;
    right = pan < 0 ? GainFromHundredthsDb(pan) : 1.0f;
}

}  // namespace tessaron
