#include "app/CStatusPanes.h"

#include <QEvent>
#include <QLabel>
#include <QStatusBar>

#include "app/StatusTexts.h"

namespace tessaron {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A pane whose size never follows its text: a new position repaints the pane alone instead of
// laying the whole status bar out again (a label of fixed width and free height asks its
// parent for a new layout on every text). Its height follows the font.
class FixedPane : public QLabel {
public:
    FixedPane(QWidget* parent, int width, bool framed) : QLabel(parent)
    {
        if (framed) {
            setFrameStyle(QFrame::Panel | QFrame::Sunken);
        }
        setFixedWidth(width);
        FitHeight();
    }

protected:
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
            FitHeight();
        }
    }

private:
    // The height a label of one line asks for.
    void FitHeight()
    {
        const QString text = this->text();
        setText(QStringLiteral("0"));
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
        const int height = sizeHint().height();
        setText(text);
        setFixedHeight(height);
    }
};

}  // namespace

CStatusPanes::CStatusPanes(QStatusBar& bar) : bar_(bar)
{
    for (int i = 0; i < kCount; ++i) {
        QLabel* label = i < 5 ? new FixedPane(&bar, i == 0 ? 200 : 100, i > 0) : new QLabel(&bar);
        label->setObjectName(QStringLiteral("pane%1").arg(i));
        if (i == 5) {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        }
        bar.addPermanentWidget(label, i == 5 ? 1 : 0);
        panes_[static_cast<size_t>(i)] = label;
    }
    ResetPosition(false);
}

void CStatusPanes::SetPrompt(const QString& text) { panes_[0]->setText(text); }

void CStatusPanes::SetBarBeat(int32_t bar, int32_t beat, int32_t tick)
{
    panes_[1]->setText(Q(status_text::Position(bar, beat, tick)));
}

void CStatusPanes::SetTime(int64_t ms) { panes_[1]->setText(Q(status_text::Time(ms))); }

void CStatusPanes::ResetPosition(bool timeDisplay) { panes_[1]->setText(Q(status_text::PositionReset(timeDisplay))); }

void CStatusPanes::SetMedia(int32_t given, int32_t count) { panes_[2]->setText(Q(status_text::Media(given, count))); }

void CStatusPanes::SetEvent(int32_t given, int32_t count) { panes_[3]->setText(Q(status_text::Event(given, count))); }

void CStatusPanes::SetMemory(int64_t usedBytes, int32_t memoryMaxBytes)
{
    panes_[4]->setText(Q(status_text::Memory(usedBytes, memoryMaxBytes)));
}

void CStatusPanes::SetRecord(bool recording) { panes_[5]->setText(Q(status_text::Record(recording))); }

QString CStatusPanes::Text(int pane) const { return panes_[static_cast<size_t>(pane)]->text(); }

}  // namespace tessaron
