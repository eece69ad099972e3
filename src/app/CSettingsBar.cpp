#include "app/CSettingsBar.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QValidator>

#include "app/CMainFrame.h"
#include "app/ToolBarRules.h"
#include "song/CChordwayDoc.h"
#include "song/CMesure.h"
#include "views/CAccelSpinBox.h"

namespace tessaron {

namespace {

const char* const kQuantizationTypes[] = {"normal", "groove", "iterative", "human"};
const char* const kQuantizationFrequencies[] = {"4", "2", "1", "1/2", "1/3", "1/4", "1/6", "1/8"};

// Digits, "." and backspace only: whatever else is typed or pasted is refused.
class CDigitValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        for (const QChar c : input) {
            if (!toolbar_rules::AcceptsCharacter(c.unicode())) {
                return Invalid;
            }
        }
        return Acceptable;
    }
};

}  // namespace

CSettingsBar::CSettingsBar(const std::function<QAction*(int)>& actions, QWidget* parent)
    : QToolBar(QStringLiteral("Settings"), parent)
{
    setObjectName(QStringLiteral("SettingsBar"));
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);

    addAction(actions(CMainFrame::kQuantizationOn));
    quantType_ = new QComboBox(this);
    quantType_->setObjectName(QStringLiteral("QuantizationType"));
    quantType_->setToolTip(QStringLiteral("Quantization type"));
    quantType_->setFixedWidth(100);
    for (const char* text : kQuantizationTypes) {
        quantType_->addItem(QString::fromLatin1(text));
    }
    addWidget(quantType_);
    quantFrequency_ = new QComboBox(this);
    quantFrequency_->setObjectName(QStringLiteral("QuantizationFrequency"));
    quantFrequency_->setToolTip(QStringLiteral("Quantization frequency"));
    quantFrequency_->setFixedWidth(60);
    for (const char* text : kQuantizationFrequencies) {
        quantFrequency_->addItem(QString::fromLatin1(text));
    }
    addWidget(quantFrequency_);
    addSeparator();
    addAction(actions(CMainFrame::kDisplayBar));
    addAction(actions(CMainFrame::kDisplayTime));
    gridSize_ = new QComboBox(this);
    gridSize_->setObjectName(QStringLiteral("GridSize"));
    gridSize_->setToolTip(QStringLiteral(" Size Grid"));
    gridSize_->setFixedWidth(80);
    for (const char* text : CChordwayDoc::kGridZoomTexts) {
        gridSize_->addItem(QString::fromLatin1(text));
    }
    addWidget(gridSize_);
    addSeparator();
    addAction(actions(CMainFrame::kFollowSong));
    addAction(actions(CMainFrame::kLoopSong));
    loopBegin_ = AddField(QStringLiteral("Loop Song Begin"), 103, loopBeginSpin_, QStringLiteral("LoopBegin"));
    loopEnd_ = AddField(QStringLiteral("Loop Song End "), 103, loopEndSpin_, QStringLiteral("LoopEnd"));
    addSeparator();
    tempo_ = AddField(QStringLiteral("Main Tempo Song"), 90, tempoSpin_, QStringLiteral("Tempo"));
    tempo_->setText(QStringLiteral("tempo"));  // the field's first text, until a song is shown
    addAction(actions(CMainFrame::kSetTempo));

    connect(quantType_, &QComboBox::activated, this, [this](int index) {
        if (doc_) {
            doc_->SetQuantizationType(index);
        }
    });
    connect(quantFrequency_, &QComboBox::activated, this, [this](int index) {
        if (doc_) {
            doc_->SetQuantizationFrequency(index);
        }
    });
    connect(gridSize_, &QComboBox::activated, this, [this](int index) {
        if (doc_ && index >= 0 && index < 5) {
            doc_->SetGridZoom(CChordwayDoc::kGridZoomValues[index]);
        }
    });
    connect(tempoSpin_, &CSpinButtons::stepped, this, &CSettingsBar::StepTempo);
    connect(loopBeginSpin_, &CSpinButtons::stepped, this, [this](int delta) { StepLoop(loopBegin_, delta, true); });
    connect(loopEndSpin_, &CSpinButtons::stepped, this, [this](int delta) { StepLoop(loopEnd_, delta, false); });
}

QLineEdit* CSettingsBar::AddField(const QString& tooltip, int width, CSpinButtons*& spin, const QString& name)
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* field = new QLineEdit(box);
    field->setObjectName(name);
    field->setToolTip(tooltip);
    field->setValidator(new CDigitValidator(field));
    spin = new CSpinButtons(kToolBarSpinAccel, box);
    spin->setObjectName(name + QStringLiteral("Spin"));
    layout->addWidget(field);
    layout->addWidget(spin);
    box->setFixedWidth(width + 16);
    field->installEventFilter(this);
    addWidget(box);
    return field;
}

void CSettingsBar::ShowSong(CChordwayDoc& doc)
{
    doc_ = &doc;
    const QSignalBlocker b1(quantType_), b2(quantFrequency_), b3(gridSize_);
    quantType_->setCurrentIndex(doc.QuantizationType());
    quantFrequency_->setCurrentIndex(doc.QuantizationFrequency());
    gridSize_->setCurrentIndex(CChordwayDoc::GridZoomIndexOf(doc.GridZoom()));
    tempo_->setText(QString::asprintf("%.1f", static_cast<double>(doc.EffectiveTempo())));
    ShowLoop();
}

void CSettingsBar::ShowLoop()
{
    if (!doc_) {
        return;
    }
    loopBegin_->setText(QString::fromStdString(CMesure(doc_->LoopBegin(), 0.0f, doc_->BeatsPerBar()).PositionText()));
    loopEnd_->setText(QString::fromStdString(CMesure(doc_->LoopEnd(), 0.0f, doc_->BeatsPerBar()).PositionText()));
}

double CSettingsBar::TypedTempo() const { return toolbar_rules::LeadingNumber(tempo_->text().toStdString()); }

void CSettingsBar::StepTempo(int delta)
{
    tempo_->setText(QString::fromStdString(toolbar_rules::TempoAfterSpin(tempo_->text().toStdString(), delta)));
}

void CSettingsBar::StepLoop(QLineEdit* field, int delta, bool begin)
{
    if (!doc_) {
        return;
    }
    const int32_t beat = std::max(0, (begin ? doc_->LoopBegin() : doc_->LoopEnd()) + delta);
    if (begin) {
        doc_->SetLoopBegin(beat);
    } else {
        doc_->SetLoopEnd(beat);
    }
    doc_->SetModified();
    field->setText(QString::fromStdString(CMesure(beat, 0.0f, doc_->BeatsPerBar()).PositionText()));
}

void CSettingsBar::ApplyLoopFields()
{
    if (!doc_) {
        return;
    }
    CMesure begin(0, 0.0f, doc_->BeatsPerBar());
    begin.ParsePosition(loopBegin_->text().toStdString(), true);
    CMesure end(0, 0.0f, doc_->BeatsPerBar());
    end.ParsePosition(loopEnd_->text().toStdString(), true);
    if (begin.Beats() != doc_->LoopBegin() || end.Beats() != doc_->LoopEnd()) {
        doc_->SetLoopBegin(std::max(0, begin.Beats()));
        doc_->SetLoopEnd(std::max(0, end.Beats()));
        doc_->SetModified();
    }
    ShowLoop();
}

bool CSettingsBar::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (onEditFocus_) {
            onEditFocus_(true);
        }
        break;
    case QEvent::FocusOut:
        if (onEditFocus_) {
            onEditFocus_(false);
        }
        if (watched == loopBegin_ || watched == loopEnd_) {
            ApplyLoopFields();
        }
        break;
    case QEvent::KeyPress: {
        // Tab would move to the next field; here it hands the focus back like Enter.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            if (watched == loopBegin_ || watched == loopEnd_) {
                ApplyLoopFields();
            }
            if (onFocusBack_) {
                onFocusBack_();
            }
            return true;
        }
        break;
    }
    default: break;
    }
    return QToolBar::eventFilter(watched, event);
}

}  // namespace tessaron
