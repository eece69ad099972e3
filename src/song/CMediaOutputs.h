#pragma once

#include <vector>

#include "song/SongEnvironment.h"

namespace tessaron {

class CChordwayDoc;
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
    // The devices after one was replaced (its output was lost and opened again).
    void SetDevices(std::vector<CSoundDevice*> devices) { devices_ = std::move(devices); }
    // The MIDI service after it was made again; media opened from now on play through it.
    void SetMidi(CMidiService* midi) { midi_ = midi; }
    // Moves every medium onto the device its number picks now: samples keep their sound and
    // their place; other media on the audio output open again there. Under the song's lock.
    void MoveMedia(CChordwayDoc& doc);
    int DeviceCount() const { return static_cast<int>(devices_.size()); }
    CSoundDevice* Device(int index) const;

private:
    std::vector<CSoundDevice*> devices_;
    CMidiService* midi_;  // MIDI media play through it; may be null
};

}  // namespace tessaron
