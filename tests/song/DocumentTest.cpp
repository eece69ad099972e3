#include <gtest/gtest.h>

#include "framework/CMessageRecorder.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/Messages.h"

namespace tessaron {
namespace {

class RecordingViews : public IDocumentObserver {
public:
    void UpdateHint(int hint, intptr_t value, bool toMediaList) override
    {
        hints.push_back({hint, value, toMediaList});
    }
    void Notice(ListNotice notice) override { notices.push_back(notice); }

    struct HintRecord {
        int hint;
        intptr_t value;
        bool toMediaList;
    };
    std::vector<HintRecord> hints;
    std::vector<ListNotice> notices;
};

class Document : public ::testing::Test {
protected:
    Document() : doc(SongEnvironment{&messages, nullptr, nullptr, &views}) {}

    CMedia* AddSample(int at, const char* name)
    {
        auto sample = std::make_unique<CSamples>();
        sample->name = name;
        return doc.InsertMedium(at, std::move(sample));
    }

    CAction Event(int code, CMedia* medium, int start, int duration = 0)
    {
        CAction action(code, medium, medium ? medium->slot : -1, -1, 0, 0);
        action.SetStart(start);
        action.SetDuration(duration);
        action.MusicalFromMs(doc.EffectiveTempo());
        return action;
    }

    CMessageRecorder messages;
    RecordingViews views;
    CChordwayDoc doc;
};

TEST_F(Document, TempoZeroReadsAsHundredAndEventsKeepTheirBars)
{
    CMedia* a = AddSample(0, "a");
    doc.SetTempo(120.0f);
    doc.RecordAction(Event(CAction::kPlay, a, 1000, 500));  // beat 2 at 120
    doc.SetTempo(0.0f);
    EXPECT_EQ(doc.Tempo(), 100.0f);
    EXPECT_EQ(doc.EventAt(0)->Start(), 1200);  // beat 2 at 100
    EXPECT_EQ(doc.EventAt(0)->Duration(), 500);
    EXPECT_EQ(views.hints.back().hint, view_hint::kTempoChanged);
    doc.SetStoredTempo(0.0f);
    EXPECT_EQ(doc.EffectiveTempo(), 100.0f);
}

TEST_F(Document, TempoChangesKeepEventsInStartOrder)
{
    CMedia* a = AddSample(0, "a");
    doc.SetTempo(100.0f);
    doc.RecordAction(Event(CAction::kPan, a, 30));  // a twentieth of a beat
    doc.SetTempo(200.0f);
    ASSERT_EQ(doc.EventAt(0)->Start(), 15);
    doc.RecordAction(Event(CAction::kPlay, a, 15));  // same start, put on the beat
    ASSERT_EQ(doc.EventAt(1)->Code(), CAction::kPlay);
    doc.SetTempo(100.0f);
    ASSERT_EQ(doc.EventCount(), 2);
    EXPECT_EQ(doc.EventAt(0)->Code(), CAction::kPlay);
    EXPECT_EQ(doc.EventAt(0)->Start(), 0);
    EXPECT_EQ(doc.EventAt(1)->Start(), 30);
    EXPECT_EQ(doc.EventAt(1)->Index(), 1);
}

TEST_F(Document, InsertGivesUniqueIdsPlacesAndColours)
{
    CMedia* b = AddSample(0, "b");
    CMedia* a = AddSample(-3, "a");  // below 0 inserts first
    CMedia* c = AddSample(99, "c");
    ASSERT_EQ(doc.MediaCount(), 3);
    EXPECT_EQ(doc.MediumAt(0), a);
    EXPECT_EQ(doc.MediumAt(1), b);
    EXPECT_EQ(doc.MediumAt(2), c);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(doc.MediumAt(i)->slot, i);
        EXPECT_NE(doc.MediumAt(i)->mediumId, 0);
        EXPECT_EQ(doc.FindMedium(doc.MediumAt(i)->mediumId), doc.MediumAt(i));
    }
    EXPECT_NE(a->mediumId, b->mediumId);
    EXPECT_NE(b->mediumId, c->mediumId);
    EXPECT_EQ(doc.FindMedium(0), nullptr);
    EXPECT_EQ(c->backColour, CMedia::PaletteEntry(2).back);
    EXPECT_TRUE(doc.IsModified());

    doc.MoveMedium(0, 10);  // beyond the end: to the end
    EXPECT_EQ(doc.MediumAt(2), a);
    EXPECT_EQ(a->slot, 2);
}

TEST_F(Document, KeysFitTheKeyboard)
{
    CSamples sample;
    doc.SetMediumKey(sample, 40);
    EXPECT_EQ(sample.midiNote, 28);  // 40 mod 24 + 12
    doc.SetMediumKey(sample, 0);
    EXPECT_EQ(sample.midiNote, 12);
    doc.Environment().keyboardOctaves = 4;
    doc.SetMediumKey(sample, 40);
    EXPECT_EQ(sample.midiNote, 52);
}

TEST_F(Document, SongPositionStaysWithinTheSong)
{
    CMedia* a = AddSample(0, "a");
    doc.SetTempo(120.0f);
    doc.RecordAction(Event(CAction::kPlay, a, 0, 4100));  // ends inside beat 9
    doc.ComputeSongLength();
    EXPECT_EQ(doc.SongLength(), 9);
    EXPECT_EQ(messages.messagesOf(message::kSongLength).back().second, 9);
    EXPECT_FALSE(doc.SetSongPosition(10));
    EXPECT_FALSE(doc.SetSongPosition(-1));
    EXPECT_TRUE(doc.SetSongPosition(4));
    EXPECT_EQ(doc.SongPosition(), 4);
    EXPECT_EQ(doc.Clock().clock, 2000);
    EXPECT_EQ(doc.Clock().beatCounter, 4);
    EXPECT_FALSE(views.hints.back().toMediaList);
    EXPECT_EQ(views.hints.back().hint, view_hint::kSongPosition);
    EXPECT_FALSE(doc.SetSongPosition(4));  // unchanged

    doc.MoveSongCursor(6);  // no checks; posts the bar.beat display
    EXPECT_EQ(doc.SongPosition(), 6);
    const auto barBeat = messages.messagesOf(message::kBarBeat).back();
    EXPECT_EQ(barBeat.first, 3 * 256);  // bar 2, beat 3
    EXPECT_EQ(barBeat.second, 2);
}

TEST_F(Document, RecordingKeepsEventsSortedAndMergesRepeats)
{
    CMedia* a = AddSample(0, "a");
    CMedia* b = AddSample(1, "b");
    EXPECT_EQ(doc.RecordAction(Event(CAction::kPlay, a, 500, 100)), 0);
    EXPECT_EQ(doc.RecordAction(Event(CAction::kPlay, b, 100, 100)), 0);
    EXPECT_EQ(doc.RecordAction(Event(CAction::kStop, a, 900)), 2);
    EXPECT_EQ(doc.RecordAction(Event(CAction::kPlay, a, 500, 1200)), -1);  // same start, medium, code
    ASSERT_EQ(doc.EventCount(), 3);
    EXPECT_EQ(doc.EventAt(1)->Medium(), a);
    EXPECT_EQ(doc.EventAt(1)->Duration(), 1200);
    EXPECT_EQ(doc.EventAt(1)->Length().ToMs(doc.EffectiveTempo()), CMesure(2, 0.0f).ToMs(100.0f));
    for (int i = 0; i < doc.EventCount(); ++i) {
        EXPECT_EQ(doc.EventAt(i)->Index(), i);
    }
    EXPECT_FALSE(doc.BreaksOrder(1, 100));
    EXPECT_FALSE(doc.BreaksOrder(1, 900));
    EXPECT_TRUE(doc.BreaksOrder(1, 99));
    EXPECT_TRUE(doc.BreaksOrder(1, 901));

    doc.RebuildMediaEvents();
    ASSERT_EQ(a->events.size(), 2u);
    EXPECT_EQ(a->events[0]->Start(), 500);
    EXPECT_EQ(b->events.size(), 1u);
}

TEST_F(Document, QuantizationMovesTowardTheStartAndUndoRestoresExactly)
{
    CMedia* a = AddSample(0, "a");
    doc.SetTempo(100.0f);
    const int starts[] = {480, 840, 4200, 4450};  // fractions 0.8, 0.4; beats 7; 7.4166
    for (int start : starts) {
        doc.RecordAction(Event(CAction::kPlay, a, start, 700));
    }
    std::vector<CAction> before;
    for (int i = 0; i < doc.EventCount(); ++i) {
        before.push_back(*doc.EventAt(i));
    }

    doc.SetQuantizationFrequency(3);  // 1/2 beat
    doc.QuantizeSong();
    EXPECT_TRUE(doc.IsQuantized());
    EXPECT_FLOAT_EQ(doc.EventAt(0)->Position().Fraction(), 0.5f);
    EXPECT_FLOAT_EQ(doc.EventAt(1)->Position().Fraction(), 0.0f);
    EXPECT_EQ(doc.EventAt(0)->Start(), 300);
    EXPECT_EQ(doc.EventAt(1)->Start(), 600);
    doc.Undo();
    EXPECT_FALSE(doc.IsQuantized());

    doc.SetQuantizationFrequency(1);  // 2 beats
    doc.QuantizeSong();
    EXPECT_EQ(doc.EventAt(2)->Position().Beats(), 6);
    EXPECT_EQ(doc.EventAt(2)->Start(), 3600);
    doc.Undo();
    for (int i = 0; i < doc.EventCount(); ++i) {
        EXPECT_EQ(doc.EventAt(i)->Position(), before[static_cast<size_t>(i)].Position());
        EXPECT_EQ(doc.EventAt(i)->Length(), before[static_cast<size_t>(i)].Length());
        EXPECT_EQ(doc.EventAt(i)->Start(), before[static_cast<size_t>(i)].Position().ToMs(100.0f));
    }
}

TEST_F(Document, RemovedMediaAndEventsComeBackWithUndo)
{
    CMedia* a = AddSample(0, "a");
    CMedia* b = AddSample(1, "b");
    CMedia* c = AddSample(2, "c");
    doc.RecordAction(Event(CAction::kPlay, a, 0, 100));
    doc.RecordAction(Event(CAction::kPlay, b, 100, 100));
    doc.RecordAction(Event(CAction::kStop, b, 300));
    doc.RecordAction(Event(CAction::kPlay, c, 200, 100));
    {
        const CTransport::Guard held = doc.Transport().Hold();
        doc.Transport().Insert(held, std::make_unique<CAction>(Event(CAction::kPlay, b, 10)));
    }

    doc.RemoveMedium(1);
    EXPECT_EQ(doc.MediaCount(), 2);
    EXPECT_EQ(doc.MediumAt(1), c);
    EXPECT_EQ(c->slot, 1);
    EXPECT_EQ(doc.EventCount(), 2);
    EXPECT_FALSE(doc.Transport().HasPending());
    for (int i = 0; i < doc.EventCount(); ++i) {
        EXPECT_EQ(doc.EventAt(i)->Index(), i);
    }

    doc.DeleteEventWithUndo(0);
    EXPECT_EQ(doc.EventCount(), 1);
    EXPECT_TRUE(doc.HasUndo());
    doc.Undo();
    ASSERT_EQ(doc.MediaCount(), 3);
    EXPECT_EQ(doc.MediumAt(1), b);
    EXPECT_EQ(b->slot, 1);
    ASSERT_EQ(doc.EventCount(), 4);
    const int expectedStarts[] = {0, 100, 200, 300};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(doc.EventAt(i)->Start(), expectedStarts[i]);
        EXPECT_EQ(doc.EventAt(i)->Index(), i);
    }
    EXPECT_FALSE(doc.HasUndo());
}

// Moves are undone with the deletions around them, whichever came first; media added after
// the first move stay after the others.
TEST_F(Document, UndoPutsMovedMediaBackInTheirOrder)
{
    const auto order = [this] {
        std::string names;
        for (int i = 0; i < doc.MediaCount(); ++i) {
            names += doc.MediumAt(i)->slot == i ? doc.MediumAt(i)->name : "!";
        }
        return names;
    };
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        AddSample(doc.MediaCount(), name);
    }
    doc.RemoveMedium(1);  // b
    doc.MoveMedium(0, 3);  // a to the end
    ASSERT_EQ(order(), "cdea");
    doc.MoveMedium(1, 0);  // d first
    ASSERT_EQ(order(), "dcea");
    AddSample(doc.MediaCount(), "f");
    doc.RemoveMedium(2);  // e
    ASSERT_EQ(order(), "dcaf");
    views.notices.clear();
    EXPECT_TRUE(doc.HasUndo());
    doc.Undo();
    EXPECT_EQ(order(), "abcdef");
    EXPECT_FALSE(doc.HasUndo());
    EXPECT_FALSE(views.notices.empty());
    EXPECT_EQ(views.notices.back(), ListNotice::MediaChanged);

    // Clearing the undo forgets the order; a move nowhere records nothing.
    doc.MoveMedium(0, 5);
    doc.ClearUndo();
    EXPECT_FALSE(doc.HasUndo());
    doc.MoveMedium(2, 2);
    EXPECT_FALSE(doc.HasUndo());
    EXPECT_EQ(order(), "bcdefa");
}

TEST_F(Document, MemoryIsPostedAndNeverNegative)
{
    doc.AddMemory(1000);
    doc.SubtractMemory(5000);
    EXPECT_EQ(doc.MemoryUsed(), 0);
    const auto posted = messages.messagesOf(message::kMemory);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].second, 1000);
    EXPECT_EQ(posted[1].second, 0);
}

TEST_F(Document, ScratchBuffer)
{
    const char data[] = "abc";
    EXPECT_FALSE(doc.CopyToScratch(data, 3));
    EXPECT_FALSE(doc.AllocateScratch(0));
    EXPECT_TRUE(doc.AllocateScratch(2));
    EXPECT_FALSE(doc.CopyToScratch(nullptr, 2));
    EXPECT_TRUE(doc.CopyToScratch(data, 3));  // cut to the buffer
    EXPECT_EQ(doc.Scratch()[1], 'b');
    doc.FreeScratch();
    EXPECT_EQ(doc.Scratch(), nullptr);
}

TEST_F(Document, NewSongEmptiesEverything)
{
    CMedia* a = AddSample(0, "a");
    doc.RecordAction(Event(CAction::kPlay, a, 0, 100));
    doc.SetTempo(140.0f);
    doc.SetLoopBegin(4);
    doc.RemoveMedium(0);
    doc.NewDocument();
    EXPECT_EQ(doc.MediaCount(), 0);
    EXPECT_EQ(doc.EventCount(), 0);
    EXPECT_FALSE(doc.HasUndo());
    EXPECT_EQ(doc.Tempo(), 100.0f);
    EXPECT_EQ(doc.QuantizationFrequency(), 0);
    EXPECT_EQ(doc.LoopBegin(), 0);
    EXPECT_EQ(doc.LoopBeginMs(), 0);
    EXPECT_EQ(views.notices.back(), ListNotice::SongNew);
}

TEST_F(Document, TimeDisplayHintsOnlyOnChange)
{
    doc.SetTimeDisplay(true);
    doc.SetTimeDisplay(true);
    doc.SetTimeDisplay(false);
    ASSERT_EQ(views.hints.size(), 2u);
    EXPECT_EQ(views.hints[0].hint, view_hint::kDisplayInTime);
    EXPECT_EQ(views.hints[1].hint, view_hint::kDisplayInBars);
}

TEST_F(Document, GridZoomMapsBack)
{
    EXPECT_EQ(CChordwayDoc::GridZoomIndexOf(40), 0);
    EXPECT_EQ(CChordwayDoc::GridZoomIndexOf(12), 2);
    EXPECT_EQ(CChordwayDoc::GridZoomIndexOf(2), 0);
}

}  // namespace
}  // namespace tessaron
