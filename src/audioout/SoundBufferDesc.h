#pragma once

#include <cstdint>

#include "audioout/WaveFormat.h"

namespace tessaron {

// Capability flags of a sound buffer; the values are those the program stores and passes around.
namespace BufferCaps {
inline constexpr uint32_t Primary = 0x00001;
inline constexpr uint32_t Static = 0x00002;  // holds a whole sound; without it the buffer streams
inline constexpr uint32_t LocHardware = 0x00004;
inline constexpr uint32_t LocSoftware = 0x00008;
inline constexpr uint32_t CtrlFrequency = 0x00020;
inline constexpr uint32_t CtrlPan = 0x00040;
inline constexpr uint32_t CtrlVolume = 0x00080;
inline constexpr uint32_t StickyFocus = 0x04000;
inline constexpr uint32_t GlobalFocus = 0x08000;
inline constexpr uint32_t GetCurrentPosition2 = 0x10000;  // precise play cursor
}  // namespace BufferCaps

// Bits of CSoundBuffer::GetStatus.
namespace BufferStatus {
inline constexpr uint32_t Playing = 0x1;
inline constexpr uint32_t Looping = 0x4;
}  // namespace BufferStatus

// Flags of CSoundBuffer::Play.
namespace PlayFlags {
inline constexpr uint32_t Looping = 0x1;
}

// Flags of CSoundBuffer::Lock.
namespace LockFlags {
inline constexpr uint32_t FromWriteCursor = 0x1;  // the offset is ignored; the write cursor is used
inline constexpr uint32_t EntireBuffer = 0x2;     // the size is ignored; the whole buffer is locked
}  // namespace LockFlags

// Limits of the buffer controls. Volume and pan are in hundredths of a decibel.
namespace BufferLimits {
inline constexpr int32_t VolumeMin = -10000;  // silence
inline constexpr int32_t VolumeMax = 0;       // full level
inline constexpr int32_t PanLeft = -10000;    // right channel silent
inline constexpr int32_t PanRight = 10000;    // left channel silent
inline constexpr uint32_t FrequencyMin = 100;
inline constexpr uint32_t FrequencyMax = 100000;
inline constexpr uint32_t FrequencyOriginal = 0;  // play the data at its own rate
inline constexpr uint32_t SizeMin = 4;
inline constexpr uint32_t SizeMax = 0x0FFFFFFF;
}  // namespace BufferLimits

// What a sound buffer is created from: size 20 (kept for the records that store it), flags,
// bytes of the buffer, reserved 0, and the format of its data (not owned; copied on creation).
struct SoundBufferDesc {
    uint32_t size = 20;
    uint32_t flags = 0;
    uint32_t bufferBytes = 0;
    uint32_t reserved = 0;
    const WaveFormat* format = nullptr;
};

// What CSoundBuffer::GetCaps reports.
struct SoundBufferCaps {
    uint32_t flags = 0;
    uint32_t bufferBytes = 0;
};

}  // namespace tessaron
