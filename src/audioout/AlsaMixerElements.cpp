#include "audioout/AlsaMixerElements.h"

#include <alsa/asoundlib.h>

#include <string>

#include "audioout/AlsaLibraryMessages.h"

namespace tessaron {

void AlsaMixerElements::Closer::operator()(_snd_mixer* mixer) const { snd_mixer_close(mixer); }

int AlsaMixerElements::MixerCount()
{
    QuietAlsaLibrary();
    int count = 1;  // "default"
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        ++count;
    }
    return count;
}

std::unique_ptr<AlsaMixerElements> AlsaMixerElements::Open(int index)
{
    if (index < 0 || index >= MixerCount()) {
        return nullptr;
    }
    const std::string device = index == 0 ? "default" : "hw:" + std::to_string(index - 1);
    snd_mixer_t* raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0) {
        return nullptr;
    }
    std::unique_ptr<AlsaMixerElements> elements(new AlsaMixerElements(raw));
    if (snd_mixer_attach(raw, device.c_str()) < 0 || snd_mixer_selem_register(raw, nullptr, nullptr) < 0 ||
        snd_mixer_load(raw) < 0) {
        return nullptr;
    }
    return elements;
}

AlsaMixerElements::AlsaMixerElements(_snd_mixer* mixer) : mixer_(mixer) {}

AlsaMixerElements::~AlsaMixerElements() = default;

snd_mixer_elem_t* AlsaMixerElements::Find(const std::string& name) const
{
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_.get()); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_active(e) && name == snd_mixer_selem_get_name(e) &&
            snd_mixer_selem_get_index(e) == 0) {
            return e;
        }
    }
    return nullptr;
}

bool AlsaMixerElements::Range(const std::string& element, MixerAspect aspect, long& min, long& max)
{
    snd_mixer_elem_t* e = Find(element);
    if (!e) {
        return false;
    }
    switch (aspect) {
    case MixerAspect::PlaybackVolume:
        return snd_mixer_selem_has_playback_volume(e) &&
               snd_mixer_selem_get_playback_volume_range(e, &min, &max) == 0 && max > min;
    case MixerAspect::CaptureVolume:
        return snd_mixer_selem_has_capture_volume(e) &&
               snd_mixer_selem_get_capture_volume_range(e, &min, &max) == 0 && max > min;
    case MixerAspect::PlaybackSwitch:
        min = 0;
        max = 1;
        return snd_mixer_selem_has_playback_switch(e) != 0;
    }
    return false;
}

bool AlsaMixerElements::Get(const std::string& element, MixerAspect aspect, long& value)
{
    snd_mixer_elem_t* e = Find(element);
    if (!e) {
        return false;
    }
    switch (aspect) {
    case MixerAspect::PlaybackVolume:
        return snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &value) == 0;
    case MixerAspect::CaptureVolume:
        return snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &value) == 0;
    case MixerAspect::PlaybackSwitch: {
        int on = 0;
        if (snd_mixer_selem_get_playback_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on) != 0) {
            return false;
        }
        value = on;
        return true;
    }
    }
    return false;
}

bool AlsaMixerElements::Set(const std::string& element, MixerAspect aspect, long value)
{
    snd_mixer_elem_t* e = Find(element);
    if (!e) {
        return false;
    }
    switch (aspect) {
    case MixerAspect::PlaybackVolume:
        return snd_mixer_selem_set_playback_volume_all(e, value) == 0;
    case MixerAspect::CaptureVolume:
        return snd_mixer_selem_set_capture_volume_all(e, value) == 0;
    case MixerAspect::PlaybackSwitch:
        return snd_mixer_selem_set_playback_switch_all(e, value != 0) == 0;
    }
    return false;
}

// A capture-source enumeration when the card has one.
snd_mixer_elem_t* AlsaMixerElements::EnumSelector() const
{
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_.get()); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_active(e) && snd_mixer_selem_is_enum_capture(e)) {
            return e;
        }
    }
    return nullptr;
}

// Otherwise the elements with a capture switch act as the sources of a mixer-type selector.
std::vector<snd_mixer_elem_t*> AlsaMixerElements::CaptureSwitches() const
{
    std::vector<snd_mixer_elem_t*> switches;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_.get()); e; e = snd_mixer_elem_next(e)) {
        if (snd_mixer_selem_is_active(e) && snd_mixer_selem_has_capture_switch(e) &&
            snd_mixer_selem_has_capture_switch_exclusive(e)) {
            switches.push_back(e);
        }
    }
    return switches;
}

bool AlsaMixerElements::SourceItems(std::vector<std::string>& items)
{
    items.clear();
    if (snd_mixer_elem_t* selector = EnumSelector()) {
        const int count = snd_mixer_selem_get_enum_items(selector);
        for (int i = 0; i < count; ++i) {
            char name[64] = {};
            if (snd_mixer_selem_get_enum_item_name(selector, i, sizeof name, name) != 0) {
                return false;
            }
            items.emplace_back(name);
        }
        return true;
    }
    for (snd_mixer_elem_t* e : CaptureSwitches()) {
        items.emplace_back(snd_mixer_selem_get_name(e));
    }
    return !items.empty();
}

bool AlsaMixerElements::SelectSource(unsigned index)
{
    if (snd_mixer_elem_t* selector = EnumSelector()) {
        bool done = false;
        for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
            const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
            if (snd_mixer_selem_set_enum_item(selector, channel, index) == 0) {
                done = true;
            } else if (c == 0) {
                return false;
            }
        }
        return done;
    }
    std::vector<snd_mixer_elem_t*> switches = CaptureSwitches();
    if (index >= switches.size()) {
        return false;
    }
    for (unsigned i = 0; i < switches.size(); ++i) {
        if (snd_mixer_selem_set_capture_switch_all(switches[i], i == index ? 1 : 0) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace tessaron
