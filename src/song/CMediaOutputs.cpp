#include "song/CMediaOutputs.h"

#include <mutex>

#include "media/CMedia.h"
#include "song/CChordwayDoc.h"

namespace tessaron {

CSoundDevice* CMediaOutputs::Device(int index) const
{
    if (devices_.empty()) {
        return nullptr;
    }
    return index >= 0 && index < DeviceCount() ? devices_[static_cast<size_t>(index)] : devices_.front();
}

bool CMediaOutputs::OpenMedium(CMedia& medium, float tempo)
{
    CSoundDevice* device = Device(medium.deviceIndex);
    medium.SetMidiService(midi_);
    return device != nullptr && medium.Open(device, tempo);
}

void CMediaOutputs::MoveMedia(CChordwayDoc& doc)
{
    std::lock_guard guard(doc.Lock());
    for (int i = 0; i < doc.MediaCount(); ++i) {
        CMedia& medium = *doc.MediumAt(i);
        CSoundDevice* device = Device(medium.deviceIndex);
        if (device == nullptr || medium.MoveToDevice(device) != 0) {
            continue;
        }
        // MIDI media on an outside port do not play on the audio output.
        const bool onAudioOutput = medium.kind != CMedia::kKindMidi || medium.deviceIndex <= 0;
        if (medium.loaded != 1 || !onAudioOutput) {
            continue;
        }
        IMediaObserver* observer = medium.observer;
        IMediaObserver* observer2 = medium.observer2;
        medium.Stop();
        medium.Close();
        OpenMedium(medium, doc.EffectiveTempo());
        medium.observer = observer;
        medium.observer2 = observer2;
    }
}

}  // namespace tessaron
