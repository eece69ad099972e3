#pragma once

#include <map>

#include <QDialog>

#include "audioout/CMixerControl.h"

class QCheckBox;
class QComboBox;
class QSlider;

namespace tessaron {

class CSystemMixer;

// The "Volume" window: the sound card's mixer records as sliders and mute boxes in percent,
// and the recording source. Records the card does not have are not shown; without a system
// mixer the window says so.
class CVolumeWnd : public QDialog {
public:
    static constexpr const char* kNoMixerText = "This computer has no system mixer to show.";

    CVolumeWnd(CSystemMixer* mixer, QWidget* parent = nullptr);

    QSlider* Level(MixerRecord record) const;
    QCheckBox* Mute(MixerRecord record) const;
    QComboBox* Sources() const { return sources_; }
    bool ShowsMixer() const { return !levels_.empty() || !mutes_.empty() || sources_ != nullptr; }

private:
    CSystemMixer* mixer_;
    std::map<MixerRecord, QSlider*> levels_;
    std::map<MixerRecord, QCheckBox*> mutes_;
    QComboBox* sources_ = nullptr;
};

}  // namespace tessaron
