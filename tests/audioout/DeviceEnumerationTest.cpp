#include <gtest/gtest.h>

#include <cstdlib>

#include "audioout/AudioApi.h"
#include "audioout/CDeviceEntry.h"
#include "audioout/CSoundDevice.h"

namespace tessaron {
namespace {

std::vector<std::string> Names(const std::vector<CDeviceEntry>& list)
{
    std::vector<std::string> names;
    for (const auto& entry : list) {
        names.push_back(entry.name);
    }
    return names;
}

TEST(DeviceEnumeration, EqualDescriptionsGetNumberedNames)
{
    std::vector<CDeviceEntry> list;
    EXPECT_TRUE(AppendDeviceEntry(list, "a", "D"));
    EXPECT_TRUE(AppendDeviceEntry(list, "b", "D"));
    EXPECT_TRUE(AppendDeviceEntry(list, "c", "D"));
    EXPECT_TRUE(AppendDeviceEntry(list, "d", "E"));
    EXPECT_TRUE(AppendDeviceEntry(list, "e", "D(2)"));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"D", "D(2)", "D(2)(3)", "E", "D(2)(2)"}));
    EXPECT_EQ(list[2].id, "c");
}

TEST(DeviceEnumeration, MaestroAc3AndDevicesWithoutIdentifierAreSkipped)
{
    std::vector<CDeviceEntry> list;
    EXPECT_FALSE(AppendDeviceEntry(list, "a", "Maestro AC3 Device"));
    EXPECT_FALSE(AppendDeviceEntry(list, "b", "Maestro AC3"));
    EXPECT_TRUE(AppendDeviceEntry(list, "c", "My Maestro AC3"));
    EXPECT_FALSE(AppendDeviceEntry(list, "", "Primary Sound Driver"));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"My Maestro AC3"}));
}

TEST(DeviceEnumeration, DeviceTestNeedsStereoAnd44100)
{
    OutputDeviceInfo device;
    device.outputChannels = 2;
    device.rates = {8000, 11025, 22050};
    EXPECT_TRUE(PassesDeviceTest(device, false, false));
    EXPECT_FALSE(PassesDeviceTest(device, true, false)) << "at most 22050 Hz";
    device.rates.push_back(44100);
    EXPECT_TRUE(PassesDeviceTest(device, true, true));
    device.outputChannels = 1;
    EXPECT_FALSE(PassesDeviceTest(device, true, false));
    device.rates.clear();
    device.outputChannels = 8;
    device.preferredRate = 48000;  // a JACK server reports its one rate
    EXPECT_TRUE(PassesDeviceTest(device, true, false));
    device.emulated = true;
    EXPECT_FALSE(PassesDeviceTest(device, false, true));
}

TEST(DeviceEnumeration, OfflineDeviceOpensAsAskedAndCloses)
{
    CSoundDevice device(AudioApi::Offline);
    std::vector<CDeviceEntry> list;
    ASSERT_TRUE(device.EnumerateDevices(list, true, true));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, "offline:Offline");
    EXPECT_TRUE(device.TestDevice(list[0].id, true, true));
    EXPECT_FALSE(device.TestDevice("offline:None", false, false));
    EXPECT_FALSE(device.Create(nullptr, "offline:None", 44100, 2, 4));

    ASSERT_TRUE(device.OpenDefault(nullptr));
    const WaveFormat& format = device.Format();
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.samplesPerSec, 44100u);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.blockAlign, 4);
    EXPECT_EQ(format.avgBytesPerSec, 176400u);
    EXPECT_EQ(device.Rate(), 44100u);
    EXPECT_TRUE(device.ClearPrimary());

    // Buffers outlive the device: they then play nowhere.
    const WaveFormat mono = WaveFormat::Pcm16(44100, 1);
    SoundBufferDesc desc;
    desc.flags = BufferCaps::Static | BufferCaps::CtrlVolume;
    desc.bufferBytes = 882;
    desc.format = &mono;
    auto buffer = device.CreateSecondary(desc);
    ASSERT_NE(buffer, nullptr);
    device.Close();
    EXPECT_FALSE(device.Started());
    EXPECT_EQ(device.CreateSecondary(desc), nullptr);
    EXPECT_TRUE(buffer->Play());
    EXPECT_TRUE(buffer->SetVolume(-100));
    float frame[2];
    EXPECT_FALSE(device.Pull(frame, 1));
}

TEST(DeviceEnumeration, EnvironmentNamesTheApi)
{
    EXPECT_EQ(ParseAudioApi("jack"), AudioApi::Jack);
    EXPECT_EQ(ParseAudioApi("pulse"), AudioApi::Pulse);
    EXPECT_EQ(ParseAudioApi("alsa"), AudioApi::Alsa);
    EXPECT_EQ(ParseAudioApi("oss"), std::nullopt);
    ::setenv(kAudioApiVariable, "alsa", 1);
    EXPECT_EQ(ResolveAudioApi(AudioApi::Jack), AudioApi::Alsa) << "the variable wins";
    EXPECT_EQ(ResolveAudioApi(AudioApi::Offline), AudioApi::Offline);
    ::setenv(kAudioApiVariable, "nonsense", 1);
    EXPECT_EQ(ResolveAudioApi(AudioApi::Pulse), AudioApi::Pulse) << "an unknown name is ignored";
    ::unsetenv(kAudioApiVariable);
    EXPECT_EQ(ResolveAudioApi(AudioApi::Jack), AudioApi::Jack);
}

}  // namespace
}  // namespace tessaron
