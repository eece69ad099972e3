#include <gtest/gtest.h>

#include <vector>

#include "audiofile/CMpegHeader.h"
#include "support/TempDir.h"
#include "support/WavBytes.h"

namespace tessaron {
namespace {

struct HeaderCase {
    std::vector<uint8_t> bytes;
    MpegVersion version;
    int layer;
    int bitRate;
    int sampleRate;
    MpegChannelMode mode;
    int frameLength;
    int samplesPerFrame;
};

TEST(MpegHeaderTest, DecodesEveryVersionAndLayer)
{
    const HeaderCase cases[] = {
        // MPEG 1 layer III, 128 kbit/s, 44100 Hz, joint stereo
        {{0xFF, 0xFB, 0x90, 0x64}, MpegVersion::Mpeg1, 3, 128, 44100, MpegChannelMode::JointStereo, 417, 1152},
        // the same with the padding bit
        {{0xFF, 0xFB, 0x92, 0x64}, MpegVersion::Mpeg1, 3, 128, 44100, MpegChannelMode::JointStereo, 418, 1152},
        // MPEG 1 layer II, 192 kbit/s, 48000 Hz, dual channel
        {{0xFF, 0xFD, 0xA4, 0x80}, MpegVersion::Mpeg1, 2, 192, 48000, MpegChannelMode::DualChannel, 576, 1152},
        // MPEG 1 layer I, 384 kbit/s, 44100 Hz, stereo
        {{0xFF, 0xFF, 0xC0, 0x00}, MpegVersion::Mpeg1, 1, 384, 44100, MpegChannelMode::Stereo, 416, 384},
        // MPEG 2 layer III, 64 kbit/s, 22050 Hz, mono
        {{0xFF, 0xF3, 0x80, 0xC4}, MpegVersion::Mpeg2, 3, 64, 22050, MpegChannelMode::Mono, 208, 576},
        // MPEG 2 layer I, 256 kbit/s, 16000 Hz
        {{0xFF, 0xF7, 0xE8, 0x00}, MpegVersion::Mpeg2, 1, 256, 16000, MpegChannelMode::Stereo, 768, 384},
        // MPEG 2 layer II, 160 kbit/s, 24000 Hz
        {{0xFF, 0xF5, 0xE4, 0x40}, MpegVersion::Mpeg2, 2, 160, 24000, MpegChannelMode::JointStereo, 960, 1152},
        // MPEG 2.5 layer III, 32 kbit/s, 11025 Hz, mono; 8 kbit/s at 8000 Hz
        {{0xFF, 0xE3, 0x40, 0xC4}, MpegVersion::Mpeg25, 3, 32, 11025, MpegChannelMode::Mono, 208, 576},
        {{0xFF, 0xE3, 0x18, 0xC0}, MpegVersion::Mpeg25, 3, 8, 8000, MpegChannelMode::Mono, 72, 576},
    };
    for (const HeaderCase& c : cases) {
        const auto header = CMpegHeader::Decode(c.bytes);
        ASSERT_TRUE(header.has_value()) << std::hex << int(c.bytes[1]) << int(c.bytes[2]);
        EXPECT_EQ(header->version, c.version);
        EXPECT_EQ(header->layer, c.layer);
        EXPECT_EQ(header->bitRateKbps, c.bitRate);
        EXPECT_EQ(header->sampleRate, c.sampleRate);
        EXPECT_EQ(header->channelMode, c.mode);
        EXPECT_EQ(header->FrameLength(), c.frameLength);
        EXPECT_EQ(header->SamplesPerFrame(), c.samplesPerFrame);
    }
}

TEST(MpegHeaderTest, RefusesReservedFields)
{
    const std::vector<std::vector<uint8_t>> invalid = {
        {0xFF, 0xEB, 0x90, 0x64},  // reserved version
        {0xFF, 0xF9, 0x90, 0x64},  // reserved layer
        {0xFF, 0xFB, 0xF0, 0x64},  // bit-rate index 15
        {0xFF, 0xFB, 0x9C, 0x64},  // sampling-rate index 3
        {0xFF, 0xFB, 0x90, 0x66},  // reserved emphasis
        {0xFE, 0xFB, 0x90, 0x64},  // no sync
        {0xFF, 0xFB, 0x90},        // too short
    };
    for (const auto& bytes : invalid) {
        EXPECT_FALSE(CMpegHeader::Decode(bytes).has_value());
    }
}

TEST(MpegHeaderTest, TextsOfTheHeader)
{
    auto header = CMpegHeader::Decode(std::vector<uint8_t>{0xFF, 0xE3, 0x40, 0xC4});
    ASSERT_TRUE(header);
    EXPECT_EQ(header->VersionText(), "2.5");
    EXPECT_STREQ(header->ChannelModeWord(), "Mono");
    header->channelMode = MpegChannelMode::JointStereo;
    EXPECT_STREQ(header->ChannelModeWord(), "Joint stereo");
    header->channelMode = MpegChannelMode::DualChannel;
    EXPECT_STREQ(header->ChannelModeWord(), "Dual channel");
}

// Frames of MPEG 1 layer III at 128 kbit/s, 44100 Hz: 417 bytes each.
std::vector<uint8_t> Frames(int count)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> frame(417, 0x11);
        frame[0] = 0xFF, frame[1] = 0xFB, frame[2] = 0x90, frame[3] = 0x64;
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

TEST(MpegHeaderTest, FindSkipsSyncPatternsThatAreNotFollowedByAFrame)
{
    std::vector<uint8_t> bytes = {0x00, 0xFF, 0xF3, 0x80, 0xC4, 0x12, 0xFF, 0xFF};  // a lone MPEG 2 header
    const std::vector<uint8_t> frames = Frames(3);
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    const auto header = CMpegHeader::Find(bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->version, MpegVersion::Mpeg1);
    EXPECT_EQ(header->bits, 0xFFFB9064u);

    EXPECT_FALSE(CMpegHeader::Find(std::vector<uint8_t>(5000, 0xFF)).has_value());
    EXPECT_FALSE(CMpegHeader::Find({}).has_value());
}

TEST(MpegHeaderTest, FindInFileLooksBehindAnId3v2Tag)
{
    test::TempDir dir;
    // A 20000-byte tag (synchsafe size), holding a false sync, in front of the frames.
    std::vector<uint8_t> file = {'I', 'D', '3', 3, 0, 0, 0, 0x01, 0x1C, 0x16};
    EXPECT_EQ(CMpegHeader::Id3v2Size(file), 20000u);
    std::vector<uint8_t> tag(19990, 0);
    tag[100] = 0xFF, tag[101] = 0xF3, tag[102] = 0x80, tag[103] = 0xC4;
    file.insert(file.end(), tag.begin(), tag.end());
    const std::vector<uint8_t> frames = Frames(4);
    file.insert(file.end(), frames.begin(), frames.end());
    test::WriteBytes(dir.file("tagged.mp3"), file);

    const auto header = CMpegHeader::FindInFile(dir.file("tagged.mp3"));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->bitRateKbps, 128);
    EXPECT_FALSE(CMpegHeader::FindInFile(dir.file("missing.mp3")).has_value());

    // Not synchsafe: not a tag.
    EXPECT_EQ(CMpegHeader::Id3v2Size(std::vector<uint8_t>{'I', 'D', '3', 3, 0, 0, 0x80, 0, 0, 0}), 0u);
}

}  // namespace
}  // namespace tessaron
