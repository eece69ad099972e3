#include <gtest/gtest.h>

#include "midi/CMidiFile.h"
#include "midi/MidiTestFiles.h"

namespace tessaron {
namespace {

using namespace test;

std::optional<CMidiFile> ParseBytes(const Bytes& bytes, std::string* error = nullptr)
{
    return CMidiFile::Parse(bytes.data(), bytes.size(), error);
}

TEST(MidiFile, TempoLengthAndEventsOfAOneNoteFile)
{
    const auto file = ParseBytes(OneNoteFile(69, 192, 120.0, 5));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Format(), 0);
    EXPECT_EQ(file->TicksPerQuarter(), 96);
    EXPECT_FLOAT_EQ(file->Tempo(), 120.0f);
    EXPECT_EQ(file->LastTick(), 192);
    EXPECT_DOUBLE_EQ(file->LengthMs(), 1000.0);
    ASSERT_EQ(file->Events().size(), 3u);
    EXPECT_EQ(file->Events()[0].status, 0xC0);
    EXPECT_EQ(file->Events()[0].data1, 5);
    EXPECT_EQ(file->Events()[2].tick, 192);
    EXPECT_EQ(file->Events()[2].status, 0x80);
}

TEST(MidiFile, TracksMergeInTimeAndTheTempoMapSetsTheLength)
{
    // Track 1: 120 BPM for one quarter, then 60 BPM. Track 2: notes with running status.
    const Bytes conductor = Track({{0, TempoEvent(120.0)}, {96, TempoEvent(60.0)}});
    const Bytes notes = Track({{48, {0x91, 60, 100}}, {0, {62, 100}}, {96, {0x81, 60, 0}}, {0, {62, 0}}, {96, {0xB1, 7, 90}}});
    const auto file = ParseBytes(MidiFile(1, 96, {conductor, notes}));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->TrackCount(), 2);
    EXPECT_FLOAT_EQ(file->Tempo(), 120.0f);
    ASSERT_EQ(file->Events().size(), 5u);
    EXPECT_EQ(file->Events()[1].data1, 62);  // running status kept the note on
    EXPECT_EQ(file->Events()[1].status, 0x91);
    EXPECT_EQ(file->Events()[3].status, 0x81);
    EXPECT_EQ(file->LastTick(), 240);
    // 96 ticks at 120 BPM (500 ms), then 144 at 60 BPM (1500 ms).
    EXPECT_DOUBLE_EQ(file->TickToMs(96), 500.0);
    EXPECT_DOUBLE_EQ(file->LengthMs(), 2000.0);
}

TEST(MidiFile, AFileWithoutTempoSaysSoAndPlaysAtOneHundredTwenty)
{
    const auto file = ParseBytes(MidiFile(0, 480, {Track({{0, {0x90, 60, 1}}, {960, {0x80, 60, 0}}})}));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Tempo(), 0.0f);
    EXPECT_DOUBLE_EQ(file->LengthMs(), 1000.0);
}

TEST(MidiFile, AnRmiFileIsReadThroughItsDataChunk)
{
    const Bytes smf = OneNoteFile(60, 96);
    Bytes rmi = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    for (int i = 0; i < 4; ++i) {
        rmi.push_back(static_cast<uint8_t>(smf.size() >> (8 * i)));
    }
    rmi.insert(rmi.end(), smf.begin(), smf.end());
    const auto file = ParseBytes(rmi);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Bytes(), smf);  // the synthesizer gets the plain MIDI file
    EXPECT_EQ(file->LastTick(), 96);
}

TEST(MidiFile, EveryTruncationOfAFileIsRefused)
{
    const Bytes whole = MidiFile(1, 96, {Track({{0, TempoEvent(100.0)}}), Track({{0, {0x90, 60, 100}}, {300, {0x80, 60, 0}}})});
    ASSERT_TRUE(ParseBytes(whole));
    for (size_t size = 0; size < whole.size(); ++size) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(ParseBytes(cut)) << "cut to " << size << " bytes";
    }
}

TEST(MidiFile, DamagedFilesAreRefusedWithAReason)
{
    const Bytes track = Track({{0, {0x90, 60, 100}}});
    struct Case {
        const char* what;
        Bytes bytes;
    };
    Bytes hugeHeader = MidiFile(0, 96, {track});
    hugeHeader[7] = 0xFF;
    Bytes longTrack = MidiFile(0, 96, {track});
    longTrack[21] = 0x7F;  // the track's length runs past the file
    const Case cases[] = {
        {"empty", {}},
        {"not MIDI", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0}},
        {"header length", hugeHeader},
        {"track length", longTrack},
        {"format 3", MidiFile(3, 96, {track})},
        {"SMPTE division", MidiFile(0, 0xE728, {track})},
        {"zero division", MidiFile(0, 0, {track})},
        {"no tracks", MidiFile(0, 96, {})},
        {"five-byte delta", MidiFile(0, 96, {Track({{0, {}}}, false)})},
        {"data without status", MidiFile(0, 96, {Track({{0, {60, 100}}})})},
        {"status inside data", MidiFile(0, 96, {Track({{0, {0x90, 0x90, 100}}})})},
        {"system message", MidiFile(0, 96, {Track({{0, {0xF8}}})})},
        {"meta past the track", MidiFile(0, 96, {Track({{0, {0xFF, 0x01, 0x40, 'a'}}}, false)})},
        {"sysex past the track", MidiFile(0, 96, {Track({{0, {0xF0, 0x81, 0x00, 1}}}, false)})},
        {"tempo of zero", MidiFile(0, 96, {Track({{0, {0xFF, 0x51, 3, 0, 0, 0}}})})},
        {"tempo of two bytes", MidiFile(0, 96, {Track({{0, {0xFF, 0x51, 2, 1, 0}}})})},
    };
    for (const Case& c : cases) {
        Bytes bytes = c.bytes;
        if (std::string(c.what) == "five-byte delta") {
            bytes = MidiFile(0, 96, {});
            bytes[11] = 1;  // one track
            const Bytes chunk = {'M', 'T', 'r', 'k', 0, 0, 0, 6, 0x81, 0x81, 0x81, 0x81, 0x01, 0x90};
            bytes.insert(bytes.end(), chunk.begin(), chunk.end());
        }
        std::string error;
        EXPECT_FALSE(ParseBytes(bytes, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

}  // namespace
}  // namespace tessaron
