#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/CSettingsStore.h"

namespace tessaron {
namespace {

// A profile store in memory that records each access, with the sample size limit at that moment.
class RecordingStore : public IProfileStore {
public:
    struct Access {
        char operation;  // 'i', 's' read; 'I', 'S' write
        std::string key;
        int32_t limit;
    };

    int32_t ReadInt(std::string_view key, int32_t fallback) override
    {
        Record('i', key);
        const auto found = ints.find(std::string(key));
        return found == ints.end() ? fallback : found->second;
    }
    std::string ReadString(std::string_view key, std::string_view fallback) override
    {
        Record('s', key);
        const auto found = strings.find(std::string(key));
        return found == strings.end() ? std::string(fallback) : found->second;
    }
    void WriteInt(std::string_view key, int32_t value) override
    {
        Record('I', key);
        ints[std::string(key)] = value;
    }
    void WriteString(std::string_view key, std::string_view value) override
    {
        Record('S', key);
        strings[std::string(key)] = std::string(value);
    }

    std::vector<std::string> Keys() const
    {
        std::vector<std::string> keys;
        for (const Access& access : accesses) {
            keys.push_back(access.key);
        }
        return keys;
    }
    const Access& Find(const std::string& key) const
    {
        for (const Access& access : accesses) {
            if (access.key == key) {
                return access;
            }
        }
        throw std::runtime_error("no access to " + key);
    }

    std::map<std::string, int32_t> ints;
    std::map<std::string, std::string> strings;
    std::vector<Access> accesses;

private:
    void Record(char operation, std::string_view key)
    {
        accesses.push_back({operation, std::string(key), SampleSizeLimit()});
    }
};

bool IsTextKey(const std::string& key)
{
    return key.starts_with("DIR") || key.ends_with("EDITOR") || key.ends_with("DRIVERS");
}

class SettingsOrder : public ::testing::Test {
protected:
    SettingsOrder() { SetSampleSizeLimit(kStartSampleSizeLimit); }
    ~SettingsOrder() override { SetSampleSizeLimit(kStartSampleSizeLimit); }

    RecordingStore store;
    CSettingsStore settingsStore{store};
};

TEST_F(SettingsOrder, PitchBendRangeIsReadAlone)
{
    store.ints["PITCHBENDRANGE"] = 48;
    CSettings settings;
    settingsStore.LoadPitchBendRange(settings);
    EXPECT_EQ(store.Keys(), std::vector<std::string>{"PITCHBENDRANGE"});
    EXPECT_EQ(settings.pitchBendRange, 48);
}

TEST_F(SettingsOrder, LoadReadsTheKeysInOrder)
{
    CSettings settings;
    settingsStore.LoadSettings(settings);
    const std::vector<std::string> expected = {
        "AUTOLOAD", "EDITOR", "MEMORYMAX", "SIZESAMPLESMAX", "NBSAMPLESMAX", "NBLOOP", "TEMPOMIN",
        "TEMPOMAX", "RESVOLPAN", "DIRMIDI", "DIRWAVE", "DIRDLS", "AUTOPLAY", "AUTOLOOP", "AUTOSUSTAIN",
        "AUTOVOL", "LANTENCY", "MIDITHRU", "PCBEEP", "MIDIBEEP", "MIDIVELOCITY", "MAM", "MIDICANAL",
        "PITCHBEND", "MIDIEDITOR", "MIDIINDRIVERS", "MIDIOUTDRIVERS"};
    EXPECT_EQ(store.Keys(), expected);
    for (const auto& access : store.accesses) {
        EXPECT_EQ(access.operation, IsTextKey(access.key) ? 's' : 'i') << access.key;
    }
}

TEST_F(SettingsOrder, SampleSizeLimitTakesTheSettingBetweenTheFoldersAndAutoPlay)
{
    store.ints["SIZESAMPLESMAX"] = 12345678;
    CSettings settings;
    settingsStore.LoadSettings(settings);
    EXPECT_EQ(store.Find("SIZESAMPLESMAX").limit, kStartSampleSizeLimit);
    EXPECT_EQ(store.Find("DIRDLS").limit, kStartSampleSizeLimit);
    EXPECT_EQ(store.Find("AUTOPLAY").limit, 12345678);
    EXPECT_EQ(SampleSizeLimit(), 12345678);
}

TEST_F(SettingsOrder, SampleSizeLimitIsSetEvenWhenTheKeyIsMissing)
{
    SetSampleSizeLimit(77);
    CSettings settings;
    settingsStore.LoadSettings(settings);
    EXPECT_EQ(SampleSizeLimit(), 20971520);
}

TEST_F(SettingsOrder, SaveWritesTheKeysInOrder)
{
    settingsStore.SaveSettings(CSettings{});
    const std::vector<std::string> expected = {
        "EDITOR", "AUTOLOAD", "MEMORYMAX", "SIZESAMPLESMAX", "NBSAMPLESMAX", "NBLOOP", "TEMPOMIN",
        "TEMPOMAX", "RESVOLPAN", "DIRMIDI", "DIRWAVE", "DIRDLS", "MIDITHRU", "PCBEEP", "MIDIBEEP",
        "MIDIVELOCITY", "MAM", "MIDICANAL", "PITCHBEND", "PITCHBENDRANGE", "MIDIINDRIVERS",
        "MIDIOUTDRIVERS", "AUTOPLAY", "AUTOLOOP", "AUTOSUSTAIN", "AUTOVOL", "LANTENCY", "MIDIEDITOR"};
    EXPECT_EQ(store.Keys(), expected);
    for (const auto& access : store.accesses) {
        EXPECT_EQ(access.operation, IsTextKey(access.key) ? 'S' : 'I') << access.key;
    }
}

TEST_F(SettingsOrder, SaveDoesNotTouchTheSampleSizeLimit)
{
    CSettings settings;
    settings.sizeSamplesMax = 999;
    settingsStore.SaveSettings(settings);
    EXPECT_EQ(SampleSizeLimit(), kStartSampleSizeLimit);
    EXPECT_EQ(store.ints["SIZESAMPLESMAX"], 999);
}

// Everything that is loaded is also saved, so nothing set in the Options dialog is lost at close.
TEST_F(SettingsOrder, SaveWritesEveryKeyThatLoadReads)
{
    CSettings settings;
    settingsStore.LoadPitchBendRange(settings);
    settingsStore.LoadSettings(settings);
    std::vector<std::string> read = store.Keys();
    store.accesses.clear();
    settingsStore.SaveSettings(settings);
    std::vector<std::string> written = store.Keys();
    std::sort(read.begin(), read.end());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(read, written);
}

TEST_F(SettingsOrder, FlagsAreWrittenAsZeroOrOne)
{
    store.ints["PCBEEP"] = 5;
    CSettings settings;
    settingsStore.LoadSettings(settings);
    EXPECT_TRUE(settings.pcBeep);
    settingsStore.SaveSettings(settings);
    EXPECT_EQ(store.ints["PCBEEP"], 1);
    EXPECT_EQ(store.ints["AUTOSUSTAIN"], 0);
}

TEST_F(SettingsOrder, WindowPlacementOrders)
{
    const CWindowPlacement placement = settingsStore.LoadWindowPlacement();
    EXPECT_EQ(store.Keys(), (std::vector<std::string>{"X", "Y", "CX", "CY", "RESX", "RESY", "STYLE"}));
    store.accesses.clear();
    settingsStore.SaveWindowPlacement(placement);
    EXPECT_EQ(store.Keys(), (std::vector<std::string>{"RESX", "RESY", "STYLE", "X", "Y", "CX", "CY"}));
}

}  // namespace
}  // namespace tessaron
