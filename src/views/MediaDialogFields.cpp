#include "views/MediaDialogFields.h"

#include <algorithm>
#include <cmath>

#include "audiofile/CId3Tag.h"
#include "audiofile/FilePaths.h"
#include "audiofile/FileTypes.h"
#include "framework/INotice.h"
#include "media/CMedia.h"
#include "media/CSamples.h"
#include "midi/CMidiMedia.h"
#include "music/CMusic.h"
#include "song/CChordwayDoc.h"
#include "song/CSettings.h"

namespace tessaron {

namespace {

constexpr int kFirstMidiKey = 12;  // "C1"
constexpr int kLastMidiKey = 127;
constexpr int kFunctionKeyF2 = 113;

std::vector<std::string> MakePcKeys()
{
    std::vector<std::string> keys;
    for (char c = '0'; c <= '9'; ++c) {
        keys.emplace_back(1, c);
    }
    for (int f = 2; f <= 12; ++f) {
        keys.push_back("F" + std::to_string(f));
    }
    for (char c = 'A'; c <= 'Z'; ++c) {
        keys.emplace_back(1, c);
    }
    return keys;
}

std::vector<std::string> MakeMidiKeys()
{
    static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    std::vector<std::string> keys;
    for (int note = kFirstMidiKey; note <= kLastMidiKey; ++note) {
        keys.push_back(names[note % 12] + std::to_string(note / 12));
    }
    return keys;
}

}  // namespace

const std::vector<std::string>& MediaDialogFields::PcKeyChoices()
{
    static const std::vector<std::string> keys = MakePcKeys();
    return keys;
}

int MediaDialogFields::PcKeyCode(int row)
{
    if (row < 0) {
        return 0;
    }
    if (row < 10) {
        return '0' + row;
    }
    if (row < 21) {
        return kFunctionKeyF2 + (row - 10);
    }
    return row < 47 ? 'A' + (row - 21) : 0;
}

int MediaDialogFields::PcKeyRow(int code)
{
    if (code >= '0' && code <= '9') {
        return code - '0';
    }
    if (code >= kFunctionKeyF2 && code <= kFunctionKeyF2 + 10) {
        return 10 + (code - kFunctionKeyF2);
    }
    if (code >= 'A' && code <= 'Z') {
        return 21 + (code - 'A');
    }
    return -1;
}

const std::vector<std::string>& MediaDialogFields::MidiKeyChoices()
{
    static const std::vector<std::string> keys = MakeMidiKeys();
    return keys;
}

const std::vector<std::string>& MediaDialogFields::DivChoices()
{
    static const std::vector<std::string> rows = {"Norm", "1", "2", "4", "8", "16"};
    return rows;
}

int MediaDialogFields::DivRowOf(int stretchOption)
{
    if (stretchOption >= 0 && stretchOption < 3) {
        return stretchOption;
    }
    const std::string text = std::to_string(stretchOption);
    const auto& rows = DivChoices();
    const auto found = std::find(rows.begin() + 3, rows.end(), text);
    return found == rows.end() ? 0 : static_cast<int>(found - rows.begin());
}

int MediaDialogFields::StretchOptionOf(int divRow)
{
    if (divRow < 3) {
        return std::max(0, divRow);
    }
    const auto& rows = DivChoices();
    return divRow < static_cast<int>(rows.size()) ? std::stoi(rows[static_cast<size_t>(divRow)]) : 0;
}

int MediaDialogFields::ColourRowOf(uint32_t backColour)
{
    for (int n = 0; n < CMedia::kPaletteSize; ++n) {
        if (CMedia::PaletteEntry(n).back == backColour) {
            return n;
        }
    }
    return -1;
}

MediaDialogFields MediaDialogFields::FromMedium(const CMedia& medium)
{
    MediaDialogFields f;
    f.kind = medium.kind == CMedia::kKindMidi ? Kind::Midi : medium.kind == CMedia::kKindMusic ? Kind::Music : Kind::Sample;
    f.file = medium.filePath;
    f.name = medium.name;
    f.device = std::max(0, medium.deviceIndex);
    if (const auto* sample = dynamic_cast<const CSamples*>(&medium)) {
        f.stretchRow = std::clamp(sample->stretchMode, 0, 2);
        f.divRow = DivRowOf(sample->stretchOption);
    } else if (f.kind == Kind::Music) {
        f.stretchRow = (medium.flags & CMedia::kFlagTimeStretch) != 0 ? 1 : 0;
    }
    if (const auto* midi = dynamic_cast<const CMidiMedia*>(&medium)) {
        f.primary = (medium.flags & CMedia::kFlagPrimary) != 0;
        f.tempoChange = midi->setting1 != 0;
        f.soundFile = midi->soundFile;
    }
    f.tempo = std::clamp(static_cast<double>(medium.tempo), 0.0, kTempoMax);
    f.beats = std::clamp(medium.beatCount, 0, kBeatsMax);
    f.pcKeyRow = PcKeyRow(medium.pcKey);
    f.midiKeyRow = medium.midiNote >= kFirstMidiKey && medium.midiNote <= kLastMidiKey ? medium.midiNote - kFirstMidiKey : -1;
    f.colourRow = ColourRowOf(medium.backColour);
    f.duration = std::max(0, medium.duration);
    f.offset = medium.startOffset;
    f.end = medium.endOffset > 0 ? medium.endOffset : f.duration;
    f.loop = medium.IsLoop();
    f.loopCount = std::clamp(medium.loopCount, 0, kLoopCountMax);
    f.hold = medium.IsHold();
    f.resynchro = (medium.flags & CMedia::kFlagResynchro) != 0;
    f.volume = medium.volume;
    f.pan = medium.pan;
    f.sampleRate = medium.sampleRate;
    f.dataSize = medium.dataSize;
    f.ClampRange();
    return f;
}

void MediaDialogFields::ClampRange()
{
    duration = std::max(0, duration);
    end = std::clamp(end, 0, duration);
    offset = std::clamp(offset, 0, end);
}

void MediaDialogFields::TakeProbe(const std::string& path, const MediaProbe& probe)
{
    file = path;
    name = probe.name;
    duration = std::max(0, probe.durationMs);
    offset = 0;
    end = duration;
    sampleRate = probe.sampleRate;
    dataSize = probe.dataSize;
    if (probe.tempo > 0.0f) {
        tempo = std::clamp(static_cast<double>(probe.tempo), 0.0, kTempoMax);
    }
}

void MediaDialogFields::WriteTo(CMedia& medium) const
{
    medium.filePath = file;
    medium.name = name;
    medium.deviceIndex = device;
    medium.SetSampleRate(sampleRate);
    medium.dataSize = dataSize;
    medium.duration = duration;
    medium.startOffset = offset;
    medium.endOffset = end;
    medium.ClampOffsets();
    medium.tempo = static_cast<float>(tempo);
    medium.CMedia::SetTempoPercent(medium.tempoPercent, true);  // the effective tempo the list shows
    medium.beatCount = beats;
    if (pcKeyRow >= 0) {
        medium.pcKey = PcKeyCode(pcKeyRow);
    }
    if (midiKeyRow >= 0) {
        medium.midiNote = kFirstMidiKey + midiKeyRow;
    }
    if (colourRow >= 0 && colourRow != ColourRowOf(medium.backColour)) {
        medium.SetColourScheme(colourRow);
    }
    const auto setFlag = [&medium](int32_t bit, bool on) { medium.flags = on ? medium.flags | bit : medium.flags & ~bit; };
    setFlag(CMedia::kFlagLoop, loop);
    medium.loopCount = std::clamp(loopCount, 0, kLoopCountMax);
    setFlag(CMedia::kFlagHold, hold);
    setFlag(CMedia::kFlagResynchro, resynchro);
    medium.SetVolume(volume);
    medium.SetPan(pan);
    if (auto* sample = dynamic_cast<CSamples*>(&medium)) {
        sample->stretchMode = std::clamp(stretchRow, 0, 2);
        sample->stretchOption = StretchOptionOf(divRow);
    } else if (medium.kind == CMedia::kKindMusic) {
        setFlag(CMedia::kFlagTimeStretch, stretchRow > 0);
    }
    if (auto* midi = dynamic_cast<CMidiMedia*>(&medium)) {
        setFlag(CMedia::kFlagPrimary, primary);
        midi->setting1 = tempoChange ? 1 : 0;
        midi->soundFile = soundFile;
    }
}

int64_t MediaDialogFields::RangeBytes() const
{
    if (duration <= 0) {
        return dataSize;
    }
    const int64_t bytesPerSecond = int64_t{dataSize} * 1000 / duration;
    return bytesPerSecond * (end - offset) / 1000;
}

std::string_view MediaDialogFields::CheckLimits(const CChordwayDoc& doc, int64_t held) const
{
    if (kind != Kind::Sample) {
        return {};
    }
    const int64_t bytes = RangeBytes();
    if (bytes > SampleSizeLimit()) {
        return notice_text::kSampleIsTooBig;
    }
    if (int64_t{doc.MemoryUsed()} - held + bytes > doc.Environment().settings.memoryMax) {
        return notice_text::kMemoryMaxForSamples;
    }
    return {};
}

MediaProbe ProbeMediaFile(const std::string& path)
{
    MediaProbe probe;
    probe.name = GetFileTitle(path);
    if (IsMidiFile(path)) {
        CMidiMedia midi;
        probe.midi = true;
        probe.ok = midi.OpenForInfo(0, path);
        probe.durationMs = midi.duration;
        probe.dataSize = midi.dataSize;
        probe.tempo = midi.tempo;
        return probe;
    }
    CMusic info;
    probe.ok = info.OpenForInfo(0, path);
    if (!probe.ok) {
        return probe;
    }
    probe.durationMs = info.duration;
    probe.sampleRate = info.sampleRate;
    probe.dataSize = info.dataSize;
    CId3Tag tag;
    if (ReadTag(path, tag)) {
        probe.tempo = tag.tempo;
    }
    return probe;
}

}  // namespace tessaron
