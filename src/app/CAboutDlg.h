#pragma once

#include <QDialog>

namespace tessaron {

// The About box ("&About", 57664): the program's name, version, what it is for, and where its
// manual and the user's skins live.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static QString VersionText();
};

}  // namespace tessaron
