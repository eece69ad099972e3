#include "song/CMesure.h"

#include <algorithm>
#include <cmath>
#include <cinttypes>
#include <cstdio>

#include "framework/CArchive.h"

namespace tessaron {

int32_t SaturateToInt32(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

void CMesure::Reset()
{
    beats_ = 0;
    fraction_ = 0.0f;
    beatsPerBar_ = kDefaultBeatsPerBar;
}

// A bar of zero beats would divide by zero; such a value can only come from a damaged file.
int32_t CMesure::Bar() const { return beatsPerBar_ == 0 ? 0 : beats_ / beatsPerBar_; }
int32_t CMesure::BeatInBar() const { return beatsPerBar_ == 0 ? beats_ : beats_ % beatsPerBar_; }

int32_t CMesure::ToMs(float tempo) const
{
    if (tempo == 0.0f) {
        return 0;
    }
    return SaturateToInt32((static_cast<double>(beats_) + fraction_) * 60000.0 / tempo);
}

void CMesure::FromMs(int32_t ms, float tempo)
{
    if (tempo == 0.0f) {
        return;
    }
    const double perBeatExact = 60000.0 / tempo;
    uint32_t perBeat = perBeatExact >= 1.0 && perBeatExact < 4294967295.0 ? static_cast<uint32_t>(perBeatExact) : 1;
    const uint32_t unsignedMs = static_cast<uint32_t>(ms);
    uint32_t beats = unsignedMs / perBeat;
    uint32_t rest = unsignedMs % perBeat;
    if (rest < 25) {
        rest = 0;
    }
    if (rest > 975) {
        ++beats;
        rest = 0;
    }
    float fraction = static_cast<float>(rest) / static_cast<float>(perBeat);
    if (fraction >= 1.0f) {
        const float whole = std::floor(fraction);
        beats += static_cast<uint32_t>(whole);
        fraction -= whole;
    }
    beats_ = static_cast<int32_t>(beats);
    fraction_ = fraction;
}

std::string CMesure::PositionText() const
{
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%lld.%d", static_cast<long long>(Bar()) + 1, static_cast<long long>(BeatInBar()) + 1, Tick());
    return text;
}

std::string CMesure::LengthText() const
{
    char text[48];
    if (Tick() == 0 && BeatInBar() == 0) {
        std::snprintf(text, sizeof text, "%d", Bar() * beatsPerBar_);
    } else {
        std::snprintf(text, sizeof text, "%d.%lld.%d", Bar(), static_cast<long long>(BeatInBar()) + 1, Tick());
    }
    return text;
}

std::string CMesure::BarBeatText() const
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%lld", static_cast<long long>(Bar()) + 1, static_cast<long long>(BeatInBar()) + 1);
    return text;
}

void CMesure::ParsePosition(std::string_view input, bool oneBased)
{
    Reset();
    if (input.empty()) {
        return;
    }
    // The text is read from a 20-character work buffer; longer text is cut.
    char buffer[20] = {};
    const size_t length = std::min(input.size(), sizeof buffer - 1);
    std::copy_n(input.data(), length, buffer);

    int bar = oneBased ? 1 : 0;
    int beat = oneBased ? 1 : 0;
    float fraction = 0.0f;
    const auto points = std::count(buffer, buffer + length, '.');
    if (points == 0) {
        std::sscanf(buffer, "%d", &bar);
    } else if (points == 1) {
        std::sscanf(buffer, "%d%f", &beat, &fraction);
    } else if (points == 2) {
        std::sscanf(buffer, "%d.%d%f", &bar, &beat, &fraction);
    }
    if (oneBased) {
        bar = std::max(bar, 1) - 1;
        beat = std::max(beat, 1) - 1;
    }
    if (!(fraction >= 0.0f && fraction < 1.0e6f)) {
        fraction = 0.0f;  // a damaged text must not make a huge or invalid beat count
    }
    if (fraction >= 1.0f) {
        const float whole = std::floor(fraction);
        beat += static_cast<int>(whole);
        fraction -= whole;
    }
    beats_ = static_cast<int32_t>(static_cast<int64_t>(bar) * beatsPerBar_ + beat);
    fraction_ = fraction;
}

void CMesure::ParseBarBeat(std::string_view input)
{
    Reset();
    char buffer[20] = {};
    std::copy_n(input.data(), std::min(input.size(), sizeof buffer - 1), buffer);
    int bar = 1;
    int beat = 1;
    std::sscanf(buffer, "%d.%d", &bar, &beat);
    bar = std::max(bar, 1);
    beat = std::max(beat, 1);
    beats_ = static_cast<int32_t>(static_cast<int64_t>(bar - 1) * beatsPerBar_ + (beat - 1));
}

void CMesure::Store(CArchive& archive) const
{
    archive.WriteInt(beats_);
    archive.WriteFloat(fraction_);
    archive.WriteByte(beatsPerBar_);
}

void CMesure::Load(CArchive& archive)
{
    beats_ = archive.ReadInt();
    fraction_ = archive.ReadFloat();
    beatsPerBar_ = archive.ReadByte();
}

}  // namespace tessaron
