#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "effects/PcmView.h"

namespace tessaron {

// The effect commands, valued by their offset from kFirstEffectCommand. The offsets between
// them (8, 10 to 14, 19, 20) are commands that do nothing.
enum class SampleEffect : int {
    Normalise = 0,
    Gain = 1,
    NoiseGate = 2,
    Compression = 3,
    Expansion = 4,
    LowPass = 5,
    HighPass = 6,
    Comb = 7,
    Resonant = 9,
    Delay = 15,
    Echo = 16,
    Distortion = 17,
    Reverse = 18,
    Metal = 21,
};

inline constexpr int kFirstEffectCommand = 32860;
inline constexpr int kEffectCommandCount = 22;  // offsets 0..21

// The effect parameters as the user enters them: p1 and p2 of the effect dialog.
struct EffectParameters {
    int p1 = 0;
    int p2 = 0;
};

// The fourteen effects in offset order.
std::span<const SampleEffect> AllSampleEffects();

// Command-line names: "normalise", "gain", "noise-gate", ... "metal".
std::string_view EffectName(SampleEffect effect);
std::optional<SampleEffect> EffectFromName(std::string_view name);

// The effect of a command offset; nothing for the do-nothing offsets and those out of range.
std::optional<SampleEffect> EffectAtOffset(int offset);

// How many parameters (0, 1 or 2) the effect reads: p1, then p2.
int EffectParameterCount(SampleEffect effect);

// Runs one effect with the dialog's parameters converted as the command does (gain, delay and
// echo levels in dB × 10; compression negated). An end of 0 or beyond the buffer means the
// buffer's end. Answers the routine's result: false for an unusable buffer or parameters the
// routine refuses (then nothing changed).
bool ApplyEffect(const PcmView& pcm, SampleEffect effect, EffectParameters parameters, ByteRange range);

// The same by command offset: the do-nothing offsets answer true and change nothing; offsets
// outside 0..21 answer false.
bool ApplyEffectAtOffset(const PcmView& pcm, int offset, EffectParameters parameters, ByteRange range);

}  // namespace tessaron
