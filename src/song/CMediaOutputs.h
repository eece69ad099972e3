#pragma once

#include <vector>

#include "song/SongEnvironment.h"

namespace tessaron {

class CSoundDevice;

// The program's audio outputs as the song sees them: a medium's device number picks one,
// and an unknown number falls back to the first.
class CMediaOutputs : public IMediaLoader {
public:
    explicit CMediaOutputs(std::vector<CSoundDevice*> devices) : devices_(std::move(devices)) {}

    bool OpenMedium(CMedia& medium, float tempo) override;
    int DeviceCount() const { return static_cast<int>(devices_.size()); }
    CSoundDevice* Device(int index) const;

private:
    std::vector<CSoundDevice*> devices_;
};

}  // namespace tessaron
