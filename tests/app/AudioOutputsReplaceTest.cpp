// Opening a lost output device again: the same device first, else the audio system's default
// one; on failure the old device stays in its place and the problem names it.
#include <gtest/gtest.h>

#include "app/CAudioOutputs.h"
#include "audioout/CSoundDevice.h"

namespace tessaron {
namespace {

// Opens offline devices for the identifiers in `answering`; records what was asked for.
struct Opener {
    std::vector<std::string> answering;
    std::vector<std::string> asked;
    std::unique_ptr<CSoundDevice> operator()(const CDeviceEntry& entry)
    {
        asked.push_back(entry.id);
        if (std::find(answering.begin(), answering.end(), entry.id) == answering.end()) {
            return nullptr;
        }
        auto device = std::make_unique<CSoundDevice>(AudioApi::Offline);
        return device->Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo) ? std::move(device) : nullptr;
    }
};

TEST(AudioOutputsReplace, TheSameDeviceFirstThenTheDefaultAndNothingLostOnFailure)
{
    Opener opener{{"first", "second"}, {}};
    CAudioOutputs outputs;
    ASSERT_TRUE(outputs.Open({{"first", "First"}, {"second", "Second"}}, std::ref(opener), nullptr));
    ASSERT_EQ(outputs.Count(), 2u);
    EXPECT_TRUE(outputs.LostDevices().empty()) << "an offline output is never lost";
    CSoundDevice* const before = outputs.Devices()[1];
    const std::string id = before->DeviceId();

    // Nothing answers: the old device stays and the problem names it.
    Opener none{{}, {}};
    std::string problem;
    EXPECT_EQ(outputs.Replace(1, std::ref(none), problem), nullptr);
    EXPECT_EQ(outputs.Devices()[1], before);
    EXPECT_NE(problem.find(before->Name()), std::string::npos) << problem;
    ASSERT_FALSE(none.asked.empty());
    EXPECT_EQ(none.asked.front(), id);

    // Only the default device answers: it takes the place, and the old one is handed back.
    Opener fallback{{""}, {}};
    std::unique_ptr<CSoundDevice> old = outputs.Replace(1, std::ref(fallback), problem);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old.get(), before);
    EXPECT_NE(outputs.Devices()[1], before);
    EXPECT_TRUE(problem.empty());
    EXPECT_EQ(outputs.Devices()[0], outputs.Current()) << "the first device stays the current one";

    EXPECT_EQ(outputs.Replace(5, std::ref(fallback), problem), nullptr);
    EXPECT_FALSE(problem.empty());
}

}  // namespace
}  // namespace tessaron
