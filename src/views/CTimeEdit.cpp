#include "views/CTimeEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QValidator>

#include "framework/TimeText.h"

namespace tessaron {

namespace {

// The last guard for text that arrives without a key press (context-menu paste, drops,
// input methods): text with a character that does not belong is refused.
class TimeTextValidator : public QValidator {
public:
    explicit TimeTextValidator(CTimeEdit* edit) : QValidator(edit), edit_(*edit) {}
    State validate(QString& input, int&) const override
    {
        for (const QChar c : input) {
            if (!edit_.Accepts(c)) {
                return Invalid;
            }
        }
        return Acceptable;
    }

private:
    const CTimeEdit& edit_;
};

bool IsControlText(const QString& text)
{
    for (const QChar c : text) {
        if (c.isPrint()) {
            return false;
        }
    }
    return true;
}

bool IsFocusReturnKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

}  // namespace

CTimeEdit::CTimeEdit(QWidget* parent) : QLineEdit(parent), symbols_(QStringLiteral("+-.:"))
{
    setValidator(new TimeTextValidator(this));
}

void CTimeEdit::SetAcceptedSymbols(const QString& symbols) { symbols_ = symbols; }

bool CTimeEdit::Accepts(QChar c) const { return (c >= u'0' && c <= u'9') || symbols_.contains(c); }

QString CTimeEdit::Filtered(const QString& text) const
{
    QString kept;
    for (const QChar c : text) {
        if (Accepts(c)) {
            kept += c;
        }
    }
    return kept;
}

void CTimeEdit::SetMilliseconds(int64_t ms) { setText(QString::fromStdString(time_text::FromMs(ms))); }

int64_t CTimeEdit::Milliseconds() const { return time_text::ToMs(text().toStdString()); }

void CTimeEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        if (!isReadOnly()) {
            insert(Filtered(QApplication::clipboard()->text()));
        }
        event->accept();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !IsControlText(text) && !(event->modifiers() & Qt::ControlModifier)) {
        const QString kept = Filtered(text);
        if (kept.isEmpty()) {
            event->accept();  // dropped
            return;
        }
        if (kept != text) {
            insert(kept);
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

CToolBarTimeEdit::CToolBarTimeEdit(QWidget* parent) : CTimeEdit(parent) {}

bool CToolBarTimeEdit::event(QEvent* event)
{
    // Tab would move the focus along the tool bar on its press; here its release decides.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            event->accept();
            return true;
        }
    }
    return CTimeEdit::event(event);
}

void CToolBarTimeEdit::keyReleaseEvent(QKeyEvent* event)
{
    if (IsFocusReturnKey(event->key()) && !event->isAutoRepeat() && hasFocus()) {
        QWidget* target = focusTarget_ ? focusTarget_.data() : window();
        if (target && target != this) {
            target->setFocus(Qt::OtherFocusReason);
        }
        if (hasFocus()) {
            clearFocus();
        }
        event->accept();
        emit focusHandedBack();
        return;
    }
    CTimeEdit::keyReleaseEvent(event);
}

void CToolBarTimeEdit::focusInEvent(QFocusEvent* event)
{
    CTimeEdit::focusInEvent(event);
    emit editFocusChanged(true);
}

void CToolBarTimeEdit::focusOutEvent(QFocusEvent* event)
{
    CTimeEdit::focusOutEvent(event);
    emit editFocusChanged(false);
}

}  // namespace tessaron
