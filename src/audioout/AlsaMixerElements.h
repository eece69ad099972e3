#pragma once

#include <memory>

#include "audioout/IMixerElements.h"

struct _snd_mixer;
struct _snd_mixer_elem;

namespace tessaron {

// The simple mixer of an ALSA control device. Mixer 0 is "default" (the sound server's when
// one runs), mixer n the card numbered n - 1.
class AlsaMixerElements : public IMixerElements {
public:
    static int MixerCount();
    static std::unique_ptr<AlsaMixerElements> Open(int index);
    ~AlsaMixerElements() override;

    bool Range(const std::string& element, MixerAspect aspect, long& min, long& max) override;
    bool Get(const std::string& element, MixerAspect aspect, long& value) override;
    bool Set(const std::string& element, MixerAspect aspect, long value) override;
    bool SourceItems(std::vector<std::string>& items) override;
    bool SelectSource(unsigned index) override;

private:
    struct Closer {
        void operator()(_snd_mixer* mixer) const;
    };
    explicit AlsaMixerElements(_snd_mixer* mixer);
    _snd_mixer_elem* Find(const std::string& name) const;
    _snd_mixer_elem* EnumSelector() const;
    std::vector<_snd_mixer_elem*> CaptureSwitches() const;

    std::unique_ptr<_snd_mixer, Closer> mixer_;
};

}  // namespace tessaron
