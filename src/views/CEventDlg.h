#pragma once

#include <cstdint>
#include <string>

#include <QDialog>

#include "song/CAction.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tessaron {

class CChordwayDoc;
class CSpinButtons;

// The "Event" dialog: adds events ("Add Event", with "&Add more") or edits one ("Edit Event n",
// with "&Next", "&Back", "&Begin", "&End").
class CEventDlg : public QDialog {
public:
    // `index` -1 adds; otherwise the event to edit.
    CEventDlg(CChordwayDoc& doc, int index, QWidget* parent = nullptr);

    // False in add mode for a song without media: there is nothing to add an event to.
    bool HasWork() const;
    // The index of the event stored last (to select it), -1 when none was.
    int LastIndex() const { return lastIndex_; }
    int EditedIndex() const { return index_; }

    // The ranges of Val1 and Val2 for an action code; empty (min > max) without that value.
    struct Range {
        int min, max;
    };
    static Range Value1Range(int32_t code);
    static Range Value2Range(int32_t code);

    // Texts of "Start" and "Time": position and length texts, or "00:00:00.000" in time display.
    static std::string StartText(const CChordwayDoc& doc, int32_t startMs);
    static std::string LengthText(const CChordwayDoc& doc, int32_t durationMs);
    static int32_t StartFromText(const CChordwayDoc& doc, const std::string& text);
    static int32_t LengthFromText(const CChordwayDoc& doc, const std::string& text);
    // A spin step on "Start" or "Time": 10 ms per step, never below 0, rewritten in the same form.
    static std::string StepStart(const CChordwayDoc& doc, const std::string& text, int step);
    static std::string StepLength(const CChordwayDoc& doc, const std::string& text, int step);

    // Stores `edited` as event `index` (-1: a new event). When the new start keeps the event
    // between its neighbours it is changed in place; otherwise the old one is deleted with undo
    // and the new one recorded in start order. Answers the event's index afterwards.
    static int Store(CChordwayDoc& doc, int index, const CAction& edited);

    // The controls, for tests.
    QComboBox* Samples() const { return samples_; }
    QComboBox* EventType() const { return event_; }
    QLineEdit* StartField() const { return start_; }
    QLineEdit* TimeField() const { return time_; }
    QSpinBox* Value1() const { return value1_; }
    QSpinBox* Value2() const { return value2_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* BeginButton() const { return begin_; }
    QPushButton* EndButton() const { return end_; }
    // What OK does: stores the fields; false when nothing could be stored.
    bool Commit();

    void accept() override;

private:
    void ShowEvent(int index);
    void ShowValues(int32_t code);
    CAction FromFields() const;
    static constexpr int kFirst = -1000000;
    static constexpr int kLast = 1000000;
    // +1 next, -1 back, kFirst, kLast.
    void MoveTo(int where);

    CChordwayDoc& doc_;
    int index_;
    int lastIndex_ = -1;
    QComboBox* samples_;
    QComboBox* event_;
    QLineEdit* start_;
    QLineEdit* time_;
    QLabel* value1Label_;
    QLabel* value2Label_;
    QSpinBox* value1_;
    QSpinBox* value2_;
    QPushButton* next_;
    QPushButton* back_;
    QPushButton* begin_;
    QPushButton* end_;
};

}  // namespace tessaron
