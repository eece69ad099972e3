// The timeline: ruler labels and marker zones, marker and event drags, paging after the song.
#include "ViewTest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include "app/CSettingsBar.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/IDocumentObserver.h"
#include "views/CGridBody.h"
#include "views/CGridRuler.h"
#include "views/CGridView.h"
#include "views/GridGeometry.h"

namespace tessaron::test {

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Press at `from`, move to `to` with the left button held, release there.
void Drag(QWidget* widget, QPoint from, QPoint to)
{
    SendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

}  // namespace

class GridViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CChordwayDoc> doc_;
    CMedia* drums_ = nullptr;
    CMedia* bass_ = nullptr;

    // A "Play" of one beat at `beat` (120 BPM: 500 ms a beat).
    void AddPlay(CMedia* medium, int32_t beat)
    {
        CAction action(CAction::kPlay, medium, 0, -1, 0, 0);
        action.SetStart(beat * 500);
        action.SetDuration(500);
        action.MusicalFromMs(doc_->EffectiveTempo());
        doc_->RecordAction(action);
        doc_->ComputeSongLength();
    }

private slots:
    void init()
    {
        doc_ = std::make_unique<CChordwayDoc>();
        doc_->SetTempo(120.0f);
        drums_ = doc_->InsertMedium(0, std::make_unique<CSamples>("d.wav", "drums", 44100, 500, "", "", 120.0f, 0, 0, 0));
        bass_ = doc_->InsertMedium(1, std::make_unique<CSamples>("b.wav", "bass", 44100, 500, "", "", 120.0f, 0, 0, 0));
    }
    void cleanup() { doc_.reset(); }

    void rulerLabelsEveryBarAtZoom40AndEveryFourthBarAtZoom5()
    {
        const grid::Window wide{40, 0, 800};
        QCOMPARE(wide.BeatX(4) - wide.BeatX(0), 160.0);
        QVERIFY(grid::Labels(0, 40, 4));
        QVERIFY(grid::Labels(4, 40, 4));
        QVERIFY(grid::Labels(8, 40, 4));
        QVERIFY(!grid::Labels(5, 40, 4));
        QCOMPARE(grid::LabelText(4, 40, 4, false, 120.0f), std::string("2.1"));
        QCOMPARE(grid::LabelText(8, 40, 4, false, 120.0f), std::string("3.1"));
        QCOMPARE(grid::LabelPoints(40), 7);

        QVERIFY(grid::Labels(0, 5, 4));
        QVERIFY(!grid::Labels(4, 5, 4));
        QVERIFY(!grid::Labels(8, 5, 4));
        QVERIFY(!grid::Labels(12, 5, 4));
        QVERIFY(grid::Labels(16, 5, 4));
        QCOMPARE(grid::LabelText(16, 5, 4, false, 120.0f), std::string("5.1"));
        QCOMPARE(grid::LabelPoints(5), 6);
        // At zoom 3 the bar alone; the rule of every fourth bar holds there too.
        QCOMPARE(grid::LabelText(32, 3, 4, false, 120.0f), std::string("9"));
        QVERIFY(!grid::Labels(20, 3, 4));
        QCOMPARE(grid::LabelPoints(9), 6);
        QVERIFY(grid::Labels(4, 9, 4));
    }

    void timeLabelsFollowTheTempoAndTheZoom()
    {
        QCOMPARE(grid::LabelText(4, 20, 4, true, 120.0f), std::string("2.0"));
        QCOMPARE(grid::LabelText(3, 20, 4, true, 100.0f), std::string("1.8"));
        QCOMPARE(grid::LabelText(2000, 20, 4, true, 120.0f), std::string(" 1000"));
        QCOMPARE(grid::LabelText(400, 3, 4, true, 120.0f), std::string("  200"));
        QCOMPARE(grid::LabelText(196, 3, 4, true, 120.0f), std::string("98.0"));
        // A damaged tempo reads as 100, never a division by zero.
        QCOMPARE(grid::LabelText(100, 20, 4, true, 0.0f), std::string("60.0"));
    }

    void markerZonesPreferTheSongPositionThenLoopBeginThenLoopEnd()
    {
        const grid::Window window{20, 0, 800};
        using grid::RulerGrab;
        // Position at beat 10 (x 200), loop begin at beat 2 (x 40), loop end at beat 6 (x 120).
        const auto hit = [&](int x, int y) { return grid::HitRuler(window, x, y, 10, 2, 6); };
        QCOMPARE(hit(197, 12), RulerGrab::Position);
        QCOMPARE(hit(204, 20), RulerGrab::Position);
        QCOMPARE(hit(196, 3), RulerGrab::None);
        QCOMPARE(hit(205, 3), RulerGrab::None);
        QCOMPARE(hit(35, 0), RulerGrab::LoopBegin);
        QCOMPARE(hit(45, 6), RulerGrab::LoopBegin);
        QCOMPARE(hit(46, 3), RulerGrab::None);
        QCOMPARE(hit(40, 7), RulerGrab::None);  // only above the marker's height
        QCOMPARE(hit(118, 2), RulerGrab::LoopEnd);
        QCOMPARE(hit(126, 2), RulerGrab::None);
        // Where begin and end meet, begin is held; the position band wins over both.
        QCOMPARE(grid::HitRuler(window, 80, 2, 20, 4, 4), RulerGrab::LoopBegin);
        QCOMPARE(grid::HitRuler(window, 80, 2, 4, 4, 4), RulerGrab::Position);
        // Scrolled by 10 beats, the same marker sits 200 pixels further left.
        const grid::Window scrolled{20, 10, 800};
        QCOMPARE(grid::HitRuler(scrolled, 0, 2, 0, 10, 30), RulerGrab::LoopBegin);
    }

    void draggingTheLoopEndToBeat12SetsTheSongAndTheMainWindowsField()
    {
        FrameUnderTest t;
        QVERIFY(t.Create());
        t.frame->resize(1200, 800);
        t.frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.frame.get()));
        CChordwayDoc& doc = t.frame->Doc();
        doc.SetLoopEnd(8);
        CGridView& view = t.frame->Timeline();
        view.SetZoom(10);
        view.ScrollToBeat(0);
        CGridRuler& ruler = view.Ruler();
        QVERIFY(ruler.width() > 12 * 10 + 5);
        Drag(&ruler, QPoint(80, 3), QPoint(12 * 10 + 5, 10));
        QCOMPARE(doc.LoopEnd(), 12);
        QCOMPARE(doc.LoopEndMs(), 12 * 600);  // 100 BPM
        QCOMPARE(t.frame->SettingsBar().LoopEnd()->text(), QStringLiteral("4.1.0"));
        QVERIFY(doc.IsModified());
        QCOMPARE(ruler.Held(), grid::RulerGrab::None);
        // The begin marker is another zone: a drag from it moves only the begin.
        Drag(&ruler, QPoint(5, 2), QPoint(4 * 10 + 1, 2));
        QCOMPARE(doc.LoopBegin(), 4);
        QCOMPARE(doc.LoopEnd(), 12);
        QCOMPARE(t.frame->SettingsBar().LoopBegin()->text(), QStringLiteral("2.1.0"));
    }

    void draggingThePositionMovesTheSongPositionWithinTheSong()
    {
        AddPlay(drums_, 30);
        CGridView view(*doc_);
        view.resize(800, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        Drag(&view.Ruler(), QPoint(1, 12), QPoint(7 * 20 + 3, 12));
        QCOMPARE(doc_->SongPosition(), 7);
        Drag(&view.Ruler(), QPoint(7 * 20, 12), QPoint(39 * 20, 12));  // beyond the song's 31 beats
        QCOMPARE(doc_->SongPosition(), doc_->SongLength());
    }

    void anEventMovesByWholeBeatsOnlyPastOneBeatWidth()
    {
        AddPlay(bass_, 0);
        AddPlay(drums_, 4);
        AddPlay(drums_, 8);
        doc_->SetGridZoom(40);
        CGridView view(*doc_);
        view.resize(900, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.Zoom(), 40);
        CGridBody& body = view.Body();
        const int row0 = view.RowHeight() / 2;
        const QPoint onEvent(4 * 40 + 5, row0);
        QCOMPARE(body.EventAt(onEvent), 1);

        Drag(&body, onEvent, onEvent + QPoint(30, 0));
        QCOMPARE(doc_->EventAt(1)->Position().Beats(), 4);
        QCOMPARE(doc_->EventAt(1)->Start(), 2000);
        QCOMPARE(body.SelectedEvent(), 1);

        Drag(&body, onEvent, onEvent + QPoint(45, 0));
        QCOMPARE(doc_->EventAt(1)->Position().Beats(), 5);
        QCOMPARE(doc_->EventAt(1)->Start(), 2500);
        QCOMPARE(doc_->EventAt(1)->Medium(), drums_);

        // Dragged past its neighbour the event lands in start order and stays selected.
        const QPoint moved(5 * 40 + 5, row0);
        Drag(&body, moved, moved + QPoint(4 * 40 + 10, 0));
        QCOMPARE(doc_->EventAt(2)->Position().Beats(), 9);
        QCOMPARE(doc_->EventAt(2)->Start(), 4500);
        QCOMPARE(doc_->EventAt(1)->Position().Beats(), 8);
        QCOMPARE(body.SelectedEvent(), 2);
        QCOMPARE(doc_->SongLength(), 10);

        // Never before beat 0; the bass row's event is not the drums' row.
        const QPoint bass(5, view.RowHeight() + row0);
        QCOMPARE(body.EventAt(bass), 0);
        QCOMPARE(body.EventAt(QPoint(5, row0)), -1);
        Drag(&body, bass, QPoint(0, bass.y()));
        Drag(&body, QPoint(45, bass.y()), QPoint(0, bass.y()));
        QCOMPARE(doc_->EventAt(0)->Position().Beats(), 0);
        // Below the last medium nothing is held.
        QCOMPARE(body.EventAt(QPoint(5, 2 * view.RowHeight() + row0)), -1);
    }

    void theContextMenuDeletesTheEventUnderThePointerWithUndo()
    {
        AddPlay(drums_, 2);
        AddPlay(drums_, 6);
        CGridView view(*doc_);
        view.resize(800, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        int changes = 0;
        view.OnEventsChanged([&] { ++changes; });
        const QPoint at(6 * 20 + 3, view.RowHeight() / 2);
        std::unique_ptr<QMenu> menu(view.Body().MakeMenu(at));
        QAction* remove = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("&Delete")) {
                remove = action;
            }
        }
        QVERIFY(remove && remove->isEnabled());
        remove->trigger();
        QCOMPARE(doc_->EventCount(), 1);
        QCOMPARE(doc_->EventAt(0)->Start(), 1000);
        QCOMPARE(doc_->SongLength(), 3);
        QCOMPARE(changes, 1);
        QVERIFY(doc_->HasUndo());
        doc_->Undo();
        QCOMPARE(doc_->EventCount(), 2);
        QCOMPARE(doc_->EventAt(1)->Start(), 3000);
        // Over an empty place the event commands are offered disabled.
        std::unique_ptr<QMenu> empty(view.Body().MakeMenu(QPoint(700, view.RowHeight() / 2)));
        QVERIFY(!empty->actions().front()->isEnabled());
    }

    void aHeldEventStepsOneBeatPerBeatWidthBothWays()
    {
        grid::EventDrag drag(100, 3);
        QVERIFY(!drag.MoveTo(119, 20));
        QVERIFY(drag.MoveTo(120, 20));
        QCOMPARE(drag.Beat(), 4);
        QVERIFY(drag.MoveTo(165, 20));  // two more widths from the new start point
        QCOMPARE(drag.Beat(), 6);
        QVERIFY(drag.MoveTo(100, 20));  // back past three widths
        QCOMPARE(drag.Beat(), 3);
        QVERIFY(drag.MoveTo(0, 20));
        QCOMPARE(drag.Beat(), 0);       // never before beat 0
        QCOMPARE(drag.Moved(), -3);
        QVERIFY(!drag.MoveTo(-200, 20));
        QCOMPARE(drag.Beat(), 0);
        QVERIFY(drag.MoveTo(20, 20));   // the start point kept moving left meanwhile
        QCOMPARE(drag.Beat(), 11);
    }

    void theRulerDrawsTheLoopMarkersAndInvertsThePositionBand()
    {
        AddPlay(drums_, 40);
        doc_->SetLoopBegin(2);
        doc_->SetLoopEnd(6);
        doc_->SetSongPosition(10);
        CGridView view(*doc_);
        view.resize(800, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage ruler = view.Ruler().grab().toImage();
        QCOMPARE(QColor(ruler.pixel(40, 1)), QColor(255, 0, 0));
        QCOMPARE(QColor(ruler.pixel(120, 1)), QColor(0, 255, 0));
        QCOMPARE(QColor(ruler.pixel(80, 1)), QColor(0, 0, 255));   // the ruler's blue between them
        QCOMPARE(QColor(ruler.pixel(200, 2)), QColor(255, 255, 0));  // blue inverted in the band
        // A marker outside the visible beats is not drawn.
        view.ScrollToBeat(20);
        const QImage scrolled = view.Ruler().grab().toImage();
        for (int x = 0; x < 20; ++x) {
            QCOMPARE(QColor(scrolled.pixel(x, 1)), QColor(0, 0, 255));
        }
    }

    void theGridSizeListSetsTheZoom()
    {
        FrameUnderTest t;
        QVERIFY(t.Create());
        QComboBox* sizes = t.frame->SettingsBar().GridSize();
        QCOMPARE(t.frame->Timeline().Zoom(), 20);
        emit sizes->activated(0);
        QCOMPARE(t.frame->Doc().GridZoom(), 40);
        QCOMPARE(t.frame->Timeline().Zoom(), 40);
        emit sizes->activated(4);
        QCOMPARE(t.frame->Timeline().Zoom(), 3);
    }

    void followingTheSongPagesForwardAndBack()
    {
        QCOMPARE(grid::FollowFirstBeat(5, 0, 40, 400), 0);
        QCOMPARE(grid::FollowFirstBeat(40, 0, 40, 400), 40);
        QCOMPARE(grid::FollowFirstBeat(125, 0, 40, 400), 120);
        QCOMPARE(grid::FollowFirstBeat(395, 0, 40, 400), 360);  // no further than length - page
        QCOMPARE(grid::FollowFirstBeat(10, 120, 40, 400), 0);   // back to the page holding it
        QCOMPARE(grid::FollowFirstBeat(90, 120, 40, 400), 80);

        AddPlay(drums_, 199);
        doc_->SetFollowSong(true);
        CGridView view(*doc_);
        view.resize(800, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int32_t page = view.Window().PageBeats();
        QVERIFY(page > 10);
        view.SongCursor(page - 1);
        QCOMPARE(view.FirstBeat(), 0);
        view.SongCursor(page + 2);
        QCOMPARE(view.FirstBeat(), page);
        view.UpdateHint(view_hint::kSongPosition, 3 * page + 1);
        QCOMPARE(view.FirstBeat(), 3 * page);
        auto* beats = view.findChild<QScrollBar*>(QStringLiteral("TimelineBeats"));
        QCOMPARE(beats->value(), 3 * page);
        view.SongCursor(1);
        QCOMPARE(view.FirstBeat(), 0);
        doc_->SetFollowSong(false);
        view.SongCursor(3 * page);
        QCOMPARE(view.FirstBeat(), 0);
    }

    void hintsAndNoticesKeepTheRowsAndTheZoom()
    {
        CGridView view(*doc_);
        view.resize(800, 60);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.Zoom(), 20);
        doc_->SetGridZoom(7);  // as a damaged song file may hold: the nearest choice
        view.FullUpdate();
        QCOMPARE(view.Zoom(), 5);
        for (int i = 0; i < 10; ++i) {
            doc_->InsertMedium(doc_->MediaCount(),
                               std::make_unique<CSamples>("x.wav", "x", 44100, 500, "", "", 120.0f, 0, 0, 0));
        }
        view.FullUpdate();
        auto* rows = view.findChild<QScrollBar*>(QStringLiteral("TimelineRows"));
        QVERIFY(rows->maximum() > 0);
        view.ScrollToRow(100);
        QCOMPARE(view.FirstRow(), rows->maximum());
        AddPlay(drums_, 500);
        view.UpdateHint(view_hint::kEventRecorded, 0);
        auto* beats = view.findChild<QScrollBar*>(QStringLiteral("TimelineBeats"));
        QCOMPARE(beats->maximum(), 501);
    }
};

TESSARON_VIEW_TEST(GridViewTest);

}  // namespace tessaron::test

#include "GridViewTest.moc"
