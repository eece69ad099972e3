#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>

#include "framework/CArchive.h"
#include "framework/CNoticeRecorder.h"
#include "framework/CProgressRecorder.h"
#include "media/CSamples.h"
#include "midi/CMidiMedia.h"
#include "music/CMusic.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "support/SongFixtures.h"
#include "support/TempDir.h"

namespace tessaron {
namespace {

std::vector<uint8_t> StoreSong(CChordwayDoc& doc)
{
    CArchive ar;
    CSongFile::Store(doc, ar);
    return ar.Bytes();
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t at, size_t count)
{
    return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                bytes.begin() + static_cast<std::ptrdiff_t>(at + count));
}

std::vector<uint8_t> Tag(uint16_t schema, const std::string& name)
{
    CArchive ar;
    ar.WriteWord(0xFFFF);
    ar.WriteWord(schema);
    ar.WriteWord(static_cast<uint16_t>(name.size()));
    ar.WriteBytes(name.data(), name.size());
    return ar.Bytes();
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(SongFile, OneSampleAndNoEventsLayout)
{
    CChordwayDoc doc;
    doc.InsertMedium(0, std::make_unique<CSamples>());
    const auto bytes = StoreSong(doc);
    EXPECT_EQ(Slice(bytes, 0, 9), (std::vector<uint8_t>{8, 'T', 'e', 's', 's', 'a', 'r', 'o', 'n'}));
    EXPECT_EQ(Slice(bytes, 9, 4), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(Slice(bytes, 13, 14), Tag(2, "CSamples"));

    // The settings tail: twelve integers, one byte, one float.
    ASSERT_GT(bytes.size(), 53u + 4u);
    const size_t tail = bytes.size() - 53;
    EXPECT_EQ(Slice(bytes, tail - 4, 4), (std::vector<uint8_t>{0, 0, 0, 0}));  // no events
    CArchive settings(std::span<const uint8_t>(bytes).subspan(tail), CSongFile::Classes());
    const int32_t expected[10] = {0, 0, 0, 0, 0, 1, 5, 0, 0, 4};
    for (int32_t value : expected) {
        EXPECT_EQ(settings.ReadInt(), value);
    }
    EXPECT_EQ(settings.ReadByte(), 4);
    EXPECT_EQ(settings.ReadInt(), 0);   // song position
    EXPECT_EQ(settings.ReadInt(), 20);  // grid zoom
    EXPECT_EQ(settings.ReadFloat(), 100.0f);
    EXPECT_EQ(settings.Remaining(), 0u);
}

TEST(SongFile, SecondSampleAndFirstEventTags)
{
    CChordwayDoc doc;
    CMedia* first = doc.InsertMedium(0, std::make_unique<CSamples>());
    doc.InsertMedium(1, std::make_unique<CSamples>());
    CAction action(CAction::kPlay, first, 0, -1, -10, 20);
    action.SetStart(0x01020304);
    action.SetDuration(500);
    action.SetReserved2(2);
    action.SetReserved3(3);
    action.Position() = CMesure(7, 0.5f);
    action.Length() = CMesure(1, 0.25f);
    doc.RecordAction(action);
    const auto bytes = StoreSong(doc);

    // Each medium's record has the same size, so the second starts right after the first.
    CArchive probe;
    probe.WriteObject(first);
    const size_t firstSize = probe.Bytes().size();
    EXPECT_EQ(Slice(bytes, 13 + firstSize, 2), (std::vector<uint8_t>{0x01, 0x80}));

    const size_t events = 13 + 2 * firstSize - 12;  // the second record lacks the 12-byte name
    EXPECT_EQ(Slice(bytes, events, 4), (std::vector<uint8_t>{1, 0, 0, 0}));
    int32_t mediumId;
    std::memcpy(&mediumId, bytes.data() + events + 4, 4);
    EXPECT_EQ(mediumId, first->mediumId);
    EXPECT_EQ(Slice(bytes, events + 8, 13), Tag(1, "CAction"));
    const size_t data = events + 8 + 13;
    EXPECT_EQ(bytes.size() - 53 - data, 54u);
    EXPECT_EQ(Slice(bytes, data, 4), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(Slice(bytes, data + 20, 4), (std::vector<uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(Slice(bytes, data + 28, 8), (std::vector<uint8_t>{3, 0, 0, 0, 2, 0, 0, 0}));  // reserved 3, then 2
    EXPECT_EQ(Slice(bytes, data + 36, 9), (std::vector<uint8_t>{7, 0, 0, 0, 0, 0, 0, 0x3F, 4}));
}

TEST(SongFile, StoreLoadStoreGivesTheSameBytes)
{
    auto doc = test::MakeFullSong();
    const auto first = StoreSong(*doc);

    CChordwayDoc loaded;
    CArchive in(first, CSongFile::Classes());
    ASSERT_EQ(CSongFile::Load(loaded, in, CSongFile::ReadMode::ForPlaying), CSongFile::Status::Ok);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(StoreSong(loaded), first);

    ASSERT_EQ(loaded.MediaCount(), 4);
    EXPECT_NE(dynamic_cast<CSamples*>(loaded.MediumAt(0)), nullptr);
    EXPECT_NE(dynamic_cast<CMusic*>(loaded.MediumAt(1)), nullptr);
    EXPECT_NE(dynamic_cast<CMidiMedia*>(loaded.MediumAt(2)), nullptr);
    EXPECT_EQ(static_cast<CSamples*>(loaded.MediumAt(0))->Attached().size(), 11u);
    ASSERT_EQ(loaded.EventCount(), 6);
    EXPECT_EQ(loaded.EventAt(0)->Medium(), loaded.MediumAt(0));
    EXPECT_EQ(loaded.EventAt(4)->Medium(), nullptr);
    EXPECT_TRUE(loaded.EventAt(1)->IsSongAction());
    EXPECT_EQ(loaded.LoopEndMs(), 4000);
    EXPECT_EQ(loaded.BeatsPerBar(), 3);
}

TEST(SongFile, LoadFitsKeysAndResetsUnknownDevices)
{
    CChordwayDoc doc;
    auto sample = std::make_unique<CSamples>();
    sample->midiNote = 52;  // stored key 52 -> 40 -> 40 mod 24 + 12
    sample->deviceIndex = 3;
    doc.InsertMedium(0, std::move(sample));
    auto midi = std::make_unique<CMidiMedia>();
    midi->midiNote = 5;  // below 12: k = 0
    midi->deviceIndex = 1;
    doc.InsertMedium(1, std::move(midi));
    const auto bytes = StoreSong(doc);

    SongEnvironment env;
    env.audioDeviceCount = 2;
    env.midiOutputPortCount = 2;
    CChordwayDoc loaded(env);
    CArchive in(bytes, CSongFile::Classes());
    ASSERT_EQ(CSongFile::Load(loaded, in, CSongFile::ReadMode::ForPlaying), CSongFile::Status::Ok);
    EXPECT_EQ(loaded.MediumAt(0)->midiNote, 28);
    EXPECT_EQ(loaded.MediumAt(0)->deviceIndex, 0);
    EXPECT_EQ(loaded.MediumAt(1)->midiNote, 12);
    EXPECT_EQ(loaded.MediumAt(1)->deviceIndex, 1);

    CChordwayDoc asStored;
    CArchive again(bytes, CSongFile::Classes());
    ASSERT_EQ(CSongFile::Load(asStored, again, CSongFile::ReadMode::AsStored), CSongFile::Status::Ok);
    EXPECT_EQ(asStored.MediumAt(0)->midiNote, 52);
    EXPECT_EQ(asStored.MediumAt(0)->deviceIndex, 3);
}

class SongFileOnDisk : public ::testing::Test {
protected:
    SongFileOnDisk() : doc(SongEnvironment{nullptr, &notices, &progress})
    {
        original = test::MakeFullSong();
        goodPath = dir.file("good.tsn");
        EXPECT_TRUE(CSongFile::Save(*original, goodPath).ok());
        goodBytes = ReadFile(goodPath);
    }

    // Puts a song in `doc` that a failed open must leave alone.
    void OpenGood() { ASSERT_TRUE(CSongFile::Open(doc, goodPath).ok()); }

    test::TempDir dir;
    CNoticeRecorder notices;
    CProgressRecorder progress;
    CChordwayDoc doc;
    std::unique_ptr<CChordwayDoc> original;
    std::string goodPath;
    std::vector<uint8_t> goodBytes;
};

TEST_F(SongFileOnDisk, OpenResetsThePositionAndComputesTheLength)
{
    original->SetStoredSongPosition(3);
    ASSERT_TRUE(CSongFile::Save(*original, goodPath).ok());
    OpenGood();
    EXPECT_EQ(doc.SongPosition(), 0);
    EXPECT_EQ(doc.Clock().clock, 0);
    EXPECT_EQ(doc.SongLength(), 17);  // the music event ends at 8500 ms at 120
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(notices.notices.empty());
}

TEST_F(SongFileOnDisk, WrongMagicAndEmptySongWarnAndKeepTheCurrentSong)
{
    OpenGood();
    auto wrongMagic = goodBytes;
    wrongMagic[1] = 't';
    WriteFile(dir.file("magic.tsn"), wrongMagic);
    EXPECT_EQ(CSongFile::Open(doc, dir.file("magic.tsn")).status, CSongFile::Status::WrongMagic);
    ASSERT_EQ(notices.notices.size(), 1u);
    EXPECT_EQ(notices.notices[0].icon, NoticeIcon::Exclamation);

    CChordwayDoc empty;
    ASSERT_TRUE(CSongFile::Save(empty, dir.file("empty.tsn")).ok());
    EXPECT_EQ(CSongFile::Open(doc, dir.file("empty.tsn")).status, CSongFile::Status::NoData);
    ASSERT_EQ(notices.notices.size(), 2u);
    EXPECT_EQ(notices.notices[1].text, "File without data");
    EXPECT_EQ(doc.MediaCount(), 4);
    EXPECT_EQ(doc.EventCount(), 6);
}

TEST_F(SongFileOnDisk, PathsWithoutTheExtensionTextAreRefusedSilently)
{
    WriteFile(dir.file("song.bin"), goodBytes);
    EXPECT_EQ(CSongFile::Open(doc, dir.file("song.bin")).status, CSongFile::Status::NotASongPath);
    EXPECT_TRUE(notices.notices.empty());
    EXPECT_EQ(CSongFile::Open(doc, dir.file("missing.tsn")).status, CSongFile::Status::CannotRead);
}

TEST_F(SongFileOnDisk, EveryTruncationIsAClearErrorAndKeepsTheCurrentSong)
{
    OpenGood();
    const auto before = StoreSong(doc);
    const std::string path = dir.file("cut.tsn");
    for (size_t size = 0; size < goodBytes.size(); ++size) {
        WriteFile(path, Slice(goodBytes, 0, size));
        const auto result = CSongFile::Open(doc, path);
        ASSERT_FALSE(result.ok()) << size;
        ASSERT_FALSE(result.error.empty());
    }
    EXPECT_EQ(StoreSong(doc), before);

    // Reading straight into a document leaves it empty after the error.
    CChordwayDoc target;
    WriteFile(path, Slice(goodBytes, 0, goodBytes.size() / 2));
    EXPECT_EQ(CSongFile::Read(target, path, CSongFile::ReadMode::ForPlaying).status, CSongFile::Status::Damaged);
    EXPECT_EQ(target.MediaCount(), 0);
    EXPECT_EQ(target.EventCount(), 0);
}

TEST_F(SongFileOnDisk, DamagedTagsClassesSchemasAndCounts)
{
    struct Damage {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> apply;
    };
    const auto replaceAll = [](std::vector<uint8_t>& bytes, const std::string& from, const std::string& to) {
        auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
        ASSERT_NE(at, bytes.end());
        std::copy(to.begin(), to.end(), at);
    };
    const auto actionTag = [](std::vector<uint8_t>& bytes) {
        const std::string name = "CAction";
        return static_cast<size_t>(std::search(bytes.begin(), bytes.end(), name.begin(), name.end()) - bytes.begin());
    };
    const std::vector<Damage> damages = {
        {"unknown class", [&](auto& b) { replaceAll(b, "CSamples", "CSamplez"); }},
        {"action schema 2", [&](auto& b) { b[actionTag(b) - 4] = 2; }},
        {"class index never stored", [&](auto& b) { b[13] = 0x09; b[14] = 0x80; }},
        {"reference instead of a medium", [&](auto& b) { b[13] = 0x01; b[14] = 0x00; }},
        {"null medium", [&](auto& b) { b[13] = 0; b[14] = 0; }},
        {"huge media count", [&](auto& b) { b[12] = 0x7F; }},
        {"negative media count", [&](auto& b) { b[12] = 0xFF; }},
        {"huge name length", [&](auto& b) { b[13 + 14 + 4] = 0xFF; b[13 + 14 + 5] = 0xFF; b[13 + 14 + 6] = 0xFF; }},
        {"class name length too long", [&](auto& b) { b[17] = 0xFF; }},
    };
    const std::string path = dir.file("damaged.tsn");
    for (const Damage& damage : damages) {
        auto bytes = goodBytes;
        damage.apply(bytes);
        WriteFile(path, bytes);
        CChordwayDoc target;
        const auto result = CSongFile::Read(target, path, CSongFile::ReadMode::ForPlaying);
        EXPECT_EQ(result.status, CSongFile::Status::Damaged) << damage.what;
        EXPECT_NE(result.error.find("damaged"), std::string::npos) << damage.what;
        EXPECT_EQ(target.MediaCount(), 0) << damage.what;
    }
}

TEST_F(SongFileOnDisk, SaveReplacesThroughATemporaryFile)
{
    const auto permissionsBefore = std::filesystem::status(goodPath).permissions();
    original->SetTempo(133.0f);
    ASSERT_TRUE(CSongFile::Save(*original, goodPath).ok());
    EXPECT_NE(ReadFile(goodPath), goodBytes);
    EXPECT_EQ(std::filesystem::status(goodPath).permissions(), permissionsBefore);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);  // no temporary file left behind

    // A save that cannot complete leaves the previous file as it was.
    const auto saved = ReadFile(goodPath);
    std::filesystem::create_directory(dir.file("taken.tsn"));
    std::filesystem::create_directory(dir.file("taken.tsn/inside"));
    EXPECT_FALSE(CSongFile::Save(*original, dir.file("taken.tsn")).ok());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.tsn/inside")));
    EXPECT_FALSE(CSongFile::Save(*original, dir.file("no/such/folder/x.tsn")).ok());
    EXPECT_EQ(ReadFile(goodPath), saved);
}

TEST_F(SongFileOnDisk, AutoLoadShowsProgressAndStopsOnCancel)
{
    class CountingLoader : public IMediaLoader {
    public:
        bool OpenMedium(CMedia& medium, float tempo) override
        {
            EXPECT_EQ(tempo, 120.0f);
            medium.loaded = 1;
            return ++loads > 0;
        }
        int loads = 0;
    } loader;
    doc.Environment().settings.autoLoad = true;
    doc.Environment().loader = &loader;
    progress.cancelAt = 3;
    OpenGood();
    EXPECT_EQ(progress.title, "Load a song");
    EXPECT_EQ(progress.upper, 4);
    EXPECT_EQ(loader.loads, 2);  // the music medium opens its stream too, without using sample memory
    EXPECT_EQ(doc.MemoryUsed(), 352800);
    EXPECT_TRUE(progress.ended);
    ASSERT_GE(progress.messages.size(), 1u);
    EXPECT_EQ(progress.messages[0], "Load medium 1");
}

}  // namespace
}  // namespace tessaron
