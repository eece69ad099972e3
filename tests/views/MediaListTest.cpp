// The media list on the offline output: its columns, drops of real files, row drags, the media
// dialog with its limits, and the commands that change samples.
#include "ViewTest.h"

#include <cstring>

#include <QComboBox>
#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QSpinBox>
#include <QUrl>

#include "audiofile/CId3Tag.h"
#include "framework/CNoticeRecorder.h"
#include "media/CSamples.h"
#include "midi/CMidiMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CSettings.h"
#include "song/IDocumentObserver.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"
#include "views/AutoKeyRule.h"
#include "views/CChordwayView.h"
#include "views/CEffectParamDlg.h"
#include "views/CWaveEditWnd.h"
#include "views/CMediaDlg.h"
#include "views/CMediaListModel.h"
#include "views/CMidiView.h"
#include "views/EffectDialogTable.h"

namespace tessaron::test {

namespace {

// 16-bit stereo at 44100 Hz, every sample `value`.
Bytes ConstantPcm(int frames, int16_t value)
{
    Bytes data;
    for (int i = 0; i < frames * 2; ++i) {
        Append16(data, static_cast<uint16_t>(value));
    }
    return data;
}

std::string WriteLoop(TempDir& dir, const std::string& name, int frames = 22050, int16_t value = 1000,
                      uint16_t channels = 2)
{
    const std::string path = dir.file(name);
    Bytes data = ConstantPcm(frames * channels / 2, value);
    WriteBytes(path, PcmWave(channels, 44100, 16, data));
    return path;
}

int16_t SampleAt(const CMedia& medium, int index)
{
    int16_t value = 0;
    std::memcpy(&value, medium.GetPcm() + index * 2, 2);
    return value;
}

}  // namespace

// Counts what the song tells the views about its media.
class MediaNoticeCounter : public IDocumentObserver {
public:
    void UpdateHint(int, intptr_t, bool) override {}
    void Notice(ListNotice notice) override { count += notice == ListNotice::MediaChanged ? 1 : 0; }
    int count = 0;
};

class MediaListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FrameUnderTest> t_;
    std::unique_ptr<TempDir> dir_;
    CNoticeRecorder notices_;

    CChordwayView& List() { return t_->frame->MediaList(); }
    CChordwayDoc& Doc() { return t_->frame->Doc(); }
    QString Cell(int row, int column) { return List().Model().index(row, column).data().toString(); }
    void AddPlain(int count)
    {
        for (int i = 0; i < count; ++i) {
            Doc().InsertMedium(Doc().MediaCount(), std::make_unique<CSamples>());
        }
        List().MediaChanged();
    }
    void SelectRow(int row)
    {
        List().selectionModel()->select(List().Model().index(row, 0),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    // Drops `paths` on the list as a file manager would.
    void DropOnList(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls.push_back(QUrl::fromLocalFile(path));
        }
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(List().viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(List().viewport(), &drop);
        QVERIFY(drop.isAccepted());
    }

    // Four media on the keys 0..3, named a..d, the song unmodified.
    void AddNamed()
    {
        for (int i = 0; i < 4; ++i) {
            auto sample = std::make_unique<CSamples>();
            sample->name = std::string(1, static_cast<char>('a' + i));
            sample->midiNote = 12 + i;
            Doc().InsertMedium(Doc().MediaCount(), std::move(sample));
        }
        t_->frame->Notice(ListNotice::MediaChanged);
        Doc().SetModified(false);
    }
    // The names of the rows in order.
    QString Order()
    {
        QString names;
        for (int row = 0; row < List().Model().rowCount(); ++row) {
            // A row that shows another medium than the song holds there, or a medium that does
            // not know its place, shows as "!".
            const CMedia* medium = Doc().MediumAt(row);
            const QString shown = Cell(row, CMediaListModel::kMediaColumn);
            names += medium->slot == row && QString::fromStdString(medium->name) == shown ? shown : QStringLiteral("!");
        }
        return names;
    }
    std::unique_ptr<QMimeData> RowData(int row)
    {
        return std::unique_ptr<QMimeData>(List().Model().mimeData({List().Model().index(row, 0)}));
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        t_ = std::make_unique<FrameUnderTest>();
        QVERIFY(t_->Create());
        notices_.notices.clear();
        Doc().Environment().notice = &notices_;
    }
    void cleanup()
    {
        t_.reset();
        dir_.reset();
        SetSampleSizeLimit(kStartSampleSizeLimit);
    }

    void columnsShowInfoKeyTempoAndTime()
    {
        auto sample = std::make_unique<CSamples>();
        sample->name = "beat";
        sample->SetSampleRate(44100);
        sample->dataSize = 3145728;
        sample->duration = 3000;
        sample->endOffset = 3000;
        sample->tempo = 120.0f;
        sample->CMedia::SetTempoPercent(0.0, true);
        sample->pcKey = 'A';
        sample->midiNote = 40;
        Doc().InsertMedium(0, std::move(sample));
        auto midi = std::make_unique<CMidiMedia>();
        midi->name = "tune";
        midi->midiNote = 200;  // beyond octave 10: shown as octave 0
        Doc().InsertMedium(1, std::move(midi));
        List().MediaChanged();

        QCOMPARE(Cell(0, CMediaListModel::kMediaColumn), QStringLiteral("beat"));
        QCOMPARE(Cell(0, CMediaListModel::kInfoColumn), QStringLiteral("S44100 / 3.0Mo"));
        QCOMPARE(Cell(1, CMediaListModel::kInfoColumn), QStringLiteral("midi"));
        QCOMPARE(Cell(0, CMediaListModel::kTempoColumn), QStringLiteral("120.0"));
        QCOMPARE(Cell(0, CMediaListModel::kKeyColumn), QStringLiteral("A / E3"));
        QCOMPARE(Cell(1, CMediaListModel::kKeyColumn), QStringLiteral(" / G#0"));

        // Bar display counts a sample's length at its own tempo: 3 s at 120 BPM is 6 beats.
        Doc().SetTimeDisplay(false);
        List().UpdateHint(2);
        QCOMPARE(List().Model().headerData(CMediaListModel::kTimeColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Bar"));
        QCOMPARE(Cell(0, CMediaListModel::kTimeColumn), QStringLiteral("2.3.0"));

        Doc().SetTimeDisplay(true);
        List().UpdateHint(3);
        QCOMPARE(List().Model().headerData(CMediaListModel::kTimeColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Time"));
        QCOMPARE(Cell(0, CMediaListModel::kTimeColumn), QStringLiteral("00:00:03.000"));
        Doc().MediumAt(0)->SetLoop(true);
        List().MediaChanged();
        QCOMPARE(Cell(0, CMediaListModel::kTimeColumn), QStringLiteral("00:00:03.000/cont."));
        Doc().MediumAt(0)->loopCount = 2;
        List().MediaChanged();
        QCOMPARE(Cell(0, CMediaListModel::kTimeColumn), QStringLiteral("00:00:03.000"));  // a counted loop
    }

    void theFrameRunsTheListsCommandsOnTheSelectedMedia()
    {
        DropOnList({QString::fromStdString(WriteLoop(*dir_, "a.wav", 44100 * 2)),
                    QString::fromStdString(WriteLoop(*dir_, "b.wav", 4410))});
        CMainFrame& frame = *t_->frame;
        frame.UpdateCommands();
        QVERIFY(!frame.Action(CMainFrame::kPlayMedia)->isEnabled());
        SelectRow(0);
        QVERIFY(frame.Action(CMainFrame::kPlayMedia)->isEnabled());
        QVERIFY(frame.Action(CMainFrame::kEffectsFirst)->isEnabled());
        QVERIFY(frame.Action(CMainFrame::kDisplayWave)->isEnabled());
        frame.RunCommand(CMainFrame::kDisplayWave);
        frame.RunCommand(CMainFrame::kDisplayWave);  // the same sample: the same window
        QCOMPARE(frame.findChildren<CWaveEditWnd*>().size(), qsizetype(1));
        QCOMPARE(&frame.findChildren<CWaveEditWnd*>().front()->Sample(), Doc().MediumAt(0));

        CMedia* medium = Doc().MediumAt(0);
        frame.RunCommand(CMainFrame::kPlayMedia);
        QTRY_VERIFY(medium->IsPlaying());
        QTRY_COMPARE(CMediaListModel::IconOf(*medium), CMediaListModel::StateIcon::Playing);
        frame.RunCommand(CMainFrame::kStopMedia);
        QTRY_VERIFY(!medium->IsPlaying());
        QCOMPARE(medium->loaded, 1);
        frame.RunCommand(CMainFrame::kUnload);
        QTRY_COMPARE(medium->loaded, 0);
        QTRY_COMPARE(Doc().MemoryUsed(), 0);

        // Delete acts on the list that had the focus last, and undo brings the medium back.
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        List().setFocus();
        QTRY_VERIFY(List().hasFocus());
        frame.UpdateCommands();
        frame.RunCommand(CMainFrame::kDelete);
        QCOMPARE(Doc().MediaCount(), 1);
        QCOMPARE(List().Model().rowCount(), 1);
        QCOMPARE(Cell(0, CMediaListModel::kMediaColumn), QStringLiteral("b"));
        frame.RunCommand(CMainFrame::kUndo);
        QCOMPARE(Doc().MediaCount(), 2);
        QCOMPARE(List().Model().rowCount(), 2);

        // The other views (the piano's key lists) hear of deletes and edits.
        MediaNoticeCounter views;
        IDocumentObserver* frameViews = Doc().Environment().views;
        Doc().Environment().views = &views;
        SelectRow(1);
        List().DeleteSelected();
        QCOMPARE(views.count, 1);
        Doc().Environment().views = frameViews;

        frame.RunCommand(CMainFrame::kReportList);
        QVERIFY(List().isColumnHidden(CMediaListModel::kInfoColumn));
        frame.RunCommand(CMainFrame::kReportDetails);
        QVERIFY(!List().isColumnHidden(CMediaListModel::kInfoColumn));
    }

    void actualiseReadsTheFileAgainAndRunEditorStartsTheEditor()
    {
        const std::string path = WriteLoop(*dir_, "take.wav", 4410, 300);
        DropOnList({QString::fromStdString(path)});
        SelectRow(0);
        CMedia& medium = *Doc().MediumAt(0);
        QVERIFY(Doc().LoadMediumData(medium, true));
        QCOMPARE(SampleAt(medium, 0), int16_t(300));

        // The file changed outside; Actualise opens it again in the background.
        WriteLoop(*dir_, "take.wav", 4410, -1200);
        List().ActualiseSelected();
        QTRY_COMPARE(medium.loaded, 1);
        QTRY_VERIFY(!Doc().Loader().IsBusyWith(&medium));
        QCOMPARE(SampleAt(medium, 0), int16_t(-1200));
        QCOMPARE(Doc().MemoryUsed(), 4410 * 4);
        QVERIFY(notices_.notices.empty());

        // The editor of the settings gets the medium's file as its argument.
        const std::string script = dir_->file("editor.sh");
        const std::string seen = dir_->file("seen.txt");
        WriteBytes(script, [&] {
            const std::string text = "#!/bin/sh\nprintf '%s' \"$1\" > '" + seen + "'\n";
            return Bytes(text.begin(), text.end());
        }());
        QVERIFY(QFile::setPermissions(QString::fromStdString(script), QFile::ReadOwner | QFile::ExeOwner));
        t_->app->Settings().editor = script;
        List().RunEditorOnSelected();
        QTRY_VERIFY(QFile::exists(QString::fromStdString(seen)));
        QTRY_COMPARE(ReadBytes(seen), Bytes(path.begin(), path.end()));

        // An editor that cannot start shows nothing.
        t_->app->Settings().editor = dir_->file("no-such-editor");
        List().RunEditorOnSelected();
        QVERIFY(notices_.notices.empty());
    }

    void tempoGuessesTheBeatsFromTheLength()
    {
        DropOnList({QString::fromStdString(WriteLoop(*dir_, "three.wav", 132300)),
                    QString::fromStdString(WriteLoop(*dir_, "one.wav", 44100))});
        List().selectAll();
        List().TempoOfSelected();
        // 3000 ms: 8 beats at 160; 1000 ms: 2 beats at 120.
        QCOMPARE(Doc().MediumAt(0)->beatCount, 8);
        QCOMPARE(Cell(0, CMediaListModel::kTempoColumn), QStringLiteral("160.0"));
        QCOMPARE(Doc().MediumAt(1)->beatCount, 2);
        QCOMPARE(Cell(1, CMediaListModel::kTempoColumn), QStringLiteral("120.0"));
    }

    void aLoadPastTheMemoryLimitIsRefusedWithItsMessage()
    {
        DropOnList({QString::fromStdString(WriteLoop(*dir_, "big.wav", 44100))});
        Doc().Environment().settings.memoryMax = 100000;  // below its 176400 bytes
        SelectRow(0);
        List().PlaySelected();
        QTRY_VERIFY(!notices_.notices.empty());
        QCOMPARE(notices_.notices.back().text, std::string("memory max for samples"));
        CMedia& medium = *Doc().MediumAt(0);
        QCOMPARE(medium.loaded, 0);
        QVERIFY(!medium.IsPlaying());
        QCOMPARE(Doc().MemoryUsed(), 0);
        QCOMPARE(CMediaListModel::IconOf(medium), CMediaListModel::StateIcon::None);
    }

    void stateIconsFollowThePlayState()
    {
        CSamples sample;
        QCOMPARE(CMediaListModel::IconOf(sample), CMediaListModel::StateIcon::None);
        sample.loaded = 1;
        QCOMPARE(CMediaListModel::IconOf(sample), CMediaListModel::StateIcon::Loaded);
        sample.state = CMedia::kStatePlaying;
        QCOMPARE(CMediaListModel::IconOf(sample), CMediaListModel::StateIcon::Playing);
        sample.SetArmed(true);
        QCOMPARE(CMediaListModel::IconOf(sample), CMediaListModel::StateIcon::Armed);
        sample.state = CMedia::kStateReset;
        QCOMPARE(CMediaListModel::IconOf(sample), CMediaListModel::StateIcon::None);  // a reset medium
    }

    void droppedFilesTakeTheNextKeys()
    {
        AddPlain(30);
        const QStringList files = {QString::fromStdString(WriteLoop(*dir_, "kick.wav")),
                                   QString::fromStdString(dir_->file("notes.txt")),
                                   QString::fromStdString(WriteLoop(*dir_, "snare.wav", 11025, 500, 1))};
        WriteBytes(dir_->file("notes.txt"), Bytes(1000, 'x'));
        DropOnList(files);
        QCOMPARE(Doc().MediaCount(), 32);
        QCOMPARE(List().Model().rowCount(), 32);
        // 30 media on two octaves: the drop starts at key 6 (F#1), the skipped file takes none.
        QCOMPARE(Doc().MediumAt(30)->midiNote, 18);
        QCOMPARE(Doc().MediumAt(31)->midiNote, 19);
        QCOMPARE(Cell(30, CMediaListModel::kKeyColumn), QStringLiteral("6 / F#1"));
        QCOMPARE(Cell(31, CMediaListModel::kKeyColumn), QStringLiteral("7 / G1"));
        QCOMPARE(Cell(30, CMediaListModel::kMediaColumn), QStringLiteral("kick"));

        // Loaded, the mono file shows its channel letter.
        QVERIFY(Doc().LoadMediumData(*Doc().MediumAt(31), true));
        List().MediaChanged();
        QCOMPARE(Cell(31, CMediaListModel::kInfoColumn), QStringLiteral("M44100 / 0.0Mo"));
        QVERIFY(notices_.notices.empty());
    }

    void dropsStopAtTheMediaLimit()
    {
        Doc().Environment().settings.nbSamplesMax = 10;
        AddPlain(10);
        const QString loop = QString::fromStdString(WriteLoop(*dir_, "loop.wav"));
        DropOnList({loop, loop, loop});
        QCOMPARE(Doc().MediaCount(), 11);
        QCOMPARE(notices_.notices.size(), size_t(1));
        QCOMPARE(notices_.notices[0].text, std::string("too samples open"));
        // The add dialog is refused the same way, before it opens.
        QVERIFY(!List().AddMedia(false));
        QCOMPARE(notices_.notices.size(), size_t(2));
        QCOMPARE(notices_.notices[1].text, std::string("too samples open"));
    }

    void aRowDragsOutAsItsListPosition()
    {
        AddPlain(5);
        std::unique_ptr<QMimeData> data(List().Model().mimeData({List().Model().index(3, 2)}));
        QVERIFY(data);
        QCOMPARE(data->data(QString::fromLatin1(CMediaListModel::kMediumMimeType)), QByteArray("3"));
        QCOMPARE(CMediaListModel::MediumRowFromMime(data.get()), 3);
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x.wav"))});
        QCOMPARE(CMediaListModel::MediumRowFromMime(&files), -1);
        QVERIFY(List().Model().flags(List().Model().index(3, 0)) & Qt::ItemIsDragEnabled);
    }

    // A row dropped on the list moves its medium in the song: the piano files it under its key
    // at its new place, the song is modified, and undo brings the order back.
    void droppingARowMovesItsMedium()
    {
        AddNamed();
        CMidiView* piano = t_->frame->PianoView();
        QVERIFY(piano);
        CMediaListModel& model = List().Model();
        QVERIFY(model.dropMimeData(RowData(0).get(), Qt::MoveAction, 3, 0, {}));  // "a" before "d"
        QCOMPARE(Order(), QStringLiteral("bcad"));
        QVERIFY(Doc().IsModified());
        QCOMPARE(piano->Keys().MediaOf(0), (std::vector<int>{2}));
        QCOMPARE(piano->Keys().MediaOf(1), (std::vector<int>{0}));
        QCOMPARE(List().SelectedRows(), (std::vector<int>{2}));
        // Dropped on a row: before it; on no row: at the end.
        QVERIFY(model.dropMimeData(RowData(3).get(), Qt::MoveAction, -1, 0, model.index(0, 2)));
        QCOMPARE(Order(), QStringLiteral("dbca"));
        QVERIFY(model.dropMimeData(RowData(0).get(), Qt::MoveAction, -1, 0, {}));
        QCOMPARE(Order(), QStringLiteral("bcad"));
        QCOMPARE(piano->Keys().MediaOf(3), (std::vector<int>{3}));
        // On its own place, beyond the list, a copy or no row: nothing moves.
        QVERIFY(!model.dropMimeData(RowData(1).get(), Qt::MoveAction, 1, 0, {}));
        QVERIFY(!model.dropMimeData(RowData(1).get(), Qt::MoveAction, 2, 0, {}));
        QVERIFY(!model.dropMimeData(RowData(1).get(), Qt::CopyAction, 0, 0, {}));
        QMimeData stranger;
        stranger.setData(QString::fromLatin1(CMediaListModel::kMediumMimeType), "9");
        QVERIFY(!model.dropMimeData(&stranger, Qt::MoveAction, 0, 0, {}));
        QCOMPARE(Order(), QStringLiteral("bcad"));

        // Undo puts the order of before the first move back, with a deleted medium at its place.
        SelectRow(1);
        List().DeleteSelected();
        QCOMPARE(Order(), QStringLiteral("bad"));
        QVERIFY(Doc().HasUndo());
        t_->frame->RunCommand(CMainFrame::kUndo);
        QCOMPARE(Order(), QStringLiteral("abcd"));
        QVERIFY(!Doc().HasUndo());
        QCOMPARE(piano->Keys().MediaOf(0), (std::vector<int>{0}));
        QCOMPARE(piano->Keys().MediaOf(2), (std::vector<int>{2}));
    }

    // The same as the desktop delivers it: a row dragged over the list and let go over the
    // lower half of another row lands after that row. (The offscreen platform runs no drag
    // loop, so the drag's events are sent as the drag loop would send them.)
    void draggingARowOverTheListMovesIt()
    {
        AddNamed();
        List().resize(600, 300);
        QWidget* rows = List().viewport();
        const QRect target = List().visualRect(List().Model().index(2, 0));
        const QPoint lower(target.center().x(), target.bottom() - 1);
        const auto drag = [&](QMimeData* data, QPoint at) {
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(rows, &enter);
            QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(rows, &move);
            QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(rows, &drop);
            return move.isAccepted() && move.dropAction() == Qt::MoveAction && drop.isAccepted() &&
                   drop.dropAction() == Qt::MoveAction;
        };
        QCOMPARE(List().DropRow(lower), 3);
        QCOMPARE(List().DropRow(QPoint(target.center().x(), target.top() + 1)), 2);
        QCOMPARE(List().DropRow(QPoint(5, rows->height() - 2)), 4);  // below the rows: the end
        QVERIFY(drag(RowData(0).get(), lower));
        QCOMPARE(Order(), QStringLiteral("bcad"));
        QCOMPARE(List().SelectedRows(), (std::vector<int>{2}));
        QCOMPARE(t_->frame->PianoView()->Keys().MediaOf(0), (std::vector<int>{2}));
        QVERIFY(Doc().HasUndo());

        // A row of another list (another program's song) moves nothing.
        QMimeData stranger;
        stranger.setData(QString::fromLatin1(CMediaListModel::kMediumMimeType), "0");
        QVERIFY(!drag(&stranger, lower));
        QCOMPARE(Order(), QStringLiteral("bcad"));
        QCOMPARE(Doc().MediaCount(), 4);
    }

    void theDialogIsFilledFromTheMediumAndWritesBack()
    {
        auto sample = std::make_unique<CSamples>();
        sample->name = "pad";
        sample->filePath = WriteLoop(*dir_, "pad.wav", 44100);
        sample->duration = 1000;
        sample->startOffset = 100;
        sample->endOffset = 900;
        sample->tempo = 123.4f;
        sample->beatCount = 8;
        sample->pcKey = 'F';
        sample->midiNote = 40;
        sample->SetLoop(true);
        sample->flags |= CMedia::kFlagHold;
        sample->stretchMode = 2;
        sample->stretchOption = 8;
        CMedia* medium = Doc().InsertMedium(0, std::move(sample));
        medium->SetColourScheme(5);
        List().MediaChanged();

        CMediaDlg dialog(Doc(), List().Environment(), medium, &List());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit Media"));
        QCOMPARE(dialog.NameField()->text(), QStringLiteral("pad"));
        QCOMPARE(dialog.TempoField()->text(), QStringLiteral("123.4"));
        QCOMPARE(dialog.BeatsField()->value(), 8);
        QCOMPARE(dialog.PcKeyField()->currentText(), QStringLiteral("F"));
        QCOMPARE(dialog.MidiKeyField()->currentText(), QStringLiteral("E3"));
        QCOMPARE(dialog.StretchField()->currentText(), QStringLiteral("Change pitch"));
        QCOMPARE(dialog.DivField()->currentText(), QStringLiteral("8"));
        QCOMPARE(dialog.ColourField()->currentIndex(), 5);
        QCOMPARE(dialog.LoopField()->isChecked(), true);
        QCOMPARE(dialog.LoopCountField()->text(), QStringLiteral("cont."));
        QCOMPARE(dialog.HoldField()->isChecked(), true);
        QCOMPARE(dialog.OffsetField()->value(), 100);
        QCOMPARE(dialog.EndField()->value(), 900);
        QVERIFY(!dialog.StretchField()->isHidden());

        // The spins keep 0 <= offset <= end <= duration.
        dialog.OffsetField()->setValue(950);
        QCOMPARE(dialog.OffsetField()->value(), 900);
        dialog.EndField()->setValue(5000);
        QCOMPARE(dialog.EndField()->value(), 1000);
        dialog.EndField()->setValue(50);
        QCOMPARE(dialog.EndField()->value(), 900);  // not below the offset
        dialog.OffsetField()->setValue(200);
        dialog.BeatsField()->setValue(5000);
        QCOMPARE(dialog.BeatsField()->value(), 990);

        // A tempo out of range keeps the dialog open and the medium unchanged.
        dialog.TempoField()->setText(QStringLiteral("300"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(medium->tempo, 123.4f);
        QCOMPARE(notices_.notices.back().text, std::string("The tempo must lie between 0.0 and 250.0."));
        // The spin steps by tenths and stops at 250.0.
        dialog.TempoField()->setText(QStringLiteral("249.5"));
        dialog.StepTempo(10);
        QCOMPARE(dialog.TempoField()->text(), QStringLiteral("250.0"));

        dialog.TempoField()->setText(QStringLiteral("140.5"));
        dialog.NameField()->setText(QStringLiteral("pad two"));
        dialog.DivField()->setCurrentText(QStringLiteral("16"));
        dialog.StretchField()->setCurrentIndex(1);
        dialog.PcKeyField()->setCurrentText(QStringLiteral("F5"));
        dialog.MidiKeyField()->setCurrentText(QStringLiteral("C2"));
        dialog.LoopField()->setChecked(false);
        dialog.LoopCountField()->setValue(3);
        dialog.HoldField()->setChecked(false);
        dialog.ColourField()->setCurrentIndex(10);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        auto* edited = dynamic_cast<CSamples*>(medium);
        QCOMPARE(edited->name, std::string("pad two"));
        QCOMPARE(edited->tempo, 140.5f);
        QCOMPARE(edited->effectiveTempo, 140.5f);
        QCOMPARE(edited->stretchOption, 16);
        QCOMPARE(edited->stretchMode, 1);
        QCOMPARE(edited->pcKey, 116);  // F5
        QCOMPARE(edited->midiNote, 24);
        QCOMPARE(edited->startOffset, 200);
        QCOMPARE(edited->endOffset, 900);
        QCOMPARE(edited->IsLoop(), false);
        QCOMPARE(edited->loopCount, 3);
        QCOMPARE(edited->IsHold(), false);
        QCOMPARE(edited->backColour, CMedia::PaletteEntry(10).back);
        QCOMPARE(Cell(0, CMediaListModel::kTempoColumn), QStringLiteral("140.5"));
    }

    void selectProbesTheFileAndOkAddsIt()
    {
        const std::string path = WriteLoop(*dir_, "groove.wav", 88200);
        CId3Tag tag;
        tag.title = "Groove";
        tag.tempo = 98.5f;
        QVERIFY(WriteTag(path, tag));

        CMediaDlg dialog(Doc(), List().Environment(), false, &List());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Add Media"));
        QCOMPARE(dialog.PcKeyField()->currentText(), QStringLiteral("0"));
        QCOMPARE(dialog.MidiKeyField()->currentText(), QStringLiteral("C1"));
        QVERIFY(dialog.DeviceField()->count() >= 1);
        dialog.SelectFile(QString::fromStdString(path));
        QTRY_VERIFY(!dialog.ProbePending());
        QCOMPARE(dialog.NameField()->text(), QStringLiteral("groove"));
        QCOMPARE(dialog.TempoField()->text(), QStringLiteral("98.5"));
        QCOMPARE(dialog.EndField()->value(), 2000);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        CMedia* added = dialog.AddedMedium();
        QVERIFY(added);
        QCOMPARE(added->kind, CMedia::kKindSample);
        QCOMPARE(added->slot, 0);
        QCOMPARE(added->sampleRate, 44100);
        QCOMPARE(added->duration, 2000);
        QCOMPARE(added->endOffset, 2000);
        QCOMPARE(added->tempo, 98.5f);
        QCOMPARE(added->midiNote, 12);
        QCOMPARE(added->pcKey, int('0'));

        // A file that is no sound is refused with its message.
        WriteBytes(dir_->file("noise.wav"), Bytes(2000, 0x33));
        CMediaDlg second(Doc(), List().Environment(), false, &List());
        second.SelectFile(QString::fromStdString(dir_->file("noise.wav")));
        QTRY_VERIFY(!second.ProbePending());
        QCOMPARE(notices_.notices.back().text, std::string("File is incompatible"));
    }

    void theDialogAppliesTheSampleLimits()
    {
        const std::string path = WriteLoop(*dir_, "long.wav", 44100);  // 176400 bytes
        // Larger than the sample size limit read at start-up.
        SetSampleSizeLimit(100000);
        CMediaDlg tooBig(Doc(), List().Environment(), false, &List());
        tooBig.SelectFile(QString::fromStdString(path));
        QTRY_VERIFY(!tooBig.ProbePending());
        tooBig.accept();
        QCOMPARE(tooBig.result(), int(QDialog::Rejected));
        QCOMPARE(notices_.notices.back().text, std::string("sample is too big"));
        // A shorter range fits.
        tooBig.EndField()->setValue(500);
        tooBig.accept();
        QCOMPARE(tooBig.result(), int(QDialog::Accepted));
        QCOMPARE(tooBig.AddedMedium()->endOffset, 500);

        SetSampleSizeLimit(kStartSampleSizeLimit);
        Doc().Environment().settings.memoryMax = 100000;
        CMediaDlg noMemory(Doc(), List().Environment(), false, &List());
        noMemory.SelectFile(QString::fromStdString(path));
        QTRY_VERIFY(!noMemory.ProbePending());
        noMemory.accept();
        QCOMPARE(noMemory.result(), int(QDialog::Rejected));
        QCOMPARE(notices_.notices.back().text, std::string("memory max for samples"));
        QCOMPARE(Doc().MediaCount(), 1);
    }

    void effectsChangeTheSelectedSamples()
    {
        DropOnList({QString::fromStdString(WriteLoop(*dir_, "a.wav", 4410, 1000)),
                    QString::fromStdString(WriteLoop(*dir_, "b.wav", 4410, 1000))});
        QCOMPARE(Doc().MediaCount(), 2);
        SelectRow(0);
        const std::vector<int> sixDb = {6};
        QVERIFY(List().ApplyEffect(32861, &sixDb));
        CMedia& first = *Doc().MediumAt(0);
        // The sample loads in the loader's thread first, then the effect runs.
        QTRY_COMPARE(dynamic_cast<CSamples&>(first).edited, 1);
        QCOMPARE(first.loaded, 1);
        QVERIFY(first.GetPcm() != nullptr);
        // 6 dB is a factor of 10^(60/200) = 1.995.
        QCOMPARE(SampleAt(first, 0), int16_t(1995));
        QCOMPARE(SampleAt(first, 4410 * 2 - 1), int16_t(1995));
        QCOMPARE(dynamic_cast<CSamples&>(first).edited, 1);
        QCOMPARE(Doc().MediumAt(1)->loaded, 0);  // the unselected sample is left alone
        QVERIFY(Doc().IsModified());

        // The dialog's values: the table's defaults and ranges.
        const EffectParameters echo = EffectDialogTable::Defaults(32876);
        QCOMPARE(echo.p1, 300);
        QCOMPARE(echo.p2, -6);
        QVERIFY(EffectDialogTable::Find(32860) == nullptr);  // normalise runs at once
        CEffectParamDlg resonant(32869);
        QCOMPARE(resonant.First()->minimum(), 40);
        QCOMPARE(resonant.First()->maximum(), 10000);
        QVERIFY(resonant.Second() != nullptr);
        QCOMPARE(resonant.Second()->value(), 85);
        QCOMPARE(resonant.windowTitle(), QStringLiteral("Resonnant"));

        // Normalise takes no values: both rows full scale.
        List().selectAll();
        QVERIFY(List().ApplyEffect(32860));
        QTRY_COMPARE(dynamic_cast<CSamples&>(*Doc().MediumAt(1)).edited, 1);
        QVERIFY(SampleAt(*Doc().MediumAt(1), 2) >= 32766);
        QVERIFY(SampleAt(first, 2) >= 32766);
    }

    void saveWaveWritesTheSampleAndAutoKeyNumbersTheKeys()
    {
        DropOnList({QString::fromStdString(WriteLoop(*dir_, "a.wav", 4410, 700))});
        SelectRow(0);
        const QString out = QString::fromStdString(dir_->file("saved.wav"));
        QVERIFY(List().SaveWave(out));
        QTRY_VERIFY(QFile::exists(out));
        const Bytes saved = ReadBytes(out.toStdString());
        const Bytes sound = ConstantPcm(4410, 700);
        QVERIFY(saved.size() >= 44 + sound.size());
        QVERIFY(std::equal(sound.begin(), sound.end(), saved.end() - static_cast<std::ptrdiff_t>(sound.size())));
        QVERIFY(notices_.notices.empty());
        List().SaveWave(QString::fromStdString(dir_->file("no/such/folder/x.wav")));
        QTRY_VERIFY(!notices_.notices.empty());
        QVERIFY(notices_.notices.back().text.find("could not be written") != std::string::npos);

        AddPlain(28);
        Doc().MediumAt(3)->midiNote = 90;
        List().AutoKey();
        QCOMPARE(Doc().MediumAt(0)->midiNote, 12);
        QCOMPARE(Doc().MediumAt(0)->pcKey, int('0'));
        QCOMPARE(Doc().MediumAt(3)->midiNote, 15);
        QCOMPARE(Doc().MediumAt(11)->pcKey, int('B'));
        QCOMPARE(Doc().MediumAt(23)->midiNote, 35);
        QCOMPARE(Doc().MediumAt(24)->midiNote, 12);  // the 25th medium starts the keyboard again
        QCOMPARE(Cell(24, CMediaListModel::kKeyColumn), QStringLiteral("0 / C1"));
        QCOMPARE(AutoKeyRule::LabelOf(47), 124);
        QCOMPARE(AutoKeyRule::LabelOf(48), 0);
    }
};

TESSARON_VIEW_TEST(MediaListTest);

}  // namespace tessaron::test

#include "MediaListTest.moc"
