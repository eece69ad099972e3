#pragma once

#include <memory>
#include <vector>

#include "media/CMedia.h"
#include "song/CEnvelope.h"

namespace tessaron {

// A short sound or loop played from memory.
class CSamples : public CMedia {
    TESSARON_DECLARE_CLASS(CSamples)
public:
    CSamples();
    using CMedia::CMedia;
    ~CSamples() override;

    void ResetSettings() override;
    void Store(CArchive& archive) override;
    void Load(CArchive& archive) override;

    // Envelopes attached to the sample's sound, kept with the medium so that they survive
    // while the sound is not loaded.
    const std::vector<std::unique_ptr<CEnvelope>>& Attached() const { return attached_; }
    void Attach(std::unique_ptr<CEnvelope> envelope) { attached_.push_back(std::move(envelope)); }
    void ClearAttached() { attached_.clear(); }
    int DuplicateCount() const { return duplicateCount_; }

    int32_t stretchMode = 0;  // 0 none, 1 time stretch, 2 playback rate
    int32_t stretchOption = 0;
    int32_t stretchValue = 0;
    int32_t savedStart = -1;
    int32_t savedEnd = -1;
    int32_t edited = 0;
    int32_t uncommitted = 0;

private:
    void ResetSampleFields();

    std::vector<std::unique_ptr<CEnvelope>> attached_;
    int duplicateCount_ = 0;
};

}  // namespace tessaron
