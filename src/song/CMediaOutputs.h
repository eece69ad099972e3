#pragma once

#include <vector>

#include "song/SongEnvironment.h"

namespace tessaron {

class CMidiService;
class CSoundDevice;

// The program's audio outputs as the song sees them: a medium's device number picks one,
// and an unknown number falls back to the first.
class CMediaOutputs : public IMediaLoader {
public:
    explicit CMediaOutputs(std::vector<CSoundDevice*> devices, CMidiService* midi = nullptr)
        : devices_(std::move(devices)), midi_(midi)
    {
    }

    bool OpenMedium(CMedia& medium, float tempo) override;
    int DeviceCount() const { return static_cast<int>(devices_.size()); }
    CSoundDevice* Device(int index) const;

private:
    std::vector<CSoundDevice*> devices_;
    CMidiService* midi_;  // MIDI media play through it; may be null
};

}  // namespace tessaron
