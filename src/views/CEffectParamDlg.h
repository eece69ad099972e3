#pragma once

#include <QDialog>

#include "effects/SampleEffect.h"

class QSpinBox;

namespace tessaron {

struct EffectDialogEntry;

// Asks for the one or two values of an effect, with the effect's labels, defaults and ranges.
class CEffectParamDlg : public QDialog {
public:
    // `command` must have an entry in EffectDialogTable.
    explicit CEffectParamDlg(int command, QWidget* parent = nullptr);

    EffectParameters Values() const;
    QSpinBox* First() const { return first_; }
    QSpinBox* Second() const { return second_; }

private:
    QSpinBox* first_ = nullptr;
    QSpinBox* second_ = nullptr;
};

}  // namespace tessaron
