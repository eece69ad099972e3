#include "effects/SampleEffect.h"

#include <array>
#include <climits>

#include "effects/DelayEffects.h"
#include "effects/Distortion.h"
#include "effects/FirFilter.h"
#include "effects/LevelEffects.h"
#include "effects/Resonant.h"
#include "effects/Reverse.h"

namespace tessaron {
namespace {

struct EffectEntry {
    SampleEffect effect;
    std::string_view name;
    int parameterCount;
};

constexpr std::array<EffectEntry, 14> kEffects = {{
    {SampleEffect::Normalise, "normalise", 0},
    {SampleEffect::Gain, "gain", 1},
    {SampleEffect::NoiseGate, "noise-gate", 1},
    {SampleEffect::Compression, "compression", 1},
    {SampleEffect::Expansion, "expansion", 1},
    {SampleEffect::LowPass, "low-pass", 1},
    {SampleEffect::HighPass, "high-pass", 1},
    {SampleEffect::Comb, "comb", 1},
    {SampleEffect::Resonant, "resonant", 2},
    {SampleEffect::Delay, "delay", 2},
    {SampleEffect::Echo, "echo", 2},
    {SampleEffect::Distortion, "distortion", 1},
    {SampleEffect::Reverse, "reverse", 0},
    {SampleEffect::Metal, "metal", 1},
}};

constexpr std::array<SampleEffect, kEffects.size()> kOrder = [] {
    std::array<SampleEffect, kEffects.size()> order{};
    for (std::size_t i = 0; i < kEffects.size(); ++i) {
        order[i] = kEffects[i].effect;
    }
    return order;
}();

const EffectEntry& EntryOf(SampleEffect effect)
{
    for (const auto& entry : kEffects) {
        if (entry.effect == effect) {
            return entry;
        }
    }
    return kEffects[0];  // unreachable for a valid enumerator
}

// Parameter arithmetic saturates: a level far beyond the int range clips every sample anyway.
int Saturate(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

std::span<const SampleEffect> AllSampleEffects()
{
    return kOrder;
}

std::string_view EffectName(SampleEffect effect)
{
    return EntryOf(effect).name;
}

std::optional<SampleEffect> EffectFromName(std::string_view name)
{
    for (const auto& entry : kEffects) {
        if (entry.name == name) {
            return entry.effect;
        }
    }
    return std::nullopt;
}

std::optional<SampleEffect> EffectAtOffset(int offset)
{
    for (const auto& entry : kEffects) {
        if (static_cast<int>(entry.effect) == offset) {
            return entry.effect;
        }
    }
    return std::nullopt;
}

int EffectParameterCount(SampleEffect effect)
{
    return EntryOf(effect).parameterCount;
}

bool ApplyEffect(const PcmView& pcm, SampleEffect effect, EffectParameters parameters, ByteRange range)
{
    const auto size = static_cast<std::int64_t>(pcm.Size());
    if (range.end == 0 || range.end > size) {
        range.end = size;
    }
    const long long p1 = parameters.p1;
    const long long p2 = parameters.p2;
    switch (effect) {
    case SampleEffect::Normalise: return Normalise(pcm, range);
    case SampleEffect::Gain: return Gain(pcm, Saturate(p1 * 10), range);
    case SampleEffect::NoiseGate: return NoiseGate(pcm, parameters.p1, range);
    case SampleEffect::Compression: return Dynamics(pcm, Saturate(-p1), range);
    case SampleEffect::Expansion: return Dynamics(pcm, parameters.p1, range);
    case SampleEffect::LowPass: return FirFilter(pcm, FirKind::LowPass, parameters.p1, range);
    case SampleEffect::HighPass: return FirFilter(pcm, FirKind::HighPass, parameters.p1, range);
    case SampleEffect::Comb: return Comb(pcm, parameters.p1, range);
    case SampleEffect::Resonant: return Resonant(pcm, parameters.p1, parameters.p2, range);
    case SampleEffect::Delay: return Delay(pcm, parameters.p1, Saturate(p2 * 10), range);
    case SampleEffect::Echo: return Echo(pcm, parameters.p1, Saturate(p2 * 10), range);
    case SampleEffect::Distortion: return Distortion(pcm, parameters.p1, range);
    case SampleEffect::Reverse: return Reverse(pcm, range);
    case SampleEffect::Metal: return Metal(pcm, parameters.p1, range);
    }
    return false;
}

bool ApplyEffectAtOffset(const PcmView& pcm, int offset, EffectParameters parameters, ByteRange range)
{
    if (offset < 0 || offset >= kEffectCommandCount) {
        return false;
    }
    const auto effect = EffectAtOffset(offset);
    return effect ? ApplyEffect(pcm, *effect, parameters, range) : true;
}

}  // namespace tessaron
