// "Create Wave": the dialog's controls, and the render on its worker thread with Cancel.
#include "ViewTest.h"

#include <filesystem>
#include <functional>

#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/CGuiServices.h"
#include "audiofile/CWaveReader.h"
#include "audioout/CSoundDevice.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "support/OutputSignals.h"
#include "support/TempDir.h"
#include "views/CWriteSongDlg.h"

namespace tessaron::test {

// Calls back for every widget that is shown.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(std::function<void(QWidget*)> onShow) : onShow_(std::move(onShow)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            onShow_(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    std::function<void(QWidget*)> onShow_;
};

class CreateWaveTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<CSoundDevice> offline_;
    std::unique_ptr<CMediaOutputs> outputs_;
    std::unique_ptr<CChordwayDoc> doc_;
    std::unique_ptr<CScheduler> scheduler_;

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        const WaveFormat format = WaveFormat::Pcm16(44100, 2);
        const std::vector<uint8_t> pcm = SinePcm(format, 44100, 440.0, 0.5);
        CWaveReader writer;
        const auto bytes = static_cast<int32_t>(pcm.size());
        QVERIFY(writer.CreateForWrite(dir_->file("tone.wav"), CWaveReader::MakePcmFormat(false, 44100), bytes));
        QCOMPARE(writer.Write(pcm.data(), bytes), bytes);
        QVERIFY(writer.FinishWrite());

        offline_ = std::make_unique<CSoundDevice>(AudioApi::Offline);
        QVERIFY(offline_->Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo));
        outputs_ = std::make_unique<CMediaOutputs>(std::vector<CSoundDevice*>{offline_.get()});
        SongEnvironment env;
        env.loader = outputs_.get();
        env.audioDeviceCount = 1;
        doc_ = std::make_unique<CChordwayDoc>(env);
        doc_->SetTempo(120.0f);
        auto sample = std::make_unique<CSamples>(dir_->file("tone.wav"), "tone", 44100, 1000, "", "", 120.0f, 0, 0, 0);
        sample->dataSize = bytes;
        CMedia* medium = doc_->InsertMedium(0, std::move(sample));
        CAction play(CAction::kPlay, medium, 0, -1, 0, 0);
        play.SetDuration(1000);
        play.MusicalFromMs(120.0f);
        doc_->RecordAction(play);
        doc_->ComputeSongLength();
        scheduler_ = std::make_unique<CScheduler>(*doc_);
    }
    void cleanup()
    {
        scheduler_.reset();
        doc_.reset();
        outputs_.reset();
        offline_.reset();
        dir_.reset();
    }

    void dialogOffersTheEndAndStereo()
    {
        CWriteSongDlg dialog(QString::fromStdString(dir_->file("song")), QStringLiteral("2.1.0"));
        QCOMPARE(dialog.EndField()->text(), QStringLiteral("2.1.0"));
        QVERIFY(dialog.StereoButton()->isChecked());
        QVERIFY(!dialog.Mono());
        QCOMPARE(dialog.Bits(), 17);
        dialog.MonoButton()->setChecked(true);
        QVERIFY(dialog.Mono());
        QCOMPARE(dialog.Files()->nameFilters().front(), QStringLiteral("Wave Files (*.wav)"));
    }

    void rendersOnAWorkerWhileTheWindowStaysAlive()
    {
        QWidget window;
        CGuiProgress progress(&window);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        timer.start(1);
        // The progress window may come and go between two timer ticks: catch it as it shows.
        QString title;
        ShowWatcher watcher([&](QWidget* shown) {
            if (auto* dialog = qobject_cast<QProgressDialog*>(shown)) {
                title = dialog->windowTitle();
            }
        });
        qApp->installEventFilter(&watcher);
        std::string error;
        const std::string path = dir_->file("out.wav");
        QVERIFY(CWriteSongDlg::Render(*doc_, *scheduler_, path, 30000, false, 17, progress, error));
        timer.stop();
        qApp->removeEventFilter(&watcher);
        QVERIFY(error.empty());
        QCOMPARE(std::filesystem::file_size(path), uintmax_t(44 + 30 * 44100 * 4));
        QVERIFY2(ticks > 0, "the event loop ran while the render worked");
        QCOMPARE(title, QStringLiteral("Write song in file"));
        QTRY_VERIFY(progress.Dialog() == nullptr);
    }

    void cancelLeavesNoFile()
    {
        QWidget window;
        CGuiProgress progress(&window);
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            if (progress.Dialog() && progress.Dialog()->value() > 2) {
                progress.Dialog()->findChild<QPushButton*>()->click();  // the window's Cancel
            }
        });
        timer.start(1);
        std::string error;
        const std::string path = dir_->file("cancelled.wav");
        QVERIFY(!CWriteSongDlg::Render(*doc_, *scheduler_, path, 3600000, true, 17, progress, error));
        timer.stop();
        QVERIFY(progress.cancelled());
        QVERIFY(error.empty());
        QVERIFY(!std::filesystem::exists(path));
    }
};

TESSARON_VIEW_TEST(CreateWaveTest);

}  // namespace tessaron::test

#include "CreateWaveTest.moc"
