#include <gtest/gtest.h>

#include <map>

#include "audioout/CSystemMixer.h"

namespace tessaron {
namespace {

// Elements of a card given as data, so that cards this machine lacks can be examined.
class CardElements : public IMixerElements {
public:
    struct Part {
        long min = 0, max = 65535, value = 0;
    };
    std::map<std::pair<std::string, MixerAspect>, Part> parts;
    std::vector<std::string> sources;
    int selected = -1;

    void Add(const std::string& name, MixerAspect aspect, long max = 65535, long min = 0)
    {
        parts[{name, aspect}] = {min, max, min};
    }
    bool Range(const std::string& e, MixerAspect a, long& min, long& max) override
    {
        auto it = parts.find({e, a});
        if (it == parts.end()) {
            return false;
        }
        min = it->second.min;
        max = it->second.max;
        return true;
    }
    bool Get(const std::string& e, MixerAspect a, long& value) override
    {
        auto it = parts.find({e, a});
        return it != parts.end() && (value = it->second.value, true);
    }
    bool Set(const std::string& e, MixerAspect a, long value) override
    {
        auto it = parts.find({e, a});
        return it != parts.end() && (it->second.value = value, true);
    }
    bool SourceItems(std::vector<std::string>& items) override
    {
        items = sources;
        return !sources.empty();
    }
    bool SelectSource(unsigned index) override
    {
        selected = static_cast<int>(index);
        return index < sources.size();
    }
};

TEST(SystemMixer, PercentRules)
{
    EXPECT_EQ(CSystemMixer::VolumeValue(-50, 65535), 32767);
    EXPECT_EQ(CSystemMixer::VolumePercent(32767, 65535), -50);
    EXPECT_EQ(CSystemMixer::VolumeValue(-100, 65535), 0);
    EXPECT_EQ(CSystemMixer::VolumeValue(0, 65535), 65535);
    EXPECT_EQ(CSystemMixer::VolumePercent(0, 65535), -100);
    EXPECT_EQ(CSystemMixer::ToneValue(0, 65535), 32767);
    EXPECT_EQ(CSystemMixer::TonePercent(65535, 65535), 100);
    EXPECT_EQ(CSystemMixer::TonePercent(0, 65535), -100);
    EXPECT_EQ(CSystemMixer::TonePercent(32767, 65535), 0);
    EXPECT_EQ(CSystemMixer::VolumePercent(5, 0), 0) << "no division by an empty range";
}

TEST(SystemMixer, RecordsMapToElementsAndStayAbsentWithout)
{
    auto card = std::make_unique<CardElements>();
    CardElements& elements = *card;
    card->Add("Master", MixerAspect::PlaybackVolume);
    card->Add("Bass", MixerAspect::PlaybackVolume);
    card->Add("PCM", MixerAspect::PlaybackSwitch, 1);
    card->Add("Mic", MixerAspect::PlaybackVolume, 31);
    card->Add("CD", MixerAspect::PlaybackVolume, 100, -100);
    CSystemMixer mixer;
    ASSERT_TRUE(mixer.OpenMixer(std::move(card)));
    EXPECT_TRUE(mixer.Record(MixerRecord::MasterVolume).present);
    EXPECT_TRUE(mixer.Record(MixerRecord::Bass).present);
    EXPECT_FALSE(mixer.Record(MixerRecord::Treble).present);
    EXPECT_TRUE(mixer.Record(MixerRecord::WaveMute).present);
    EXPECT_FALSE(mixer.Record(MixerRecord::MicrophoneMute).present);
    EXPECT_EQ(mixer.Record(MixerRecord::CdLevel).maximum, 200) << "counted from the minimum";

    EXPECT_TRUE(mixer.SetLevel(MixerRecord::MasterVolume, -50));
    EXPECT_EQ((elements.parts[{"Master", MixerAspect::PlaybackVolume}].value), 32767);
    EXPECT_EQ(mixer.GetLevel(MixerRecord::MasterVolume), -50);
    EXPECT_TRUE(mixer.SetLevel(MixerRecord::Bass, 0));
    EXPECT_EQ((elements.parts[{"Bass", MixerAspect::PlaybackVolume}].value), 32767);
    EXPECT_TRUE(mixer.SetLevel(MixerRecord::CdLevel, -100));
    EXPECT_EQ((elements.parts[{"CD", MixerAspect::PlaybackVolume}].value), -100);
    EXPECT_EQ(mixer.GetLevel(MixerRecord::CdLevel), -100);

    EXPECT_FALSE(mixer.SetLevel(MixerRecord::Treble, 20)) << "absent: nothing happens";
    EXPECT_EQ(mixer.GetLevel(MixerRecord::Treble), 0);
    EXPECT_FALSE(mixer.SetMute(MixerRecord::MicrophoneMute, 1));
    EXPECT_EQ(mixer.GetMute(MixerRecord::MicrophoneMute), 0);

    // A mute is 1 when the element's playback switch is off.
    EXPECT_TRUE(mixer.SetMute(MixerRecord::WaveMute, 1));
    EXPECT_EQ((elements.parts[{"PCM", MixerAspect::PlaybackSwitch}].value), 0);
    EXPECT_EQ(mixer.GetMute(MixerRecord::WaveMute), 1);
    EXPECT_EQ(mixer.GetValue(999), -1);
}

TEST(SystemMixer, TonesNeedTheSpeakersLineAndLineFallsBackToAux)
{
    auto card = std::make_unique<CardElements>();
    card->Add("Bass", MixerAspect::PlaybackVolume);
    card->Add("Aux", MixerAspect::PlaybackVolume);
    card->Add("Aux", MixerAspect::PlaybackSwitch, 1);
    CSystemMixer mixer;
    ASSERT_TRUE(mixer.OpenMixer(std::move(card)));
    EXPECT_FALSE(mixer.Record(MixerRecord::Bass).present) << "no master: no tone controls";
    EXPECT_TRUE(mixer.Record(MixerRecord::LineLevel).present);
    EXPECT_TRUE(mixer.Record(MixerRecord::LineMute).present);
    EXPECT_TRUE(mixer.SetLevel(MixerRecord::LineLevel, -25));
    EXPECT_EQ(mixer.GetLevel(MixerRecord::LineLevel), -25);
}

TEST(SystemMixer, RecordingSourceSelection)
{
    auto card = std::make_unique<CardElements>();
    CardElements& elements = *card;
    card->sources = {"Mic", "Line", "CD"};
    card->Add("Line", MixerAspect::CaptureVolume, 63);
    card->Add("Capture", MixerAspect::CaptureVolume, 31);
    CSystemMixer mixer;
    ASSERT_TRUE(mixer.OpenMixer(std::move(card)));
    ASSERT_EQ(mixer.SourceCount(), 3u);
    EXPECT_EQ(mixer.RecordingSources()[1].name, "Line");
    EXPECT_FALSE(mixer.Record(MixerRecord::RecordingLevel).present);

    EXPECT_FALSE(mixer.SelectRecordingSource(3)) << "index equal to the count";
    EXPECT_EQ(elements.selected, -1) << "changes nothing";
    ASSERT_TRUE(mixer.SelectRecordingSource(1));
    EXPECT_EQ(elements.selected, 1);
    EXPECT_EQ(mixer.Record(MixerRecord::RecordingLevel).maximum, 63) << "the line's own level";
    ASSERT_TRUE(mixer.SelectRecordingSource(0));
    EXPECT_EQ(mixer.Record(MixerRecord::RecordingLevel).maximum, 31) << "else the capture level";
}

TEST(SystemMixer, MissingMixerLeavesEverythingAbsent)
{
    CSystemMixer mixer;
    EXPECT_FALSE(mixer.OpenMixer(1000));
    for (int n = 1; n <= kMixerRecordCount; ++n) {
        EXPECT_FALSE(mixer.Record(static_cast<MixerRecord>(n)).present);
    }
    EXPECT_EQ(mixer.GetLevel(MixerRecord::MasterVolume), 0);
    EXPECT_FALSE(mixer.SelectRecordingSource(0));
}

}  // namespace
}  // namespace tessaron
