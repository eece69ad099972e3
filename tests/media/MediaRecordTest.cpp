#include <gtest/gtest.h>

#include "framework/CArchive.h"
#include "media/CSamples.h"
#include "media/IMediaObserver.h"
#include "midi/CMidiMedia.h"
#include "music/CMusic.h"
#include "song/CAction.h"
#include "song/CSongFile.h"

namespace tessaron {
namespace {

// The common setters, on a medium that keeps them as they are.
TEST(MediaSetters, ClampOutOfRangeValuesToZero)
{
    CMedia m;  // the base behaviour; a music medium answers from its engine
    m.SetVolume(-1001);
    EXPECT_EQ(m.volume, 0);
    m.SetVolume(-300);
    EXPECT_EQ(m.volume, -300);
    m.SetVolume(1);
    EXPECT_EQ(m.volume, 0);
    m.SetPan(1000);
    EXPECT_EQ(m.pan, 1000);
    m.SetPan(1001);
    EXPECT_EQ(m.pan, 0);
    m.SetSampleRate(44100);
    EXPECT_EQ(m.sampleRate, 44100);
    m.SetSampleRate(44101);
    EXPECT_EQ(m.sampleRate, 0);
    m.tempo = 120.0f;
    m.SetTempoPercent(0.0005, true);
    EXPECT_EQ(m.tempoPercent, 0.0);
    EXPECT_EQ(m.effectiveTempo, 120.0f);
    m.SetTempoPercent(10.0, true);
    EXPECT_FLOAT_EQ(m.effectiveTempo, 132.0f);
    EXPECT_TRUE(m.SetTempoTarget(3.0));
    EXPECT_FALSE(m.SetTempoTarget(3.0));
    m.SetPitch(-2);
    EXPECT_EQ(m.pitch, -200);
}

TEST(MediaSetters, PositionStaysInsideThePlayLength)
{
    CMedia m;  // the base behaviour; a music medium answers from its engine
    m.startOffset = 100;
    m.endOffset = 600;
    m.SetPosition(-5);
    EXPECT_EQ(m.position, 0);
    m.SetPosition(9000);
    EXPECT_EQ(m.position, 500);
    EXPECT_EQ(m.GetAbsolutePosition(), 600);
    m.duration = 400;
    m.ClampOffsets();
    EXPECT_EQ(m.startOffset, 100);
    EXPECT_EQ(m.endOffset, 400);
}

class StateLog : public IMediaObserver {
public:
    void MediaStateChanged(int loaded, int code) override { calls.emplace_back(loaded, code); }
    std::vector<std::pair<int, int>> calls;
};

TEST(MediaState, LifecycleTellsTheObserver)
{
    CMedia m;  // the base behaviour; a music medium answers from its engine
    StateLog log;
    m.observer = &log;
    m.CMedia::Open(nullptr, 100.0f);
    m.Arm();
    EXPECT_TRUE(m.IsArmed());
    m.CMedia::Play();
    EXPECT_TRUE(m.CMedia::IsPlaying());
    m.CMedia::Stop();
    EXPECT_TRUE(m.CMedia::IsStopped());
    m.CMedia::Close();
    EXPECT_EQ(m.observer, nullptr);
    const std::vector<std::pair<int, int>> expected = {{1, 0}, {1, 0x200}, {1, 2}, {1, 3}, {0, 0}};
    EXPECT_EQ(log.calls, expected);
    m.state = 5;
    EXPECT_TRUE(m.CMedia::IsPlaying());
}

TEST(MediaTexts, ListColumns)
{
    CSamples m;
    m.dataSize = 352800;
    m.duration = 800;
    EXPECT_EQ(m.SizeAndDurationText(), "344 k  /  800 ms");
    m.duration = 12000;
    EXPECT_EQ(m.SizeAndDurationText(), "344 k  /  00:00:12.000");
    m.startOffset = 0;
    m.endOffset = 2000;
    EXPECT_EQ(m.LoopCountText(), "00:00:02.000");
    m.SetLoop(false);
    m.loopCount = 3;
    m.SetLoop(true);
    EXPECT_EQ(m.LoopCountText(), "cont.");
    EXPECT_EQ(m.loopCount, 0);
    m.SetLoop(false);
    m.loopCount = 3;
    m.flags |= CMedia::kFlagLoop;
    EXPECT_EQ(m.LoopCountText(), "00:00:06.000");

    m.formatInfo = {1, 3, 1, 16, 0x00, 0xF4, 0x01, 0x00};
    m.sampleRate = 44100;
    EXPECT_EQ(m.FormatText(), "Mpeg1 Layer3 joint stereo 128Kbps 16Bits 44100");
    EXPECT_EQ(m.FormatText(true), "mp3 J 128Kbps 16Bits 44100");
    EXPECT_EQ(m.BitRateText(), "128 kbps");
    m.formatInfo = {0, 0, 10, 16, 0, 0, 0, 0};
    EXPECT_EQ(m.FormatText(), "");  // no version and no bit rate
    m.formatInfo = {1, 0, 10, 16, 0x60, 0x89, 0x15, 0};  // 1411200 b/s PCM
    EXPECT_EQ(m.FormatText(), "PCM  1411Kbps 16Bits 44100");

    m.pcKey = 'Q';
    EXPECT_EQ(m.PcKeyText(), "Q");
    m.pcKey = 113;
    EXPECT_EQ(m.PcKeyText(), "F2");
    m.midiNote = 12;
    EXPECT_EQ(m.MidiNoteText(), "C1");
    m.midiNote = 61;
    EXPECT_EQ(m.MidiNoteText(), "C#5");
    m.filePath = "C:\\loops\\a.wav";
    EXPECT_EQ(m.GetFolder(), "C:\\loops");
    m.filePath = "/home/u/a.wav";
    EXPECT_EQ(m.GetFolder(), "/home/u");
}

TEST(MediaTempo, FromLengthAndDelays)
{
    EXPECT_FLOAT_EQ(CMedia::TempoFromLength(3000, 8), 160.0f);
    EXPECT_FLOAT_EQ(CMedia::TempoFromLength(1000, 2), 120.0f);
    EXPECT_FLOAT_EQ(CMedia::TempoFromLength(2000, 3), 90.0f);
    EXPECT_FLOAT_EQ(CMedia::TempoFromLength(1000, 5), 100.0f);  // 300 is out of range
    EXPECT_FLOAT_EQ(CMedia::TempoFromLength(0, 4), 100.0f);
    EXPECT_EQ(CMedia::DelayFromText("", 120.0f), 500);
    EXPECT_EQ(CMedia::DelayFromText("4", 120.0f), 2000);
    EXPECT_EQ(CMedia::DelayFromText("4", 0.0f), 2400);
    EXPECT_EQ(CMedia::DelayFromText("300", 120.0f), 300);
    EXPECT_EQ(CMedia::DelayFromText("20000", 120.0f), 0);
    EXPECT_EQ(CMedia::DelayFromText("0.05", 120.0f), 0);
}

template <class T>
std::unique_ptr<T> RoundTrip(T& medium, std::vector<uint8_t>* bytesOut = nullptr)
{
    CArchive out;
    out.WriteObject(&medium);
    if (bytesOut) {
        *bytesOut = out.Bytes();
    }
    CArchive in(out.Bytes(), CSongFile::Classes());
    auto loaded = in.ReadNewObject<T>();
    EXPECT_EQ(in.Remaining(), 0u);
    return loaded;
}

TEST(MediaRecord, OptionsSurviveOnlyThroughFlagsAndPairsThroughTheirText)
{
    CSamples m;
    m.optionA = true;
    m.optionC = true;
    m.pairs = {{5, "five"}, {-2, "minus two"}};
    m.tempo = 90.0f;
    m.tempoPercent = 10.0;
    auto loaded = RoundTrip(m);
    EXPECT_TRUE(loaded->optionA);
    EXPECT_FALSE(loaded->optionB);
    EXPECT_TRUE(loaded->optionC);
    EXPECT_EQ(loaded->flags & 0xE0, CMedia::kFlagOptionA | CMedia::kFlagOptionC);
    EXPECT_EQ(loaded->pairs, m.pairs);
    EXPECT_EQ(loaded->pairsText, "5\tfive\n-2\tminus two\n");
    EXPECT_FLOAT_EQ(loaded->effectiveTempo, 99.0f);
    EXPECT_EQ(loaded->kind, CMedia::kKindSample);
}

TEST(MediaRecord, PairsTextRulesOnLoad)
{
    // A record whose texts are all empty has its pairs text at a fixed place: after the
    // 14-byte class header, the id, four texts, 20 bytes of numbers, the dropped text,
    // seven integers and three more texts.
    CSamples m;
    CArchive out;
    out.WriteObject(&m);
    std::vector<uint8_t> bytes = out.Bytes();
    const size_t pairsAt = 14 + 4 + 4 + 20 + 1 + 28 + 3;
    ASSERT_EQ(bytes[pairsAt], 0);
    const std::string text = " 1\tblank first\n7\t" + std::string(150, 'x') + "\n42\tanswer";
    bytes[pairsAt] = static_cast<uint8_t>(text.size());
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(pairsAt + 1), text.begin(), text.end());

    CArchive in(bytes, CSongFile::Classes());
    auto loaded = in.ReadNewObject<CSamples>();
    ASSERT_EQ(loaded->pairs.size(), 3u);
    EXPECT_EQ(loaded->pairs[0], (std::pair<int32_t, std::string>{-1, ""}));  // begins with a blank
    EXPECT_EQ(loaded->pairs[1].first, 7);
    EXPECT_EQ(loaded->pairs[1].second, std::string(100, 'x'));  // at most 100 characters
    EXPECT_EQ(loaded->pairs[2], (std::pair<int32_t, std::string>{42, "answer"}));
}

TEST(MediaRecord, SchemaOneHasNoFormatInfo)
{
    CSamples m;
    m.formatInfo = {1, 3, 1, 16, 0, 0xF4, 1, 0};
    m.fileTime = 12345;
    m.filePath = "/nonexistent/file.wav";
    std::vector<uint8_t> bytes;
    RoundTrip(m, &bytes);
    // Rewrite as an older record: schema word 1 and the 8 format bytes removed.
    ASSERT_EQ(bytes[2], 2);
    bytes[2] = 1;
    // The format bytes come right before the two fades (32 bytes) and the sample's own
    // tail (stretch fields, duplicates and envelope count: 20 bytes).
    const size_t formatAt = bytes.size() - 20 - 32 - 8;
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(formatAt),
                bytes.begin() + static_cast<std::ptrdiff_t>(formatAt + 8));
    CArchive in(bytes, CSongFile::Classes());
    auto loaded = in.ReadNewObject<CSamples>();
    EXPECT_EQ(loaded->formatInfo, (std::array<uint8_t, 8>{}));
    EXPECT_EQ(loaded->FormatText(), "");
    EXPECT_EQ(loaded->fileTime, 0);  // the file is not there
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(MediaRecord, SampleStretchModeAndEnvelopes)
{
    CSamples m;
    m.stretchMode = 3;
    auto nine = CEnvelope::Create(9);
    nine->SetOwnField(0, 111);
    nine->SetOwnField(1, 222);
    m.Attach(std::move(nine));
    auto seven = CEnvelope::Create(7);
    seven->SetOwnField(0, 5);
    seven->SetOwnField(2, 77);  // current: not stored
    m.Attach(std::move(seven));
    std::vector<uint8_t> bytes;
    auto loaded = RoundTrip(m, &bytes);
    EXPECT_EQ(loaded->stretchMode, 2);
    ASSERT_EQ(loaded->Attached().size(), 2u);
    EXPECT_EQ(loaded->Attached()[0]->OwnField(0), 111);
    EXPECT_EQ(loaded->Attached()[0]->OwnField(1), 222);
    EXPECT_EQ(loaded->Attached()[1]->OwnField(0), 5);
    EXPECT_EQ(loaded->Attached()[1]->OwnField(1), 1);  // bounce default
    EXPECT_EQ(loaded->Attached()[1]->OwnField(2), 0);
    // The tail: ... count 2, type 9 (20 bytes + b, a), type 7 (20 bytes + step, bounce).
    const size_t tail = 4 + (20 + 8) + (20 + 8);
    const uint8_t* t = bytes.data() + bytes.size() - tail;
    EXPECT_EQ(t[0], 2);
    EXPECT_EQ(t[4], 9);
    EXPECT_EQ(t[24] | t[25] << 8, 222);  // stored second first
    EXPECT_EQ(t[28] | t[29] << 8, 111);
}

TEST(MediaRecord, UnknownEnvelopeTypeIsADamagedFile)
{
    CSamples m;
    m.Attach(CEnvelope::Create(22));
    std::vector<uint8_t> bytes;
    RoundTrip(m, &bytes);
    bytes[bytes.size() - 20] = 42;  // the envelope's type
    CArchive in(bytes, CSongFile::Classes());
    EXPECT_THROW(in.ReadNewObject<CSamples>(), CArchiveException);
    EXPECT_EQ(CEnvelope::Create(10), nullptr);
    EXPECT_EQ(CEnvelope::Create(0), nullptr);
}

TEST(MediaRecord, EnvelopeCopyKeepsItsOwnTypeAndEnabled)
{
    auto source = CEnvelope::Create(4);
    source->SetEnabled(0);
    source->period = 2.0f;
    source->runValues[5] = 1;
    source->SetOwnField(3, 9);
    auto target = CEnvelope::Create(4);
    target->CopyFrom(*source);
    EXPECT_EQ(target->Enabled(), 1);
    EXPECT_EQ(target->period, 2.0f);
    EXPECT_EQ(target->runValues[5], 1);
    EXPECT_EQ(target->OwnField(3), 9);
    EXPECT_EQ(CEnvelope::Create(8)->Enabled(), 0);
    EXPECT_EQ(CEnvelope::Create(5)->OwnField(0), -12);
}

TEST(MediaRecord, MusicCountsMarkersAndMidiStoresAtMostSixteenInstruments)
{
    CMusic music;
    music.markers = {1, 2, 3};
    music.kind = 99;
    auto loadedMusic = RoundTrip(music);
    EXPECT_EQ(loadedMusic->markerCount, 3);
    EXPECT_EQ(loadedMusic->kind, CMedia::kKindMusic);

    CMidiMedia midi;
    midi.instrumentCount = 20;
    for (int i = 0; i < CMidiMedia::kMaxInstruments; ++i) {
        midi.instruments[static_cast<size_t>(i)].values[0] = i + 1;
    }
    midi.kind = 1;
    std::vector<uint8_t> bytes;
    auto loadedMidi = RoundTrip(midi, &bytes);
    EXPECT_EQ(loadedMidi->instrumentCount, 20);
    EXPECT_EQ(loadedMidi->instruments[15].values[0], 16);
    EXPECT_EQ(loadedMidi->kind, CMedia::kKindMidi);
    EXPECT_EQ(loadedMidi->setting1, 1);
    CMidiMedia fresh;
    EXPECT_EQ(fresh.setting1, 1);
    EXPECT_EQ(fresh.kind, CMedia::kKindMidi);
}

TEST(MediaRecord, FadesKeepTheirStoredOrder)
{
    CFade fade(1, 200, 7, 8);
    fade.current = 55;
    fade.remaining = 9;
    CArchive out;
    fade.Store(out);
    const std::vector<uint8_t> expected = {7, 0, 0, 0, 200, 0, 0, 0, 1, 0, 0, 0, 8, 0, 0, 0};
    EXPECT_EQ(out.Bytes(), expected);
    CFade copy(0, 0, 0, 0);
    copy.remaining = 4;
    copy = fade;
    EXPECT_EQ(copy.current, 55);
    EXPECT_EQ(copy.remaining, 4);  // not copied
}

}  // namespace
}  // namespace tessaron
