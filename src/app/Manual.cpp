#include "app/Manual.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/DataFolders.h"

namespace tessaron {

bool OpenManual(QWidget* parent, const std::function<bool(const QUrl&)>& desktopOpen)
{
    const QString path = DataFolders::ManualPath();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        // Not modal: a missing manual must not stop the program's work.
        auto* box = new QMessageBox(QMessageBox::Information, QObject::tr("Help"),
                                    QObject::tr("The manual is not installed."), QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return false;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    if (desktopOpen ? desktopOpen(url) : QDesktopServices::openUrl(url)) {
        return true;
    }
    auto* window = new QDialog(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("manualWindow"));
    window->setWindowTitle(QObject::tr("Tessaron manual"));
    auto* layout = new QVBoxLayout(window);
    auto* browser = new QTextBrowser(window);
    browser->setOpenExternalLinks(true);
    browser->setMarkdown(QString::fromUtf8(file.readAll()));
    layout->addWidget(browser);
    window->resize(760, 640);
    window->show();
    return true;
}

}  // namespace tessaron
