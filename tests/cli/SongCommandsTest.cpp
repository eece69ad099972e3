#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <fstream>
#include <iterator>

#include "audiofile/CWaveReader.h"
#include "cli/Commands.h"
#include "cli/DemoSong.h"
#include "cli/SongJson.h"
#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "support/SongFixtures.h"
#include "support/TempDir.h"

namespace tessaron::cli {
namespace {

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

class SongCommands : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(SongCommands, DumpBuildResaveKeepsEveryStoredField)
{
    auto song = test::MakeFullSong();
    ASSERT_TRUE(CSongFile::Save(*song, dir.file("full.tsn")).ok());

    // dump -> build reproduces the file byte for byte.
    CChordwayDoc read;
    ASSERT_TRUE(CSongFile::Read(read, dir.file("full.tsn"), CSongFile::ReadMode::AsStored).ok());
    WriteText(dir.file("full.json"), SongToJson(read).dump(2));
    ASSERT_EQ(RunBuild({dir.file("full.json"), dir.file("built.tsn")}), 0);
    EXPECT_EQ(ReadFile(dir.file("built.tsn")), ReadFile(dir.file("full.tsn")));

    // resave opens as the program does and saves again: nothing changes.
    ASSERT_EQ(RunResave({dir.file("built.tsn"), dir.file("resaved.tsn")}), 0);
    EXPECT_EQ(ReadFile(dir.file("resaved.tsn")), ReadFile(dir.file("built.tsn")));
}

TEST_F(SongCommands, JsonKeepsOddValuesExactly)
{
    CChordwayDoc doc;
    auto song = test::MakeFullSong();
    song->SetStoredTempo(std::numeric_limits<float>::quiet_NaN());
    song->MediumAt(0)->name = std::string("\x01\xFF\x80 caf\xE9", 8);
    song->MediumAt(0)->tempo = 1.0f / 3.0f;
    song->EventAt(0)->SetType(0xFFFF8001u);
    const auto json = SongToJson(*song);
    const auto text = json.dump();  // must be valid UTF-8
    SongFromJson(nlohmann::ordered_json::parse(text), doc);
    EXPECT_EQ(doc.MediumAt(0)->name, song->MediumAt(0)->name);
    EXPECT_EQ(doc.MediumAt(0)->tempo, 1.0f / 3.0f);
    EXPECT_TRUE(std::isnan(doc.Tempo()));
    EXPECT_EQ(doc.EventAt(0)->Type(), 0xFFFF8001u);
    EXPECT_EQ(doc.EventAt(0)->Medium(), doc.MediumAt(0));
}

TEST_F(SongCommands, BuildRefusesBrokenJsonWithAClearError)
{
    auto song = test::MakeFullSong();
    const auto good = SongToJson(*song);
    struct Case {
        const char* what;
        std::string text;
    };
    auto missing = good;
    missing["media"][0].erase("volume");
    auto wrongType = good;
    wrongType["events"][0]["start"] = "soon";
    auto unknownClass = good;
    unknownClass["media"][1]["class"] = "CVideo";
    auto badEnvelope = good;
    badEnvelope["media"][0]["envelopes"][0]["fields"] = nlohmann::ordered_json::array({1});
    auto wideText = good;
    wideText["media"][0]["name"] = "\xE2\x82\xAC";  // the euro sign has no single byte
    const std::vector<Case> cases = {
        {"not JSON", "{\"format\": "},
        {"not a song", "{\"format\": \"other\"}"},
        {"missing field", missing.dump()},
        {"wrong type", wrongType.dump()},
        {"unknown class", unknownClass.dump()},
        {"envelope fields", badEnvelope.dump()},
        {"wide text", wideText.dump()},
    };
    for (const Case& c : cases) {
        WriteText(dir.file("bad.json"), c.text);
        EXPECT_EQ(RunBuild({dir.file("bad.json"), dir.file("bad.tsn")}), 1) << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir.file("bad.tsn"))) << c.what;
    }
    EXPECT_EQ(RunBuild({dir.file("absent.json"), dir.file("bad.tsn")}), 1);
    EXPECT_EQ(RunBuild({dir.file("only-one")}), 2);
}

TEST_F(SongCommands, DemoSongOpensAndItsLoopsAreRealAudio)
{
    ASSERT_EQ(WriteDemoSong(dir.file("demo")), "");
    CChordwayDoc doc;
    ASSERT_TRUE(CSongFile::Open(doc, dir.file("demo/demo.tsn")).ok());
    ASSERT_EQ(doc.MediaCount(), 3);
    EXPECT_EQ(doc.SongLength(), 64);
    EXPECT_EQ(doc.EventCount(), 4);
    for (int i = 0; i < doc.MediaCount(); ++i) {
        CWaveReader reader;
        ASSERT_TRUE(reader.OpenForRead(doc.MediumAt(i)->filePath)) << doc.MediumAt(i)->filePath;
        std::vector<int16_t> pcm(static_cast<size_t>(doc.MediumAt(i)->dataSize / 2));
        ASSERT_EQ(reader.Read(pcm.data(), doc.MediumAt(i)->dataSize), doc.MediumAt(i)->dataSize);
        int peak = 0;
        for (int16_t v : pcm) {
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        }
        EXPECT_GT(peak, 8000) << doc.MediumAt(i)->name;   // audible, not silence
        EXPECT_LT(peak, 16500) << doc.MediumAt(i)->name;  // with room for the others
    }
    // The demo is the same on every run.
    ASSERT_EQ(WriteDemoSong(dir.file("again")), "");
    EXPECT_EQ(ReadFile(dir.file("again/bass.wav")), ReadFile(dir.file("demo/bass.wav")));
}

TEST_F(SongCommands, ResaveRefusesWhatIsNotASong)
{
    WriteText(dir.file("notes.txt"), "hello");
    EXPECT_EQ(RunResave({dir.file("notes.txt"), dir.file("out.tsn")}), 1);
    WriteText(dir.file("fake.tsn"), "hello");
    EXPECT_EQ(RunResave({dir.file("fake.tsn"), dir.file("out.tsn")}), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.tsn")));
}

}  // namespace
}  // namespace tessaron::cli

namespace tessaron::cli {
namespace {

double Rms(const std::vector<int16_t>& stereo, double fromSeconds, double toSeconds)
{
    const auto from = static_cast<size_t>(fromSeconds * 44100) * 2;
    const auto to = static_cast<size_t>(toSeconds * 44100) * 2;
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
        sum += static_cast<double>(stereo[i]) * stereo[i];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

TEST(RenderCommand, DemoSongRendersWithEachPartInItsPlace)
{
    test::TempDir dir;
    ASSERT_EQ(WriteDemoSong(dir.file("demo")), "");
    ASSERT_EQ(RunRender({dir.file("demo/demo.tsn"), dir.file("demo.wav")}), 0);
    CWaveReader reader;
    ASSERT_TRUE(reader.OpenForRead(dir.file("demo.wav")));
    EXPECT_EQ(reader.GetDataSize(), 32 * 44100 * 4);  // sixteen bars at 120 BPM
    std::vector<int16_t> out(static_cast<size_t>(reader.GetDataSize() / 2));
    ASSERT_EQ(reader.Read(out.data(), reader.GetDataSize()), reader.GetDataSize());
    EXPECT_LT(*std::max_element(out.begin(), out.end()), 32767);  // never clipped
    EXPECT_GT(*std::min_element(out.begin(), out.end()), -32767);
    // Drums alone, then bass, then the pad join: each entry makes the mix louder.
    const double drums = Rms(out, 0.5, 3.5);
    const double withBass = Rms(out, 4.5, 7.5);
    const double withPad = Rms(out, 10.0, 14.0);
    EXPECT_GT(drums, 500.0);
    EXPECT_GT(withBass, drums * 1.2);
    EXPECT_GT(withPad, withBass);
    // The drums are turned down for the last four bars, after the others have stopped.
    EXPECT_LT(Rms(out, 28.5, 31.5), drums * 0.5);

    ASSERT_EQ(RunRender({dir.file("demo/demo.tsn"), dir.file("mono.wav"), "--mono", "--end", "2.1.0"}), 0);
    CWaveReader mono;
    ASSERT_TRUE(mono.OpenForRead(dir.file("mono.wav")));
    EXPECT_EQ(mono.GetDataSize(), 2 * 44100 * 2);  // one bar, 2 s, mono
    EXPECT_EQ(RunRender({dir.file("demo/demo.tsn")}), 2);
}

}  // namespace
}  // namespace tessaron::cli
