// The event list and the "Event" dialog over a song.
#include "ViewTest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/IDocumentObserver.h"
#include "views/CActionModel.h"
#include "views/CActionView.h"
#include "views/CEventDlg.h"

namespace tessaron::test {

class EventListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CChordwayDoc> doc_;
    CMedia* drums_ = nullptr;
    CMedia* bass_ = nullptr;

    void AddEvent(int32_t code, CMedia* medium, int32_t start)
    {
        CAction action(code, medium, 0, -1, -100, 0);
        action.SetStart(start);
        action.SetDuration(500);
        action.MusicalFromMs(doc_->EffectiveTempo());
        doc_->RecordAction(action);
    }

    QString Cell(const CActionModel& model, int row, int column)
    {
        return model.data(model.index(row, column)).toString();
    }

private slots:
    void init()
    {
        doc_ = std::make_unique<CChordwayDoc>();
        doc_->SetTempo(120.0f);
        drums_ = doc_->InsertMedium(0, std::make_unique<CSamples>("d.wav", "drums", 44100, 500, "", "", 120.0f, 0, 0, 0));
        bass_ = doc_->InsertMedium(1, std::make_unique<CSamples>("b.wav", "bass", 44100, 500, "", "", 120.0f, 0, 0, 0));
        AddEvent(CAction::kPlay, drums_, 0);
        AddEvent(CAction::kVolume, bass_, 1000);
        AddEvent(CAction::kStop, drums_, 2000);
    }
    void cleanup() { doc_.reset(); }

    void rowsShowTheEventsAndTheThirdColumnFollowsTheDisplay()
    {
        CActionView view(*doc_);
        const CActionModel& model = view.Model();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(Cell(model, 0, 0), QStringLiteral("Play"));
        QCOMPARE(Cell(model, 1, 0), QStringLiteral("Vol"));
        QCOMPARE(Cell(model, 1, 1), QStringLiteral("bass"));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Bar"));
        QCOMPARE(Cell(model, 2, 2), QStringLiteral("2.1.0"));  // 2 s at 120 BPM: beat 4, bar 2
        doc_->SetTimeDisplay(true);
        view.UpdateHint(view_hint::kDisplayInTime);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Time"));
        QCOMPARE(Cell(model, 2, 2), QStringLiteral("00:00:02.000"));

        AddEvent(CAction::kPlay, bass_, 1500);
        QCOMPARE(model.rowCount(), 3);  // rows change on the hint, not behind the view's back
        view.UpdateHint(view_hint::kEventRecorded);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(Cell(model, 2, 1), QStringLiteral("bass"));
        view.SelectFired(3);
        QCOMPARE(view.SelectedRow(), 3);
        view.SelectFired(9);  // beyond the rows: nothing changes
        QCOMPARE(view.SelectedRow(), 3);
    }

    void deleteKeepsTheEventForUndo()
    {
        CActionView view(*doc_);
        view.SelectFired(1);
        QTest::keyClick(&view, Qt::Key_Delete);
        QCOMPARE(doc_->EventCount(), 2);
        QCOMPARE(view.Model().rowCount(), 2);
        QCOMPARE(Cell(view.Model(), 1, 0), QStringLiteral("Stop"));
        QVERIFY(doc_->HasUndo());
        doc_->Undo();
        view.Rebuild();
        QCOMPARE(doc_->EventCount(), 3);
        QCOMPARE(Cell(view.Model(), 1, 0), QStringLiteral("Vol"));
    }

    void orderCheckEditsInPlaceOrRecordsAgain()
    {
        // Within its neighbours: changed in place, nothing to undo.
        CAction moved = *doc_->EventAt(1);
        moved.SetStart(1500);
        moved.MusicalFromMs(120.0f);
        QCOMPARE(CEventDlg::Store(*doc_, 1, moved), 1);
        QCOMPARE(doc_->EventAt(1)->Start(), 1500);
        QVERIFY(doc_->DeletedEvents().empty());

        // Past the next event: the old one goes (with undo), the new one lands in start order.
        moved.SetStart(2500);
        moved.MusicalFromMs(120.0f);
        QCOMPARE(CEventDlg::Store(*doc_, 1, moved), 2);
        QCOMPARE(doc_->EventCount(), 3);
        QCOMPARE(doc_->EventAt(1)->Code(), int(CAction::kStop));
        QCOMPARE(doc_->EventAt(2)->Code(), int(CAction::kVolume));
        QCOMPARE(doc_->EventAt(2)->Start(), 2500);
        QCOMPARE(doc_->DeletedEvents().size(), size_t(1));
        for (int i = 0; i < doc_->EventCount(); ++i) {
            QCOMPARE(doc_->EventAt(i)->Index(), i);
        }
        QCOMPARE(doc_->SongLength(), 6);  // the song length follows (3 s at 120 BPM)
    }

    void dialogModesAndValueRanges()
    {
        CEventDlg add(*doc_, -1);
        QVERIFY(add.HasWork());
        QCOMPARE(add.windowTitle(), QStringLiteral("Add Event"));
        QCOMPARE(add.NextButton()->text(), QStringLiteral("&Add more"));
        QVERIFY(add.BackButton()->isHidden() && add.BeginButton()->isHidden() && add.EndButton()->isHidden());
        QCOMPARE(add.Samples()->count(), 2);
        QCOMPARE(add.EventType()->count(), 6);
        QCOMPARE(add.Value1()->minimum(), -1000);
        QCOMPARE(add.Value1()->maximum(), 0);
        QCOMPARE(add.Value2()->maximum(), 1000);
        add.EventType()->setCurrentIndex(CAction::kPan - 1);
        QCOMPARE(add.Value1()->maximum(), 1000);
        QVERIFY(add.Value2()->isHidden());
        add.EventType()->setCurrentIndex(CAction::kStop - 1);
        QVERIFY(add.Value1()->isHidden());

        // "&Add more" stores and stays open for the next one.
        add.Samples()->setCurrentIndex(1);
        add.EventType()->setCurrentIndex(0);
        add.StartField()->setText(QStringLiteral("3.1.0"));
        add.TimeField()->setText(QStringLiteral("0.2.0"));
        add.Value1()->setValue(-250);
        add.NextButton()->click();
        QCOMPARE(doc_->EventCount(), 4);
        const CAction& added = *doc_->EventAt(add.LastIndex());
        QCOMPARE(added.Medium(), bass_);
        QCOMPARE(added.Start(), 4000);     // bar 3 at 120 BPM, four beats a bar
        QCOMPARE(added.Duration(), 1000);  // two beats
        QCOMPARE(added.Value1(), -250);

        CChordwayDoc empty;
        QVERIFY(!CEventDlg(empty, -1).HasWork());

        CEventDlg edit(*doc_, 1);
        QCOMPARE(edit.windowTitle(), QStringLiteral("Edit Event 2"));
        QVERIFY(!edit.Samples()->isEnabled());
        QCOMPARE(edit.Samples()->currentText(), QStringLiteral("bass"));
        edit.EndButton()->click();
        QCOMPARE(edit.EditedIndex(), doc_->EventCount() - 1);
        QCOMPARE(edit.windowTitle(), QStringLiteral("Edit Event %1").arg(doc_->EventCount()));
        edit.BeginButton()->click();
        QCOMPARE(edit.EditedIndex(), 0);
        edit.NextButton()->click();
        QCOMPARE(edit.EditedIndex(), 1);
    }

    void startAndTimeSpinsStepTenMilliseconds()
    {
        QCOMPARE(CEventDlg::StepStart(*doc_, "1.1.0", 50), std::string("1.2.0"));  // 500 ms = one beat
        QCOMPARE(CEventDlg::StepStart(*doc_, "1.1.0", -5), std::string("1.1.0"));  // not below 0
        doc_->SetTimeDisplay(true);
        QCOMPARE(CEventDlg::StepStart(*doc_, "00:00:01.000", 3), std::string("00:00:01.030"));
        QCOMPARE(CEventDlg::StepLength(*doc_, "00:00:00.020", -5), std::string("00:00:00.000"));
    }
};

TESSARON_VIEW_TEST(EventListTest);

}  // namespace tessaron::test

#include "EventListTest.moc"
