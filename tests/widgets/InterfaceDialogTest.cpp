#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "app/CAboutDlg.h"
#include "app/CInterfaceDlg.h"
#include "app/DataFolders.h"
#include "app/Manual.h"
#include "app/SkinFolders.h"
#include "app/TextEditor.h"

using namespace tessaron;

namespace {

void Touch(const QString& path, const QByteArray& text = "<Tessaron Config>\n")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QPushButton* Button(QWidget& dialog, const QString& text)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

}  // namespace

class InterfaceDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(program_.isValid() && user_.isValid());
        Touch(program_.filePath(QStringLiteral("rqconfig.ini")));
        Touch(program_.filePath(QStringLiteral("ember.ini")));
        Touch(program_.filePath(QStringLiteral("notes.txt")));
        Touch(user_.filePath(QStringLiteral("Mine.ini")));
        Touch(user_.filePath(QStringLiteral("ember.ini")));
    }

    void foldersListAndFindSkins()
    {
        const SkinFolders folders(program_.path(), user_.path());
        const QList<SkinFolders::Skin> skins = folders.List();
        QStringList titles;
        for (const SkinFolders::Skin& skin : skins) {
            titles << skin.title + (skin.own ? QStringLiteral("*") : QString());
        }
        QCOMPARE(titles, (QStringList{"ember", "rqconfig", "ember*", "Mine*"}));
        // A bare name: the user's own copy first, then the program's.
        QCOMPARE(folders.PathOf(QStringLiteral("ember.ini")), user_.filePath(QStringLiteral("ember.ini")));
        QCOMPARE(folders.PathOf(QStringLiteral("rqconfig.ini")), program_.filePath(QStringLiteral("rqconfig.ini")));
        QCOMPARE(folders.PathOf(QStringLiteral("C:\\skins\\x.ini")), QStringLiteral("C:/skins/x.ini"));
        QCOMPARE(SkinFolders(QString(), QString()).List().size(), 0);

        // Installed: the data beside the program's folder.
        QTemporaryDir installed;
        QVERIFY(QDir(installed.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(installed.path()).mkpath(QStringLiteral("share/tessaron/skins")));
        QVERIFY(QDir(installed.path()).mkpath(QStringLiteral("share/doc/tessaron")));
        Touch(installed.filePath(QStringLiteral("share/doc/tessaron/manual.md")), "# Manual\n");
        const QString bin = installed.filePath(QStringLiteral("bin"));
        QCOMPARE(DataFolders::ProgramSkinFolder(bin), installed.filePath(QStringLiteral("share/tessaron/skins")));
        QCOMPARE(DataFolders::ManualPath(bin), installed.filePath(QStringLiteral("share/doc/tessaron/manual.md")));
        // The build tree's skins stand in for the installed ones.
        const QString shipped = DataFolders::ProgramSkinFolder(QStringLiteral("/nonexistent/bin"));
        QVERIFY(QFile::exists(shipped + QStringLiteral("/rqconfig.ini")));
        QVERIFY(DataFolders::UserSkinFolder().endsWith(QStringLiteral("/Tessaron/skins")));
    }

    void dialogListsSelectsAndApplies()
    {
        CInterfaceDlg dialog(program_.filePath(QStringLiteral("rqconfig.ini")), SkinFolders(program_.path(), user_.path()));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Programmable Interface "));
        QCOMPARE(dialog.List()->count(), 4);
        QCOMPARE(dialog.List()->item(2)->text(), QStringLiteral("ember (own)"));
        QCOMPARE(dialog.List()->item(3)->text(), QStringLiteral("Mine"));
        QCOMPARE(dialog.List()->currentItem()->text(), QStringLiteral("rqconfig"));

        QSignalSpy applied(&dialog, &CInterfaceDlg::applied);
        QPushButton* apply = Button(dialog, QStringLiteral("Apply"));
        QVERIFY(apply && apply->isEnabled());
        QTest::mouseClick(apply, Qt::LeftButton);
        dialog.List()->setCurrentRow(3);
        QTest::mouseClick(apply, Qt::LeftButton);
        QCOMPARE(applied.count(), 2);
        QCOMPARE(applied.at(0).at(0).toString(), program_.filePath(QStringLiteral("rqconfig.ini")));
        QCOMPARE(applied.at(1).at(0).toString(), user_.filePath(QStringLiteral("Mine.ini")));

        // Nothing selected: nothing to apply or edit.
        CInterfaceDlg none(QString(), SkinFolders(program_.path(), user_.path()));
        QVERIFY(none.List()->currentItem() == nullptr);
        QVERIFY(!Button(none, QStringLiteral("Apply"))->isEnabled());
        QVERIFY(!Button(none, QStringLiteral("Edit"))->isEnabled());
    }

    void editOpensTheDesktopEditorOrTheUsersOwn()
    {
        CInterfaceDlg dialog(user_.filePath(QStringLiteral("Mine.ini")), SkinFolders(program_.path(), user_.path()));
        QList<QUrl> asked;
        dialog.SetDesktopOpen([&](const QUrl& url) {
            asked << url;
            return true;
        });
        QTest::mouseClick(Button(dialog, QStringLiteral("Edit")), Qt::LeftButton);
        QCOMPARE(asked, (QList<QUrl>{QUrl::fromLocalFile(user_.filePath(QStringLiteral("Mine.ini")))}));

        // Without a desktop editor, $VISUAL (a command with arguments) gets the file.
        QTemporaryDir scratch;
        const QString marker = scratch.filePath(QStringLiteral("edited"));
        const QString script = scratch.filePath(QStringLiteral("editor.sh"));
        Touch(script, "#!/bin/sh\necho \"$1 $2\" > \"" + marker.toUtf8() + "\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        qputenv("VISUAL", (script + QStringLiteral(" --wait")).toUtf8());
        qputenv("EDITOR", "/nonexistent/editor");
        QVERIFY(OpenInTextEditor(user_.filePath(QStringLiteral("Mine.ini")), [](const QUrl&) { return false; }));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(marker).size() > 0, 5000);
        QFile written(marker);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(written.readAll()).trimmed(),
                 QStringLiteral("--wait ") + user_.filePath(QStringLiteral("Mine.ini")));

        qunsetenv("VISUAL");
        qputenv("EDITOR", "");
        QVERIFY(!OpenInTextEditor(user_.filePath(QStringLiteral("Mine.ini")), [](const QUrl&) { return false; }));
    }

    void aboutBoxAndManual()
    {
        CAboutDlg about;
        const QLabel* text = about.findChild<QLabel*>(QStringLiteral("aboutText"));
        QVERIFY(text);
        QVERIFY(text->text().contains(QStringLiteral("Tessaron ") + CAboutDlg::VersionText()));
        QVERIFY(!CAboutDlg::VersionText().isEmpty());

        // The manual: the desktop's viewer is asked first; without one, a window shows it.
        QWidget parent;
        QList<QUrl> asked;
        QVERIFY(OpenManual(&parent, [&](const QUrl& url) {
            asked << url;
            return true;
        }));
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().toLocalFile().endsWith(QStringLiteral("/manual.md")));
        QVERIFY(OpenManual(&parent, [](const QUrl&) { return false; }));
        QWidget* window = parent.findChild<QWidget*>(QStringLiteral("manualWindow"));
        QVERIFY(window);
        const QTextBrowser* browser = window->findChild<QTextBrowser*>();
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Interface")));
        window->close();
    }

private:
    QTemporaryDir program_;
    QTemporaryDir user_;
};

QTEST_MAIN(InterfaceDialogTest)
#include "InterfaceDialogTest.moc"
