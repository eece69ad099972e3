#include "audioout/CSystemMixer.h"

#include "audioout/AlsaMixerElements.h"

namespace tessaron {

CSystemMixer::CSystemMixer() = default;
CSystemMixer::~CSystemMixer() = default;

void CSystemMixer::Close()
{
    elements_.reset();
    records_ = {};
    controls_.clear();
    sources_.clear();
}

bool CSystemMixer::OpenMixer(int index)
{
    return OpenMixer(AlsaMixerElements::Open(index));
}

bool CSystemMixer::OpenMixer(std::unique_ptr<IMixerElements> elements)
{
    Close();
    if (!elements) {
        return false;
    }
    elements_ = std::move(elements);
    using R = MixerRecord;
    using A = MixerAspect;
    FindControl({"Master"}, A::PlaybackVolume, R::MasterVolume);
    if (Record(R::MasterVolume).present) {  // tone controls belong to the speakers line
        FindControl({"Bass", "Tone Control - Bass"}, A::PlaybackVolume, R::Bass);
        FindControl({"Treble", "Tone Control - Treble"}, A::PlaybackVolume, R::Treble);
    }
    FindControl({"PCM", "Wave"}, A::PlaybackSwitch, R::WaveMute);
    FindControl({"CD"}, A::PlaybackVolume, R::CdLevel);
    FindControl({"CD"}, A::PlaybackSwitch, R::CdMute);
    FindControl({"Mic"}, A::PlaybackVolume, R::MicrophoneLevel);
    FindControl({"Mic"}, A::PlaybackSwitch, R::MicrophoneMute);
    FindControl({"Synth", "FM", "MIDI"}, A::PlaybackVolume, R::SynthesizerLevel);
    FindControl({"Synth", "FM", "MIDI"}, A::PlaybackSwitch, R::SynthesizerMute);
    if (FindControl({"Line"}, A::PlaybackVolume, R::LineLevel)) {
        FindControl({"Line"}, A::PlaybackSwitch, R::LineMute);
    } else {
        FindControl({"Aux"}, A::PlaybackVolume, R::LineLevel);
        FindControl({"Aux"}, A::PlaybackSwitch, R::LineMute);
    }
    ReadRecordingSources();
    return true;
}

bool CSystemMixer::FindControl(std::initializer_list<const char*> names, MixerAspect aspect,
                               MixerRecord record)
{
    for (const char* name : names) {
        long min = 0;
        long max = 0;
        if (!elements_->Range(name, aspect, min, max)) {
            continue;
        }
        controls_.push_back({name, aspect, min, max});
        CMixerControl& control = At(record);
        control.id = static_cast<uint32_t>(controls_.size() - 1);
        control.minimum = 0;
        control.maximum = static_cast<int32_t>(max - min);
        control.steps = static_cast<uint32_t>(max - min);
        control.flags = 0;
        control.present = 1;
        return true;
    }
    return false;
}

const CMixerControl& CSystemMixer::Record(MixerRecord record) const
{
    return records_[static_cast<int>(record) - 1];
}

long CSystemMixer::GetValue(uint32_t controlId)
{
    if (!elements_ || controlId >= controls_.size()) {
        return -1;
    }
    const Control& control = controls_[controlId];
    long raw = 0;
    if (!elements_->Get(control.element, control.aspect, raw)) {
        return -1;
    }
    if (control.aspect == MixerAspect::PlaybackSwitch) {
        return raw ? 0 : 1;  // a switch that is on plays: not muted
    }
    return raw - control.min;
}

bool CSystemMixer::SetValue(uint32_t controlId, long value)
{
    if (!elements_ || controlId >= controls_.size()) {
        return false;
    }
    const Control& control = controls_[controlId];
    if (control.aspect == MixerAspect::PlaybackSwitch) {
        return elements_->Set(control.element, control.aspect, value ? 0 : 1);
    }
    return elements_->Set(control.element, control.aspect, control.min + value);
}

long CSystemMixer::VolumeValue(int percent, long max) { return (percent + 100L) * max / 100; }

int CSystemMixer::VolumePercent(long value, long max)
{
    return max == 0 ? 0 : static_cast<int>((value - max) * 100 / max);
}

long CSystemMixer::ToneValue(int percent, long max) { return (percent + 100L) * max / 200; }

int CSystemMixer::TonePercent(long value, long max)
{
    return max / 2 == 0 ? 0 : static_cast<int>((value - max / 2) * 100 / (max / 2));
}

namespace {
bool IsTone(MixerRecord record) { return record == MixerRecord::Bass || record == MixerRecord::Treble; }
bool IsLevel(MixerRecord record)
{
    return static_cast<int>(record) >= 1 && static_cast<int>(record) <= 8;
}
bool IsMute(MixerRecord record)
{
    return static_cast<int>(record) >= 9 && static_cast<int>(record) <= kMixerRecordCount;
}
}  // namespace

int CSystemMixer::GetLevel(MixerRecord record)
{
    const CMixerControl& control = Record(record);
    if (!IsLevel(record) || !control.present) {
        return 0;
    }
    const long value = GetValue(control.id);
    if (value < 0) {
        return 0;
    }
    return IsTone(record) ? TonePercent(value, control.maximum) : VolumePercent(value, control.maximum);
}

bool CSystemMixer::SetLevel(MixerRecord record, int percent)
{
    const CMixerControl& control = Record(record);
    if (!IsLevel(record) || !control.present) {
        return false;
    }
    const long value = IsTone(record) ? ToneValue(percent, control.maximum)
                                      : VolumeValue(percent, control.maximum);
    return SetValue(control.id, value);
}

long CSystemMixer::GetMute(MixerRecord record)
{
    const CMixerControl& control = Record(record);
    if (!IsMute(record) || !control.present) {
        return 0;
    }
    const long value = GetValue(control.id);
    return value < 0 ? 0 : value;
}

// Every mute checks that its record is present, the wave-output mute included: an absent
// record has no control of its own to set.
bool CSystemMixer::SetMute(MixerRecord record, long value)
{
    const CMixerControl& control = Record(record);
    return IsMute(record) && control.present && SetValue(control.id, value);
}

bool CSystemMixer::ReadRecordingSources()
{
    sources_.clear();
    std::vector<std::string> items;
    if (!elements_ || !elements_->SourceItems(items)) {
        return false;
    }
    for (unsigned i = 0; i < items.size(); ++i) {
        sources_.push_back({items[i], i});
    }
    return true;
}

bool CSystemMixer::SelectRecordingSource(unsigned index)
{
    if (!elements_ || index >= sources_.size() || !elements_->SelectSource(index)) {
        return false;
    }
    // The level of the source: its own capture volume, else the card's capture volume.
    At(MixerRecord::RecordingLevel) = {};
    if (!FindControl({sources_[index].name.c_str()}, MixerAspect::CaptureVolume,
                     MixerRecord::RecordingLevel)) {
        FindControl({"Capture"}, MixerAspect::CaptureVolume, MixerRecord::RecordingLevel);
    }
    return true;
}

}  // namespace tessaron
