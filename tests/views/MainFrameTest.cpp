// The main frame on the offline output: panes, tool bars, commands, close.
#include "ViewTest.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

#include "app/CMoveBar.h"
#include "framework/IMessageSink.h"
#include "app/CSettingsBar.h"
#include "app/CStatusPanes.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "song/Messages.h"
#include "support/TempDir.h"
#include "views/CAccelSpinBox.h"
#include "views/CActionView.h"

namespace tessaron::test {

class MainFrameTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FrameUnderTest> t_;
    CMainFrame& Frame() { return *t_->frame; }

    // Answers the next message box with `button` once it shows.
    static void AnswerNextBox(QMessageBox::StandardButton button)
    {
        QTimer::singleShot(0, [button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box) {
                box->button(button)->click();
            }
        });
    }

private slots:
    void init()
    {
        t_ = std::make_unique<FrameUnderTest>();
        t_->values["MEMORYMAX"] = "67108864";  // 64 MB
        t_->values["PITCHBENDRANGE"] = "7";
        QVERIFY(t_->Create());
    }
    void cleanup() { t_.reset(); }

    void createsWithTheStoredSettings()
    {
        QCOMPARE(t_->app->Settings().memoryMax, 64 * 1048576);
        QCOMPARE(t_->app->Settings().pitchBendRange, 7);
        QCOMPARE(Frame().Outputs().Count(), size_t(1));
        QCOMPARE(Frame().windowTitle(), QStringLiteral("Untitled - Tessaron"));
        QCOMPARE(Frame().Status().Text(1), QStringLiteral("1.1.0"));
        QCOMPARE(Frame().Status().Text(2), QStringLiteral("Media:0/0"));
        QCOMPARE(Frame().Status().Text(3), QStringLiteral("Event:0/0"));
        QCOMPARE(Frame().Status().Text(4), QStringLiteral("0.0/64 MB"));
        QCOMPARE(Frame().Status().Text(5), QString());
        auto* outer = Frame().findChild<QSplitter*>(QStringLiteral("OuterSplitter"));
        QVERIFY(outer);
        QCOMPARE(outer->count(), 2);
        QCOMPARE(Frame().findChild<QSplitter*>(QStringLiteral("LeftColumn"))->count(), 2);
        QCOMPARE(Frame().findChild<QSplitter*>(QStringLiteral("RightColumn"))->widget(1),
                 static_cast<QWidget*>(&Frame().EventList()));
    }

    void messagesUpdateThePanesAndTheMoveBar()
    {
        Frame().OnMessage(message::kSongLength, 0, 40);
        QCOMPARE(Frame().MoveBar().Maximum(), 40);
        Frame().OnMessage(message::kBarBeat, 3 * 256, 5);
        QCOMPARE(Frame().Status().Text(1), QStringLiteral("5.3.0"));
        Frame().OnMessage(message::kTimeDisplay, 0, 83456);
        QCOMPARE(Frame().Status().Text(1), QStringLiteral("01:23.4"));
        Frame().OnMessage(message::kMemory, 0, 3 * 1048576);
        QCOMPARE(Frame().Status().Text(4), QStringLiteral("3.0/64 MB"));
    }

    void postsFromAnotherThreadArriveOnTheUiThread()
    {
        Frame().Doc().Environment().sink->post(message::kBarBeat, 2 * 256, 9);
        QCOMPARE(Frame().Status().Text(1), QStringLiteral("1.1.0"));  // queued, not run at once
        QTRY_COMPARE(Frame().Status().Text(1), QStringLiteral("9.2.0"));
    }

    void recordShowsInTheLastPane()
    {
        Frame().RunCommand(CMainFrame::kRecord);
        QCOMPARE(Frame().Status().Text(5), QStringLiteral("R E C O R D"));
        QVERIFY(Frame().Action(CMainFrame::kRecord)->isChecked());
        Frame().RunCommand(CMainFrame::kRecord);
        QCOMPARE(Frame().Status().Text(5), QString());
        // The Insert key is the command's key.
        QCOMPARE(Frame().Action(CMainFrame::kRecord)->shortcut(), QKeySequence(Qt::Key_Insert));
    }

    void tempoFieldSpinsFiltersAndHandsTheFocusBack()
    {
        Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        QLineEdit* tempo = Frame().SettingsBar().TempoField();
        QCOMPARE(tempo->text(), QStringLiteral("100.0"));
        tempo->setFocus();
        QVERIFY(Frame().EditFocus());
        tempo->clear();
        QTest::keyClicks(tempo, QStringLiteral("300"));
        QCOMPARE(tempo->text(), QStringLiteral("300"));
        Frame().SettingsBar().TempoSpin()->Up()->click();
        QCOMPARE(tempo->text(), QStringLiteral("250.0"));
        Frame().SettingsBar().TempoSpin()->Down()->click();
        QCOMPARE(tempo->text(), QStringLiteral("249.9"));

        tempo->clear();
        QTest::keyClicks(tempo, QStringLiteral("1a2.b:-3"));
        QCOMPARE(tempo->text(), QStringLiteral("12.3"));

        QTest::keyClick(tempo, Qt::Key_Return);
        QVERIFY(!tempo->hasFocus());
        QVERIFY(!Frame().EditFocus());

        // "Set Tempo in Song" puts the typed tempo into the song.
        tempo->setText(QStringLiteral("133.5"));
        Frame().RunCommand(CMainFrame::kSetTempo);
        QCOMPARE(Frame().Doc().Tempo(), 133.5f);
        QVERIFY(Frame().Doc().IsModified());
    }

    void settingsBarDocksAtTopOrBottomOnly()
    {
        const CSettingsBar& bar = Frame().SettingsBar();
        QVERIFY(bar.isAreaAllowed(Qt::TopToolBarArea));
        QVERIFY(bar.isAreaAllowed(Qt::BottomToolBarArea));
        QVERIFY(!bar.isAreaAllowed(Qt::LeftToolBarArea));
        QVERIFY(!bar.isAreaAllowed(Qt::RightToolBarArea));
    }

    void mediaCommandsWaitForMediaAndTheRestWork()
    {
        Frame().UpdateCommands();
        // An empty song has no media to play, select, edit or process.
        for (int id : {CMainFrame::kPlayMedia, CMainFrame::kSelectAll, CMainFrame::kRunEditor, CMainFrame::kEffectsFirst,
                       CMainFrame::kDisplayWave, CMainFrame::kAutoKey}) {
            QVERIFY2(!Frame().Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        for (int id : {CMainFrame::kNew, CMainFrame::kPlaySong, CMainFrame::kStopSong, CMainFrame::kOptions,
                       CMainFrame::kVolume, CMainFrame::kQuit, CMainFrame::kAddSamples, CMainFrame::kAddMidi,
                       CMainFrame::kReportList}) {
            QVERIFY2(Frame().Action(id)->isEnabled(), qPrintable(QString::number(id)));
        }
        QCOMPARE(Frame().Action(CMainFrame::kPlaySong)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Space));
        QCOMPARE(Frame().Action(CMainFrame::kQuit)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

        Frame().RunCommand(CMainFrame::kPlaySong);
        QVERIFY(Frame().Doc().Transport().SongPlaying());
        Frame().RunCommand(CMainFrame::kStopSong);
        QVERIFY(!Frame().Doc().Transport().SongPlaying());
    }

    void windowMenuShowsAndHidesBarsAndPanes()
    {
        Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        QVERIFY(Frame().Action(CMainFrame::kPaneEvent)->isChecked());
        Frame().RunCommand(CMainFrame::kPaneEvent);
        QVERIFY(Frame().EventList().isHidden());
        QVERIFY(!Frame().Action(CMainFrame::kPaneEvent)->isChecked());
        Frame().RunCommand(CMainFrame::kPaneEvent);
        QVERIFY(!Frame().EventList().isHidden());
        Frame().RunCommand(CMainFrame::kBarSettings);
        QVERIFY(Frame().SettingsBar().isHidden());
        QVERIFY(!Frame().Action(CMainFrame::kBarSettings)->isChecked());
        Frame().RunCommand(CMainFrame::kBarStatus);
        QVERIFY(Frame().statusBar()->isHidden());
    }

    void openingASongShowsItsNameAndEvents()
    {
        TempDir dir;
        {
            CChordwayDoc doc;
            auto sample = std::make_unique<CSamples>(dir.file("x.wav"), "beat", 44100, 500, "", "", 100.0f, 0, 0, 0);
            CMedia* medium = doc.InsertMedium(0, std::move(sample));
            for (int i = 0; i < 3; ++i) {
                CAction play(CAction::kPlay, medium, 0, -1, 0, 0);
                play.SetStart(i * 600);
                play.SetDuration(500);
                play.MusicalFromMs(100.0f);
                doc.RecordAction(play);
            }
            QVERIFY(CSongFile::Save(doc, dir.file("groove.tsn")).ok());
        }
        QVERIFY(Frame().OpenSong(QString::fromStdString(dir.file("groove.tsn"))));
        QCOMPARE(Frame().windowTitle(), QStringLiteral("groove - Tessaron"));
        QCOMPARE(Frame().Status().Text(3), QStringLiteral("Event:0/3"));
        QCOMPARE(Frame().EventList().model()->rowCount(), 3);
        QCOMPARE(t_->app->RecentFiles().Files().front(), QString::fromStdString(dir.file("groove.tsn")));
        Frame().OnMessage(message::kEventFired, 0, 2);
        QCOMPARE(Frame().EventList().SelectedRow(), 2);
        QCOMPARE(Frame().Status().Text(3), QStringLiteral("Event:3/3"));
    }

    void closeAsksToSaveThenWritesSettingsAndPlacement()
    {
        Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        Frame().Doc().SetModified();
        AnswerNextBox(QMessageBox::Cancel);
        QVERIFY(!Frame().close());
        QVERIFY(t_->values.count("MEMORYMAX") == 1 && t_->values.count("X") == 0);

        AnswerNextBox(QMessageBox::No);
        QVERIFY(Frame().close());
        for (const char* key : {"AUTOLOAD", "EDITOR", "NBLOOP", "MIDICANAL", "PITCHBENDRANGE", "LANTENCY", "X", "Y",
                                "CX", "CY", "RESX", "RESY", "STYLE"}) {
            QVERIFY2(t_->values.count(key) == 1, key);
        }
        QCOMPARE(t_->values["PITCHBENDRANGE"], std::string("7"));
        QCOMPARE(t_->values["CX"], std::to_string(Frame().width()));
    }
};

TESSARON_VIEW_TEST(MainFrameTest);

}  // namespace tessaron::test

#include "MainFrameTest.moc"
