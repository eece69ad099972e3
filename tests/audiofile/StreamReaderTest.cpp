#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "audiofile/CStreamReader.h"
#include "audiofile/CWaveReader.h"
#include "audiofile/ReaderChoice.h"
#include "support/AudioTools.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"

namespace tessaron {
namespace {

// Files made once for the whole suite: a 1.5 s sweep, 16-bit stereo at 44100 Hz, and what
// sox and lame make of it.
class StreamReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!test::HaveTool("sox") || !test::HaveTool("lame")) {
            return;
        }
        dir_ = new test::TempDir();
        const std::string source = File("source.wav");
        ready_ = test::MakeSweep(source, 44100, 2, 16, 1.5) &&
                 test::Run("sox '" + source + "' '" + File("sweep.aiff") + "'") &&
                 test::Run("sox '" + source + "' '" + File("sweep.flac") + "'") &&
                 test::Run("sox '" + source + "' '" + File("sweep.au") + "'") &&
                 test::Run("sox '" + source + "' -C 6 '" + File("sweep.ogg") + "'") &&
                 test::Run("sox '" + source + "' -b 24 '" + File("sweep24.wav") + "'") &&
                 test::Run("sox '" + source + "' -e floating-point -b 32 '" + File("float.WAV") + "'") &&
                 test::Run("lame --quiet -b 192 '" + source + "' '" + File("sweep.mp3") + "'");
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override
    {
        if (!ready_) {
            GTEST_SKIP() << "sox and lame are needed to make the test files";
        }
    }
    static std::string File(const std::string& name) { return dir_->file(name); }

    static std::vector<int16_t> Loaded(const CMediaReader& reader)
    {
        return test::AsSamples(reader.Data(), static_cast<size_t>(reader.LoadedSize()));
    }

    static test::TempDir* dir_;
    static bool ready_;
};

test::TempDir* StreamReaderTest::dir_ = nullptr;
bool StreamReaderTest::ready_ = false;

// The largest difference between two sample runs, and how much they differ in length.
struct Difference {
    int maxAbs = 0;
    double rms = 0.0;
};

Difference Compare(const std::vector<int16_t>& a, const std::vector<int16_t>& b)
{
    Difference d;
    const size_t n = std::min(a.size(), b.size());
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const int diff = std::abs(a[i] - b[i]);
        d.maxAbs = std::max(d.maxAbs, diff);
        sum += static_cast<double>(diff) * diff;
    }
    d.rms = n > 0 ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
    return d;
}

TEST_F(StreamReaderTest, LosslessFilesDecodeToWhatSoxDecodes)
{
    for (const char* name : {"sweep.aiff", "sweep.flac", "sweep.au", "sweep24.wav"}) {
        CStreamReader reader;
        ASSERT_TRUE(reader.Open(File(name), 0, 0)) << name;
        EXPECT_EQ(reader.Channels(), 2) << name;
        EXPECT_EQ(reader.SampleRate(), 44100) << name;
        EXPECT_EQ(reader.BitsPerSample(), 16) << name;
        EXPECT_EQ(reader.GetDuration(), 1500) << name;
        EXPECT_EQ(reader.GetDataSize(), 264600) << name;
        const std::vector<int16_t> expected = test::DecodeWithSox(File(name));
        const std::vector<int16_t> decoded = Loaded(reader);
        ASSERT_EQ(decoded.size(), expected.size()) << name;
        // 24 bits become 16 by truncation here and by rounding in sox: one step apart at most.
        EXPECT_LE(Compare(decoded, expected).maxAbs, std::string(name) == "sweep24.wav" ? 1 : 0) << name;
    }
}

TEST_F(StreamReaderTest, OggDecodesCloseToSox)
{
    CStreamReader reader;
    ASSERT_TRUE(reader.Open(File("sweep.ogg"), 0, 0));
    EXPECT_EQ(reader.GetDuration(), 1500);
    const std::vector<int16_t> expected = test::DecodeWithSox(File("sweep.ogg"));
    const std::vector<int16_t> decoded = Loaded(reader);
    EXPECT_EQ(decoded.size(), expected.size());
    const Difference d = Compare(decoded, expected);
    // Both go through libvorbis; they differ only in the float to 16-bit step.
    EXPECT_LE(d.maxAbs, 2);
    EXPECT_LT(d.rms, 1.0);
}

// The frame offset at which `b` best matches `a` (sox's MP3 decoder keeps the encoder's delay).
size_t BestLag(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t maxLag)
{
    size_t best = 0;
    double bestError = -1.0;
    for (size_t lag = 0; lag <= maxLag; ++lag) {
        double error = 0.0;
        for (size_t frame = 0; frame < 4000 && (frame + lag) * 2 < b.size() && frame * 2 < a.size(); ++frame) {
            const double e = a[frame * 2] - b[(frame + lag) * 2];
            error += e * e;
        }
        if (bestError < 0.0 || error < bestError) {
            bestError = error;
            best = lag;
        }
    }
    return best;
}

TEST_F(StreamReaderTest, Mp3DecodesCloseToSoxAndToTheSource)
{
    CStreamReader reader;
    ASSERT_TRUE(reader.Open(File("sweep.mp3"), 0, 0));
    // lame's info tag gives the exact length: the decoder drops its delay and padding.
    EXPECT_EQ(reader.GetDuration(), 1500);
    EXPECT_EQ(reader.LoadedSize(), 264600);
    const std::vector<int16_t> decoded = Loaded(reader);

    // Aligned with the source: the coding error of 192 kbit/s, a few percent of full scale.
    const Difference fromSource = Compare(decoded, test::DecodeWithSox(File("source.wav")));
    EXPECT_LT(fromSource.rms, 1000.0);

    // sox decodes with another decoder and keeps the delay: once aligned, the two agree closely.
    const std::vector<int16_t> sox = test::DecodeWithSox(File("sweep.mp3"));
    const size_t lag = BestLag(decoded, sox, 3000);
    const std::vector<int16_t> aligned(sox.begin() + static_cast<std::ptrdiff_t>(std::min(lag * 2, sox.size())), sox.end());
    const Difference fromSox = Compare(decoded, aligned);
    EXPECT_LE(fromSox.maxAbs, 2) << "lag " << lag;
    EXPECT_LT(fromSox.rms, 0.5) << "lag " << lag;
    std::printf("mp3: against the source rms %.1f; against sox (lag %zu) max %d rms %.2f\n", fromSource.rms, lag,
                fromSox.maxAbs, fromSox.rms);
}

TEST_F(StreamReaderTest, LengthAndDataSizeFollowWholeMilliseconds)
{
    const std::string path = File("mono.flac");
    ASSERT_TRUE(test::MakeSweep(path, 22050, 1, 16, 1.2345));
    CStreamReader reader;
    ASSERT_TRUE(reader.OpenForRead(path));
    EXPECT_EQ(reader.GetDuration(), 1234);
    EXPECT_EQ(reader.GetBytesPerSecond(), 44100);
    EXPECT_EQ(reader.BlockAlign(), 2);
    EXPECT_EQ(reader.GetDataSize(), 54418);  // 1234 ms of 44100 bytes/s is 54419.4 bytes: whole frames
    EXPECT_EQ(reader.Kind(), ReaderKind::Stream);
    EXPECT_EQ(reader.FormatText(), "16bits 22050 mono");
}

TEST_F(StreamReaderTest, SeekingLandsOnTheRightFrame)
{
    for (const char* name : {"sweep.flac", "sweep.mp3", "sweep.ogg"}) {
        CStreamReader whole;
        ASSERT_TRUE(whole.Open(File(name), 0, 0)) << name;
        CStreamReader reader;
        ASSERT_TRUE(reader.OpenForRead(File(name))) << name;
        for (int ms : {700, 3, 1499, 0}) {
            ASSERT_TRUE(reader.SeekMs(ms)) << name << " " << ms;
            const int32_t offset = ms * 44100 / 1000 * 4;
            EXPECT_EQ(reader.Position(), offset);
            std::vector<uint8_t> buffer(400);
            const int32_t got = reader.Read(buffer.data(), 400);
            ASSERT_EQ(got, std::min(400, whole.LoadedSize() - offset)) << name << " " << ms;
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + got, whole.Data() + offset)) << name << " " << ms;
        }
        EXPECT_FALSE(reader.SeekMs(1501)) << name;
        EXPECT_FALSE(reader.SeekMs(-5)) << name;
    }
}

TEST_F(StreamReaderTest, RangedLoadAndSequentialReads)
{
    CStreamReader whole;
    ASSERT_TRUE(whole.Open(File("sweep.flac"), 0, 0));

    CStreamReader range;
    ASSERT_TRUE(range.Open(File("sweep.flac"), 500, 1000));
    ASSERT_EQ(range.LoadedSize(), 88200);
    EXPECT_EQ(range.LoadedDuration(), 500);
    EXPECT_TRUE(std::equal(range.Data(), range.Data() + 88200, whole.Data() + 88200));

    CStreamReader tail;
    ASSERT_TRUE(tail.Open(File("sweep.flac"), 1400, 3000));
    EXPECT_EQ(tail.LoadedSize(), 264600 - 246960);
    EXPECT_EQ(tail.LoadedDuration(), 100);

    CStreamReader backwards;
    EXPECT_FALSE(backwards.Open(File("sweep.flac"), 1000, 500));
    EXPECT_EQ(backwards.ErrorCode(), ReaderError::OutOfMemory);

    // Pieces of an odd size: whole frames are delivered, and all of them in order.
    CStreamReader reader;
    ASSERT_TRUE(reader.OpenForRead(File("sweep.flac")));
    std::vector<uint8_t> all;
    std::vector<uint8_t> piece(10001);
    for (int32_t got; (got = reader.Read(piece.data(), 10001)) > 0;) {
        EXPECT_EQ(got % 4, 0);
        all.insert(all.end(), piece.begin(), piece.begin() + got);
    }
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(reader.Position(), reader.GetDataSize());
    ASSERT_EQ(all.size(), 264600u);
    EXPECT_TRUE(std::equal(all.begin(), all.end(), whole.Data()));
}

TEST_F(StreamReaderTest, WavPathTheWaveReaderRefusesIsDecoded)
{
    // 32-bit float with an upper-case extension: the WAV reader is tried first and refuses.
    CWaveReader wave;
    EXPECT_FALSE(wave.Open(File("float.WAV"), 0, 0));
    auto reader = LoadMediaFile(File("float.WAV"), 0, 0);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->Kind(), ReaderKind::Stream);
    EXPECT_EQ(reader->BitsPerSample(), 16);
    const Difference d = Compare(Loaded(*reader), test::DecodeWithSox(File("source.wav")));
    EXPECT_LE(d.maxAbs, 1);

    auto pcm = LoadMediaFile(File("source.wav"), 0, 0);
    ASSERT_NE(pcm, nullptr);
    EXPECT_EQ(pcm->Kind(), ReaderKind::Wave);

    // Another format behind a WAV name, and a FLAC name: each goes to the decoder.
    ASSERT_TRUE(test::Run("cp '" + File("sweep.ogg") + "' '" + File("ogg.wav") + "'"));
    auto ogg = OpenMediaForRead(File("ogg.wav"));
    ASSERT_NE(ogg, nullptr);
    EXPECT_EQ(ogg->Kind(), ReaderKind::Stream);
    auto flac = OpenMediaForRead(File("sweep.flac"));
    ASSERT_NE(flac, nullptr);
    EXPECT_EQ(flac->Kind(), ReaderKind::Stream);
}

TEST_F(StreamReaderTest, UnreadableFilesAndNetworkPathsAreRefused)
{
    test::WriteBytes(File("noise.flac"), test::Pattern(5000));
    test::WriteBytes(File("empty.ogg"), {});
    for (const std::string& path : {File("noise.flac"), File("empty.ogg"), File("missing.mp3"),
                                    std::string("http://example.com/loop.mp3"), std::string("ftp://host/a.wav")}) {
        CStreamReader reader;
        EXPECT_FALSE(reader.Open(path, 0, 0)) << path;
        EXPECT_EQ(reader.ErrorCode(), ReaderError::CannotOpen) << path;
        EXPECT_EQ(reader.LoadedSize(), 0) << path;
        ReaderError error = ReaderError::None;
        EXPECT_EQ(LoadMediaFile(path, 0, 0, &error), nullptr) << path;
        EXPECT_EQ(error, ReaderError::CannotOpen) << path;
    }
    CStreamReader network;
    network.Open("http://example.com/loop.mp3", 0, 0);
    EXPECT_EQ(network.FileSize(), 0);
}

TEST_F(StreamReaderTest, TruncatedFilesLoadWhatIsThere)
{
    for (const char* name : {"sweep.flac", "sweep.mp3", "sweep.ogg"}) {
        test::Bytes bytes = test::ReadBytes(File(name));
        bytes.resize(bytes.size() / 2);
        const std::string path = File(std::string("half-") + name);
        test::WriteBytes(path, bytes);
        CStreamReader reader;
        if (reader.Open(path, 0, 0)) {
            EXPECT_LE(reader.LoadedSize(), 264600) << name;
            EXPECT_EQ(reader.LoadedSize() % 4, 0) << name;
        } else {
            EXPECT_TRUE(reader.Failed()) << name;
        }
    }
}

TEST_F(StreamReaderTest, MoreThanOneHundredMebibytesIsRefusedBeforeAllocating)
{
    // A sparse float WAV of 623 s: 109893600 bytes once decoded to 16-bit stereo.
    const uint32_t floatBytes = 220000000;
    test::Bytes header = test::Riff(test::Chunk("fmt ", test::FmtData(3, 2, 44100, 8, 32)), 4 + 24 + 8 + floatBytes);
    test::Append32(header, 0x61746164);  // "data"
    test::Append32(header, floatBytes);
    const std::string path = File("long.wav");
    test::WriteBytes(path, header);
    std::filesystem::resize_file(path, header.size() + floatBytes);

    CStreamReader reader;
    EXPECT_FALSE(reader.Open(path, 0, 0));
    EXPECT_EQ(reader.ErrorCode(), ReaderError::CannotOpen);
    EXPECT_EQ(reader.Data(), nullptr);
    EXPECT_FALSE(reader.Open(path, 1000, 600000));
    EXPECT_EQ(reader.Data(), nullptr);

    ASSERT_TRUE(reader.Open(path, 1000, 2000));
    EXPECT_EQ(reader.LoadedSize(), 176400);
    ASSERT_TRUE(reader.OpenForRead(path));
    EXPECT_EQ(reader.GetDuration(), 623582);
    EXPECT_EQ(reader.GetDataSize(), 109999864);
    EXPECT_EQ(reader.SizeText(), "214843 k  /  00:10:23.582");
}

TEST_F(StreamReaderTest, MpegFormatTexts)
{
    struct Case {
        const char* options;
        const char* text;
    };
    const Case cases[] = {
        {"-b 192", "Mpeg1 Layer3 Joint stereo 192Kbps 16Bits 44100"},
        {"-m s -b 128", "Mpeg1 Layer3 Stereo 128Kbps 16Bits 44100"},
        {"-m m --resample 22.05 -b 64", "Mpeg2 Layer3 Mono 64Kbps 16Bits 22050"},
        {"-m m --resample 11.025 -b 32", "Mpeg2.5 Layer3 Mono 32Kbps 16Bits 11025"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = File("text" + std::to_string(n++) + ".mp3");
        ASSERT_TRUE(test::Run(std::string("lame --quiet ") + c.options + " '" + File("source.wav") + "' '" + path + "'"));
        CStreamReader reader;
        ASSERT_TRUE(reader.OpenForRead(path)) << c.options;
        EXPECT_EQ(reader.FormatText(), c.text);
        const CFormatInfo info = reader.FormatInfo();
        ASSERT_TRUE(info.mpeg.has_value());
        EXPECT_EQ(info.bitsPerSample, 16);
        EXPECT_EQ(info.mpeg->sampleRate, reader.SampleRate());
        const std::string kilobytes = std::to_string(test::ReadBytes(path).size() >> 10);
        EXPECT_EQ(reader.SizeText(), kilobytes + " k  /  1500 ms");
    }
}

TEST(StreamReaderOpusTest, OpusDecodesCloseToTheSource)
{
    // sox has no Opus encoder here; libsndfile writes one.
    test::TempDir dir;
    const std::string path = dir.file("tone.opus");
    std::vector<int16_t> source(2 * 48000);
    for (size_t frame = 0; frame < 48000; ++frame) {
        const auto value = static_cast<int16_t>(15000.0 * std::sin(2.0 * M_PI * 440.0 * static_cast<double>(frame) / 48000.0));
        source[frame * 2] = value;
        source[frame * 2 + 1] = static_cast<int16_t>(-value);
    }
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        GTEST_SKIP() << "this libsndfile writes no Opus";
    }
    ASSERT_EQ(sf_writef_short(file, source.data(), 48000), 48000);
    sf_close(file);

    CStreamReader reader;
    ASSERT_TRUE(reader.Open(path, 0, 0));
    EXPECT_EQ(reader.SampleRate(), 48000);
    EXPECT_EQ(reader.GetDuration(), 1000);
    ASSERT_EQ(reader.LoadedSize(), 192000);
    const Difference d = Compare(test::AsSamples(reader.Data(), 192000), source);
    EXPECT_LT(d.rms, 300.0);  // the coding error: 2% of the tone's amplitude
}

}  // namespace
}  // namespace tessaron
