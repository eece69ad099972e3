#pragma once

#include <cstdint>

namespace tessaron {

// One control of the card's mixer as the Volume window uses it: six 32-bit values. Values are
// counted from the control's minimum, so `minimum` is 0 and `maximum` its number of steps.
struct CMixerControl {
    uint32_t flags = 0;
    uint32_t id = 0;
    int32_t minimum = 0;
    int32_t maximum = 0;
    uint32_t steps = 0;
    uint32_t present = 0;  // 1 when the control was found
};

// The 13 controls kept per device, numbered as the Volume window numbers them.
enum class MixerRecord {
    MasterVolume = 1,
    Bass = 2,
    Treble = 3,
    MicrophoneLevel = 4,
    LineLevel = 5,  // the auxiliary line's when the card has no line-in level
    CdLevel = 6,
    SynthesizerLevel = 7,
    RecordingLevel = 8,  // the selected recording source's
    MicrophoneMute = 9,
    LineMute = 10,
    CdMute = 11,
    WaveMute = 12,
    SynthesizerMute = 13,
};

inline constexpr int kMixerRecordCount = 13;

}  // namespace tessaron
