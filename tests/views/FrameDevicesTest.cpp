// The main frame's skin, MIDI input and companion link on the offline output: a skin applied
// on the live window, MIDI messages turned into triggers, and a sample handed over by a second
// process through the link.
#include "ViewTest.h"

#include <fstream>

#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "app/CInterfaceDlg.h"
#include "app/CStatusPanes.h"
#include "media/CSamples.h"
#include "music/CLinkServer.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "song/CTriggerRules.h"
#include "support/OutputSignals.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"
#include "views/CActionView.h"
#include "views/CGridView.h"
#include "views/CMidiView.h"

namespace tessaron::test {

class FrameDevicesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<FrameUnderTest> t_;
    CMainFrame& Frame() { return *t_->frame; }

    std::string WriteTone(const std::string& name, double frequency)
    {
        const WaveFormat format = WaveFormat::Pcm16(44100, 2);
        const std::string path = dir_->file(name + ".wav");
        WriteBytes(path, PcmWave(2, 44100, 16, SinePcm(format, 44100, frequency, 0.5)));
        return path;
    }

    void WriteSkin(const std::string& path, const std::string& eventColours)
    {
        std::ofstream skin(path);
        skin << "<Tessaron Config>\n%MAIN\n:EVENT 0 0 0 0 0 -1 " << eventColours
             << "\n:TIMELINE 0 0 0 0 0 -1 RGB(1,2,3) RGB(250,240,230)\n:FONT0 11 1 \"Sans\"\n";
    }

    static QColor Packed(int32_t packed) { return CSkin::Colour(packed); }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        // The link listens in a runtime folder of this test alone.
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir_->path().string()));
        t_ = std::make_unique<FrameUnderTest>();
        QVERIFY(t_->Create());
    }
    void cleanup()
    {
        t_.reset();
        dir_.reset();
    }

    void skinColoursAndFontsReachTheLiveWindowAndCtrlHReadsTheFileAgain()
    {
        const std::string path = dir_->file("blue.ini");
        WriteSkin(path, "RGB(10,20,30) RGB(200,210,220)");
        Frame().ApplySkin(QString::fromStdString(path));
        QCOMPARE(t_->app->SkinPath(), path);
        QCOMPARE(Frame().EventList().palette().color(QPalette::Text), QColor(10, 20, 30));
        QCOMPARE(Frame().EventList().palette().color(QPalette::Base), QColor(200, 210, 220));
        QCOMPARE(Packed(t_->app->Look().Colours(skin::SkinView::Event).background), QColor(200, 210, 220));
        QCOMPARE(Frame().Timeline().TextColour(), QColor(1, 2, 3));
        QCOMPARE(Frame().Timeline().BackgroundColour(), QColor(250, 240, 230));
        // FONT0 of 11 points, bold, at the screen's resolution.
        const QFont font = Frame().EventList().font();
        QVERIFY(font.bold());
        QCOMPARE(Frame().Status().Bar().font().pixelSize(), font.pixelSize());
        // The views the skin does not name keep the colours of a skin without them.
        QCOMPARE(Packed(t_->app->Look().Colours(skin::SkinView::Media).background), QColor(180, 180, 185));

        // Edited on disk, then Ctrl+H: the new colours show.
        WriteSkin(path, "RGB(1,2,3) RGB(4,5,6)");
        Frame().RunCommand(CMainFrame::kReapplySkin);
        QCOMPARE(Frame().EventList().palette().color(QPalette::Base), QColor(4, 5, 6));
        QVERIFY(Frame().Action(CMainFrame::kReapplySkin)->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_H));

        // A file that is not a skin gives the defaults of no skin (white on dark grey).
        std::ofstream(dir_->file("broken.ini")) << "not a skin";
        Frame().ApplySkin(QString::fromStdString(dir_->file("broken.ini")));
        QCOMPARE(Frame().EventList().palette().color(QPalette::Text), QColor(255, 255, 255));
        QCOMPARE(Frame().EventList().palette().color(QPalette::Base), QColor(30, 30, 30));
    }

    void interfaceDialogAppliesTheChosenSkinWhileItStaysOpen()
    {
        QVERIFY(Frame().Action(CMainFrame::kInterface)->isEnabled());
        QString applied;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CInterfaceDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QListWidget* list = dialog->List();
            QVERIFY(list->count() >= 2);  // the shipped skins
            list->setCurrentRow(list->count() - 1);
            applied = dialog->SelectedPath();
            for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                if (button->text() == QStringLiteral("Apply")) {
                    button->click();
                }
            }
            QVERIFY(dialog->isVisible());
            dialog->reject();
        });
        Frame().RunCommand(CMainFrame::kInterface);
        QVERIFY(!applied.isEmpty());
        QCOMPARE(QString::fromStdString(t_->app->SkinPath()), applied);
    }

    void midiNotesTriggerTheMediaOfTheirKeyOnTheWindowThread()
    {
        {
            CChordwayDoc doc;
            auto sample = std::make_unique<CSamples>(WriteTone("low", 440.0), "low", 44100, 1000, "", "", 120.0f, 0, 0, 0);
            sample->dataSize = 44100 * 4;
            sample->midiNote = 14;  // note 38
            doc.InsertMedium(0, std::move(sample));
            QVERIFY(CSongFile::Save(doc, dir_->file("keys.tsn")).ok());
        }
        QVERIFY(Frame().OpenSong(QString::fromStdString(dir_->file("keys.tsn"))));
        CMedia* medium = Frame().Doc().MediumAt(0);
        // A note of another key, and a note on with velocity 0 (a release), play nothing.
        QCOMPARE(medium->midiNote, 14);
        Frame().OnMessage(1024, 0, 0x90 + 39 * 256 + 100 * 65536);
        Frame().OnMessage(1024, 1, 0x90 + 38 * 256);
        QTest::qWait(60);
        QVERIFY(!medium->IsDevicePlaying());
        // Note 38 plays the medium of key 14; its note off releases it.
        Frame().OnMessage(1024, 2, 0x90 + 38 * 256 + 127 * 65536);
        QTRY_VERIFY_WITH_TIMEOUT(medium->IsDevicePlaying(), 2000);
        QCOMPARE(Frame().Triggers().LastKey(), 14);
        Frame().OnMessage(1024, 3, 0x80 + 38 * 256 + 64 * 65536);
        QTRY_VERIFY_WITH_TIMEOUT(!medium->IsDevicePlaying(), 2000);
    }

    void companionLinkTakesASampleFromAnotherProcess()
    {
        QVERIFY(Frame().LinkServer() != nullptr);
        QVERIFY(Frame().LinkServer()->Running());
        QCOMPARE(Frame().LinkServer()->Path(), CLinkServer::DefaultPath());
        t_->app->Settings().autoPlay = false;
        Frame().Doc().Environment().settings.autoPlay = false;

        QProcess send;
        send.start(QStringLiteral(TESSARON_BINARY_DIR "/tessaron-cli"),
                   {"send", "file", "--path", QString::fromStdString(WriteTone("handed", 660.0)), "--name", "handed",
                    "--duration", "1000", "--data-size", QString::number(44100 * 4)});
        QVERIFY(send.waitForStarted(5000));
        // The window's thread runs the command while the other process waits for its answer.
        QTRY_COMPARE_WITH_TIMEOUT(send.state(), QProcess::NotRunning, 10000);
        QCOMPARE(send.exitCode(), 0);
        QCOMPARE(Frame().Doc().MediaCount(), 1);
        QCOMPARE(Frame().Doc().MediumAt(0)->name, std::string("handed"));
        QCOMPARE(Frame().Status().Text(2), QStringLiteral("Media:0/1"));

        // With AUTOVOL a handed-over sample takes the level and pan of its piano key, here key 1
        // (the second medium's place), instead of the record's.
        Frame().Doc().Environment().settings.autoVol = true;
        Frame().PianoView()->ControlMoved(CMidiView::kVol, 1, -150);
        Frame().PianoView()->ControlMoved(CMidiView::kPan, 1, 500);
        QProcess sendLevels;
        sendLevels.start(QStringLiteral(TESSARON_BINARY_DIR "/tessaron-cli"),
                         {"send", "file", "--path", QString::fromStdString(WriteTone("levels", 440.0)), "--name",
                          "levels", "--duration", "1000", "--data-size", QString::number(44100 * 4), "--volume",
                          "-200", "--pan", "300"});
        QVERIFY(sendLevels.waitForStarted(5000));
        QTRY_COMPARE_WITH_TIMEOUT(sendLevels.state(), QProcess::NotRunning, 10000);
        QCOMPARE(sendLevels.exitCode(), 0);
        QCOMPARE(Frame().Doc().MediaCount(), 2);
        QCOMPARE(Frame().Doc().MediumAt(1)->midiNote, 13);
        QCOMPARE(Frame().Doc().MediumAt(1)->volume, -150);
        QCOMPARE(Frame().Doc().MediumAt(1)->pan, 1000);  // the knob's end is the field's end

        // A second window finds the link taken and runs on without it.
        FrameUnderTest second;
        QVERIFY(second.Create());
        QVERIFY(second.frame->LinkServer() == nullptr);
        QVERIFY(Frame().LinkServer()->Running());
    }
};

TESSARON_VIEW_TEST(FrameDevicesTest);

}  // namespace tessaron::test

#include "FrameDevicesTest.moc"
