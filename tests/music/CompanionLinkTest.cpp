#include <gtest/gtest.h>

#include <cstring>

#include <sys/stat.h>
#include <sys/un.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "MusicFixtures.h"
#include "framework/CNoticeRecorder.h"
#include "media/CSamples.h"
#include "song/CCompanionLink.h"
#include "music/CLinkServer.h"
#include "music/LinkRecords.h"
#include "song/CChordwayDoc.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kRate = 44100;

link::AddSampleRecord SampleRecord(const std::string& path)
{
    link::AddSampleRecord record;
    record.name = "handed";
    record.path = path;
    record.startOffset = 100;
    record.duration = 900;
    record.tempo = 126.5f;
    record.tempoPercent = 4.0;
    record.volume = -200;
    record.pan = 300;
    record.dataSize = int32_t(kRate * 4);
    for (size_t i = 0; i < record.envelope2.size(); ++i) {
        record.envelope2[i] = uint8_t(i + 1);
    }
    return record;
}

TEST(LinkRecords, RoundTripEveryField)
{
    const auto sample = SampleRecord("/music/loop.wav");
    const auto bytes = link::Encode(sample);
    ASSERT_EQ(bytes.size(), 620u);
    EXPECT_EQ(bytes[584], uint8_t(kRate * 4));  // little-endian data size at its place
    const auto back = link::DecodeAddSample(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, "handed");
    EXPECT_EQ(back->path, "/music/loop.wav");
    EXPECT_EQ(back->startOffset, 100);
    EXPECT_EQ(back->duration, 900);
    EXPECT_EQ(back->tempo, 126.5f);
    EXPECT_EQ(back->tempoPercent, 4.0);
    EXPECT_EQ(back->volume, -200);
    EXPECT_EQ(back->pan, 300);
    EXPECT_EQ(back->dataSize, int32_t(kRate * 4));
    EXPECT_EQ(back->envelope2, sample.envelope2);

    link::CutFramesRecord cut{"base", "/music/track.mp3", 1500, 120.0f, 4, 7, -3.5, 9};
    const auto cutBytes = link::Encode(cut);
    ASSERT_EQ(cutBytes.size(), 540u);
    const auto cutBack = link::DecodeCutFrames(cutBytes);
    ASSERT_TRUE(cutBack);
    EXPECT_EQ(cutBack->name, "base");
    EXPECT_EQ(cutBack->startMs, 1500);
    EXPECT_EQ(cutBack->tempo, 120.0f);
    EXPECT_EQ(cutBack->beatsPerFrame, 4);
    EXPECT_EQ(cutBack->frames, 7);
    EXPECT_EQ(cutBack->tempoPercent, -3.5);
    EXPECT_EQ(cutBack->option, 9);
}

// Every field at its place, laid out here by hand: companions already built depend on it.
TEST(LinkRecords, EveryFieldLiesAtItsPlace)
{
    auto sample = SampleRecord("/p.wav");
    sample.endOffset = 1200;
    sample.beats = 8;
    sample.loop = 1;
    for (size_t i = 0; i < sample.envelope1.size(); ++i) {
        sample.envelope1[i] = uint8_t(0xA0 + i);
    }
    std::vector<uint8_t> expected(620, 0);
    const auto put = [&expected](size_t at, uint64_t bits, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            expected[at + size_t(i)] = uint8_t(bits >> (8 * i));
        }
    };
    const auto floatBits = [](float v) { uint32_t b; std::memcpy(&b, &v, 4); return b; };
    const auto doubleBits = [](double v) { uint64_t b; std::memcpy(&b, &v, 8); return b; };
    std::memcpy(expected.data(), "handed", 6);
    std::memcpy(expected.data() + 256, "/p.wav", 6);
    std::memcpy(expected.data() + 564, sample.envelope1.data(), 28);
    put(512, 100, 4);
    put(516, 1200, 4);
    put(520, 900, 4);
    put(524, floatBits(126.5f), 4);
    put(528, 8, 4);
    put(536, doubleBits(4.0), 8);
    put(544, uint32_t(-200), 4);
    put(548, 300, 4);
    put(552, 1, 4);
    put(584, kRate * 4, 4);  // inside the first envelope block, over its bytes
    std::memcpy(expected.data() + 592, sample.envelope2.data(), 28);
    EXPECT_EQ(link::Encode(sample), expected);

    std::vector<uint8_t> cutExpected(540, 0);
    expected.swap(cutExpected);
    std::memcpy(expected.data(), "base", 4);
    std::memcpy(expected.data() + 256, "/t.mp3", 6);
    put(512, 1500, 4);
    put(516, floatBits(120.0f), 4);
    put(520, 4, 4);
    put(524, 7, 4);
    put(528, doubleBits(-3.5), 8);
    put(536, 9, 4);
    EXPECT_EQ(link::Encode(link::CutFramesRecord{"base", "/t.mp3", 1500, 120.0f, 4, 7, -3.5, 9}), expected);
    // And back: the envelope block keeps the data size's bytes as they came.
    const auto back = link::DecodeAddSample(link::Encode(sample));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->envelope1[20], uint8_t(kRate * 4));
    EXPECT_EQ(back->endOffset, 1200);
    EXPECT_EQ(back->beats, 8);
    EXPECT_EQ(back->loop, 1);
}

// Short, long and unterminated records are refused as a whole.
TEST(LinkRecords, RefuseMalformedRecords)
{
    auto bytes = link::Encode(SampleRecord("/a.wav"));
    EXPECT_FALSE(link::DecodeAddSample(std::span(bytes).first(bytes.size() - 1)));
    EXPECT_FALSE(link::DecodeAddSample(std::span(bytes).first(592)));
    auto longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(link::DecodeAddSample(longer));
    EXPECT_FALSE(link::DecodeAddSample({}));

    auto noNameEnd = bytes;
    std::fill(noNameEnd.begin(), noNameEnd.begin() + 256, uint8_t('a'));
    EXPECT_FALSE(link::DecodeAddSample(noNameEnd)) << "the name runs into the path";
    auto noPathEnd = bytes;
    std::fill(noPathEnd.begin() + 256, noPathEnd.begin() + 512, uint8_t('/'));
    EXPECT_FALSE(link::DecodeAddSample(noPathEnd));
    noPathEnd[511] = 0;
    EXPECT_TRUE(link::DecodeAddSample(noPathEnd)) << "a zero in the field's last byte ends it";

    const auto cut = link::Encode(link::CutFramesRecord{"b", "/t.mp3", 0, 120.0f, 4, 1, 0.0, 0});
    EXPECT_FALSE(link::DecodeCutFrames(std::span(cut).first(539)));
    EXPECT_FALSE(link::DecodeCutFrames(bytes));
    EXPECT_TRUE(link::Encode(link::CutFramesRecord{std::string(256, 'x'), "/t", 0, 1, 1, 1, 0, 0}).empty());
}

TEST(LinkRecords, FrameSizeFollowsTempoAndBeats)
{
    EXPECT_EQ(CCompanionLink::FrameBytes(120.0f, 4, 176400), 352800);
    EXPECT_EQ(CCompanionLink::FrameBytes(90.0f, 1, 176400) % 4, 0);
    EXPECT_EQ(CCompanionLink::FrameBytes(0.0f, 4, 176400), 0);
    EXPECT_EQ(CCompanionLink::FrameBytes(-1.0f, 4, 176400), 0);
    EXPECT_EQ(CCompanionLink::FrameBytes(120.0f, 0, 176400), 0);
    EXPECT_EQ(CCompanionLink::FrameBytes(0.0001f, 4, 176400), 0) << "larger than any medium";
}

class LinkCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        env.notice = &notices;
        env.settings.autoPlay = false;
        doc = std::make_unique<CChordwayDoc>(env);
        path = dir.file("loop.wav");
        pcm = SweepPcm(kRate, kRate);
        ASSERT_TRUE(WriteWav(path, WaveFormat::Pcm16(kRate, 2), pcm));
    }

    TempDir dir;
    CNoticeRecorder notices;
    SongEnvironment env;
    std::unique_ptr<CChordwayDoc> doc;
    std::string path;
    std::vector<uint8_t> pcm;
};

TEST_F(LinkCommands, AddSampleTakesTheRecordsSettings)
{
    CCompanionLink link(*doc);
    int heard = 0;
    link.SetAddedCallback([&](CMedia&) { ++heard; });
    ASSERT_EQ(link.Execute(link::kAddSample, link::Encode(SampleRecord(path))), CCompanionLink::Result::Done);
    ASSERT_EQ(doc->MediaCount(), 1);
    EXPECT_EQ(heard, 1);
    const CMedia& medium = *doc->MediumAt(0);
    EXPECT_EQ(medium.kind, CMedia::kKindSample);
    EXPECT_EQ(medium.name, "handed");
    EXPECT_EQ(medium.filePath, path);
    // 15 ms of latency at 176400 bytes/s: 2646 bytes, 2644 in whole steps, 14 ms.
    EXPECT_EQ(medium.startOffset, 100 + 14);
    EXPECT_EQ(medium.duration, 900);
    EXPECT_FLOAT_EQ(medium.tempo, 126.5f);
    EXPECT_EQ(medium.beatCount, 1) << "beats 0 reads as 1";
    EXPECT_EQ(medium.tempoPercent, 4.0);
    EXPECT_FLOAT_EQ(medium.effectiveTempo, 126.5f * 1.04f);
    EXPECT_EQ(medium.volume, -200);
    EXPECT_EQ(medium.pan, 300);
    EXPECT_TRUE(medium.IsLoop()) << "auto loop";
    EXPECT_FALSE(medium.IsHold());
    EXPECT_EQ(medium.midiNote, 12);
    EXPECT_EQ(medium.pcKey, '0');

    doc->Environment().settings.autoLoop = false;
    doc->Environment().settings.autoSustain = true;
    doc->Environment().settings.latency = 0;
    auto plain = SampleRecord(path);
    plain.startOffset = 0;
    plain.loop = 0;
    link.Execute(link::kAddSample, link::Encode(plain));
    ASSERT_EQ(doc->MediaCount(), 2);
    const CMedia& second = *doc->MediumAt(1);
    EXPECT_FALSE(second.IsLoop());
    EXPECT_TRUE(second.IsHold());
    EXPECT_EQ(second.startOffset, 0);
    EXPECT_EQ(second.midiNote, 13);
    EXPECT_EQ(second.pcKey, '1');
}

// The envelope blocks are the companion's: the medium keeps both exactly as they came in the
// frame (the first one with the data size inside it, as the record lays them out).
TEST_F(LinkCommands, AddSampleKeepsBothEnvelopeBlocksAsTheyCame)
{
    CCompanionLink link(*doc);
    auto record = SampleRecord(path);
    for (size_t i = 0; i < record.envelope1.size(); ++i) {
        record.envelope1[i] = uint8_t(0xA0 + i);
    }
    const std::vector<uint8_t> bytes = link::Encode(record);
    ASSERT_EQ(link.Execute(link::kAddSample, bytes), CCompanionLink::Result::Done);
    ASSERT_EQ(doc->MediaCount(), 1);
    const auto* sample = dynamic_cast<const CSamples*>(doc->MediumAt(0));
    ASSERT_NE(sample, nullptr);
    const auto& kept = sample->HandedEnvelopes();
    EXPECT_TRUE(std::equal(kept[0].begin(), kept[0].end(), bytes.begin() + 564));
    EXPECT_TRUE(std::equal(kept[1].begin(), kept[1].end(), bytes.begin() + 592));
    EXPECT_EQ(kept[1][0], 1);
    EXPECT_EQ(kept[1][27], 28);
    EXPECT_EQ(kept[0][0], 0xA0);
}

// With AUTOVOL the levels come from the piano key the new medium sits on; without the setting,
// or without a piano, from the record.
TEST_F(LinkCommands, AutoVolumeTakesThePianoKeysLevels)
{
    CCompanionLink link(*doc);
    std::vector<int32_t> askedKeys;
    bool pianoShown = true;
    link.SetKeyLevels([&](int32_t midiKey, int32_t& volume, int32_t& pan) {
        askedKeys.push_back(midiKey);
        if (!pianoShown) {
            return false;
        }
        volume = -150 - midiKey;
        pan = -400;
        return true;
    });
    doc->Environment().settings.autoVol = true;
    link.Execute(link::kAddSample, link::Encode(SampleRecord(path)));
    auto silentRecord = SampleRecord(path);
    silentRecord.volume = 0;  // not set: the piano's level still wins
    silentRecord.pan = 0;
    link.Execute(link::kAddSample, link::Encode(silentRecord));
    pianoShown = false;
    link.Execute(link::kAddSample, link::Encode(SampleRecord(path)));
    doc->Environment().settings.autoVol = false;
    pianoShown = true;
    link.Execute(link::kAddSample, link::Encode(SampleRecord(path)));

    ASSERT_EQ(doc->MediaCount(), 4);
    EXPECT_EQ(askedKeys, (std::vector<int32_t>{12, 13, 14})) << "asked for the key of each new medium, AUTOVOL on";
    EXPECT_EQ(doc->MediumAt(0)->volume, -162);
    EXPECT_EQ(doc->MediumAt(0)->pan, -400);
    EXPECT_EQ(doc->MediumAt(1)->volume, -163);
    EXPECT_EQ(doc->MediumAt(1)->pan, -400);
    EXPECT_EQ(doc->MediumAt(2)->volume, -200) << "no piano: the record's level";
    EXPECT_EQ(doc->MediumAt(2)->pan, 300);
    EXPECT_EQ(doc->MediumAt(3)->volume, -200) << "AUTOVOL off: the record's level";
    EXPECT_EQ(doc->MediumAt(3)->pan, 300);
}

// What the song refuses, or a file it cannot read, adds nothing, yet the record was sound.
TEST_F(LinkCommands, AddSampleLeavesTheSongAloneWhenItCannot)
{
    CCompanionLink link(*doc);
    auto big = SampleRecord(path);
    big.dataSize = env.settings.sizeSamplesMax + 1;
    EXPECT_EQ(link.Execute(link::kAddSample, link::Encode(big)), CCompanionLink::Result::Done);
    auto missing = SampleRecord(dir.file("gone.wav"));
    EXPECT_EQ(link.Execute(link::kAddSample, link::Encode(missing)), CCompanionLink::Result::Done);
    EXPECT_EQ(doc->MediaCount(), 0);

    auto bytes = link::Encode(SampleRecord(path));
    EXPECT_EQ(link.Execute(link::kAddSample, std::span(bytes).first(600)), CCompanionLink::Result::Refused);
    EXPECT_EQ(link.Execute(3, bytes), CCompanionLink::Result::Refused);
    EXPECT_EQ(link.Execute(link::kCutFrames, bytes), CCompanionLink::Result::Refused);
    EXPECT_EQ(doc->MediaCount(), 0);
}

// Tempo 120 and 4 beats make 2000 ms frames of 352800 bytes; a 5 s file gives two whole
// frames from 1 s on, and the third, which the file cannot fill, is not made.
TEST_F(LinkCommands, CutFramesWritesEachFrameAsASample)
{
    const std::string track = dir.file("track.wav");
    const auto music = SweepPcm(kRate, kRate * 5);
    ASSERT_TRUE(WriteWav(track, WaveFormat::Pcm16(kRate, 2), music));
    CCompanionLink link(*doc);
    const link::CutFramesRecord record{"riff", track, 1000, 120.0f, 4, 5, 2.0, 33};
    ASSERT_EQ(link.Execute(link::kCutFrames, link::Encode(record)), CCompanionLink::Result::Done);
    ASSERT_EQ(doc->MediaCount(), 2);
    for (int p = 0; p < 2; ++p) {
        const CMedia& medium = *doc->MediumAt(p);
        EXPECT_EQ(medium.name, "riff p" + std::to_string(p));
        const std::string file = dir.file("track p" + std::to_string(p) + ".wav");
        EXPECT_EQ(medium.filePath, file);
        EXPECT_EQ(medium.duration, 2000);
        EXPECT_EQ(medium.dataSize, 352800);
        EXPECT_FLOAT_EQ(medium.tempo, 120.0f);
        EXPECT_EQ(medium.beatCount, 4);
        EXPECT_EQ(medium.tempoPercent, 2.0);
        EXPECT_EQ(medium.extraValue2, 33);
        CWaveReader reader;
        ASSERT_TRUE(reader.Open(file, 0, 0));
        ASSERT_EQ(reader.LoadedSize(), 352800);
        const size_t from = (size_t(kRate) + size_t(p) * kRate * 2) * 4;
        EXPECT_EQ(std::memcmp(reader.Data(), music.data() + from, 352800), 0) << "frame " << p;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("track p2.wav")));

    const link::CutFramesRecord unreadable{"x", dir.file("none.mp3"), 0, 120.0f, 4, 2, 0.0, 0};
    EXPECT_EQ(link.Execute(link::kCutFrames, link::Encode(unreadable)), CCompanionLink::Result::Done);
    const link::CutFramesRecord noTempo{"x", track, 0, 0.0f, 4, 2, 0.0, 0};
    EXPECT_EQ(link.Execute(link::kCutFrames, link::Encode(noTempo)), CCompanionLink::Result::Done);
    EXPECT_EQ(doc->MediaCount(), 2);
}

class LinkServer : public ::testing::Test {
protected:
    std::string SocketPath() const { return dir.file("Tessaron Communication"); }

    TempDir dir;
    std::atomic<int> calls{0};
    CLinkServer server{[this](uint32_t command, std::span<const uint8_t> record) {
        ++calls;
        return command == 1 && record.size() == 3 ? 1u : 0u;
    }};
};

TEST_F(LinkServer, AnswersFramesOfItsUserOnly)
{
    ASSERT_TRUE(server.Start(SocketPath())) << server.Error();
    struct stat info {};
    ASSERT_EQ(::stat(SocketPath().c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const uint8_t record[3] = {1, 2, 3};
    uint32_t answer = 9;
    std::string error;
    ASSERT_TRUE(SendLinkFrame(SocketPath(), 1, record, answer, error)) << error;
    EXPECT_EQ(answer, 1u);
    ASSERT_TRUE(SendLinkFrame(SocketPath(), 2, record, answer, error));
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(calls.load(), 2);

    // A frame announcing more than any record is answered 0 and the connection dropped,
    // without the handler hearing of it.
    const std::vector<uint8_t> huge(8, 0xFF);
    ASSERT_TRUE(SendLinkFrame(SocketPath(), 1, std::vector<uint8_t>(link::kMaxRecordBytes + 1), answer, error));
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(calls.load(), 2);

    server.Stop();
    EXPECT_FALSE(std::filesystem::exists(SocketPath()));
    EXPECT_FALSE(SendLinkFrame(SocketPath(), 1, record, answer, error));
    EXPECT_NE(error.find("no Tessaron is listening"), std::string::npos);
}

TEST_F(LinkServer, ASecondInstanceLeavesTheFirstAlone)
{
    ASSERT_TRUE(server.Start(SocketPath()));
    CLinkServer second([](uint32_t, std::span<const uint8_t>) { return 1u; });
    EXPECT_FALSE(second.Start(SocketPath()));
    EXPECT_NE(second.Error().find("another Tessaron is listening"), std::string::npos);
    const uint8_t record[3] = {0, 0, 0};
    uint32_t answer = 0;
    std::string error;
    ASSERT_TRUE(SendLinkFrame(SocketPath(), 1, record, answer, error));
    EXPECT_EQ(calls.load(), 1) << "the first still answers";
}

TEST_F(LinkServer, TakesOverALeftOverSocketButNotOtherFiles)
{
    // A socket file nobody listens on, as a crashed instance leaves it.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, SocketPath().c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(server.Start(SocketPath())) << server.Error();
    server.Stop();

    WriteBytes(SocketPath(), Bytes(10, 1));
    EXPECT_FALSE(server.Start(SocketPath()));
    EXPECT_TRUE(std::filesystem::exists(SocketPath())) << "a plain file is never removed";
}

}  // namespace
}  // namespace tessaron::test
