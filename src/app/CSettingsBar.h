#pragma once

#include <functional>

#include <QToolBar>

class QComboBox;
class QLineEdit;

namespace tessaron {

class CChordwayDoc;
class CSpinButtons;

// The "Settings" tool bar: quantization on, type and frequency, bar or time display, grid size,
// follow and loop song, loop begin and end, and the tempo field with "Set Tempo in Song".
// Docks at the top or the bottom only.
class CSettingsBar : public QToolBar {
public:
    // `actions(id)` gives the shared command of a button.
    CSettingsBar(const std::function<QAction*(int)>& actions, QWidget* parent);

    // Shows the song's values; the bar changes the song it was given last.
    void ShowSong(CChordwayDoc& doc);
    // Called when a field takes or loses the keyboard focus.
    void OnEditFocus(std::function<void(bool)> handler) { onEditFocus_ = std::move(handler); }
    // Called when a field hands the focus back (Enter or Tab released).
    void OnFocusBack(std::function<void()> handler) { onFocusBack_ = std::move(handler); }

    QComboBox* QuantizationType() const { return quantType_; }
    QComboBox* QuantizationFrequency() const { return quantFrequency_; }
    QComboBox* GridSize() const { return gridSize_; }
    QLineEdit* LoopBegin() const { return loopBegin_; }
    QLineEdit* LoopEnd() const { return loopEnd_; }
    QLineEdit* TempoField() const { return tempo_; }
    CSpinButtons* TempoSpin() const { return tempoSpin_; }
    CSpinButtons* LoopBeginSpin() const { return loopBeginSpin_; }
    CSpinButtons* LoopEndSpin() const { return loopEndSpin_; }

    // The tempo typed in the field, for "Set Tempo in Song"; 0 when it holds no number.
    double TypedTempo() const;
    // Steps the tempo field as its spin does.
    void StepTempo(int delta);
    // Applies the loop fields' texts to the song (Enter in them).
    void ApplyLoopFields();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* AddField(const QString& tooltip, int width, CSpinButtons*& spin, const QString& name);
    void StepLoop(QLineEdit* field, int delta, bool begin);
    void ShowLoop();

    CChordwayDoc* doc_ = nullptr;
    QComboBox* quantType_;
    QComboBox* quantFrequency_;
    QComboBox* gridSize_;
    QLineEdit* loopBegin_;
    QLineEdit* loopEnd_;
    QLineEdit* tempo_;
    CSpinButtons* loopBeginSpin_ = nullptr;
    CSpinButtons* loopEndSpin_ = nullptr;
    CSpinButtons* tempoSpin_ = nullptr;
    std::function<void(bool)> onEditFocus_;
    std::function<void()> onFocusBack_;
};

}  // namespace tessaron
