#pragma once

#include <string>
#include <vector>

namespace tessaron {

// The part of an element of a card's mixer that a control reads or sets.
enum class MixerAspect { PlaybackVolume, PlaybackSwitch, CaptureVolume };

// Named elements of one card's mixer, as ALSA's simple mixer presents them.
class IMixerElements {
public:
    virtual ~IMixerElements() = default;

    // The aspect's range; false when the element or the aspect is missing.
    virtual bool Range(const std::string& element, MixerAspect aspect, long& min, long& max) = 0;
    virtual bool Get(const std::string& element, MixerAspect aspect, long& value) = 0;
    virtual bool Set(const std::string& element, MixerAspect aspect, long value) = 0;
    // The items of the recording-source selector, in order; false when the card has none.
    virtual bool SourceItems(std::vector<std::string>& items) = 0;
    // Makes item `index` the only recording source.
    virtual bool SelectSource(unsigned index) = 0;
};

}  // namespace tessaron
