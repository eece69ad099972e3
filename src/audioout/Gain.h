#pragma once

#include <cstdint>

namespace tessaron {

// Linear factor of an attenuation in hundredths of a decibel; -10000 and below is silence.
float GainFromHundredthsDb(int32_t hundredths);

// Linear factors of a pan in hundredths of a decibel: the channel opposite the pan is
// attenuated by |pan|, the other one stays at full level.
void PanGains(int32_t pan, float& left, float& right);

}  // namespace tessaron
