#include "app/CSettingsStore.h"

#include "audiofile/FilePaths.h"

namespace tessaron {

namespace {

// Flags are stored as 0/1; any other non-zero value reads as set.
bool ReadFlag(IProfileStore& store, std::string_view key, bool fallback)
{
    return store.ReadInt(key, fallback ? 1 : 0) != 0;
}

void WriteFlag(IProfileStore& store, std::string_view key, bool value)
{
    store.WriteInt(key, value ? 1 : 0);
}

}  // namespace

void CSettingsStore::LoadPitchBendRange(CSettings& settings)
{
    settings.pitchBendRange = store_.ReadInt("PITCHBENDRANGE", CSettings{}.pitchBendRange);
}

void CSettingsStore::LoadSettings(CSettings& settings)
{
    const CSettings defaults;
    settings.autoLoad = ReadFlag(store_, "AUTOLOAD", defaults.autoLoad);
    settings.editor = store_.ReadString("EDITOR", defaults.editor);
    settings.memoryMax = store_.ReadInt("MEMORYMAX", defaults.memoryMax);
    settings.sizeSamplesMax = store_.ReadInt("SIZESAMPLESMAX", defaults.sizeSamplesMax);
    settings.nbSamplesMax = store_.ReadInt("NBSAMPLESMAX", defaults.nbSamplesMax);
    settings.nbLoop = store_.ReadInt("NBLOOP", defaults.nbLoop);
    settings.tempoMin = store_.ReadInt("TEMPOMIN", defaults.tempoMin);
    settings.tempoMax = store_.ReadInt("TEMPOMAX", defaults.tempoMax);
    settings.resVolPan = store_.ReadInt("RESVOLPAN", defaults.resVolPan);
    settings.dirMidi = store_.ReadString("DIRMIDI", defaults.dirMidi);
    settings.dirWave = store_.ReadString("DIRWAVE", defaults.dirWave);
    settings.dirDls = store_.ReadString("DIRDLS", defaults.dirDls);
    SetSampleSizeLimit(settings.sizeSamplesMax);
    settings.autoPlay = ReadFlag(store_, "AUTOPLAY", defaults.autoPlay);
    settings.autoLoop = ReadFlag(store_, "AUTOLOOP", defaults.autoLoop);
    settings.autoSustain = ReadFlag(store_, "AUTOSUSTAIN", defaults.autoSustain);
    settings.autoVol = ReadFlag(store_, "AUTOVOL", defaults.autoVol);
    settings.latency = store_.ReadInt("LANTENCY", defaults.latency);
    settings.midiThru = ReadFlag(store_, "MIDITHRU", defaults.midiThru);
    settings.pcBeep = ReadFlag(store_, "PCBEEP", defaults.pcBeep);
    settings.midiBeep = ReadFlag(store_, "MIDIBEEP", defaults.midiBeep);
    settings.midiVelocity = ReadFlag(store_, "MIDIVELOCITY", defaults.midiVelocity);
    settings.mam = ReadFlag(store_, "MAM", defaults.mam);
    settings.midiCanal = store_.ReadInt("MIDICANAL", defaults.midiCanal);
    settings.pitchBend = ReadFlag(store_, "PITCHBEND", defaults.pitchBend);
    settings.midiEditor = store_.ReadString("MIDIEDITOR", defaults.midiEditor);
    settings.midiInDrivers = store_.ReadString("MIDIINDRIVERS", defaults.midiInDrivers);
    settings.midiOutDrivers = store_.ReadString("MIDIOUTDRIVERS", defaults.midiOutDrivers);
}

void CSettingsStore::SaveSettings(const CSettings& settings)
{
    store_.WriteString("EDITOR", settings.editor);
    WriteFlag(store_, "AUTOLOAD", settings.autoLoad);
    store_.WriteInt("MEMORYMAX", settings.memoryMax);
    store_.WriteInt("SIZESAMPLESMAX", settings.sizeSamplesMax);
    store_.WriteInt("NBSAMPLESMAX", settings.nbSamplesMax);
    store_.WriteInt("NBLOOP", settings.nbLoop);
    store_.WriteInt("TEMPOMIN", settings.tempoMin);
    store_.WriteInt("TEMPOMAX", settings.tempoMax);
    store_.WriteInt("RESVOLPAN", settings.resVolPan);
    store_.WriteString("DIRMIDI", settings.dirMidi);
    store_.WriteString("DIRWAVE", settings.dirWave);
    store_.WriteString("DIRDLS", settings.dirDls);
    WriteFlag(store_, "MIDITHRU", settings.midiThru);
    WriteFlag(store_, "PCBEEP", settings.pcBeep);
    WriteFlag(store_, "MIDIBEEP", settings.midiBeep);
    WriteFlag(store_, "MIDIVELOCITY", settings.midiVelocity);
    WriteFlag(store_, "MAM", settings.mam);
    store_.WriteInt("MIDICANAL", settings.midiCanal);
    WriteFlag(store_, "PITCHBEND", settings.pitchBend);
    store_.WriteInt("PITCHBENDRANGE", settings.pitchBendRange);
    store_.WriteString("MIDIINDRIVERS", settings.midiInDrivers);
    store_.WriteString("MIDIOUTDRIVERS", settings.midiOutDrivers);
    WriteFlag(store_, "AUTOPLAY", settings.autoPlay);
    WriteFlag(store_, "AUTOLOOP", settings.autoLoop);
    WriteFlag(store_, "AUTOSUSTAIN", settings.autoSustain);
    WriteFlag(store_, "AUTOVOL", settings.autoVol);
    store_.WriteInt("LANTENCY", settings.latency);
    // Written last so the keys above keep their order; without it an edited MIDI editor would be lost.
    store_.WriteString("MIDIEDITOR", settings.midiEditor);
}

CWindowPlacement CSettingsStore::LoadWindowPlacement()
{
    CWindowPlacement placement;
    placement.x = store_.ReadInt("X", CWindowPlacement::kNone);
    placement.y = store_.ReadInt("Y", CWindowPlacement::kNone);
    placement.cx = store_.ReadInt("CX", CWindowPlacement::kNone);
    placement.cy = store_.ReadInt("CY", CWindowPlacement::kNone);
    placement.resX = store_.ReadInt("RESX", CWindowPlacement::kNone);
    placement.resY = store_.ReadInt("RESY", CWindowPlacement::kNone);
    placement.style = store_.ReadInt("STYLE", CWindowPlacement::kMaximizeBit);
    return placement;
}

void CSettingsStore::SaveWindowPlacement(const CWindowPlacement& placement)
{
    store_.WriteInt("RESX", placement.resX);
    store_.WriteInt("RESY", placement.resY);
    store_.WriteInt("STYLE", placement.style);
    store_.WriteInt("X", placement.x);
    store_.WriteInt("Y", placement.y);
    store_.WriteInt("CX", placement.cx);
    store_.WriteInt("CY", placement.cy);
}

std::string CSettingsStore::LoadSkinName()
{
    std::string name = store_.ReadString("Skins", kDefaultSkin);
    return name.empty() ? std::string(kDefaultSkin) : name;
}

void CSettingsStore::SaveSkinName(std::string_view skinPath)
{
    store_.WriteString("Skins", GetFileName(skinPath));
}

std::string CSettingsStore::SkinPath(std::string_view skinName, std::string_view programFolder)
{
    if (skinName.find_first_of("/\\") != std::string_view::npos || programFolder.empty()) {
        return std::string(skinName);
    }
    std::string path(programFolder);
    if (path.back() != '/' && path.back() != '\\') {
        path += '/';
    }
    return path.append(skinName);
}

}  // namespace tessaron
