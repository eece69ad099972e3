#include "app/TextEditor.h"

#include <QDesktopServices>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace tessaron {

bool OpenInTextEditor(const QString& path, const std::function<bool(const QUrl&)>& desktopOpen)
{
    const QUrl url = QUrl::fromLocalFile(path);
    if (desktopOpen ? desktopOpen(url) : QDesktopServices::openUrl(url)) {
        return true;
    }
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        QStringList command = QProcess::splitCommand(environment.value(QString::fromLatin1(variable)));
        if (command.isEmpty()) {
            continue;
        }
        const QString program = command.takeFirst();
        command << path;
        if (QProcess::startDetached(program, command)) {
            return true;
        }
    }
    return false;
}

}  // namespace tessaron
