#include "app/CInterfaceDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/TextEditor.h"

namespace tessaron {

namespace {

constexpr int kPathRole = Qt::UserRole;

}  // namespace

CInterfaceDlg::CInterfaceDlg(const QString& currentSkinPath, SkinFolders folders, QWidget* parent)
    : QDialog(parent), folders_(std::move(folders))
{
    setWindowTitle(QStringLiteral("Programmable Interface "));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Skins"), this));
    list_ = new QListWidget(this);
    layout->addWidget(list_);

    const QString current = QFileInfo(currentSkinPath).absoluteFilePath();
    const QList<SkinFolders::Skin> skins = folders_.List();
    for (const SkinFolders::Skin& skin : skins) {
        // A title that both folders hold is marked on the user's copy.
        const bool twice = std::count_if(skins.begin(), skins.end(),
                                         [&](const SkinFolders::Skin& other) { return other.title == skin.title; }) > 1;
        auto* item = new QListWidgetItem(skin.own && twice ? tr("%1 (own)").arg(skin.title) : skin.title, list_);
        item->setData(kPathRole, skin.path);
        item->setToolTip(QDir::toNativeSeparators(skin.path));
        if (!currentSkinPath.isEmpty() && QFileInfo(skin.path).absoluteFilePath() == current) {
            list_->setCurrentItem(item);
        }
    }

    auto* buttons = new QHBoxLayout;
    apply_ = new QPushButton(tr("Apply"), this);
    edit_ = new QPushButton(tr("Edit"), this);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addWidget(apply_);
    buttons->addWidget(edit_);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(apply_, &QPushButton::clicked, this, &CInterfaceDlg::Apply);
    connect(edit_, &QPushButton::clicked, this, &CInterfaceDlg::Edit);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CInterfaceDlg::Apply);
    connect(list_, &QListWidget::currentItemChanged, this, &CInterfaceDlg::UpdateButtons);
    UpdateButtons();
}

QString CInterfaceDlg::SelectedPath() const
{
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->data(kPathRole).toString() : QString();
}

void CInterfaceDlg::UpdateButtons()
{
    const bool selected = list_->currentItem() != nullptr;
    apply_->setEnabled(selected);
    edit_->setEnabled(selected);
}

void CInterfaceDlg::Apply()
{
    const QString path = SelectedPath();
    if (!path.isEmpty()) {
        emit applied(path);
    }
}

void CInterfaceDlg::Edit()
{
    const QString path = SelectedPath();
    if (path.isEmpty()) {
        return;
    }
    if (!OpenInTextEditor(path, desktopOpen_)) {
        auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                    tr("No text editor could be started for %1. Set VISUAL or EDITOR to one.")
                                        .arg(QDir::toNativeSeparators(path)),
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
}

}  // namespace tessaron
