#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "audiofile/CWaveReader.h"
#include "audiofile/ReaderChoice.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"

namespace tessaron {
namespace {

using test::Bytes;

class WaveReaderTest : public ::testing::Test {
protected:
    std::string Put(const std::string& name, const Bytes& bytes)
    {
        const std::string path = dir_.file(name);
        test::WriteBytes(path, bytes);
        return path;
    }

    test::TempDir dir_;
};

TEST_F(WaveReaderTest, DataSizeIsRoundedDownToWholeFrames)
{
    const std::string path = Put("odd.wav", test::PcmWave(2, 44100, 16, test::Pattern(1001)));
    CWaveReader reader;
    ASSERT_TRUE(reader.ParseHeader(path));
    EXPECT_EQ(reader.GetDataSize(), 1000);
    EXPECT_EQ(reader.BlockAlign(), 4);
    EXPECT_EQ(reader.GetBytesPerSecond(), 176400);
    EXPECT_EQ(reader.DataStart(), 44);
}

TEST_F(WaveReaderTest, StereoSixteenBitBlockAlignIsForcedToFour)
{
    Bytes chunks = test::Chunk("fmt ", test::FmtData(1, 2, 44100, 2, 16));
    const Bytes data = test::Chunk("data", test::Pattern(1002));
    chunks.insert(chunks.end(), data.begin(), data.end());
    CWaveReader reader;
    ASSERT_TRUE(reader.ParseHeader(Put("align.wav", test::Riff(chunks))));
    EXPECT_EQ(reader.BlockAlign(), 4);
    EXPECT_EQ(reader.GetDataSize(), 1000);
}

TEST_F(WaveReaderTest, NonPcmFormatKeepsItsExtraBytesButIsNotDelivered)
{
    const Bytes extra = {0xF4, 0x01, 0x07, 0x00, 0xAA, 0xBB};
    Bytes chunks = test::Chunk("fmt ", test::FmtData(2, 1, 22050, 256, 4, extra));
    const Bytes data = test::Chunk("data", test::Pattern(2048));
    chunks.insert(chunks.end(), data.begin(), data.end());
    const std::string path = Put("adpcm.wav", test::Riff(chunks));

    CWaveReader reader;
    ASSERT_TRUE(reader.ParseHeader(path));
    EXPECT_EQ(reader.Format().extra, extra);
    EXPECT_EQ(reader.FormatTag(), 2);
    EXPECT_EQ(reader.GetDataSize(), 2048);
    EXPECT_EQ(reader.FormatText(), "MS ADPCM Mono  4 Bits  22050");

    EXPECT_FALSE(reader.Open(path, 0, 0));
    EXPECT_EQ(reader.ErrorCode(), ReaderError::NotRiffWave);
}

TEST_F(WaveReaderTest, FormatNamesAndTexts)
{
    CWaveFormat format = CWaveReader::MakePcmFormat(false, 44100);
    EXPECT_EQ(format.FormatName(), "PCM");
    format.formatTag = 17;
    EXPECT_EQ(format.FormatName(), "IMA ADPCM");
    format.formatTag = 3;
    EXPECT_EQ(format.FormatName(), "No compatible");

    CWaveReader reader;
    const Bytes second(176400, 0);
    ASSERT_TRUE(reader.WrapMemory(second.data(), 176400, CWaveReader::MakePcmFormat(false, 44100)));
    EXPECT_EQ(reader.FormatText(), "PCM Stereo  16 Bits  44100");
    EXPECT_EQ(reader.SizeText(), "172 k  /  1000 ms");

    const Bytes twelve(12 * 44100, 0);
    ASSERT_TRUE(reader.WrapMemory(twelve.data(), 12 * 44100, CWaveReader::MakePcmFormat(true, 22050)));
    EXPECT_EQ(reader.FormatText(), "PCM Mono  16 Bits  22050");
    EXPECT_EQ(reader.SizeText(), "516 k  /  00:00:12.000");
}

TEST_F(WaveReaderTest, DurationRule)
{
    EXPECT_EQ(CMediaReader::DurationMs(44100, 176400), 250);
    EXPECT_EQ(CMediaReader::DurationMs(1, 176400), 0);
    EXPECT_EQ(CMediaReader::DurationMs(176400, 176400), 1000);
    EXPECT_EQ(CMediaReader::DurationMs(176311, 176400), 999);   // 999.495 ms
    EXPECT_EQ(CMediaReader::DurationMs(176312, 176400), 1000);  // 999.501 ms: rounded to the nearest
    EXPECT_EQ(CMediaReader::DurationMs(1000, 0), 0);
    EXPECT_EQ(CMediaReader::DurationMs(INT32_MAX, 1), INT32_MAX);  // a hostile rate of 1 byte/s
}

TEST_F(WaveReaderTest, WholeAndRangedOpen)
{
    const Bytes sound = test::Pattern(176400);  // one second of 16-bit stereo at 44100 Hz
    const std::string path = Put("second.wav", test::PcmWave(2, 44100, 16, sound));

    CWaveReader whole;
    ASSERT_TRUE(whole.Open(path, 0, 0));
    ASSERT_EQ(whole.LoadedSize(), 176400);
    EXPECT_EQ(whole.LoadedDuration(), 1000);
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), whole.Data()));

    CWaveReader middle;
    ASSERT_TRUE(middle.Open(path, 250, 750));
    ASSERT_EQ(middle.LoadedSize(), 88200);
    EXPECT_EQ(middle.LoadedDuration(), 500);
    EXPECT_TRUE(std::equal(sound.begin() + 44100, sound.begin() + 44100 + 88200, middle.Data()));

    // 1 ms is 176.4 bytes: whole frames only.
    CWaveReader tiny;
    ASSERT_TRUE(tiny.Open(path, 100, 101));
    EXPECT_EQ(tiny.LoadedSize(), 176);

    // A range past the end gets what is there, with its own duration.
    CWaveReader tail;
    ASSERT_TRUE(tail.Open(path, 900, 5000));
    EXPECT_EQ(tail.LoadedSize(), 176400 - 158760);
    EXPECT_EQ(tail.LoadedDuration(), 100);
    EXPECT_TRUE(std::equal(sound.begin() + 158760, sound.end(), tail.Data()));
}

TEST_F(WaveReaderTest, EmptyOrBackwardRangesFailWith258)
{
    const std::string path = Put("second.wav", test::PcmWave(2, 44100, 16, test::Pattern(176400)));
    for (auto [start, end] : {std::pair{2000, 1000}, std::pair{500, 500}, std::pair{-10, 100}, std::pair{100, 0}}) {
        CWaveReader reader;
        EXPECT_FALSE(reader.Open(path, start, end)) << start << ".." << end;
        EXPECT_EQ(reader.ErrorCode(), ReaderError::OutOfMemory);
        EXPECT_TRUE(reader.Failed());
    }
    CWaveReader beyond;
    EXPECT_FALSE(beyond.Open(path, 1500, 2000));  // the start lies past the duration
    EXPECT_EQ(beyond.ErrorCode(), ReaderError::OutOfMemory);
}

TEST_F(WaveReaderTest, DataAboveOneHundredMebibytesFailsWith259)
{
    // 8-bit mono, so that rounding to frames keeps the odd byte; the file is sparse.
    const int64_t dataBytes = int64_t{CMediaReader::kMaxDataBytes} + 1;
    Bytes header = test::Riff(test::Chunk("fmt ", test::FmtData(1, 1, 8000, 1, 8)), 4 + 24 + 8 + dataBytes);
    test::Append32(header, 0x61746164);  // "data"
    test::Append32(header, static_cast<uint32_t>(dataBytes));
    const std::string path = Put("huge.wav", header);
    std::filesystem::resize_file(path, header.size() + static_cast<uint64_t>(dataBytes));

    CWaveReader reader;
    EXPECT_FALSE(reader.Open(path, 0, 0));
    EXPECT_EQ(reader.ErrorCode(), ReaderError::CannotOpen);
    EXPECT_EQ(reader.LoadedSize(), 0);

    // Streaming it is fine: nothing is held in memory.
    CWaveReader stream;
    ASSERT_TRUE(stream.OpenForRead(path));
    EXPECT_EQ(stream.GetDataSize(), dataBytes);
}

TEST_F(WaveReaderTest, SeekAndSequentialRead)
{
    const Bytes sound = test::Pattern(176400);
    const std::string path = Put("second.wav", test::PcmWave(2, 44100, 16, sound));
    CWaveReader reader;
    ASSERT_TRUE(reader.OpenForRead(path));

    ASSERT_TRUE(reader.SeekMs(100));
    EXPECT_EQ(reader.ReadPos(), 17640);
    Bytes buffer(1000);
    ASSERT_EQ(reader.Read(buffer.data(), 1000), 1000);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), sound.begin() + 17640));

    // 1 ms = 176.4 bytes, rounded down to a multiple of 4.
    ASSERT_TRUE(reader.SeekMs(1));
    EXPECT_EQ(reader.ReadPos(), 176);

    EXPECT_FALSE(reader.SeekMs(1001));
    EXPECT_FALSE(reader.SeekMs(-1));

    ASSERT_TRUE(reader.SeekMs(990));
    Bytes rest(4000);
    EXPECT_EQ(reader.Read(rest.data(), 4000), 1764);
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(reader.Read(rest.data(), 4), 0);
    EXPECT_TRUE(reader.SeekMs(0));
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.Read(rest.data(), 4), 4);

    EXPECT_TRUE(reader.SeekToEnd());
    EXPECT_EQ(reader.ReadPos(), 176400);
}

TEST_F(WaveReaderTest, TruncateMsKeepsTheLastTenMilliseconds)
{
    CWaveReader reader;
    const Bytes sound = test::Pattern(176400);
    ASSERT_TRUE(reader.WrapMemory(sound.data(), 176400, CWaveReader::MakePcmFormat(false, 44100)));
    reader.TruncateMs(995);
    EXPECT_EQ(reader.GetDataSize(), 176400);
    reader.TruncateMs(333);  // 58741.2 bytes, whole frames: 58740
    EXPECT_EQ(reader.GetDataSize(), 58740);
}

TEST_F(WaveReaderTest, DamagedFilesGiveTheirErrorCodes)
{
    const Bytes fmt = test::Chunk("fmt ", test::FmtData(1, 2, 44100, 4, 16));
    const Bytes data = test::Chunk("data", test::Pattern(400));
    auto join = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    };
    Bytes avi = test::Riff(join({fmt, data}));
    avi[8] = 'A';
    const Bytes good = test::Riff(join({fmt, data}));

    struct Case {
        const char* name;
        Bytes bytes;
        ReaderError error;
    };
    const std::vector<Case> cases = {
        {"empty", {}, ReaderError::NotRiffWave},
        {"not riff", Bytes(100, 'x'), ReaderError::NotRiffWave},
        {"avi", avi, ReaderError::NotRiffWave},
        {"header only", Bytes(good.begin(), good.begin() + 12), ReaderError::ChunkNotFound},
        {"no fmt", test::Riff(data), ReaderError::ChunkNotFound},
        {"no data", test::Riff(fmt), ReaderError::ChunkNotFound},
        {"fmt of 2 bytes", test::Riff(join({test::Chunk("fmt ", {1, 0}), data})), ReaderError::CannotRead},
        {"fmt cut by the end of file", Bytes(good.begin(), good.begin() + 26), ReaderError::CannotRead},
        {"extra size past the chunk",
         test::Riff(join({test::Chunk("fmt ", test::FmtData(2, 1, 8000, 256, 4, Bytes(4, 1)), 18), data})),
         ReaderError::CannotRead},
        {"extra bytes past the chunk",
         test::Riff(join({test::Chunk("fmt ", test::FmtData(2, 1, 8000, 256, 4, Bytes(4, 1)), 20), data})),
         ReaderError::CannotRead},
        {"fmt size past the end of file", test::Riff(test::Chunk("fmt ", test::FmtData(1, 1, 8000, 1, 8), 0x7FFFFFF0)),
         ReaderError::ChunkNotFound},
    };
    for (const Case& c : cases) {
        CWaveReader reader;
        EXPECT_FALSE(reader.Open(Put("bad.wav", c.bytes), 0, 0)) << c.name;
        EXPECT_EQ(reader.ErrorCode(), c.error) << c.name;
        EXPECT_TRUE(reader.Failed()) << c.name;
        EXPECT_EQ(reader.LoadedSize(), 0) << c.name;
    }

    CWaveReader missing;
    EXPECT_FALSE(missing.Open(dir_.file("missing.wav"), 0, 0));
    EXPECT_EQ(missing.ErrorCode(), ReaderError::CannotOpen);
    CWaveReader folder;
    EXPECT_FALSE(folder.Open(dir_.path().string(), 0, 0));
    EXPECT_EQ(folder.ErrorCode(), ReaderError::CannotOpen);
}

TEST_F(WaveReaderTest, NamedPipeIsRefusedWithoutWaitingForAWriter)
{
    const std::string path = dir_.file("pipe.wav");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    ReaderError error = ReaderError::None;
    EXPECT_EQ(LoadMediaFile(path, 0, 0, &error), nullptr);  // tries both readers
    EXPECT_EQ(error, ReaderError::CannotOpen);
}

TEST_F(WaveReaderTest, DataChunkLongerThanTheFileIsCutToWhatIsThere)
{
    Bytes chunks = test::Chunk("fmt ", test::FmtData(1, 2, 44100, 4, 16));
    Bytes data = test::Chunk("data", test::Pattern(1003), 0xFFFFFFF0);
    chunks.insert(chunks.end(), data.begin(), data.end() - 1);  // no pad byte: the file ends
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(Put("cut.wav", test::Riff(chunks, 0xFFFFFFFF)), 0, 0));
    EXPECT_EQ(reader.GetDataSize(), 1000);
    EXPECT_EQ(reader.LoadedSize(), 1000);
}

TEST_F(WaveReaderTest, ChunksInAnyOrderWithPaddingAndTrailingData)
{
    // A LIST chunk of odd size before "data", "data" before "fmt ", a tag after the RIFF chunk.
    const Bytes sound = test::Pattern(800);
    Bytes chunks = test::Chunk("LIST", Bytes(7, 'l'));
    for (const Bytes& part : {test::Chunk("data", sound), test::Chunk("fmt ", test::FmtData(1, 1, 8000, 2, 16))}) {
        chunks.insert(chunks.end(), part.begin(), part.end());
    }
    Bytes file = test::Riff(chunks);
    Bytes tag(128, 0);
    tag[0] = 'T', tag[1] = 'A', tag[2] = 'G';
    file.insert(file.end(), tag.begin(), tag.end());

    CWaveReader reader;
    ASSERT_TRUE(reader.Open(Put("order.wav", file), 0, 0));
    ASSERT_EQ(reader.LoadedSize(), 800);
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), reader.Data()));
    EXPECT_EQ(reader.LoadedDuration(), 50);

    // A RIFF size a dying writer left at 0: the chunks are looked for up to the end of the file.
    Bytes unpatched = test::Riff(chunks, 0);
    CWaveReader second;
    ASSERT_TRUE(second.Open(Put("zero.wav", unpatched), 0, 0));
    EXPECT_EQ(second.LoadedSize(), 800);
}

TEST_F(WaveReaderTest, WrittenFileHasTheStandardHeader)
{
    const std::string path = dir_.file("out.wav");
    const Bytes sound = test::Pattern(4000);
    CWaveReader writer;
    ASSERT_TRUE(writer.CreateForWrite(path, CWaveReader::MakePcmFormat(false, 44100), 0));
    EXPECT_EQ(writer.Write(sound.data(), 1000), 1000);
    EXPECT_EQ(writer.Write(sound.data() + 1000, 3000), 3000);
    ASSERT_TRUE(writer.FinishWrite());
    writer.CloseFile();

    const Bytes file = test::ReadBytes(path);
    EXPECT_EQ(file, test::PcmWave(2, 44100, 16, sound));

    CWaveReader reader;
    ASSERT_TRUE(reader.Open(path, 0, 0));
    EXPECT_EQ(reader.LoadedSize(), 4000);
}

TEST_F(WaveReaderTest, ReadThenWriteGivesTheSameBytes)
{
    const Bytes original = test::PcmWave(1, 22050, 16, test::Pattern(10000));
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(Put("in.wav", original), 0, 0));
    const std::string copy = dir_.file("copy.wav");
    CWaveReader writer;
    ASSERT_TRUE(writer.CreateForWrite(copy, reader.Format(), reader.LoadedSize()));
    ASSERT_EQ(writer.Write(reader.Data(), reader.LoadedSize()), reader.LoadedSize());
    ASSERT_TRUE(writer.Close(reader.LoadedSize()));
    EXPECT_EQ(test::ReadBytes(copy), original);
}

TEST_F(WaveReaderTest, CloseAnnouncesNoMoreThanWasWritten)
{
    const std::string path = dir_.file("short.wav");
    const Bytes sound = test::Pattern(2000);
    CWaveReader writer;
    ASSERT_TRUE(writer.CreateForWrite(path, CWaveReader::MakePcmFormat(true, 44100), 4000));
    ASSERT_EQ(writer.Write(sound.data(), 2000), 2000);
    ASSERT_TRUE(writer.Close(4000));  // e.g. stereo bytes announced, mono bytes written
    EXPECT_EQ(test::ReadBytes(path), test::PcmWave(1, 44100, 16, sound));

    // Announcing less than was written: the header describes the announced part.
    CWaveReader less;
    ASSERT_TRUE(less.CreateForWrite(path, CWaveReader::MakePcmFormat(true, 44100), 0));
    ASSERT_EQ(less.Write(sound.data(), 2000), 2000);
    ASSERT_TRUE(less.Close(1000));
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(path, 0, 0));
    EXPECT_EQ(reader.LoadedSize(), 1000);
}

TEST_F(WaveReaderTest, LongerFmtChunkIsWrittenWholeAndItsDataSizePatched)
{
    CWaveFormat adpcm;
    adpcm.formatTag = 2;
    adpcm.channels = 1;
    adpcm.samplesPerSec = 22050;
    adpcm.avgBytesPerSec = 11155;
    adpcm.blockAlign = 512;
    adpcm.bitsPerSample = 4;
    for (size_t extraBytes : {32u, 1u}) {  // 50 and 19 bytes of fmt chunk; the second needs a pad byte
        adpcm.extra = test::Pattern(extraBytes);
        const std::string path = dir_.file("adpcm" + std::to_string(extraBytes) + ".wav");
        const Bytes sound = test::Pattern(1024);
        CWaveReader writer;
        ASSERT_TRUE(writer.CreateForWrite(path, adpcm, 99999));
        EXPECT_EQ(writer.FmtSize(), static_cast<int32_t>(18 + extraBytes));
        ASSERT_EQ(writer.Write(sound.data(), 1024), 1024);
        ASSERT_TRUE(writer.Close(1024));

        CWaveReader reader;
        ASSERT_TRUE(reader.ParseHeader(path)) << extraBytes;
        EXPECT_EQ(reader.Format(), adpcm);
        EXPECT_EQ(reader.GetDataSize(), 1024);
        const Bytes file = test::ReadBytes(path);
        EXPECT_EQ(file.size(), static_cast<size_t>(reader.DataStart() + 1024));
        EXPECT_EQ(file[4] | file[5] << 8 | file[6] << 16, static_cast<int>(file.size() - 8));
    }
}

TEST_F(WaveReaderTest, UnfinishedWriteLeavesThePathAsItWas)
{
    const std::string path = dir_.file("unfinished.wav");
    const Bytes sound = test::Pattern(400);
    {
        CWaveReader writer;
        ASSERT_TRUE(writer.CreateForWrite(path, CWaveReader::MakePcmFormat(false, 8000), 400));
        ASSERT_EQ(writer.Write(sound.data(), 400), 400);
    }
    EXPECT_FALSE(std::filesystem::exists(path));

    const Bytes before = test::PcmWave(1, 8000, 16, test::Pattern(100));
    Put("unfinished.wav", before);
    {
        CWaveReader writer;
        ASSERT_TRUE(writer.CreateForWrite(path, CWaveReader::MakePcmFormat(false, 8000), 400));
        ASSERT_EQ(writer.Write(sound.data(), 200), 200);
        writer.CloseFile();
    }
    EXPECT_EQ(test::ReadBytes(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1) << "a temporary file stayed";
}

TEST_F(WaveReaderTest, WriteFailsWithoutAFile)
{
    CWaveReader writer;
    EXPECT_EQ(writer.Write("abcd", 4), 0);
    EXPECT_FALSE(writer.FinishWrite());
    EXPECT_FALSE(writer.CreateForWrite(dir_.file("no/such/folder.wav"), CWaveReader::MakePcmFormat(true, 8000), 0));
    EXPECT_EQ(writer.ErrorCode(), ReaderError::CannotOpen);
}

TEST_F(WaveReaderTest, WrapMemoryAndReplaceDataTakeCopies)
{
    const CWaveFormat mono = CWaveReader::MakePcmFormat(true, 22050);
    EXPECT_EQ(mono.blockAlign, 2);
    EXPECT_EQ(mono.avgBytesPerSec, 44100u);
    EXPECT_EQ(CWaveReader::MakePcmFormat(false, 48000).avgBytesPerSec, 192000u);

    Bytes sound = test::Pattern(4410);
    CWaveReader reader;
    ASSERT_TRUE(reader.WrapMemory(sound.data(), 4410, mono));
    sound[0] = 99;
    EXPECT_EQ(reader.Data()[0], 0);
    EXPECT_EQ(reader.LoadedSize(), 4410);
    EXPECT_EQ(reader.LoadedDuration(), 100);
    EXPECT_EQ(reader.Channels(), 1);

    // The edited sound may come from the reader's own block.
    ASSERT_TRUE(reader.ReplaceData(reader.Data() + 10, 100, 2));
    EXPECT_EQ(reader.LoadedSize(), 100);
    EXPECT_EQ(reader.LoadedDuration(), 2);
    EXPECT_EQ(reader.Data()[0], 10);

    EXPECT_FALSE(reader.WrapMemory(sound.data(), CMediaReader::kMaxDataBytes + 1, mono));
    EXPECT_EQ(reader.ErrorCode(), ReaderError::CannotOpen);
}

}  // namespace
}  // namespace tessaron
