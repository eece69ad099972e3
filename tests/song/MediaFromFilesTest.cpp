#include <gtest/gtest.h>

#include <memory>

#include "framework/CNoticeRecorder.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/IDocumentObserver.h"
#include "song/MediumFromFile.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"

namespace tessaron::test {
namespace {

class NoticeCounter : public IDocumentObserver {
public:
    void UpdateHint(int, intptr_t, bool) override {}
    void Notice(ListNotice notice) override { mediaChanged += notice == ListNotice::MediaChanged ? 1 : 0; }
    int mediaChanged = 0;
};

// Half a second of 16-bit stereo sound at 44100 Hz.
std::string WriteLoop(TempDir& dir, const std::string& name)
{
    const std::string path = dir.file(name);
    WriteBytes(path, PcmWave(2, 44100, 16, Pattern(88200)));
    return path;
}

// A one-track MIDI file at 120 BPM: `notes` quarter notes, one after the other.
std::string WriteMidi(TempDir& dir, const std::string& name, int notes)
{
    Bytes track = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    for (int i = 0; i < notes; ++i) {
        const Bytes pair = {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x00};
        track.insert(track.end(), pair.begin(), pair.end());
    }
    const Bytes end = {0x00, 0xFF, 0x2F, 0x00};
    track.insert(track.end(), end.begin(), end.end());
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60, 'M', 'T', 'r', 'k'};
    Append32(file, 0);
    const auto size = static_cast<uint32_t>(track.size());
    file[file.size() - 4] = static_cast<uint8_t>(size >> 24);
    file[file.size() - 3] = static_cast<uint8_t>(size >> 16);
    file[file.size() - 2] = static_cast<uint8_t>(size >> 8);
    file[file.size() - 1] = static_cast<uint8_t>(size);
    file.insert(file.end(), track.begin(), track.end());
    const std::string path = dir.file(name);
    WriteBytes(path, file);
    return path;
}

void AddPlainMedia(CChordwayDoc& doc, int count)
{
    for (int i = 0; i < count; ++i) {
        doc.InsertMedium(doc.MediaCount(), std::make_unique<CSamples>());
    }
}

TEST(MediaFromFiles, ListDropKeysFollowTheMediaAlreadyThere)
{
    TempDir dir;
    NoticeCounter views;
    SongEnvironment env;
    env.views = &views;
    env.keyboardOctaves = 2;
    CChordwayDoc doc(env);
    AddPlainMedia(doc, 30);
    ASSERT_EQ(ListDropFirstKey(doc), 6) << "30 media on 24 keys";

    const std::vector<std::string> paths = {WriteLoop(dir, "a.wav"), dir.file("missing.wav"), WriteLoop(dir, "b.wav"),
                                            WriteLoop(dir, "c.wav")};
    const std::vector<CMedia*> added = AddMediaFromFiles(doc, paths, ListDropFirstKey(doc), true);
    ASSERT_EQ(added.size(), 3u) << "the missing file is skipped";
    EXPECT_EQ(doc.MediaCount(), 33);
    // Key indexes 6, 7, 8: MIDI keys 18, 19, 20 and the labels of those keys.
    EXPECT_EQ(added[0]->midiNote, 18);
    EXPECT_EQ(added[1]->midiNote, 19);
    EXPECT_EQ(added[2]->midiNote, 20);
    EXPECT_EQ(added[0]->pcKey, '6');
    EXPECT_EQ(added[2]->pcKey, '8');
    EXPECT_EQ(added[0]->name, "a");
    EXPECT_EQ(added[2]->slot, 32) << "at the end of the list";
    EXPECT_EQ(views.mediaChanged, 1) << "the views hear of a drop once";

    // A drop on one piano key keeps that key for every file; keys wrap on the keyboard.
    const std::vector<CMedia*> onKey = AddMediaFromFiles(doc, {paths[0], paths[2]}, 27, false);
    ASSERT_EQ(onKey.size(), 2u);
    EXPECT_EQ(onKey[0]->midiNote, 27 % 24 + 12);
    EXPECT_EQ(onKey[1]->midiNote, 27 % 24 + 12);
}

// A dropped MIDI file becomes a MIDI medium with the file's length and tempo; a damaged one
// is skipped.
TEST(MediaFromFiles, MidiFilesBecomeMidiMedia)
{
    TempDir dir;
    CChordwayDoc doc;
    const std::string song = WriteMidi(dir, "tune.mid", 60);
    Bytes damaged = ReadBytes(song);
    damaged.resize(damaged.size() - 20);
    WriteBytes(dir.file("broken.mid"), damaged);

    const std::vector<CMedia*> added = AddMediaFromFiles(doc, {dir.file("broken.mid"), song}, 0, true);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0]->kind, CMedia::kKindMidi);
    EXPECT_EQ(added[0]->name, "tune");
    EXPECT_EQ(added[0]->duration, 30000) << "60 quarter notes at 120 BPM";
    EXPECT_EQ(added[0]->endOffset, 30000);
    EXPECT_FLOAT_EQ(added[0]->tempo, 120.0f);
    EXPECT_EQ(added[0]->midiNote, 12);
}

TEST(MediaFromFiles, TooManyMediaStopsTheDropWithItsMessage)
{
    TempDir dir;
    CNoticeRecorder notices;
    SongEnvironment env;
    env.notice = &notices;
    env.settings.nbSamplesMax = 10;
    CChordwayDoc doc(env);
    AddPlainMedia(doc, 10);
    const std::string loop = WriteLoop(dir, "loop.wav");

    // 10 media are not above the limit: one more goes in, then the drop stops once.
    const std::vector<CMedia*> added = AddMediaFromFiles(doc, {loop, loop, loop}, 0, true);
    EXPECT_EQ(added.size(), 1u);
    EXPECT_EQ(doc.MediaCount(), 11);
    ASSERT_EQ(notices.notices.size(), 1u);
    EXPECT_EQ(notices.notices[0].text, "too samples open");
}

}  // namespace
}  // namespace tessaron::test
