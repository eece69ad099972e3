#pragma once

#include <vector>

#include "media/CMedia.h"

namespace tessaron {

// A long music file streamed from disk.
class CMusic : public CMedia {
    TESSARON_DECLARE_CLASS(CMusic)
public:
    CMusic();
    using CMedia::CMedia;

    void ResetSettings() override;
    void Store(CArchive& archive) override;
    void Load(CArchive& archive) override;

    // Marker positions in ms; the song file keeps only their number.
    std::vector<int32_t> markers;
};

}  // namespace tessaron
