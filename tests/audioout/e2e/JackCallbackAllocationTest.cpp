// The JACK process callback on a real server allocates and frees nothing while the control
// thread starts, stops, edits and duplicates voices. Every thread libjack creates in this
// process counts its allocations from its first instruction on (libjack's thread creator).
#include <gtest/gtest.h>

#include <jack/jack.h>
#include <jack/thread.h>
#include <pthread.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "AllocationGuard.h"
#include "JackCapture.h"
#include "audioout/CSoundDevice.h"
#include "audioout/SoftwareMixer.h"
#include "support/OutputSignals.h"

namespace tessaron::test {
namespace {

struct ThreadStart {
    void* (*function)(void*);
    void* argument;
};

void* ArmedStart(void* raw)
{
    const ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    ArmAllocationGuard();
    return start.function(start.argument);
}

int CreateArmedThread(pthread_t* thread, const pthread_attr_t* attributes, void* (*function)(void*), void* argument)
{
    return pthread_create(thread, attributes, &ArmedStart, new ThreadStart{function, argument});
}

void Write(CSoundBuffer& buffer, const std::vector<uint8_t>& pcm)
{
    LockedRegion region;
    ASSERT_TRUE(buffer.Lock(0, 0, region, LockFlags::EntireBuffer));
    std::memcpy(region.part1, pcm.data(), std::min<size_t>(region.bytes1, pcm.size()));
    ASSERT_TRUE(buffer.Unlock(region));
}

TEST(JackCallback, AllocatesNothingWhileVoicesStartStopAndChange)
{
    ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
    jack_set_thread_creator(&CreateArmedThread);
    CSoundDevice device(AudioApi::Jack);
    device.SetClientName("tessaron-rt-" + std::to_string(::getpid()));
    ASSERT_TRUE(device.OpenDefault(nullptr));

    const WaveFormat stereo = WaveFormat::Pcm16(44100, 2);
    const WaveFormat mono8 = WaveFormat::MakePcm(22050, 1, 8);
    std::vector<std::unique_ptr<CSoundBuffer>> voices;
    for (int i = 0; i < 32; ++i) {
        const WaveFormat& format = i % 2 ? stereo : mono8;
        const std::vector<uint8_t> pcm = SinePcm(format, 4000 + 10 * i, 300 + 7 * i, 0.01);
        SoundBufferDesc desc;
        desc.flags = BufferCaps::Static | BufferCaps::CtrlFrequency | BufferCaps::CtrlVolume | BufferCaps::CtrlPan;
        desc.bufferBytes = static_cast<uint32_t>(pcm.size());
        desc.format = &format;
        voices.push_back(device.CreateSecondary(desc));
        ASSERT_NE(voices.back(), nullptr);
        Write(*voices.back(), pcm);
    }
    // The first cycles and the server's notices of the new client are behind us.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    TakeGuardedAllocations();

    uint32_t moved = 0;
    for (int round = 0; round < 40; ++round) {
        for (size_t i = 0; i < voices.size(); ++i) {
            CSoundBuffer& voice = *voices[i];
            if ((i + static_cast<size_t>(round)) % 3 == 0) {
                voice.Stop();
            } else {
                voice.SetCurrentPosition(0);
                voice.Play((i % 2) ? PlayFlags::Looping : 0);
            }
            voice.SetVolume(-static_cast<int32_t>((i * 37 + static_cast<size_t>(round)) % 3000));
            voice.SetPan(static_cast<int32_t>(i * 300 % 20000) - 10000);
            voice.SetFrequency(i % 4 == 0 ? 0 : 8000 + 500 * static_cast<uint32_t>(i));
        }
        CSoundBuffer& edited = *voices[static_cast<size_t>(round) % voices.size()];
        Write(edited, SinePcm(edited.GetFormat(), 500, 900, 0.01));  // publishes new memory
        auto duplicate = edited.Duplicate();
        ASSERT_NE(duplicate, nullptr);
        duplicate->Play(PlayFlags::Looping);
        std::this_thread::sleep_for(std::chrono::milliseconds(25));  // a few periods
        uint32_t play = 0;
        duplicate->GetCurrentPosition(&play, nullptr);
        moved += play > 0 ? 1 : 0;
        duplicate.reset();
        device.Mixer()->Collect();
    }
    const long allocations = TakeGuardedAllocations();
    EXPECT_EQ(allocations, 0) << "libjack's threads, our process callback among them, allocated";
    EXPECT_GT(moved, 20U) << "the callback did not play the voices";
    voices.clear();
    device.Close();
}

}  // namespace
}  // namespace tessaron::test
