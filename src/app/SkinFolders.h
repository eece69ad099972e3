#pragma once

#include <QList>
#include <QString>

namespace tessaron {

// The skins the user can pick: the program's skin folder and the user's own, each listed by
// title (file name without ".ini").
class SkinFolders {
public:
    struct Skin {
        QString title;
        QString path;
        bool own = false;  // from the user's folder
    };

    SkinFolders(QString programFolder, QString userFolder);
    // The program's folder (installed or build tree) and ~/.local/share/Tessaron/skins.
    static SkinFolders Standard();

    const QString& ProgramFolder() const { return programFolder_; }
    const QString& UserFolder() const { return userFolder_; }

    // The program's skins, then the user's, each sorted by title.
    QList<Skin> List() const;
    // The path of a stored skin name: a name with a folder (either separator) as it is; a bare
    // name from the user's folder when it is there, else from the program's folder.
    QString PathOf(const QString& name) const;

private:
    QString programFolder_;
    QString userFolder_;
};

}  // namespace tessaron
