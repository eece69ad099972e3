#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "SampleFixtures.h"
#include "audiofile/CWaveReader.h"
#include "media/CSamples.h"
#include "support/AudioTools.h"

namespace tessaron::test {
namespace {

// Samples on a real JACK server (dummy driver, private name), started and stopped with the
// test fixture's script in a state folder of this suite's own, so that no other suite's
// server stop can pull it away mid-test. What plays is recorded by jack_rec.
class SamplesOnJack : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        state_ = new TempDir;
        const std::string script = std::string(TESSARON_SOURCE_DIR) + "/scripts/jack-fixture";
        started_ = test::Run(script + " start '" + state_->path().string() + "'");
        std::ifstream file(state_->file("name"));
        std::getline(file, server_);
    }

    static void TearDownTestSuite()
    {
        test::Run(std::string(TESSARON_SOURCE_DIR) + "/scripts/jack-fixture stop '" + state_->path().string() + "'");
        delete state_;
        state_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(started_ && !server_.empty()) << "the JACK server did not start";
        ::setenv("JACK_DEFAULT_SERVER", server_.c_str(), 1);
        client_ = "tessaron-samples-" + std::to_string(::getpid());
        device_.SetClientName(client_);
        ASSERT_TRUE(device_.OpenDefault(nullptr));
    }

    // What the device plays during whole `seconds`, left channel, at the server's rate.
    std::vector<float> Record(int seconds, uint32_t& rate)
    {
        const std::string wav = dir_.file("rec.wav");
        const std::string command = "JACK_DEFAULT_SERVER='" + server_ + "' jack_rec -f '" + wav + "' -d " +
                                    std::to_string(seconds) + " -b 16 '" + client_ + ":outport 0' '" + client_ +
                                    ":outport 1'";
        EXPECT_TRUE(test::Run(command));
        CWaveReader reader;
        if (!reader.Open(wav, 0, 0)) {
            ADD_FAILURE() << "no recording";
            return {};
        }
        rate = static_cast<uint32_t>(reader.SampleRate());
        return Channel(PcmToFloats(reader.Data(), size_t(reader.LoadedSize()), 16), 2, 0);
    }

    static TempDir* state_;
    static bool started_;
    static std::string server_;
    TempDir dir_;
    std::string client_;
    CSoundDevice device_{AudioApi::Jack};
};

TempDir* SamplesOnJack::state_ = nullptr;
bool SamplesOnJack::started_ = false;
std::string SamplesOnJack::server_;

TEST_F(SamplesOnJack, RateFitDoublesThePlayedFrequency)
{
    const WaveFormat format = WaveFormat::Pcm16(44100, 2);
    CSamples sample;
    sample.filePath = WriteWav(dir_, "loop.wav", format, SinePcm(format, 44100, 441, 0.5));
    sample.tempo = 100.0f;
    sample.stretchMode = 2;
    sample.SetLoop(true);
    ASSERT_TRUE(sample.Open(&device_, 200.0f));
    ASSERT_TRUE(sample.Play());
    uint32_t rate = 0;
    auto left = Record(1, rate);
    ASSERT_GT(left.size(), size_t(rate / 2));
    // The last 0.3 s: the recorder may start before its ports are connected.
    const size_t window = rate * 3 / 10;
    const float* tail = left.data() + left.size() - window;
    EXPECT_NEAR(DominantFrequency(tail, window, 1, rate, 200, 2000, 5), 882.0, 2.0);
    EXPECT_NEAR(ToneAmplitude(tail, window, 1, 882.0, rate), 0.5, 0.03);

    // The song returns to the sample's tempo: the sample plays at its own rate again.
    sample.ChangeTempo(100.0f);
    left = Record(1, rate);
    ASSERT_GT(left.size(), window);
    tail = left.data() + left.size() - window;
    EXPECT_NEAR(DominantFrequency(tail, window, 1, rate, 200, 2000, 5), 441.0, 1.0);
    sample.Stop();
}

}  // namespace
}  // namespace tessaron::test
