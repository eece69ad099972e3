#include "app/CRecentFiles.h"

#include <QFileInfo>
#include <QSettings>

namespace tessaron {

namespace {

const QString kSection = QStringLiteral("Recent File List");

}  // namespace

CRecentFiles::CRecentFiles()
{
    QSettings settings(QStringLiteral("Quorvel"), QStringLiteral("Tessaron"));
    settings.beginGroup(kSection);
    for (int i = 1; i <= kCount; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !files_.contains(path)) {
            files_.append(path);
        }
    }
}

void CRecentFiles::Add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files_.removeAll(absolute);
    files_.prepend(absolute);
    while (files_.size() > kCount) {
        files_.removeLast();
    }
}

void CRecentFiles::Remove(const QString& path) { files_.removeAll(path); }

void CRecentFiles::Save() const
{
    QSettings settings(QStringLiteral("Quorvel"), QStringLiteral("Tessaron"));
    settings.beginGroup(kSection);
    settings.remove(QString());
    for (int i = 0; i < files_.size(); ++i) {
        settings.setValue(QStringLiteral("File%1").arg(i + 1), files_[i]);
    }
}

}  // namespace tessaron
