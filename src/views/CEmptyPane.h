#pragma once

#include <QLabel>

namespace tessaron {

// A pane whose view is not part of the program yet: a plain label saying which view goes there.
class CEmptyPane : public QLabel {
public:
    CEmptyPane(const QString& name, QWidget* parent) : QLabel(parent)
    {
        setObjectName(name);
        setText(name + QStringLiteral(" (not available yet)"));
        setAlignment(Qt::AlignCenter);
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        setMinimumSize(40, 40);
    }
};

}  // namespace tessaron
