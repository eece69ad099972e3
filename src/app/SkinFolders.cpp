#include "app/SkinFolders.h"

#include <QDir>
#include <QFileInfo>

#include "app/DataFolders.h"

namespace tessaron {

namespace {

void AddSkins(QList<SkinFolders::Skin>& skins, const QString& folder, bool own)
{
    if (folder.isEmpty()) {
        return;
    }
    const QDir dir(folder);
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.ini")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files) {
        skins.push_back({file.completeBaseName(), file.absoluteFilePath(), own});
    }
}

}  // namespace

SkinFolders::SkinFolders(QString programFolder, QString userFolder)
    : programFolder_(std::move(programFolder)), userFolder_(std::move(userFolder))
{
}

SkinFolders SkinFolders::Standard()
{
    return SkinFolders(DataFolders::ProgramSkinFolder(), DataFolders::UserSkinFolder());
}

QList<SkinFolders::Skin> SkinFolders::List() const
{
    QList<Skin> skins;
    AddSkins(skins, programFolder_, false);
    AddSkins(skins, userFolder_, true);
    return skins;
}

QString SkinFolders::PathOf(const QString& name) const
{
    if (name.contains(u'/') || name.contains(u'\\')) {
        return QString(name).replace(u'\\', u'/');
    }
    const QString own = QDir(userFolder_).filePath(name);
    if (!userFolder_.isEmpty() && QFileInfo::exists(own)) {
        return own;
    }
    return QDir(programFolder_).filePath(name);
}

}  // namespace tessaron
