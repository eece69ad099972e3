#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "midi/CMidiService.h"
#include "midi/IMidiInputTarget.h"

namespace tessaron {
namespace {

// Keeps what the service hands over, with the ring record as it stood during the call.
class InputLog : public IMidiInputTarget {
public:
    explicit InputLog(const CMidiService& service) : service_(service) {}
    void send(uint32_t message, int ringIndex, uint32_t packed) override
    {
        std::lock_guard guard(lock_);
        entries.push_back({message, ringIndex, packed, service_.Record(ringIndex)});
    }
    struct Entry {
        uint32_t message;
        int index;
        uint32_t packed;
        CMidiService::InputRecord record;
    };
    std::vector<Entry> entries;

private:
    const CMidiService& service_;
    std::mutex lock_;
};

bool DeliverBytes(CMidiService& service, std::initializer_list<uint8_t> bytes)
{
    const std::vector<uint8_t> data(bytes);
    return service.Deliver(data.data(), data.size(), 1234);
}

TEST(MidiInputPath, TheChannelSettingChoosesWhichChannelsPass)
{
    struct Row {
        int32_t setting;
        std::vector<int> passing;  // channels 0..15 that pass
    };
    const Row table[] = {
        {0, {}},
        {1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {2, {0}},
        {9, {7}},
        {17, {15}},
        {18, {}},  // out of range: nothing, like "No"
        {-1, {}},
    };
    for (const Row& row : table) {
        CMidiService service;
        service.SetChannel(row.setting);
        std::vector<int> passed;
        for (int channel = 0; channel < 16; ++channel) {
            if (DeliverBytes(service, {static_cast<uint8_t>(0x90 | channel), 60, 100})) {
                passed.push_back(channel);
            }
        }
        EXPECT_EQ(passed, row.passing) << "setting " << row.setting;
    }
}

TEST(MidiInputPath, OnlyNotesPressureControllersAndBendPass)
{
    CMidiService service;
    InputLog log(service);
    service.SetTarget(&log);
    service.SetChannel(CMidiService::kChannelOmni);
    EXPECT_TRUE(DeliverBytes(service, {0x80, 60, 0}));
    EXPECT_TRUE(DeliverBytes(service, {0x91, 61, 1}));
    EXPECT_TRUE(DeliverBytes(service, {0xA2, 62, 2}));
    EXPECT_TRUE(DeliverBytes(service, {0xB3, 7, 3}));
    EXPECT_TRUE(DeliverBytes(service, {0xE4, 0, 127}));
    EXPECT_FALSE(DeliverBytes(service, {0xC0, 5}));     // program change
    EXPECT_FALSE(DeliverBytes(service, {0xD0, 5}));     // channel pressure
    EXPECT_FALSE(DeliverBytes(service, {0xF8}));        // clock
    EXPECT_FALSE(DeliverBytes(service, {0x3C, 0x40}));  // running status without a status byte
    ASSERT_EQ(log.entries.size(), 5u);
    const auto& bend = log.entries[4];
    EXPECT_EQ(bend.message, 1024u);
    EXPECT_EQ(bend.packed, 0xE4u + 0u * 256 + 127u * 65536);
    EXPECT_EQ(bend.record.type, 0xE0);
    EXPECT_EQ(bend.record.channel, 4);
    EXPECT_EQ(bend.record.data1, 0);
    EXPECT_EQ(bend.record.data2, 127);
    EXPECT_EQ(bend.record.time, 1234);
    EXPECT_EQ(bend.record.reserved0, 0);
    EXPECT_EQ(bend.record.reserved1, 0);
}

TEST(MidiInputPath, TheRingWrapsAfterTwentyOneEventsAndInputCanBeHeldBack)
{
    CMidiService service;
    InputLog log(service);
    service.SetTarget(&log);
    for (int i = 0; i < 23; ++i) {
        DeliverBytes(service, {0x90, static_cast<uint8_t>(30 + i), 64});
        if (i == 20) {
            EXPECT_EQ(service.RingIndex(), 0) << "after 21 events";
        }
    }
    ASSERT_EQ(log.entries.size(), 23u);
    for (size_t i = 0; i < log.entries.size(); ++i) {
        EXPECT_EQ(log.entries[i].index, static_cast<int>(i % 21));
        EXPECT_EQ(log.entries[i].record.data1, 30 + i);
        EXPECT_EQ(log.entries[i].packed, log.entries[i].record.packed);
    }
    EXPECT_EQ(service.Record(0).data1, 51);  // overwritten by the 22nd
    EXPECT_EQ(service.Record(2).data1, 32);

    // With input disabled the ring still moves, but the target hears nothing.
    service.EnableInput(false);
    EXPECT_TRUE(DeliverBytes(service, {0x90, 1, 1}));
    EXPECT_EQ(log.entries.size(), 23u);
    EXPECT_EQ(service.RingIndex(), 3);
}

TEST(MidiInputPath, ProblemTextsNameThePort)
{
    EXPECT_EQ(CMidiService::ProblemText(CMidiService::kInputProblem, "Keys"), "Problem with the midi in device Keys");
    EXPECT_EQ(CMidiService::ProblemText(CMidiService::kOutputProblem, "Synth:in"),
              "Problem with the midi out device Synth:in");
}

TEST(MidiInputPath, PortsAreFoundByFullNameClientNameOrPart)
{
    const std::vector<std::string> ports = {"system:midi_capture_1", "keys:out", "keystation:out", "a:b"};
    EXPECT_EQ(FindPort(ports, "keys:out"), 1);
    EXPECT_EQ(FindPort(ports, "keys"), 1);
    EXPECT_EQ(FindPort(ports, "keystation"), 2);
    EXPECT_EQ(FindPort(ports, "capture"), 0);
    EXPECT_EQ(FindPort(ports, "synth"), -1);
    EXPECT_EQ(FindPort(ports, ""), -1);
}

TEST(MidiInputPath, WithoutAnyMidiSystemTheServiceSaysSoInsteadOfThrowing)
{
    // This machine has no ALSA sequencer; RtMidi throws there, and the service must not.
    CMidiService service(MidiApi::Alsa);
    if (service.Create()) {
        GTEST_SKIP() << "an ALSA sequencer is present";
    }
    EXPECT_FALSE(service.Error().empty());
    EXPECT_FALSE(service.OpenInput(""));
    EXPECT_FALSE(service.OpenOutput("x"));
    const uint8_t note[] = {0x90, 60, 100};
    EXPECT_FALSE(service.Send(note, 3));
    EXPECT_TRUE(service.InputPorts().empty());
}

}  // namespace
}  // namespace tessaron
