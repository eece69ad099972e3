#pragma once

#include <QLineEdit>
#include <QPointer>

#include <cstdint>

class QKeyEvent;

namespace tessaron {

// An edit field for a time text ("[-]HH:MM:SS.mmm"). Only digits and the time symbols
// "+", "-", "." and ":" get in: typed characters outside them are dropped, and a paste keeps
// only the characters that belong. Control keys (Backspace, arrows, shortcuts) work as usual.
class CTimeEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CTimeEdit(QWidget* parent = nullptr);

    // The symbols accepted besides the digits; "+-.:" unless changed (number fields take ".").
    void SetAcceptedSymbols(const QString& symbols);
    const QString& AcceptedSymbols() const { return symbols_; }
    bool Accepts(QChar c) const;
    // The text with every character that does not belong removed.
    QString Filtered(const QString& text) const;

    void SetMilliseconds(int64_t ms);
    int64_t Milliseconds() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString symbols_;
};

// The variant used in tool bars. Releasing Enter or Tab hands the focus back to the main
// window (or the widget given to SetFocusTarget), so that keys play media again; Tab does not
// walk the tool bar. While it holds the focus, the main frame keeps key presses from
// triggering media: connect editFocusChanged to the frame's edit-focus flag.
class CToolBarTimeEdit : public CTimeEdit {
    Q_OBJECT
public:
    explicit CToolBarTimeEdit(QWidget* parent = nullptr);

    void SetFocusTarget(QWidget* target) { focusTarget_ = target; }

signals:
    void editFocusChanged(bool hasFocus);
    // Enter or Tab was released and the focus went back.
    void focusHandedBack();

protected:
    bool event(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QPointer<QWidget> focusTarget_;
};

}  // namespace tessaron
