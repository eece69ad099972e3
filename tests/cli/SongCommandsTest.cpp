#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <fstream>
#include <iterator>

#include "audiofile/CWaveReader.h"
#include "cli/Commands.h"
#include "framework/CArchive.h"
#include "cli/DemoSong.h"
#include "cli/SongJson.h"
#include "cli/TextBytes.h"
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

TEST_F(SongCommands, BuildRefusesWhatTheJsonCannotMeanNamingItsPath)
{
    auto song = test::MakeFullSong();
    const auto good = SongToJson(*song);
    using Json = nlohmann::ordered_json;
    struct Case {
        const char* path;  // the JSON path the refusal names
        std::function<void(Json&)> spoil;
    };
    const std::vector<Case> cases = {
        {"media[0].volume: is missing", [](Json& j) { j["media"][0].erase("volume"); }},
        {"events[0].start: \"soon\" is not a whole number", [](Json& j) { j["events"][0]["start"] = "soon"; }},
        {"media[1].class", [](Json& j) { j["media"][1]["class"] = "CVideo"; }},
        {"media[0].envelopes[0].fields", [](Json& j) { j["media"][0]["envelopes"][0]["fields"] = Json::array({1}); }},
        {"settings.beatsPerBar: -4 does not fit a byte", [](Json& j) { j["settings"]["beatsPerBar"] = -4; }},
        {"settings.tempo: \"\" is neither a number", [](Json& j) { j["settings"]["tempo"] = ""; }},
        {"media[0].volume: 3000000000 does not fit", [](Json& j) { j["media"][0]["volume"] = 3000000000LL; }},
        {"media[0].pan: 1.5 is not a whole number", [](Json& j) { j["media"][0]["pan"] = 1.5; }},
        {"media[0].backColour: -1 does not fit", [](Json& j) { j["media"][0]["backColour"] = -1; }},
        {"media[0].name: 12 is not a text", [](Json& j) { j["media"][0]["name"] = 12; }},
        {"media[0].formatInfo: needs 8 bytes", [](Json& j) { j["media"][0]["formatInfo"].erase(0); }},
        {"media[0].formatInfo[2]: 256", [](Json& j) { j["media"][0]["formatInfo"][2] = 256; }},
        {"media[0].pairs[0]: is not a pair", [](Json& j) { j["media"][0]["pairs"] = Json::array({Json::array({1})}); }},
        {"media[0].tempoPercent: \"0x12\"", [](Json& j) { j["media"][0]["tempoPercent"] = "0x12"; }},
        {"media[0].tempo: 1e+39 does not fit a 32-bit float", [](Json& j) { j["media"][0]["tempo"] = 1e39; }},
        {"settings.loopSong: 5 does not fit a flag", [](Json& j) { j["settings"]["loopSong"] = 5; }},
        {"events[0].position.beatsPerBar", [](Json& j) { j["events"][0]["position"]["beatsPerBar"] = "four"; }},
        {"media: a song without media does not open", [](Json& j) { j["media"] = Json::array(); j["events"] = Json::array(); }},
        {"settings: is not an object", [](Json& j) { j["settings"] = 3; }},
    };
    for (const Case& c : cases) {
        Json json = good;
        c.spoil(json);
        CChordwayDoc doc;
        try {
            SongFromJson(json, doc);
            ADD_FAILURE() << c.path << ": built";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
        }
        WriteText(dir.file("bad.json"), json.dump());
        EXPECT_EQ(RunBuild({dir.file("bad.json"), dir.file("bad.tsn")}), 1) << c.path;
        EXPECT_FALSE(std::filesystem::exists(dir.file("bad.tsn"))) << c.path;
    }
    WriteText(dir.file("bad.json"), "{\"format\": ");
    EXPECT_EQ(RunBuild({dir.file("bad.json"), dir.file("bad.tsn")}), 1);
    WriteText(dir.file("bad.json"), "{\"format\": \"other\"}");
    EXPECT_EQ(RunBuild({dir.file("bad.json"), dir.file("bad.tsn")}), 1);
    EXPECT_EQ(RunBuild({dir.file("absent.json"), dir.file("bad.tsn")}), 1);
    EXPECT_EQ(RunBuild({dir.file("only-one")}), 2);
}

// Values the reader takes as they are build too, with a warning, and come back unchanged.
TEST_F(SongCommands, BuildKeepsWhatTheReaderTakesAndWarns)
{
    auto song = test::MakeFullSong();
    auto json = SongToJson(*song);
    json["settings"]["tempo"] = 0;
    json["events"][0]["mediumId"] = 4242;
    CChordwayDoc doc;
    const auto warnings = SongFromJson(json, doc);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("events[0].mediumId: the song holds no medium 4242"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("settings.tempo"), std::string::npos) << warnings[1];
    EXPECT_EQ(doc.Tempo(), 0.0f);
    EXPECT_EQ(doc.EventAt(0)->Medium(), nullptr);

    WriteText(dir.file("odd.json"), json.dump());
    ASSERT_EQ(RunBuild({dir.file("odd.json"), dir.file("odd.tsn")}), 0);
    CChordwayDoc read;
    ASSERT_TRUE(CSongFile::Read(read, dir.file("odd.tsn"), CSongFile::ReadMode::AsStored).ok());
    WriteText(dir.file("again.json"), SongToJson(read).dump(2));
    ASSERT_EQ(RunBuild({dir.file("again.json"), dir.file("again.tsn")}), 0);
    EXPECT_EQ(ReadFile(dir.file("again.tsn")), ReadFile(dir.file("odd.tsn")));
}

// The stored bytes of a song built from JSON; refusals throw as build reports them.
std::vector<uint8_t> BuiltBytes(const nlohmann::ordered_json& json)
{
    CChordwayDoc doc;
    SongFromJson(json, doc);
    CArchive archive;
    CSongFile::Store(doc, archive);
    return archive.Bytes();
}

// Whatever build accepts, the reader opens; whatever the reader opens, dump then build keeps.
TEST_F(SongCommands, BuildMakesOnlySongsThatOpenAndKeepsEverySongThatOpens)
{
    for (const auto& seed : std::filesystem::directory_iterator(std::string(TESSARON_SOURCE_DIR) + "/fuzz/seeds/song_reader")) {
        CChordwayDoc doc;
        if (!CSongFile::Read(doc, seed.path().string(), CSongFile::ReadMode::AsStored).ok()) {
            continue;
        }
        // What the program itself would save; a file the program wrote is that byte for byte.
        CArchive stored;
        CSongFile::Store(doc, stored);
        EXPECT_EQ(BuiltBytes(SongToJson(doc)), stored.Bytes()) << seed.path();
        if (seed.path().filename() == "demo.tsn") {
            EXPECT_EQ(stored.Bytes(), ReadFile(seed.path().string()));
        }
    }

    using Json = nlohmann::ordered_json;
    auto song = test::MakeFullSong();
    const Json good = SongToJson(*song);
    std::vector<Json::json_pointer> leaves;
    const Json flat = good.flatten();
    for (const auto& [pointer, value] : flat.items()) {
        if (!value.is_null()) {  // null stands for an empty list or object
            leaves.emplace_back(pointer);
        }
    }
    const std::vector<Json> oddValues = {0, -1, 1, 255, 256, -4, INT32_MAX, INT32_MIN, 4294967295LL, 4294967296LL,
                                         1.5, 1e39, "", "0x7fc00000", "0x7ff8000000000000", "abc", "\xC3\xA9",
                                         true, nullptr, Json::array(), Json::object()};
    std::mt19937 random(7);
    int built = 0;
    for (int n = 0; n < 600; ++n) {
        Json json = good;
        for (int k = 0; k < 1 + static_cast<int>(random() % 3); ++k) {
            const Json::json_pointer& leaf = leaves[random() % leaves.size()];
            if (!json.contains(leaf)) {
                continue;  // a change before removed it
            }
            Json& parent = json.at(leaf.parent_pointer());
            if (random() % 8 == 0 && parent.is_object()) {
                parent.erase(leaf.back());
            } else {
                json.at(leaf) = oddValues[random() % oddValues.size()];
            }
        }
        const Json& changed = json;
        std::vector<uint8_t> bytes;
        try {
            bytes = BuiltBytes(json);
        } catch (const std::runtime_error&) {
            continue;  // refused, naming the value
        }
        ++built;
        CChordwayDoc read;
        CArchive archive(bytes, CSongFile::Classes());
        ASSERT_NO_THROW(ASSERT_EQ(CSongFile::Load(read, archive, CSongFile::ReadMode::AsStored), CSongFile::Status::Ok))
            << changed.dump();
        ASSERT_EQ(BuiltBytes(SongToJson(read)), bytes) << changed.dump();
    }
    EXPECT_GT(built, 100) << "most single changes are values the file can hold";
}

// File names typed in UTF-8 are stored as UTF-8; old 8-bit bytes come back exactly.
TEST_F(SongCommands, TextsShowAsUtf8AndKeepEveryByte)
{
    struct Case {
        std::string stored;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"plain.wav", "plain.wav"},
        {"d\xC3\xBC.wav", "d\xC3\xBC.wav"},                       // "dü" in UTF-8 shows as it is
        {"\xE6\x97\xA5\xE6\x9C\xAC.wav", "\xE6\x97\xA5\xE6\x9C\xAC.wav"},  // Japanese
        {"caf\xE9", "caf\xEF\x9F\xA9"},                           // Latin-1 0xE9 marked as U+F7E9
        {"\xE6\x97", "\xEF\x9F\xA6\xEF\x9E\x97"},                 // a character cut short
        {"\xEF\x9F\xA9", "\xEF\x9F\xAF\xEF\x9E\x9F\xEF\x9E\xA9"}, // a mark itself is marked byte by byte
        {"\xC0\xAF", "\xEF\x9F\x80\xEF\x9E\xAF"},                 // an overlong form is not UTF-8
        {"\xED\xA0\x80", "\xEF\x9F\xAD\xEF\x9E\xA0\xEF\x9E\x80"}, // nor is a surrogate
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BytesToJsonText(c.stored), c.shown) << c.stored;
        EXPECT_EQ(JsonTextToBytes(c.shown), c.stored) << c.stored;
    }
    std::mt19937 random(11);
    for (int n = 0; n < 2000; ++n) {
        std::string bytes(random() % 12, '\0');
        for (char& b : bytes) {
            b = static_cast<char>(random() % 3 == 0 ? 0xE0 + random() % 32 : random());
        }
        const std::string shown = BytesToJsonText(bytes);
        ASSERT_NO_THROW((void)nlohmann::json(shown).dump()) << "valid UTF-8";
        ASSERT_EQ(JsonTextToBytes(shown), bytes);
    }

    // A hand-typed UTF-8 name builds into the bytes of the file that exists.
    auto song = test::MakeFullSong();
    auto json = SongToJson(*song);
    json["media"][0]["filePath"] = "/m\xC3\xBCsic/d\xC3\xBC.wav";
    CChordwayDoc doc;
    SongFromJson(json, doc);
    EXPECT_EQ(doc.MediumAt(0)->filePath, "/m\xC3\xBCsic/d\xC3\xBC.wav");
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
