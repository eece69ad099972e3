#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "support/OutputSignals.h"
#include "audioout/CSoundDevice.h"
#include "audioout/SoftwareMixer.h"

namespace tessaron::test {

inline constexpr uint32_t kSampleFlags = BufferCaps::Static | BufferCaps::CtrlFrequency |
                                         BufferCaps::LocSoftware | BufferCaps::GlobalFocus |
                                         BufferCaps::CtrlVolume | BufferCaps::CtrlPan;

// An offline device at a given rate, pulled in blocks like an audio callback.
class OfflineOutput {
public:
    explicit OfflineOutput(uint32_t rate = 48000, uint32_t block = 256) : block_(block)
    {
        device.Create(nullptr, "", rate, 2, CSoundDevice::kSpeakerStereo);
        device.StartPrimary();
    }

    // The next frames, interleaved stereo.
    std::vector<float> Render(uint32_t frames)
    {
        std::vector<float> out(size_t(frames) * 2);
        for (uint32_t done = 0; done < frames;) {
            const uint32_t n = std::min(block_, frames - done);
            device.Pull(out.data() + size_t(done) * 2, n);
            done += n;
        }
        return out;
    }

    // A buffer holding `pcm`.
    std::unique_ptr<CSoundBuffer> Buffer(const WaveFormat& format, const std::vector<uint8_t>& pcm,
                                         uint32_t flags = kSampleFlags)
    {
        SoundBufferDesc desc;
        desc.flags = flags;
        desc.bufferBytes = static_cast<uint32_t>(pcm.size());
        desc.format = &format;
        auto buffer = device.CreateSecondary(desc);
        if (buffer) {
            Write(*buffer, 0, pcm);
        }
        return buffer;
    }

    static bool Write(CSoundBuffer& buffer, uint32_t offset, const std::vector<uint8_t>& pcm)
    {
        LockedRegion region;
        if (!buffer.Lock(offset, static_cast<uint32_t>(pcm.size()), region)) {
            return false;
        }
        std::memcpy(region.part1, pcm.data(), region.bytes1);
        if (region.part2) {
            std::memcpy(region.part2, pcm.data() + region.bytes1, region.bytes2);
        }
        return buffer.Unlock(region);
    }

    CSoundDevice device{AudioApi::Offline};

private:
    uint32_t block_;
};

}  // namespace tessaron::test
