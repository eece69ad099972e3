#include "views/CAccelSpinBox.h"

#include <QVBoxLayout>

namespace tessaron {

namespace {

constexpr int kRepeatGapMs = 600;  // more than the auto-repeat interval, less than two presses

}  // namespace

int CSpinHold::Step()
{
    if (!last_.isValid() || last_.elapsed() > kRepeatGapMs) {
        held_.start();
    }
    last_.start();
    return AcceleratedStep(table_, static_cast<int>(held_.elapsed()));
}

CSpinButtons::CSpinButtons(std::vector<SpinAccel> table, QWidget* parent) : QWidget(parent), hold_(std::move(table))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        layout->addWidget(button);
    }
    connect(up_, &QToolButton::clicked, this, [this] { emit stepped(std::min(hold_.Step(), 8191)); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepped(-std::min(hold_.Step(), 8191)); });
}

}  // namespace tessaron
