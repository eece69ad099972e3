#include "media/CMedia.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <variant>

#include <fcntl.h>
#include <sys/stat.h>

#include "framework/CArchive.h"
#include "framework/TimeText.h"
#include "media/IMediaObserver.h"
#include "media/MediaFields.h"

namespace tessaron {

TESSARON_IMPLEMENT_ABSTRACT(CMedia, CObject, CRuntimeClass::kVersionable | 2)

namespace {

constexpr CMedia::Colours kPalette[CMedia::kPaletteSize] = {
    {0x0000FF, 0xFFFFFF, 0},        {0x40C040, 0xFFFFFF, 0},        {0x800000, 0xFFFFFF, 0xFF0000},
    {0x000080, 0xFFFFFF, 0},        {0xC0C0C0, 0x000000, 0xFF0000}, {0x808080, 0xFFFFFF, 0xFF0000},
    {0xFF00FF, 0xFFFFFF, 0xFF0000}, {0xA4A0A0, 0xFFFFFF, 0xFF0000}, {0xF0CAA6, 0xFFFFFF, 0},
    {0xC0DCC0, 0xFFFFFF, 0},        {0x00FFFF, 0x000000, 0},        {0x000000, 0xFFFFFF, 0},
    {0x4040C0, 0xFFFFFF, 0},        {0x40C040, 0xFFFFFF, 0},        {0xC0C040, 0xFFFFFF, 0},
    {0x107FFF, 0xFFFFFF, 0},        {0xC000C0, 0xFFFFFF, 0},        {0x7F7F40, 0xFFFFFF, 0},
    {0x008000, 0xFFFFFF, 0},        {0x008080, 0xFFFFFF, 0xFF0000}, {0x7F7FFF, 0xFFFFFF, 0xFF0000},
    {0xC00040, 0xFFFFFF, 0},        {0x808000, 0xFFFFFF, 0xFF0000},
};

constexpr size_t kPairFieldLimit = 100;

// Seconds since 1970 when the file was made (its last change where the file system keeps no
// birth time); 0 when the file cannot be found.
int64_t FileCreationTime(const std::string& path)
{
    struct statx info {};
    if (path.empty() || statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0) {
        return 0;
    }
    return (info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
}

std::string Format(const char* format, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

}  // namespace

CMedia::CMedia() { ResetSettings(); }

CMedia::CMedia(const std::string& path, const std::string& newName, int rate, int lengthMs,
               const std::string& newArtist, const std::string& newGenre, float newTempo, int newStartOffset,
               int newVolume, int newPan)
{
    ResetSettings();
    filePath = path;
    name = newName;
    SetSampleRate(rate);
    duration = lengthMs;
    endOffset = lengthMs;
    artist = newArtist;
    genre = newGenre;
    tempo = newTempo;
    effectiveTempo = newTempo;
    startOffset = newStartOffset;
    SetVolume(newVolume);
    SetPan(newPan);
}

CMedia::~CMedia() { validMark = 0; }

void CMedia::ResetSettings()
{
    name.clear();
    filePath.clear();
    artist.clear();
    genre.clear();
    volume = gainDb = pan = triggerMode = 0;
    startOffset = endOffset = duration = dataSize = fileTime = 0;
    year.clear();
    extraText1.clear();
    keyName.clear();
    comment.clear();
    album.clear();
    extraText2.clear();
    extraText3.clear();
    bufferLengthText.clear();
    extraText5.clear();
    extraText6.clear();
    markerCount = extraValue2 = flags = 0;
    loopCount = 1;
    pitch = sampleRate = 0;
    tempo = 0.0f;
    tempoPercent = tempoTarget = 0.0;
    effectiveTempo = 100.0f;
    pcKey = 0;
    midiNote = 12;
    beatCount = deviceIndex = eqGain3 = eqGain2 = eqGain1 = 0;
    optionA = optionB = optionC = false;
    extraValue9 = 0;
    backColour = 0xFF0000;
    textColour = 0xFFFFFF;
    markColour = 0;
    extraText7.clear();
    extraValue10 = extraValue11 = 0;
    state = playCount = 0;
    observer = observer2 = nullptr;
    loaded = 0;
    slot = -1;
    mediumId = runValue1 = muteFlag = runValue2 = position = 0;
    formatInfo.fill(0);
    pairsText.clear();
    pairs.clear();
    events.clear();
    fadeIn = CFade(0, 0, 0, 0);
    fadeOut = CFade(1, 0, 0, 0);
    validMark = kValidMark;
    runValue3 = runValue4 = runValue6 = 0;
    runValue5 = 1;
    runBlock.fill(0);
}

bool CMedia::IsPlaying() const
{
    const int32_t code = state & 0xFF;
    return code == kStatePlaying || code == kStatePlayingB || code == kStatePlayingC;
}

bool CMedia::IsStopped() const { return (state & 0xFF) == kStateStopped; }
bool CMedia::IsArmed() const { return (state & kStateArmed) != 0; }

void CMedia::SetArmed(bool armed) { state = armed ? (state | kStateArmed) : (state & ~kStateArmed); }

void CMedia::SetLoop(bool loop)
{
    if (loop) {
        flags |= kFlagLoop;
        loopCount = 0;
    } else {
        flags &= ~kFlagLoop;
    }
}

bool CMedia::OpenForInfo(int, const std::string&) { return false; }

bool CMedia::Open(CSoundDevice*, float)
{
    loaded = 1;
    runValue1 = 0;
    NotifyObserver(0);
    return true;
}

void CMedia::Close()
{
    loaded = 0;
    NotifyObserver(0);
    SetRunValue2(0);
    observer = nullptr;
    observer2 = nullptr;
}

bool CMedia::Play()
{
    state = kStatePlaying;
    NotifyObserver(kStatePlaying);
    return true;
}

void CMedia::Stop()
{
    state = kStateStopped;
    position = 0;
    NotifyObserver(kStateStopped);
}

void CMedia::Reset() { state = kStateReset; }

void CMedia::Hook(int) {}

int CMedia::SetPosition(int ms)
{
    position = std::min(std::max(0, ms), GetPlayLength());
    return 1;
}

void CMedia::Arm()
{
    SetArmed(true);
    NotifyObserver(kStateArmed);
}

int CMedia::GetLoopPoints(int& a, int& b) const
{
    a = 0;
    b = 0;
    return 0;
}

int CMedia::CurrentPeak(float) { return 0; }
int CMedia::MoveToDevice(CSoundDevice*) { return 0; }
int CMedia::Reopen(float) { return 0; }
int CMedia::ChangeTempo(float) { return 0; }

void CMedia::SetTempoPercent(double percent, bool recompute)
{
    tempoPercent = std::fabs(percent) < 0.001 ? 0.0 : percent;
    if (recompute) {
        effectiveTempo = static_cast<float>(tempo * (1.0 + tempoPercent / 100.0));
    }
}

bool CMedia::SetTempoTarget(double target)
{
    const bool changed = target != tempoTarget;
    tempoTarget = target;
    return changed;
}

void CMedia::SetGainDb(int gain) { gainDb = gain; }

void CMedia::SetVolume(int newVolume) { volume = newVolume >= -1000 && newVolume <= 0 ? newVolume : 0; }

void CMedia::SetPan(int newPan) { pan = newPan >= -1000 && newPan <= 1000 ? newPan : 0; }

void CMedia::SetPitch(int semitones) { pitch = semitones * 100; }

void CMedia::CopyPlaySettings(const CMedia& other)
{
    tempoPercent = other.tempoPercent;
    effectiveTempo = other.effectiveTempo;
    volume = other.volume;
    gainDb = other.gainDb;
    pan = other.pan;
    deviceIndex = other.deviceIndex;
    eqGain3 = other.eqGain3;
    eqGain2 = other.eqGain2;
    eqGain1 = other.eqGain1;
    optionA = other.optionA;
    optionB = other.optionB;
    optionC = other.optionC;
    runValue5 = other.runValue5;
    runValue6 = other.runValue6;
    runBlock = other.runBlock;
    bufferLengthText = other.bufferLengthText;
}

int CMedia::GetLoopData(int& out) const
{
    out = 0;
    return 0;
}

void CMedia::ApplySongTempo(int, float) {}

void CMedia::SetSampleRate(int rate) { sampleRate = rate >= 0 && rate <= 44100 ? rate : 0; }

void CMedia::SetFile(const std::string& path, const std::string& newName, int rate, int lengthMs, int64_t time)
{
    filePath = path;
    name = newName;
    endOffset = lengthMs;
    duration = lengthMs;
    fileTime = static_cast<int32_t>(time);
    SetSampleRate(rate);
}

void CMedia::ClampOffsets()
{
    startOffset = std::clamp(startOffset, 0, std::max(0, duration));
    endOffset = std::clamp(endOffset, 0, std::max(0, duration));
}

void CMedia::SetStartOffset(int ms) { startOffset = ms; }
void CMedia::SetEndOffset(int ms) { endOffset = ms; }

// Offsets and counts come from song files, so the arithmetic saturates rather than overflows.
int CMedia::GetPlayLength() const
{
    return static_cast<int>(std::clamp<int64_t>(int64_t{endOffset} - startOffset, 0, INT32_MAX));
}

int CMedia::GetTotalPlayLength() const
{
    const int64_t length = GetPlayLength();
    return static_cast<int>(
        std::clamp<int64_t>(IsLoop() && loopCount != 0 ? length * loopCount : length, INT32_MIN, INT32_MAX));
}

CMedia::Colours CMedia::PaletteEntry(int n)
{
    const int index = ((n % kPaletteSize) + kPaletteSize) % kPaletteSize;
    return kPalette[index];
}

void CMedia::SetColourScheme(int n)
{
    const Colours colours = PaletteEntry(n);
    backColour = colours.back;
    textColour = colours.text;
    markColour = colours.mark;
}

std::string CMedia::GetFolder() const
{
    const size_t cut = filePath.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : filePath.substr(0, cut);
}

void CMedia::NotifyObserver(int code)
{
    if (observer != nullptr) {
        observer->MediaStateChanged(loaded, code);
    }
}

std::string CMedia::SizeText() const { return Format("%d k", dataSize / 1024); }

std::string CMedia::SizeAndDurationText() const
{
    if (duration < 9999) {
        return Format("%s  /  %d ms", SizeText().c_str(), duration);
    }
    return Format("%s  /  %s", SizeText().c_str(), time_text::FromMs(duration).c_str());
}

uint32_t CMedia::BitRate() const
{
    return static_cast<uint32_t>(formatInfo[4]) | static_cast<uint32_t>(formatInfo[5]) << 8 |
           static_cast<uint32_t>(formatInfo[6]) << 16 | static_cast<uint32_t>(formatInfo[7]) << 24;
}

std::string CMedia::BitRateText() const
{
    uint32_t rate = BitRate();
    if (rate == 0) {
        return {};
    }
    if (rate >= 1000) {
        rate /= 1000;
    }
    return Format("%d kbps", static_cast<int>(rate));
}

std::string CMedia::LoopCountText() const
{
    if (static_cast<int64_t>(GetPlayLength()) * loopCount == 0) {
        return "cont.";
    }
    return time_text::FromMs(GetTotalPlayLength());
}

std::string CMedia::FormatText(bool shortForm) const
{
    uint32_t rate = BitRate();
    if (formatInfo[0] == 0 && rate == 0) {
        return {};
    }
    if (rate >= 1000) {
        rate /= 1000;
    }
    const uint8_t modeOrKind = formatInfo[2];
    std::string kindText;
    std::string modeText;
    switch (modeOrKind) {
    case 10: kindText = shortForm ? "pcm" : "PCM"; break;
    case 50: kindText = "video"; break;
    case 70: kindText = "midi"; break;
    case 100: kindText = "audio"; break;
    default: {
        if (shortForm) {
            kindText = formatInfo[1] == 3 ? "mp3" : "mpg";
        } else {
            kindText = Format("Mpeg%d Layer%d", formatInfo[0], formatInfo[1]);
        }
        static const char* const longModes[] = {"stereo", "joint stereo", "dual channel", "mono"};
        static const char* const shortModes[] = {"S", "J", "D", "M"};
        if (modeOrKind < 4) {
            modeText = shortForm ? shortModes[modeOrKind] : longModes[modeOrKind];
        }
        break;
    }
    }
    return Format("%s %s %dKbps %dBits %d", kindText.c_str(), modeText.c_str(), static_cast<int>(rate),
                  formatInfo[3], sampleRate);
}

std::string CMedia::FileTimeText() const
{
    const std::time_t time = fileTime;
    std::tm parts{};
    if (localtime_r(&time, &parts) == nullptr) {
        return {};
    }
    char text[64];
    std::strftime(text, sizeof text, "%c", &parts);
    return text;
}

std::string CMedia::PcKeyText() const
{
    if ((pcKey >= 48 && pcKey <= 57) || (pcKey >= 65 && pcKey <= 90)) {
        return std::string(1, static_cast<char>(pcKey));
    }
    if (pcKey >= 112 && pcKey <= 123) {
        return Format("F%d", pcKey - 111);
    }
    return {};
}

std::string CMedia::MidiNoteText() const
{
    static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const int note = std::max(0, midiNote);
    return Format("%s%d", names[note % 12], note / 12);  // note is not negative here
}

float CMedia::TempoFromLength(int lengthMs, int beats)
{
    if (lengthMs <= 0) {
        return 100.0f;
    }
    const double result = 60000.0 / lengthMs * beats + 0.049;
    if (result < 40.0 || result >= 250.0) {
        return 100.0f;
    }
    return static_cast<float>(std::trunc(result * 10.0) / 10.0);
}

int CMedia::DelayFromText(const std::string& text, float songTempo)
{
    if (text.empty()) {
        return 500;
    }
    double value = std::atof(text.c_str());
    if (value < 16.0) {
        const double t = songTempo == 0.0f ? 100.0 : songTempo;
        value = 60000.0 / t * value;
    }
    return value >= 50.0 && value < 19200.0 ? static_cast<int>(value) : 0;
}

void CMedia::RebuildPairsText()
{
    pairsText.clear();
    for (const auto& [number, text] : pairs) {
        pairsText += Format("%d", number);
        pairsText += '\t';
        pairsText += text;
        pairsText += '\n';
    }
}

void CMedia::ParsePairsText()
{
    pairs.clear();
    size_t at = 0;
    while (at < pairsText.size()) {
        size_t lineEnd = pairsText.find('\n', at);
        if (lineEnd == std::string::npos) {
            lineEnd = pairsText.size();
        }
        const std::string line = pairsText.substr(at, lineEnd - at);
        at = lineEnd + 1;
        const size_t tab = line.find('\t');
        const std::string first = line.substr(0, std::min(tab, kPairFieldLimit));
        std::string second = tab == std::string::npos ? std::string() : line.substr(tab + 1, kPairFieldLimit);
        if (first.empty() || first[0] == ' ' || first[0] == '\t') {
            pairs.emplace_back(-1, std::string());
        } else {
            pairs.emplace_back(std::atoi(first.c_str()), std::move(second));
        }
    }
}

void CMedia::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        Store(archive);
    } else {
        Load(archive);
    }
}

void CMedia::Store(CArchive& ar)
{
    flags &= ~(kFlagOptionA | kFlagOptionB | kFlagOptionC);
    flags |= (optionA ? kFlagOptionA : 0) | (optionB ? kFlagOptionB : 0) | (optionC ? kFlagOptionC : 0);
    RebuildPairsText();

    for (const MediaField& field : MediaFields()) {
        std::visit(FieldVisitor{
                       [&](std::monostate) { ar.WriteString(""); },
                       [&](int32_t CMedia::*m) { ar.WriteInt(this->*m); },
                       [&](uint32_t CMedia::*m) { ar.WriteUInt(this->*m); },
                       [&](float CMedia::*m) { ar.WriteFloat(this->*m); },
                       [&](double CMedia::*m) { ar.WriteDouble(this->*m); },
                       [&](std::string CMedia::*m) { ar.WriteString(this->*m); },
                       [&](std::array<uint8_t, 8> CMedia::*m) { ar.WriteBytes((this->*m).data(), (this->*m).size()); },
                       [&](CFade CMedia::*m) { (this->*m).Store(ar); },
                   },
                   field.member);
    }
}

void CMedia::Load(CArchive& ar)
{
    const uint32_t schema = ar.GetObjectSchema();
    for (const MediaField& field : MediaFields()) {
        std::visit(FieldVisitor{
                       [&](std::monostate) { ar.ReadString(); },
                       [&](int32_t CMedia::*m) { this->*m = ar.ReadInt(); },
                       [&](uint32_t CMedia::*m) { this->*m = ar.ReadUInt(); },
                       [&](float CMedia::*m) { this->*m = ar.ReadFloat(); },
                       [&](double CMedia::*m) { this->*m = ar.ReadDouble(); },
                       [&](std::string CMedia::*m) { this->*m = ar.ReadString(); },
                       [&](std::array<uint8_t, 8> CMedia::*m) {
                           if (schema >= 2) {
                               ar.ReadBytes((this->*m).data(), (this->*m).size());
                           } else {
                               // Older songs carry no format description nor a trustworthy file time.
                               fileTime = static_cast<int32_t>(FileCreationTime(filePath));
                               (this->*m).fill(0);
                           }
                       },
                       [&](CFade CMedia::*m) { (this->*m).Load(ar); },
                   },
                   field.member);
    }

    effectiveTempo = static_cast<float>(tempo * (1.0 + tempoPercent / 100.0));
    optionA = (flags & kFlagOptionA) != 0;
    optionB = (flags & kFlagOptionB) != 0;
    optionC = (flags & kFlagOptionC) != 0;
    ParsePairsText();
}

}  // namespace tessaron
