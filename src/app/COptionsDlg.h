#pragma once

#include <map>
#include <string>
#include <vector>

#include <QDialog>

#include "app/OptionsTransfer.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace tessaron {

struct CSettings;

// The Options dialog: edits the settings' working copy; OK checks the ranges and copies back.
// Every control is named after its settings key, so tests find them.
class COptionsDlg : public QDialog {
public:
    COptionsDlg(CSettings& settings, std::vector<std::string> midiInputs, std::vector<std::string> midiOutputs,
                QWidget* parent = nullptr);

    // After OK: whether the MIDI ports must be opened again.
    bool MidiChanged() const { return midiChanged_; }
    QSpinBox* Number(const QString& key) const { return numbers_.at(key); }
    QCheckBox* Check(const QString& key) const { return checks_.at(key); }
    QLineEdit* Text(const QString& key) const { return texts_.at(key); }
    QComboBox* MidiIn() const { return midiIn_; }
    QComboBox* MidiOut() const { return midiOut_; }
    QComboBox* Channel() const { return channel_; }
    // The message of the last refused OK.
    const QString& LastError() const { return lastError_; }

    void accept() override;

private:
    QSpinBox* AddNumber(const QString& key, int value, CSettings::Range range);
    QCheckBox* AddCheck(const QString& key, const QString& text, bool value);
    QLineEdit* AddText(const QString& key, const std::string& value);
    OptionsFields Read() const;

    CSettings& settings_;
    OptionsTransfer transfer_;
    OptionsFields shown_;
    std::map<QString, QSpinBox*> numbers_;
    std::map<QString, QCheckBox*> checks_;
    std::map<QString, QLineEdit*> texts_;
    QComboBox* midiIn_ = nullptr;
    QComboBox* midiOut_ = nullptr;
    QComboBox* channel_ = nullptr;
    QLineEdit* loopCount_ = nullptr;
    bool midiChanged_ = false;
    QString lastError_;
};

}  // namespace tessaron
