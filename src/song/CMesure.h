#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaron {

class CArchive;

// A double as the nearest int32 toward zero, saturating instead of overflowing; NaN gives 0.
// Song files may carry any tempo, so every tempo-derived count goes through this.
int32_t SaturateToInt32(double value);

// A musical position or length: whole beats from the song start and a fraction of a beat.
// Texts count 1000 ticks per beat.
class CMesure {
public:
    static constexpr uint8_t kDefaultBeatsPerBar = 4;

    CMesure() = default;
    CMesure(int32_t beats, float fraction, uint8_t beatsPerBar = kDefaultBeatsPerBar)
        : beats_(beats), fraction_(fraction), beatsPerBar_(beatsPerBar)
    {
    }

    void Reset();

    int32_t Beats() const { return beats_; }
    float Fraction() const { return fraction_; }
    uint8_t BeatsPerBar() const { return beatsPerBar_; }
    void SetBeats(int32_t beats) { beats_ = beats; }
    void SetFraction(float fraction) { fraction_ = fraction; }
    void SetBeatsPerBar(uint8_t beatsPerBar) { beatsPerBar_ = beatsPerBar; }

    int32_t Bar() const;
    int32_t BeatInBar() const;
    int32_t Tick() const { return SaturateToInt32(fraction_ * 1000.0); }

    // Positions differ when their beats or fractions differ (beats per bar is not compared).
    bool operator==(const CMesure& other) const { return beats_ == other.beats_ && fraction_ == other.fraction_; }

    // (beats + fraction) x 60000 / tempo, truncated; 0 at tempo 0.
    int32_t ToMs(float tempo) const;
    // Sets beats and fraction from milliseconds; a trigger within 25 ms after a beat lands on it.
    void FromMs(int32_t ms, float tempo);
    int32_t WholeBeatsRoundedUp() const { return beats_ + (fraction_ > 0.0f ? 1 : 0); }

    std::string PositionText() const;  // "bar.beat.tick", one-based bar and beat
    std::string LengthText() const;    // "8" for whole bars, else "bar.beat.tick" with a zero-based bar
    std::string BarBeatText() const;   // "bar.beat", one-based

    void ParsePosition(std::string_view text, bool oneBased);
    void ParseBarBeat(std::string_view text);

    // Bare fields, no object tag: beats int32, fraction float32, beats per bar byte.
    void Store(CArchive& archive) const;
    void Load(CArchive& archive);

private:
    int32_t beats_ = 0;
    float fraction_ = 0.0f;
    uint8_t beatsPerBar_ = kDefaultBeatsPerBar;
};

}  // namespace tessaron
