#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

#include "app/SkinFolders.h"

class QListWidget;
class QPushButton;

namespace tessaron {

// The skin chooser ("&Interface"): lists the skins of the program's folder and the user's
// own, with the current one selected. "Apply" emits applied(path) and leaves the dialog open,
// so that skins can be tried one after another; "Edit" opens the selected file in a text
// editor. The main frame connects applied() to its re-skin (hints 28 and 29, CSkin::Load,
// CSkin::ApplyMain) and stores the path for the `Skins` setting.
class CInterfaceDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kApplyId = 9345;
    static constexpr int kEditId = 9346;

    CInterfaceDlg(const QString& currentSkinPath, SkinFolders folders, QWidget* parent = nullptr);

    QString SelectedPath() const;
    // For tests: how the desktop is asked to open a file (QDesktopServices::openUrl by default).
    void SetDesktopOpen(std::function<bool(const QUrl&)> open) { desktopOpen_ = std::move(open); }
    QListWidget* List() const { return list_; }

signals:
    void applied(const QString& path);

private:
    void Apply();
    void Edit();
    void UpdateButtons();

    SkinFolders folders_;
    QListWidget* list_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* edit_ = nullptr;
    std::function<bool(const QUrl&)> desktopOpen_;
};

}  // namespace tessaron
