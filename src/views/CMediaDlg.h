#pragma once

#include <QDialog>

#include "views/CChordwayView.h"
#include "views/MediaDialogFields.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace tessaron {

class CChordwayDoc;
class CMedia;

// "Add Media" (a new sample or MIDI medium from a file) and "Edit Media" (the settings of an
// existing medium). Filled from the medium; OK checks the limits of the settings and writes the
// fields back, or adds the new medium at the end of the list.
class CMediaDlg : public QDialog {
public:
    // Edits `medium`.
    CMediaDlg(CChordwayDoc& doc, CChordwayView::Services& services, CMedia* medium, QWidget* parent = nullptr);
    // Adds a sample (or music) medium, or a MIDI medium when `midi`.
    CMediaDlg(CChordwayDoc& doc, CChordwayView::Services& services, bool midi, QWidget* parent = nullptr);
    ~CMediaDlg() override;

    // The fields as the controls show them now.
    MediaDialogFields Fields() const;
    // Takes a chosen file: probes it (off the window's thread) and fills the fields from it.
    // Answers at once; ProbePending() tells when the probe is still running.
    void SelectFile(const QString& path);
    bool ProbePending() const { return probing_ > 0; }
    // The medium that OK added; null before or when editing.
    CMedia* AddedMedium() const { return added_; }

    QLineEdit* FileField() const { return file_; }
    QLineEdit* NameField() const { return name_; }
    QLineEdit* TempoField() const { return tempo_; }
    QSpinBox* BeatsField() const { return beats_; }
    QSpinBox* OffsetField() const { return offset_; }
    QSpinBox* EndField() const { return end_; }
    QSpinBox* LoopCountField() const { return loopCount_; }
    QCheckBox* LoopField() const { return loop_; }
    QCheckBox* HoldField() const { return hold_; }
    QComboBox* PcKeyField() const { return pcKey_; }
    QComboBox* MidiKeyField() const { return midiKey_; }
    QComboBox* StretchField() const { return stretch_; }
    QComboBox* DivField() const { return div_; }
    QComboBox* DeviceField() const { return device_; }
    QComboBox* ColourField() const { return colour_; }
    QPushButton* SelectButton() const { return select_; }
    // Steps the tempo as its spin does: `delta` tenths, kept within 0.0..250.0.
    void StepTempo(int delta);

    void accept() override;

private:
    void Build();
    void Fill(const MediaDialogFields& fields);
    void ChooseFile();
    void ProbeDone(const QString& path, const MediaProbe& probe);
    void ShowKind();
    bool CommitEdit(const MediaDialogFields& fields);
    bool CommitAdd(const MediaDialogFields& fields);
    void Refuse(std::string_view text);

    CChordwayDoc& doc_;
    CChordwayView::Services& services_;
    CMedia* medium_ = nullptr;  // edited, null when adding
    bool midi_ = false;
    MediaDialogFields filled_;
    CMedia* added_ = nullptr;
    int probing_ = 0;

    QLineEdit* file_ = nullptr;
    QPushButton* select_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* device_ = nullptr;
    QLabel* stretchLabel_ = nullptr;
    QComboBox* stretch_ = nullptr;
    QLabel* divLabel_ = nullptr;
    QComboBox* div_ = nullptr;
    QLineEdit* tempo_ = nullptr;
    QSpinBox* beats_ = nullptr;
    QComboBox* pcKey_ = nullptr;
    QComboBox* midiKey_ = nullptr;
    QComboBox* colour_ = nullptr;
    QSpinBox* offset_ = nullptr;
    QSpinBox* end_ = nullptr;
    QLabel* duration_ = nullptr;
    QCheckBox* loop_ = nullptr;
    QSpinBox* loopCount_ = nullptr;
    QCheckBox* hold_ = nullptr;
    QCheckBox* resynchro_ = nullptr;
    QCheckBox* primary_ = nullptr;
    QCheckBox* tempoChange_ = nullptr;
    QLineEdit* soundFile_ = nullptr;
    QPushButton* soundFileSelect_ = nullptr;
    QSlider* volume_ = nullptr;
    QSlider* pan_ = nullptr;
};

}  // namespace tessaron
