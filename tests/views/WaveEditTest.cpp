// The wave editor on a real sample played by an offline output: mapping, mouse rules, edits,
// undo, effects (here and on a worker), saving, and the main window's one editor per sample.
#include "ViewTest.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include "audiofile/CWaveFormat.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/CSettings.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"
#include "views/CWaveEditSession.h"
#include "views/CWaveEditWnd.h"
#include "views/WaveMapping.h"
#include "views/WavePeaks.h"

namespace tessaron::test {

namespace {

constexpr int kRate = 44100;
constexpr int kBytesPerSecond = kRate * 4;  // 16-bit stereo

void SendMouse(QWidget* widget, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons held)
{
    const QPointF at(x, 20);
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Drag(QWidget* widget, int from, int to)
{
    SendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// Frames whose left and right samples count up from distinct starts, so that every frame differs.
std::vector<uint8_t> Ramp(int frames)
{
    std::vector<uint8_t> pcm(static_cast<size_t>(frames) * 4);
    for (int i = 0; i < frames; ++i) {
        const auto left = static_cast<int16_t>(i % 20000 - 10000);
        const auto right = static_cast<int16_t>(-(i % 15000));
        std::memcpy(&pcm[static_cast<size_t>(i) * 4], &left, 2);
        std::memcpy(&pcm[static_cast<size_t>(i) * 4 + 2], &right, 2);
    }
    return pcm;
}

std::vector<uint8_t> Sound(const CSamples& sample)
{
    return std::vector<uint8_t>(sample.GetPcm(), sample.GetPcm() + sample.GetDataSize());
}

int16_t SampleAt(const std::vector<uint8_t>& pcm, size_t frame, int channel)
{
    int16_t value;
    std::memcpy(&value, &pcm[frame * 4 + size_t(channel) * 2], 2);
    return value;
}

}  // namespace

class WaveEditTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CSoundDevice> device_;
    std::unique_ptr<CChordwayDoc> doc_;
    std::unique_ptr<CScheduler> scheduler_;
    CSamples* sample_ = nullptr;
    std::vector<uint8_t> original_;

    // A 16-bit stereo sample of `frames` frames, open on the offline output.
    void Load(int frames)
    {
        original_ = Ramp(frames);
        QVERIFY(sample_->OpenFromMemory(device_.get(), 120.0f, original_.data(), int(original_.size()),
                                        CWaveFormat::Pcm16(false, kRate)));
        QCOMPARE(sample_->GetDataSize(), int(original_.size()));
    }

    std::unique_ptr<CWaveEditWnd> Editor(int width)
    {
        auto editor = std::make_unique<CWaveEditWnd>(*doc_, *scheduler_, *sample_);
        editor->resize(width, 200);
        editor->show();
        if (!QTest::qWaitForWindowExposed(editor.get())) {
            return nullptr;
        }
        return editor;
    }

private slots:
    void init()
    {
        device_ = std::make_unique<CSoundDevice>(AudioApi::Offline);
        device_->Create(nullptr, "", 48000, 2, CSoundDevice::kSpeakerStereo);
        device_->StartPrimary();
        doc_ = std::make_unique<CChordwayDoc>();
        doc_->SetTempo(120.0f);
        scheduler_ = std::make_unique<CScheduler>(*doc_);
        doc_->Transport().EnableTick();  // the tests tick by hand
        auto sample = std::make_unique<CSamples>("loop.wav", "loop", kRate, 1000, "", "", 120.0f, 0, 0, 0);
        sample->filePath = "loop.wav";
        sample_ = static_cast<CSamples*>(doc_->InsertMedium(0, std::move(sample)));
    }
    void cleanup()
    {
        scheduler_.reset();
        doc_.reset();
        device_.reset();
    }

    void columnsMapToWholeFramesAndTheTitleCountsBeats()
    {
        QCOMPARE(wave::ColumnToByte(100, 400, 400000, 4), 100000);
        QCOMPARE(wave::ColumnToByte(1, 3, 1000, 4), 332);     // 333 down to a frame
        QCOMPARE(wave::ColumnToByte(400, 400, 400000, 4), 399996);  // the last frame's start
        QCOMPARE(wave::ColumnToByte(0, 0, 400000, 4), 0);
        QCOMPARE(wave::ColumnToMs(100, 400, 2000), 500);
        QCOMPARE(wave::ColumnOfByte(100000, 400, 400000), 100);
        // 2 s of 16-bit stereo at 120 BPM: 88200 bytes a beat, 4 beats.
        QCOMPARE(wave::Title("loop", 120.0f, 2000, 352800, 176400), std::string("loop 120.0 2000ms 4.00b"));
        // No tempo reads as 100 for the beats, never a division by zero.
        QCOMPARE(wave::Title("x", 0.0f, 600, 105840, 176400), std::string("x 0.0 600ms 1.00b"));
        QCOMPARE(wave::Title("x", 120.0f, 0, 100, 0), std::string("x 120.0 0ms 0.00b"));
    }

    void aDragOfTenPixelsClearsAndElevenKeeps()
    {
        Load(kRate);
        auto editor = Editor(400);
        QVERIFY(editor);
        Drag(editor.get(), 100, 110);
        QVERIFY(editor->Selection().Empty());
        Drag(editor.get(), 100, 111);
        QVERIFY(!editor->Selection().Empty());
        QCOMPARE(editor->Selection().Left(), 100);
        QCOMPARE(editor->Selection().Right(), 111);
        // The range is the selected bytes: column 100 of 400 over 176400 bytes is byte 44100.
        QCOMPARE(editor->Range().start, 44100);
        // A click moves the play cursor; a press inside the selection takes the nearer edge.
        Drag(editor.get(), 300, 300);
        QCOMPARE(editor->Selection().Cursor(), 300);
        Drag(editor.get(), 100, 250);
        Drag(editor.get(), 240, 320);
        QCOMPARE(editor->Selection().Left(), 100);
        QCOMPARE(editor->Selection().Right(), 320);
        Drag(editor.get(), 110, 20);
        QCOMPARE(editor->Selection().Left(), 20);
        QCOMPARE(editor->Selection().Right(), 320);
        // Reaching the right edge, the range ends with the data, its last frame included.
        Drag(editor.get(), 200, 400);
        QCOMPARE(editor->Range().end, sample_->GetDataSize());
    }

    void cropKeepsThirtyMillisecondsAndRefusesTwenty()
    {
        Load(kRate);  // 1 s: one column a millisecond at 1000 pixels
        auto editor = Editor(1000);
        QVERIFY(editor);
        editor->Selection().Set(100, 120);
        editor->RunCommand(CWaveEditWnd::kCrop);
        QCOMPARE(sample_->GetDataSize(), kBytesPerSecond);
        QVERIFY(!editor->Session().CanUndo());
        QVERIFY(!editor->Selection().Empty());

        editor->Selection().Set(100, 130);
        editor->RunCommand(CWaveEditWnd::kCrop);
        QCOMPARE(sample_->GetDataSize(), 30 * kBytesPerSecond / 1000);
        QCOMPARE(Sound(*sample_)[0], original_[100 * kBytesPerSecond / 1000]);
        QVERIFY(editor->Selection().Empty());
        QCOMPARE(sample_->startOffset, 100);
        QVERIFY(editor->windowTitle().startsWith(QStringLiteral("loop 120.0 30ms")));
        QVERIFY(doc_->IsModified());
        // Undo brings back the sound and the offsets the crop changed.
        editor->RunCommand(CWaveEditWnd::kUndo);
        QCOMPARE(Sound(*sample_), original_);
        QCOMPARE(sample_->startOffset, 0);
        QCOMPARE(sample_->savedStart, -1);
    }

    void anEffectWithoutASelectionWorksOnTheWholeSample()
    {
        Load(4000);
        auto editor = Editor(400);
        QVERIFY(editor);
        QVERIFY(editor->Selection().Empty());
        editor->RunCommand(CWaveEditWnd::kReverse);
        const auto reversed = Sound(*sample_);
        QCOMPARE(SampleAt(reversed, 0, 0), SampleAt(original_, 3999, 0));
        QCOMPARE(SampleAt(reversed, 3999, 1), SampleAt(original_, 0, 1));
        QCOMPARE(SampleAt(reversed, 1234, 0), SampleAt(original_, 3999 - 1234, 0));
        QCOMPARE(sample_->edited, 1);
        QCOMPARE(sample_->uncommitted, 1);

        editor->RunCommand(CWaveEditWnd::kUndo);
        QCOMPARE(Sound(*sample_), original_);
        // -6 dB on everything: the first and the last frame alike.
        editor->RunEffect(32861, {-6, 0});
        const auto quieter = Sound(*sample_);
        QVERIFY(std::abs(SampleAt(quieter, 0, 0)) < std::abs(SampleAt(original_, 0, 0)));
        QVERIFY(std::abs(SampleAt(quieter, 3999, 0)) < std::abs(SampleAt(original_, 3999, 0)));
        QVERIFY(std::abs(SampleAt(quieter, 3999, 1)) < std::abs(SampleAt(original_, 3999, 1)));
    }

    void cutThenPasteThenUndoRestoresTheExactBytes()
    {
        Load(10000);
        auto editor = Editor(400);
        QVERIFY(editor);
        editor->Selection().Set(100, 200);  // bytes 10000 to 20000
        editor->RunCommand(CWaveEditWnd::kCut);
        const auto afterCut = Sound(*sample_);
        QCOMPARE(int(afterCut.size()), 30000);
        QCOMPARE(int(doc_->ScratchSize()), 10000);
        QVERIFY(std::memcmp(doc_->Scratch(), original_.data() + 10000, 10000) == 0);
        QVERIFY(editor->windowTitle().contains(QStringLiteral("170ms")));

        editor->Selection().SetCursor(0);
        editor->RunCommand(CWaveEditWnd::kPaste);
        const auto afterPaste = Sound(*sample_);
        QCOMPARE(int(afterPaste.size()), 40000);
        QVERIFY(std::memcmp(afterPaste.data(), original_.data() + 10000, 10000) == 0);
        QVERIFY(std::memcmp(afterPaste.data() + 10000, afterCut.data(), afterCut.size()) == 0);

        editor->RunCommand(CWaveEditWnd::kUndo);
        QCOMPARE(Sound(*sample_), afterCut);
        editor->RunCommand(CWaveEditWnd::kUndo);
        QCOMPARE(Sound(*sample_), original_);
        QVERIFY(!editor->Session().CanUndo());
        QVERIFY(editor->windowTitle().contains(QStringLiteral("227ms")));
    }

    void copyStopsAtTheSampleSizeLimit()
    {
        Load(10000);
        auto editor = Editor(400);
        QVERIFY(editor);
        const int32_t limit = SampleSizeLimit();
        SetSampleSizeLimit(8000);
        editor->Selection().Set(100, 200);  // 10000 bytes
        editor->RunCommand(CWaveEditWnd::kCopy);
        QCOMPARE(doc_->ScratchSize(), size_t(0));
        editor->Selection().Set(100, 150);  // 5000 bytes
        editor->RunCommand(CWaveEditWnd::kCopy);
        SetSampleSizeLimit(limit);
        QCOMPARE(doc_->ScratchSize(), size_t(5000));
        QVERIFY(std::memcmp(doc_->Scratch(), original_.data() + 10000, 5000) == 0);
        QCOMPARE(Sound(*sample_), original_);  // copying changes nothing
        QVERIFY(!editor->Session().CanUndo());
    }

    void aLongEffectRunsOnAWorkerAndStaysUndoable()
    {
        Load(CWaveEditSession::kBackgroundBytes / 4 + kRate);  // past the worker's threshold
        auto editor = Editor(400);
        QVERIFY(editor);
        editor->RunCommand(CWaveEditWnd::kNormalise);
        QVERIFY(editor->Busy());
        QVERIFY(editor->windowTitle().endsWith(QStringLiteral("(processing)")));
        editor->RunCommand(CWaveEditWnd::kReverse);  // refused while busy
        QTRY_VERIFY_WITH_TIMEOUT(!editor->Busy(), 20000);
        const auto normalised = Sound(*sample_);
        int loudest = 0;
        for (size_t frame = 0; frame < normalised.size() / 4; ++frame) {
            loudest = std::max({loudest, std::abs(int(SampleAt(normalised, frame, 0))), std::abs(int(SampleAt(normalised, frame, 1)))});
        }
        QVERIFY(loudest >= 32760);  // the loudest sample (-14999) now at full scale
        QVERIFY(std::abs(SampleAt(normalised, normalised.size() / 4 - 1, 0)) > std::abs(SampleAt(original_, original_.size() / 4 - 1, 0)));
        QCOMPARE(editor->Session().UndoDepth(), size_t(1));
        editor->RunCommand(CWaveEditWnd::kUndo);
        QCOMPARE(Sound(*sample_), original_);
    }

    void aWorkersResultIsDroppedWhenTheSoundChangedMeanwhile()
    {
        Load(8000);
        CWaveEditSession session(*doc_, *sample_);
        auto job = session.StartEffect(CWaveEditWnd::kReverse, {}, {0, sample_->GetDataSize()});
        QVERIFY(job);
        QVERIFY(session.Silence({0, 4000}));
        const auto silenced = Sound(*sample_);
        QVERIFY(!session.FinishEffect(*job));
        QCOMPARE(Sound(*sample_), silenced);
        QCOMPARE(session.UndoDepth(), size_t(1));
        // Untouched meanwhile, the result replaces the sound.
        auto again = session.StartEffect(CWaveEditWnd::kReverse, {}, {0, sample_->GetDataSize()});
        QVERIFY(session.FinishEffect(*again));
        QCOMPARE(SampleAt(Sound(*sample_), 0, 0), SampleAt(silenced, 7999, 0));
        QCOMPARE(session.UndoDepth(), size_t(2));
        QVERIFY(session.Undo());
        QCOMPARE(Sound(*sample_), silenced);
    }

    void peaksSummariseEightBitAndShortSounds()
    {
        // 8-bit mono: 128 is silence; four frames over eight columns repeat each frame.
        const uint8_t pcm[4] = {128, 255, 0, 128};
        WavePeaks peaks;
        peaks.Compute(pcm, 4, 1, 8, 8);
        QCOMPARE(peaks.Columns().size(), size_t(8));
        QCOMPARE(peaks.Columns()[0].high, int16_t(0));
        QCOMPARE(peaks.Columns()[2].high, int16_t(127 * 256));
        QCOMPARE(peaks.Columns()[4].low, int16_t(-128 * 256));
        QCOMPARE(peaks.Columns()[7].low, int16_t(0));
        // Several frames a column: the lowest and highest of them, over both channels.
        const auto ramp = Ramp(100);
        peaks.Compute(ramp.data(), int(ramp.size()), 2, 16, 2);
        QCOMPARE(peaks.Columns()[0].low, int16_t(-10000));
        QCOMPARE(peaks.Columns()[1].high, int16_t(-50));   // the right channel of frame 50
        QCOMPARE(peaks.Columns()[1].low, int16_t(-9950));  // the left one
        peaks.Compute(ramp.data(), int(ramp.size()), 2, 24, 2);  // a depth no effect reads
        QVERIFY(peaks.Empty());
    }

    void theSummaryIsMadeOncePerEditNotPerPaint()
    {
        Load(20000);
        auto editor = Editor(300);
        QVERIFY(editor);
        editor->grab();
        const int made = editor->PeakComputations();
        QVERIFY(made >= 1);
        editor->Selection().Set(10, 50);
        editor->grab();
        editor->grab();
        QCOMPARE(editor->PeakComputations(), made);
        editor->RunCommand(CWaveEditWnd::kSilence);
        editor->grab();
        QCOMPARE(editor->PeakComputations(), made + 1);
        WavePeaks peaks;
        peaks.Compute(sample_->GetPcm(), sample_->GetDataSize(), 2, 16, 300);
        QCOMPARE(peaks.Columns()[20].low, int16_t(0));
        QCOMPARE(peaks.Columns()[20].high, int16_t(0));
        QVERIFY(peaks.Columns()[100].low < -1000);  // both channels below zero there
    }

    void playLoopStartsAtTheCursor()
    {
        Load(kRate);
        auto editor = Editor(400);
        QVERIFY(editor);
        editor->Selection().SetCursor(200);
        editor->RunCommand(CWaveEditWnd::kPlayLoop);
        scheduler_->Tick();
        QVERIFY(sample_->IsDevicePlaying());
        QCOMPARE(sample_->GetPlayCursor(), kBytesPerSecond / 2);
        QVERIFY(sample_->IsLoop());
        editor->RunCommand(CWaveEditWnd::kStop);
        scheduler_->Tick();
        QVERIFY(!sample_->IsDevicePlaying());
        editor->RunCommand(CWaveEditWnd::kMute);
        QCOMPARE(sample_->muteFlag, 1);
        editor->RunCommand(CWaveEditWnd::kMute);
        QCOMPARE(sample_->muteFlag, 0);
    }

    void saveWritesTheEditedSoundAndOverItsOwnFileTakesItWhole()
    {
        Load(10000);
        TempDir dir;
        const std::string own = dir.file("own.wav");
        sample_->filePath = own;
        auto editor = Editor(400);
        QVERIFY(editor);
        editor->Selection().Set(0, 100);
        editor->RunCommand(CWaveEditWnd::kCut);
        const std::string other = dir.file("other.wav");
        editor->SetSavePath(QString::fromStdString(other));
        editor->RunCommand(CWaveEditWnd::kSave);
        const Bytes written = ReadBytes(other);
        QCOMPARE(written.size(), size_t(44 + 30000));
        QVERIFY(std::memcmp(written.data() + 44, original_.data() + 10000, 30000) == 0);
        QVERIFY(editor->Session().CanUndo());  // saved elsewhere: the medium keeps its file and undo

        editor->SetSavePath(QString::fromStdString(own));
        editor->RunCommand(CWaveEditWnd::kSave);
        QCOMPARE(ReadBytes(own), written);
        QVERIFY(!editor->Session().CanUndo());
        QCOMPARE(sample_->uncommitted, 0);
        QCOMPARE(sample_->startOffset, 0);
        QCOMPARE(sample_->endOffset, sample_->GetDuration());
    }

    void cancellingTheEffectDialogAbandonsTheEffect()
    {
        Load(4000);
        auto editor = Editor(400);
        QVERIFY(editor);
        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->reject();
            }
        });
        editor->RunCommand(32861);
        QCOMPARE(Sound(*sample_), original_);
        QVERIFY(!editor->Session().CanUndo());
        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->accept();  // the delay's defaults: 50 ms at -3 dB
            }
        });
        editor->RunCommand(32875);
        QVERIFY(Sound(*sample_) != original_);
        QCOMPARE(editor->Session().UndoDepth(), size_t(1));
        std::unique_ptr<QMenu> menu(editor->MakeMenu());
        QStringList texts;
        for (QAction* action : menu->actions()) {
            texts << action->text();
        }
        for (const char* text : {"&Play", "&Stop", "&Mute", "&Crop", "&Silence", "&Cut", "&Copy", "&Paste", "&Undo",
                                 "&Save", "&Reverse", "&Normalise", "Effects"}) {
            QVERIFY2(texts.contains(QString::fromUtf8(text)), text);
        }
    }

    void theMainWindowKeepsOneEditorPerSample()
    {
        FrameUnderTest t;
        QVERIFY(t.Create());
        CChordwayDoc& doc = t.frame->Doc();
        auto* sample = static_cast<CSamples*>(
            doc.InsertMedium(0, std::make_unique<CSamples>("a.wav", "kick", kRate, 100, "", "", 120.0f, 0, 0, 0)));
        const auto pcm = Ramp(4410);
        QVERIFY(sample->OpenFromMemory(t.frame->Outputs().Current(), 120.0f, pcm.data(), int(pcm.size()),
                                       CWaveFormat::Pcm16(false, kRate)));
        t.frame->OpenWaveEditor(*sample);
        t.frame->OpenWaveEditor(*sample);
        const auto editors = t.frame->findChildren<CWaveEditWnd*>();
        QCOMPARE(editors.size(), qsizetype(1));
        QVERIFY(editors.front()->isWindow());
        QCOMPARE(editors.front()->windowTitle(), QStringLiteral("kick 120.0 100ms 0.20b"));
        // Taken out of the song, the sample takes its editor with it.
        doc.RemoveMedium(0);
        QTRY_COMPARE(t.frame->findChildren<CWaveEditWnd*>().size(), qsizetype(0));
    }
};

TESSARON_VIEW_TEST(WaveEditTest);

}  // namespace tessaron::test

#include "WaveEditTest.moc"
