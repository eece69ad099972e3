#include "app/DataFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tessaron {

namespace {

QString FirstExisting(std::initializer_list<QString> candidates, bool folder)
{
    for (const QString& candidate : candidates) {
        const QFileInfo info(candidate);
        if (info.exists() && info.isDir() == folder) {
            return QDir::cleanPath(info.absoluteFilePath());
        }
    }
    return {};
}

}  // namespace

QString DataFolders::ProgramSkinFolder(const QString& applicationDir)
{
    const QString found = FirstExisting({applicationDir + QStringLiteral("/../share/tessaron/skins"),
                                         QStringLiteral(TESSARON_SOURCE_DATA "/skins")},
                                        true);
    return found.isEmpty() ? applicationDir : found;
}

QString DataFolders::ProgramSkinFolder() { return ProgramSkinFolder(QCoreApplication::applicationDirPath()); }

QString DataFolders::UserSkinFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tessaron/skins");
}

QString DataFolders::ManualPath(const QString& applicationDir)
{
    return FirstExisting({applicationDir + QStringLiteral("/../share/doc/tessaron/manual.md"),
                          QStringLiteral(TESSARON_SOURCE_DOCS "/manual.md")},
                         false);
}

QString DataFolders::ManualPath() { return ManualPath(QCoreApplication::applicationDirPath()); }

}  // namespace tessaron
