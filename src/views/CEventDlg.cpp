#include "views/CEventDlg.h"

#include <algorithm>
#include <mutex>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CMesure.h"
#include "framework/TimeText.h"
#include "views/CAccelSpinBox.h"

namespace tessaron {

namespace {

constexpr int kSpinLimit = 8191;
constexpr int kMsPerStep = 10;

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CEventDlg::Range CEventDlg::Value1Range(int32_t code)
{
    switch (code) {
    case CAction::kPlay:
    case CAction::kVolume: return {-1000, 0};
    case CAction::kPan: return {-1000, 1000};
    case CAction::kPitch: return {-kSpinLimit, kSpinLimit};
    default: return {1, 0};
    }
}

CEventDlg::Range CEventDlg::Value2Range(int32_t code)
{
    return code == CAction::kPlay ? Range{-1000, 1000} : Range{1, 0};
}

std::string CEventDlg::StartText(const CChordwayDoc& doc, int32_t startMs)
{
    if (doc.TimeDisplay()) {
        return time_text::FromMs(startMs);
    }
    CMesure position(0, 0.0f, doc.BeatsPerBar());
    position.FromMs(startMs, doc.EffectiveTempo());
    return position.PositionText();
}

std::string CEventDlg::LengthText(const CChordwayDoc& doc, int32_t durationMs)
{
    if (doc.TimeDisplay()) {
        return time_text::FromMs(durationMs);
    }
    CMesure length(0, 0.0f, doc.BeatsPerBar());
    length.FromMs(durationMs, doc.EffectiveTempo());
    return length.LengthText();
}

int32_t CEventDlg::StartFromText(const CChordwayDoc& doc, const std::string& text)
{
    if (doc.TimeDisplay()) {
        return static_cast<int32_t>(std::clamp<int64_t>(time_text::ToMs(text), 0, INT32_MAX));
    }
    CMesure position(0, 0.0f, doc.BeatsPerBar());
    position.ParsePosition(text, true);
    return std::max(0, position.ToMs(doc.EffectiveTempo()));
}

int32_t CEventDlg::LengthFromText(const CChordwayDoc& doc, const std::string& text)
{
    if (doc.TimeDisplay()) {
        return static_cast<int32_t>(std::clamp<int64_t>(time_text::ToMs(text), 0, INT32_MAX));
    }
    CMesure length(0, 0.0f, doc.BeatsPerBar());
    length.ParsePosition(text, false);
    return std::max(0, length.ToMs(doc.EffectiveTempo()));
}

std::string CEventDlg::StepStart(const CChordwayDoc& doc, const std::string& text, int step)
{
    const int64_t ms = std::max<int64_t>(0, int64_t{StartFromText(doc, text)} + int64_t{step} * kMsPerStep);
    return StartText(doc, static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX)));
}

std::string CEventDlg::StepLength(const CChordwayDoc& doc, const std::string& text, int step)
{
    const int64_t ms = std::max<int64_t>(0, int64_t{LengthFromText(doc, text)} + int64_t{step} * kMsPerStep);
    return LengthText(doc, static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX)));
}

int CEventDlg::Store(CChordwayDoc& doc, int index, const CAction& edited)
{
    std::lock_guard guard(doc.Lock());
    int result = -1;
    if (index >= 0 && index < doc.EventCount() && !doc.BreaksOrder(index, edited.Start())) {
        CAction& event = *doc.EventAt(index);
        event.SetCode(edited.Code());
        event.SetValue1(edited.Value1());
        event.SetValue2(edited.Value2());
        event.SetStart(edited.Start());
        event.SetDuration(edited.Duration());
        event.Position() = edited.Position();
        event.Length() = edited.Length();
        doc.SetModified();
        result = index;
    } else {
        if (index >= 0 && index < doc.EventCount()) {
            doc.DeleteEventWithUndo(index);
        }
        result = doc.RecordAction(edited);
        if (result < 0) {
            // It only updated an event at the same start: that one is the event now.
            for (int i = 0; i < doc.EventCount(); ++i) {
                const CAction& event = *doc.EventAt(i);
                if (event.Start() == edited.Start() && event.Medium() == edited.Medium() &&
                    event.Code() == edited.Code()) {
                    result = i;
                    break;
                }
            }
        }
        doc.SetModified();
    }
    doc.ComputeSongLength();
    return result;
}

CEventDlg::CEventDlg(CChordwayDoc& doc, int index, QWidget* parent) : QDialog(parent), doc_(doc), index_(index)
{
    setObjectName(QStringLiteral("EventDialog"));
    auto* grid = new QGridLayout;
    samples_ = new QComboBox(this);
    samples_->setObjectName(QStringLiteral("Samples"));
    for (int i = 0; i < doc.MediaCount(); ++i) {
        samples_->addItem(Q(doc.MediumAt(i)->name));
    }
    event_ = new QComboBox(this);
    event_->setObjectName(QStringLiteral("Event"));
    for (int code = CAction::kPlay; code < CAction::kUserTypeCount; ++code) {
        event_->addItem(Q(CAction::NameOf(code)));
    }
    auto fieldWithSpin = [this](QLineEdit*& field, bool start) {
        auto* box = new QWidget(this);
        auto* layout = new QHBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        field = new QLineEdit(box);
        auto* spin = new CSpinButtons(kEventSpinAccel, box);
        layout->addWidget(field);
        layout->addWidget(spin);
        QLineEdit* target = field;
        connect(spin, &CSpinButtons::stepped, this, [this, target, start](int delta) {
            const std::string text = target->text().toStdString();
            target->setText(Q(start ? StepStart(doc_, text, delta) : StepLength(doc_, text, delta)));
        });
        return box;
    };
    QWidget* startBox = fieldWithSpin(start_, true);
    QWidget* timeBox = fieldWithSpin(time_, false);
    start_->setObjectName(QStringLiteral("Start"));
    time_->setObjectName(QStringLiteral("Time"));
    value1_ = new CAccelSpinBox(kEventSpinAccel, this);
    value2_ = new CAccelSpinBox(kEventSpinAccel, this);
    value1_->setObjectName(QStringLiteral("Val1"));
    value2_->setObjectName(QStringLiteral("Val2"));
    value1Label_ = new QLabel(QStringLiteral("Val1"), this);
    value2Label_ = new QLabel(QStringLiteral("Val2"), this);

    grid->addWidget(new QLabel(QStringLiteral("Samples"), this), 0, 0);
    grid->addWidget(samples_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Event"), this), 1, 0);
    grid->addWidget(event_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Start"), this), 2, 0);
    grid->addWidget(startBox, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Time"), this), 3, 0);
    grid->addWidget(timeBox, 3, 1);
    grid->addWidget(value1Label_, 4, 0);
    grid->addWidget(value1_, 4, 1);
    grid->addWidget(value2Label_, 5, 0);
    grid->addWidget(value2_, 5, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    next_ = buttons->addButton(QStringLiteral("&Next"), QDialogButtonBox::ActionRole);
    back_ = buttons->addButton(QStringLiteral("&Back"), QDialogButtonBox::ActionRole);
    begin_ = buttons->addButton(QStringLiteral("&Begin"), QDialogButtonBox::ActionRole);
    end_ = buttons->addButton(QStringLiteral("&End"), QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    connect(event_, &QComboBox::currentIndexChanged, this, [this](int choice) { ShowValues(choice + 1); });

    if (index_ < 0) {
        setWindowTitle(QStringLiteral("Add Event"));
        back_->hide();
        begin_->hide();
        end_->hide();
        next_->setText(QStringLiteral("&Add more"));
        connect(next_, &QPushButton::clicked, this, [this] { Commit(); });
        event_->setCurrentIndex(0);
        ShowValues(CAction::kPlay);
        start_->setText(Q(StartText(doc_, 0)));
        time_->setText(Q(LengthText(doc_, 0)));
    } else {
        samples_->setEnabled(false);
        connect(next_, &QPushButton::clicked, this, [this] { MoveTo(+1); });
        connect(back_, &QPushButton::clicked, this, [this] { MoveTo(-1); });
        connect(begin_, &QPushButton::clicked, this, [this] { MoveTo(kFirst); });
        connect(end_, &QPushButton::clicked, this, [this] { MoveTo(kLast); });
        ShowEvent(index_);
    }
}

bool CEventDlg::HasWork() const { return index_ >= 0 ? index_ < doc_.EventCount() : doc_.MediaCount() > 0; }

void CEventDlg::ShowValues(int32_t code)
{
    const Range r1 = Value1Range(code);
    const Range r2 = Value2Range(code);
    const bool has1 = r1.min <= r1.max;
    const bool has2 = r2.min <= r2.max;
    value1Label_->setText(Q(CAction::Value1LabelOf(code)));
    value2Label_->setText(Q(CAction::Value2LabelOf(code)));
    value1Label_->setVisible(has1);
    value1_->setVisible(has1);
    value2Label_->setVisible(has2);
    value2_->setVisible(has2);
    if (has1) {
        value1_->setRange(r1.min, r1.max);
    }
    if (has2) {
        value2_->setRange(r2.min, r2.max);
    }
}

void CEventDlg::ShowEvent(int index)
{
    index_ = index;
    const CAction& action = *doc_.EventAt(index);
    setWindowTitle(QStringLiteral("Edit Event %1").arg(index + 1));
    int mediumRow = -1;
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        if (doc_.MediumAt(i) == action.Medium()) {
            mediumRow = i;
        }
    }
    samples_->setCurrentIndex(mediumRow);
    const int32_t code = std::clamp<int32_t>(action.Code(), CAction::kPlay, CAction::kUserTypeCount - 1);
    event_->setCurrentIndex(code - 1);
    ShowValues(code);
    value1_->setValue(action.Value1());
    value2_->setValue(action.Value2());
    start_->setText(Q(StartText(doc_, action.Start())));
    time_->setText(Q(LengthText(doc_, action.Duration())));
    next_->setEnabled(index + 1 < doc_.EventCount());
    back_->setEnabled(index > 0);
}

CAction CEventDlg::FromFields() const
{
    CAction action;
    if (index_ >= 0 && index_ < doc_.EventCount()) {
        action = *doc_.EventAt(index_);
    } else {
        const int row = samples_->currentIndex();
        action.SetMedium(row >= 0 ? doc_.MediumAt(row) : nullptr);
        action.SetMediaPosition(row);
    }
    action.SetCode(event_->currentIndex() + 1);
    action.SetValue1(value1_->isHidden() ? 0 : value1_->value());
    action.SetValue2(value2_->isHidden() ? 0 : value2_->value());
    action.SetStart(StartFromText(doc_, start_->text().toStdString()));
    action.SetDuration(LengthFromText(doc_, time_->text().toStdString()));
    if (doc_.TimeDisplay()) {
        action.MusicalFromMs(doc_.EffectiveTempo());
    } else {
        // Typed in bars: the musical pair is what the user gave, the milliseconds follow.
        action.Position().ParsePosition(start_->text().toStdString(), true);
        action.Length().ParsePosition(time_->text().toStdString(), false);
        action.Position().SetBeatsPerBar(doc_.BeatsPerBar());
        action.Length().SetBeatsPerBar(doc_.BeatsPerBar());
        action.MsFromMusical(doc_.EffectiveTempo());
    }
    return action;
}

bool CEventDlg::Commit()
{
    if (!HasWork()) {
        return false;
    }
    const CAction action = FromFields();
    if (index_ < 0 && action.Medium() == nullptr) {
        return false;
    }
    lastIndex_ = Store(doc_, index_, action);
    if (index_ >= 0) {
        index_ = std::max(0, lastIndex_);
    }
    return lastIndex_ >= 0;
}

void CEventDlg::MoveTo(int where)
{
    // What was typed is kept first; the event may then have moved in the list.
    Commit();
    if (doc_.EventCount() == 0) {
        return;
    }
    const int index = where == kFirst ? 0 : where == kLast ? doc_.EventCount() - 1 : index_ + where;
    ShowEvent(std::clamp(index, 0, doc_.EventCount() - 1));
}

void CEventDlg::accept()
{
    Commit();
    QDialog::accept();
}

}  // namespace tessaron
