#include "views/CVolumeWnd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "audioout/CSystemMixer.h"

namespace tessaron {

namespace {

struct Line {
    const char* name;
    MixerRecord level;  // the record's level, or the mute record itself for a line with a mute only
    bool hasLevel;
    MixerRecord mute;
    bool hasMute;
};

const Line kLines[] = {
    {"Master", MixerRecord::MasterVolume, true, MixerRecord::MasterVolume, false},
    {"Bass", MixerRecord::Bass, true, MixerRecord::Bass, false},
    {"Treble", MixerRecord::Treble, true, MixerRecord::Treble, false},
    {"Wave", MixerRecord::WaveMute, false, MixerRecord::WaveMute, true},
    {"Microphone", MixerRecord::MicrophoneLevel, true, MixerRecord::MicrophoneMute, true},
    {"Line", MixerRecord::LineLevel, true, MixerRecord::LineMute, true},
    {"CD", MixerRecord::CdLevel, true, MixerRecord::CdMute, true},
    {"Synthesizer", MixerRecord::SynthesizerLevel, true, MixerRecord::SynthesizerMute, true},
    {"Recording", MixerRecord::RecordingLevel, true, MixerRecord::RecordingLevel, false},
};

bool IsTone(MixerRecord record) { return record == MixerRecord::Bass || record == MixerRecord::Treble; }

}  // namespace

CVolumeWnd::CVolumeWnd(CSystemMixer* mixer, QWidget* parent) : QDialog(parent), mixer_(mixer)
{
    setWindowTitle(QStringLiteral("Volume"));
    setObjectName(QStringLiteral("VolumeWindow"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    int column = 0;
    if (mixer_) {
        for (const Line& line : kLines) {
            const bool level = line.hasLevel && mixer_->Record(line.level).present;
            const bool mute = line.hasMute && mixer_->Record(line.mute).present;
            if (!level && !mute) {
                continue;
            }
            grid->addWidget(new QLabel(QString::fromLatin1(line.name), this), 0, column, Qt::AlignHCenter);
            if (level) {
                auto* slider = new QSlider(Qt::Vertical, this);
                slider->setObjectName(QString::fromLatin1(line.name) + QStringLiteral("Level"));
                slider->setRange(-100, IsTone(line.level) ? 100 : 0);
                slider->setValue(mixer_->GetLevel(line.level));
                slider->setToolTip(QStringLiteral("%"));
                const MixerRecord record = line.level;
                connect(slider, &QSlider::valueChanged, this, [this, record](int percent) {
                    mixer_->SetLevel(record, percent);
                });
                grid->addWidget(slider, 1, column, Qt::AlignHCenter);
                levels_[record] = slider;
            }
            if (mute) {
                auto* box = new QCheckBox(QStringLiteral("Mute"), this);
                box->setObjectName(QString::fromLatin1(line.name) + QStringLiteral("Mute"));
                box->setChecked(mixer_->GetMute(line.mute) != 0);
                const MixerRecord record = line.mute;
                connect(box, &QCheckBox::toggled, this, [this, record](bool on) { mixer_->SetMute(record, on ? 1 : 0); });
                grid->addWidget(box, 2, column, Qt::AlignHCenter);
                mutes_[record] = box;
            }
            ++column;
        }
        if (mixer_->SourceCount() > 0) {
            sources_ = new QComboBox(this);
            sources_->setObjectName(QStringLiteral("RecordingSource"));
            for (const CSystemMixer::RecordingSource& source : mixer_->RecordingSources()) {
                sources_->addItem(QString::fromStdString(source.name));
            }
            sources_->setCurrentIndex(-1);
            connect(sources_, &QComboBox::activated, this, [this](int index) {
                mixer_->SelectRecordingSource(static_cast<unsigned>(index));
                if (QSlider* slider = Level(MixerRecord::RecordingLevel)) {
                    slider->setValue(mixer_->GetLevel(MixerRecord::RecordingLevel));
                }
            });
            auto* row = new QHBoxLayout;
            row->addWidget(new QLabel(QStringLiteral("Recording source"), this));
            row->addWidget(sources_);
            layout->addLayout(row);
        }
    }
    if (!ShowsMixer()) {
        auto* label = new QLabel(QString::fromLatin1(kNoMixerText), this);
        label->setObjectName(QStringLiteral("NoMixer"));
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QSlider* CVolumeWnd::Level(MixerRecord record) const
{
    const auto found = levels_.find(record);
    return found == levels_.end() ? nullptr : found->second;
}

QCheckBox* CVolumeWnd::Mute(MixerRecord record) const
{
    const auto found = mutes_.find(record);
    return found == mutes_.end() ? nullptr : found->second;
}

}  // namespace tessaron
