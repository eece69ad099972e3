#include "views/CEffectParamDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

#include "views/EffectDialogTable.h"

namespace tessaron {

namespace {

QSpinBox* MakeSpin(const EffectDialogEntry::Value& value, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setRange(value.min, value.max);
    spin->setValue(value.initial);
    return spin;
}

}  // namespace

CEffectParamDlg::CEffectParamDlg(int command, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EffectParameters"));
    const EffectDialogEntry* entry = EffectDialogTable::Find(command);
    setWindowTitle(entry != nullptr ? QString::fromUtf8(entry->title) : QStringLiteral("Effect"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    if (entry != nullptr) {
        first_ = MakeSpin(entry->first, this);
        first_->setObjectName(QStringLiteral("First"));
        form->addRow(QString::fromUtf8(entry->first.label), first_);
        if (entry->second.label != nullptr) {
            second_ = MakeSpin(entry->second, this);
            second_->setObjectName(QStringLiteral("Second"));
            form->addRow(QString::fromUtf8(entry->second.label), second_);
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

EffectParameters CEffectParamDlg::Values() const
{
    return {first_ != nullptr ? first_->value() : 0, second_ != nullptr ? second_->value() : 0};
}

}  // namespace tessaron
