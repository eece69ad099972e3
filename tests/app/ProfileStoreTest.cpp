#include <gtest/gtest.h>

#include <QSettings>
#include <QString>

#include <fstream>
#include <sstream>

#include "app/CProfileStore.h"
#include "app/CSettingsStore.h"
#include "support/TempDir.h"

namespace tessaron {
namespace {

// Points the user's settings at a temporary folder before any store is made, so that no test
// reads or writes the real ~/.config/Quorvel/Tessaron.conf.
class ProfileStore : public ::testing::Test {
protected:
    ProfileStore()
    {
        const QString folder = QString::fromStdString(dir.path().string());
        for (const auto scope : {QSettings::UserScope, QSettings::SystemScope}) {
            QSettings::setPath(QSettings::NativeFormat, scope, folder);
            QSettings::setPath(QSettings::IniFormat, scope, folder);
        }
        SetSampleSizeLimit(kStartSampleSizeLimit);
    }
    ~ProfileStore() override { SetSampleSizeLimit(kStartSampleSizeLimit); }

    std::filesystem::path StoreFile() const { return dir.path() / "Quorvel" / "Tessaron.conf"; }

    void WriteStoreFile(const std::string& text) const
    {
        std::filesystem::create_directories(StoreFile().parent_path());
        std::ofstream(StoreFile()) << text;
    }

    std::string ReadStoreFile() const
    {
        std::ifstream file(StoreFile());
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    CSettings Load()
    {
        CProfileStore profile;
        CSettingsStore store(profile);
        CSettings settings;
        store.LoadPitchBendRange(settings);
        store.LoadSettings(settings);
        return settings;
    }

    void Save(const CSettings& settings)
    {
        CProfileStore profile;
        CSettingsStore(profile).SaveSettings(settings);
    }

    test::TempDir dir;
};

CSettings EveryFieldChanged()
{
    CSettings s;
    s.autoLoad = false;
    s.editor = "/usr/bin/audacity";
    s.midiEditor = "C:\\Program Files\\Midi Editor\\edit.exe";
    s.memoryMax = 300 * 1048576;
    s.sizeSamplesMax = 7 * 1048576;
    s.nbSamplesMax = 42;
    s.nbLoop = 2047;
    s.tempoMin = 60;
    s.tempoMax = 180;
    s.resVolPan = 0;
    s.dirWave = "/home/me/Loops, old";
    s.dirMidi = "/home/me/Müsik/MIDI = files; #1";
    s.dirDls = "  /padded/folder  ";
    s.midiInDrivers = "Midi Through:Midi Through Port-0 14:0";
    s.midiOutDrivers = "\"quoted\" port";
    s.midiCanal = 17;
    s.midiThru = true;
    s.midiVelocity = false;
    s.mam = true;
    s.pitchBend = true;
    s.pitchBendRange = 100;
    s.pcBeep = true;
    s.midiBeep = true;
    s.autoPlay = false;
    s.autoLoop = false;
    s.autoSustain = true;
    s.autoVol = false;
    s.latency = 0;
    return s;
}

TEST_F(ProfileStore, AnEmptyStoreGivesTheDefaults)
{
    EXPECT_EQ(Load(), CSettings{});
    EXPECT_EQ(SampleSizeLimit(), CSettings{}.sizeSamplesMax);
    EXPECT_FALSE(std::filesystem::exists(StoreFile()));  // reading creates nothing
}

TEST_F(ProfileStore, SavedSettingsComeBack)
{
    CSettings saved = EveryFieldChanged();
    saved.handOverLoopCount = 4;
    saved.autoSave = true;
    Save(saved);

    CSettings expected = saved;
    expected.handOverLoopCount = 0;  // never stored
    expected.autoSave = false;
    EXPECT_EQ(Load(), expected);
    EXPECT_EQ(SampleSizeLimit(), 7 * 1048576);
}

TEST_F(ProfileStore, SavedDefaultsComeBackAsDefaults)
{
    Save(CSettings{});
    EXPECT_EQ(Load(), CSettings{});
}

TEST_F(ProfileStore, KeysLiveInTheSettingsGroupOfTheUsersFile)
{
    Save(CSettings{});
    const std::string text = ReadStoreFile();
    EXPECT_NE(text.find("[Settings]"), std::string::npos) << text;
    EXPECT_NE(text.find("MEMORYMAX=134217728\n"), std::string::npos) << text;
    EXPECT_NE(text.find("LANTENCY=15\n"), std::string::npos) << text;
    EXPECT_NE(text.find("AUTOLOAD=1\n"), std::string::npos) << text;
}

TEST_F(ProfileStore, MissingKeysGiveTheirDefaults)
{
    WriteStoreFile("[Settings]\nNBLOOP=7\nMIDIINDRIVERS=Keys In\n[Other]\nMEMORYMAX=5\n");
    CSettings expected;
    expected.nbLoop = 7;
    expected.midiInDrivers = "Keys In";
    EXPECT_EQ(Load(), expected);
}

TEST_F(ProfileStore, ValuesOutsideTheDialogRangesAreTakenAsStored)
{
    WriteStoreFile(
        "[Settings]\nNBLOOP=5000\nMEMORYMAX=5\nTEMPOMIN=-3\nMIDICANAL=40\nSIZESAMPLESMAX=2147483647\n"
        "PITCHBENDRANGE=1\n");
    CSettings expected;
    expected.nbLoop = 5000;
    expected.memoryMax = 5;
    expected.tempoMin = -3;
    expected.midiCanal = 40;
    expected.sizeSamplesMax = 2147483647;
    expected.pitchBendRange = 1;
    EXPECT_EQ(Load(), expected);
    EXPECT_EQ(SampleSizeLimit(), 2147483647);
}

TEST_F(ProfileStore, NumbersThatAreNotThirtyTwoBitIntegersReadAsMissing)
{
    WriteStoreFile(
        "[Settings]\nRESVOLPAN=abc\nLANTENCY=99999999999\nNBLOOP=12abc\nTEMPOMAX=\nMEMORYMAX=1, 2\n"
        "NBSAMPLESMAX= 25 \nSIZESAMPLESMAX=-2147483649\n");
    CSettings expected;
    expected.nbSamplesMax = 25;  // surrounding blanks are not part of the value
    EXPECT_EQ(Load(), expected);
    EXPECT_EQ(SampleSizeLimit(), expected.sizeSamplesMax);
}

TEST_F(ProfileStore, AnyNonZeroFlagIsSet)
{
    WriteStoreFile("[Settings]\nPCBEEP=2\nMIDITHRU=-1\nAUTOLOAD=0\nAUTOPLAY=no\n");
    const CSettings settings = Load();
    EXPECT_TRUE(settings.pcBeep);
    EXPECT_TRUE(settings.midiThru);
    EXPECT_FALSE(settings.autoLoad);
    EXPECT_TRUE(settings.autoPlay);  // not a number: the default
}

TEST_F(ProfileStore, HandWrittenTextsAreReadWhole)
{
    WriteStoreFile("[Settings]\nDIRWAVE=/home/me/Loops, old\nEDITOR=\n");
    const CSettings settings = Load();
    EXPECT_EQ(settings.dirWave, "/home/me/Loops, old");
    EXPECT_EQ(settings.editor, "");
}

TEST_F(ProfileStore, WindowPlacementDefaultsAndRoundTrip)
{
    {
        CProfileStore profile;
        EXPECT_EQ(CSettingsStore(profile).LoadWindowPlacement(), CWindowPlacement{});
    }
    const CWindowPlacement saved{12, -8, 1600, 900, 1920, 1080, 0};
    {
        CProfileStore profile;
        CSettingsStore(profile).SaveWindowPlacement(saved);
    }
    CProfileStore profile;
    EXPECT_EQ(CSettingsStore(profile).LoadWindowPlacement(), saved);
}

TEST_F(ProfileStore, SkinNameDefaultsToTheDefaultSkin)
{
    CProfileStore profile;
    CSettingsStore store(profile);
    EXPECT_EQ(store.LoadSkinName(), "rqconfig.ini");
    profile.WriteString("Skins", "");
    EXPECT_EQ(store.LoadSkinName(), "rqconfig.ini");
}

TEST_F(ProfileStore, OnlyTheSkinsFileNameIsStored)
{
    WriteStoreFile("[Settings]\nSkins=/opt/skins/dark.ini\n");
    {
        CProfileStore profile;
        CSettingsStore store(profile);
        const std::string name = store.LoadSkinName();
        EXPECT_EQ(name, "/opt/skins/dark.ini");
        EXPECT_EQ(CSettingsStore::SkinPath(name, "/usr/share/tessaron"), "/opt/skins/dark.ini");
        store.SaveSkinName(CSettingsStore::SkinPath(name, "/usr/share/tessaron"));
    }
    CProfileStore profile;
    CSettingsStore store(profile);
    EXPECT_EQ(store.LoadSkinName(), "dark.ini");
    store.SaveSkinName("C:\\Tessaron\\blue.ini");
    EXPECT_EQ(store.LoadSkinName(), "blue.ini");
}

TEST_F(ProfileStore, ABareSkinNameIsLookedForInTheProgramFolder)
{
    const std::string inFolder = "/usr/share/tessaron/rqconfig.ini";
    EXPECT_EQ(CSettingsStore::SkinPath("rqconfig.ini", "/usr/share/tessaron"), inFolder);
    EXPECT_EQ(CSettingsStore::SkinPath("rqconfig.ini", "/usr/share/tessaron/"), inFolder);
    EXPECT_EQ(CSettingsStore::SkinPath("skins\\red.ini", "/usr/share/tessaron"), "skins\\red.ini");
}

}  // namespace
}  // namespace tessaron
