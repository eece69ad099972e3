#include <gtest/gtest.h>

#include <cstring>

#include "audiofile/CId3Tag.h"
#include "audiofile/GenreTable.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"

namespace tessaron {
namespace {

std::string TextAt(const CId3Tag::Record& record, size_t offset, size_t bytes)
{
    return std::string(reinterpret_cast<const char*>(record.data() + offset), bytes);
}

TEST(GenreTableTest, NamesAndTheSixExceptions)
{
    EXPECT_EQ(GenreName(0), "Blues");
    EXPECT_EQ(GenreName(12), "Other");
    EXPECT_EQ(GenreName(17), "Rock");
    EXPECT_EQ(GenreName(79), "Hard Rock");
    EXPECT_EQ(GenreName(80), "Folk");
    EXPECT_EQ(GenreName(123), "Acapella");
    EXPECT_EQ(GenreName(128), "Club House");
    EXPECT_EQ(GenreName(133), "NegerPunk");
    EXPECT_EQ(GenreName(136), "Christian Gangsta");
    EXPECT_EQ(GenreName(140), "Contemporary C");
    EXPECT_EQ(GenreName(147), "SynthPop");
    EXPECT_EQ(GenreName(148), "");
    EXPECT_EQ(GenreName(-1), "");
    for (int i = 0; i < kGenreCount; ++i) {
        EXPECT_FALSE(GenreName(i).empty()) << i;
        EXPECT_EQ(FindGenre(GenreName(i)), i) << GenreName(i);  // no name appears twice
    }
}

TEST(GenreTableTest, LookupRules)
{
    EXPECT_EQ(FindGenre("rock"), 17);
    EXPECT_EQ(FindGenre("HARD ROCK"), 79);
    EXPECT_EQ(FindGenre("Hard Rock Live"), 17);  // the first name it contains: "Rock" before "Hard Rock"
    EXPECT_EQ(FindGenre("Techno-Industrial"), 51);
    EXPECT_EQ(FindGenre(""), kGenreOther);
    EXPECT_EQ(FindGenre("nothing known"), kGenreOther);
}

TEST(Id3TagTest, RecordLayoutWithTempo)
{
    CId3Tag tag;
    tag.title = "A title that is longer than thirty bytes";
    tag.artist = "Artist";
    tag.album = "Album";
    tag.year = "19999";
    tag.comment = "A comment longer than twenty-five bytes";
    tag.genre = "rock";
    tag.tempo = 98.5f;
    const CId3Tag::Record record = tag.Encode();
    EXPECT_EQ(TextAt(record, 0, 3), "TAG");
    EXPECT_EQ(TextAt(record, 3, 30), "A title that is longer than th");
    EXPECT_EQ(TextAt(record, 33, 7), std::string("Artist\0", 7));
    EXPECT_EQ(TextAt(record, 93, 4), "1999");
    EXPECT_EQ(TextAt(record, 97, 25), "A comment longer than twe");
    EXPECT_EQ(TextAt(record, 122, 5), "098.5");
    EXPECT_EQ(record[127], 17);

    tag.tempo = 120.0f;
    EXPECT_EQ(TextAt(tag.Encode(), 122, 5), "120.0");
    // Six characters would run into the next file byte; five are kept.
    tag.tempo = 1234.5f;
    const CId3Tag::Record big = tag.Encode();
    EXPECT_EQ(TextAt(big, 122, 5), "1234.");
    EXPECT_EQ(big[127], 17);

    tag.tempo = 0.0f;
    EXPECT_EQ(TextAt(tag.Encode(), 97, 30), "A comment longer than twenty-f");
}

TEST(Id3TagTest, DecodeRules)
{
    CId3Tag tag;
    tag.title = "Title   ";
    tag.comment = "Note";
    tag.tempo = 98.5f;
    CId3Tag::Record record = tag.Encode();
    CId3Tag read;
    ASSERT_TRUE(read.Decode(record));
    EXPECT_EQ(read.title, "Title");
    EXPECT_EQ(read.comment, "Note");
    EXPECT_FLOAT_EQ(read.tempo, 98.5f);
    EXPECT_EQ(read.genre, "Other");

    // A tempo below 10 is written as "05.0": its "." is not at comment byte 28.
    tag.tempo = 5.0f;
    record = tag.Encode();
    EXPECT_EQ(TextAt(record, 122, 4), "05.0");
    read.tempo = 77.0f;
    ASSERT_TRUE(read.Decode(record));
    EXPECT_FLOAT_EQ(read.tempo, 77.0f);
    EXPECT_EQ(read.comment.substr(0, 4), "Note");

    record[127] = 255;
    ASSERT_TRUE(read.Decode(record));
    EXPECT_EQ(read.genre, "");

    record[0] = 'X';
    read.title = "unchanged";
    EXPECT_FALSE(read.Decode(record));
    EXPECT_EQ(read.title, "unchanged");
}

TEST(Id3TagTest, WritingTwiceReplacesTheTag)
{
    test::TempDir dir;
    const std::string path = dir.file("loop.mp3");
    const test::Bytes sound = test::Pattern(1000);
    test::WriteBytes(path, sound);

    CId3Tag none;
    EXPECT_FALSE(ReadTag(path, none));

    CId3Tag tag;
    tag.title = "First";
    tag.tempo = 120.0f;
    ASSERT_TRUE(WriteTag(path, tag));
    EXPECT_EQ(test::ReadBytes(path).size(), 1128u);
    tag.title = "Second";
    tag.artist = "Me";
    tag.genre = "Jazz";
    tag.tempo = 98.5f;
    ASSERT_TRUE(WriteTag(path, tag));

    const test::Bytes file = test::ReadBytes(path);
    ASSERT_EQ(file.size(), 1128u);
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), file.begin()));
    CId3Tag read;
    ASSERT_TRUE(ReadTag(path, read));
    EXPECT_EQ(read.title, "Second");
    EXPECT_EQ(read.artist, "Me");
    EXPECT_EQ(read.genre, "Jazz");
    EXPECT_FLOAT_EQ(read.tempo, 98.5f);
}

TEST(Id3TagTest, ShortAndMissingFiles)
{
    test::TempDir dir;
    const std::string tiny = dir.file("tiny.wav");
    test::WriteBytes(tiny, {1, 2, 3});
    CId3Tag tag;
    tag.title = "Tiny";
    ASSERT_TRUE(WriteTag(tiny, tag));
    EXPECT_EQ(test::ReadBytes(tiny).size(), 131u);
    CId3Tag read;
    ASSERT_TRUE(ReadTag(tiny, read));
    EXPECT_EQ(read.title, "Tiny");

    EXPECT_FALSE(WriteTag(dir.file("missing.mp3"), tag));
    EXPECT_FALSE(ReadTag(dir.file("missing.mp3"), read));
    test::WriteBytes(dir.file("empty.mp3"), {});
    EXPECT_FALSE(ReadTag(dir.file("empty.mp3"), read));
}

}  // namespace
}  // namespace tessaron
