#pragma once

#include <vector>

#include <QElapsedTimer>
#include <QSpinBox>
#include <QToolButton>
#include <QWidget>

#include "views/SpinAcceleration.h"

namespace tessaron {

// Tells how long a spin has been held: steps closer together than a repeat make one hold.
class CSpinHold {
public:
    explicit CSpinHold(std::vector<SpinAccel> table) : table_(std::move(table)) {}
    // The size of the step taken now.
    int Step();

private:
    std::vector<SpinAccel> table_;
    QElapsedTimer held_;
    QElapsedTimer last_;
};

// A spin box whose steps grow while its arrow is held.
class CAccelSpinBox : public QSpinBox {
public:
    CAccelSpinBox(std::vector<SpinAccel> table, QWidget* parent = nullptr) : QSpinBox(parent), hold_(std::move(table)) {}
    void stepBy(int steps) override { QSpinBox::stepBy(steps * hold_.Step()); }

private:
    CSpinHold hold_;
};

// An up-down pair of arrow buttons beside a text field; each step (or held repeat) reports a
// signed delta, accelerated, limited to the control's range -8191..8191.
class CSpinButtons : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButtons(std::vector<SpinAccel> table = kToolBarSpinAccel, QWidget* parent = nullptr);
    QToolButton* Up() const { return up_; }
    QToolButton* Down() const { return down_; }

signals:
    void stepped(int delta);

private:
    QToolButton* up_;
    QToolButton* down_;
    CSpinHold hold_;
};

}  // namespace tessaron
