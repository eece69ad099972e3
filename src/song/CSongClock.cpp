#include "song/CSongClock.h"

#include "song/CMesure.h"

#include <chrono>
#include <cmath>

namespace tessaron {

namespace {

constexpr float kFrequencyBeats[CSongClock::kFrequencyCount] = {4.0f, 2.0f,        1.0f,   0.5f,
                                                               1.0f / 3.0f, 0.25f, 1.0f / 6.0f, 0.125f};
constexpr const char* kFrequencyTexts[CSongClock::kFrequencyCount] = {"4",   "2",   "1",   "1/2",
                                                                     "1/3", "1/4", "1/6", "1/8"};
constexpr const char* kTypeTexts[4] = {"normal", "groove", "iterative", "human"};

}  // namespace

float CSongClock::FrequencyBeats(int index)
{
    return index >= 0 && index < kFrequencyCount ? kFrequencyBeats[index] : 0.0f;
}

const char* CSongClock::FrequencyText(int index)
{
    return index >= 0 && index < kFrequencyCount ? kFrequencyTexts[index] : "";
}

const char* CSongClock::TypeText(int index) { return index >= 0 && index < 4 ? kTypeTexts[index] : ""; }

int CSongClock::FrequencyIndexOf(float beats)
{
    for (int i = 0; i < kFrequencyCount; ++i) {
        if (kFrequencyBeats[i] <= beats) {
            return i;
        }
    }
    return 0;
}

void CSongClock::Reset()
{
    clock = 0;
    beatCounter = 0;
    gridMs = 600.0f;
    msPerBeat = 600.0f;
    startDelay = 0;
    gridFlag = beatFlag = false;
    subBeatTicks = 0;
}

void CSongClock::RestartAt(int32_t beat)
{
    beatCounter = beat;
    const int32_t ms = SaturateToInt32(static_cast<double>(beat) * msPerBeat);
    clock = ms - (ms % 2);
    gridFlag = beatFlag = false;
    subBeatTicks = 0;
}

void CSongClock::PrepareGrid(float tempo, int type, int frequencyIndex, std::minstd_rand& random)
{
    if (!(tempo > 0.0f) || !std::isfinite(tempo)) {
        tempo = 100.0f;  // 0 means the default; a negative or broken tempo from a file too
    }
    msPerBeat = 60000.0f / tempo;
    gridBeats = FrequencyBeats(frequencyIndex);
    gridMs = msPerBeat * gridBeats;
    if (msPerBeat == 0.0f) {
        msPerBeat = 1.0f;
    }
    if (gridMs == 0.0f) {
        gridMs = 1.0f;
    }
    grooveOffset = 0;
    switch (type) {
    case kGroove: grooveOffset = SaturateToInt32(gridMs * 2.0 / 3.0); break;
    case kIterative: grooveOffset = SaturateToInt32(gridMs * 2.0 / 2.0); break;
    case kHuman:
        random.seed(static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count()));
        humanRange = SaturateToInt32(gridMs * 2.0 / 4.0);
        if (humanRange == 0) {
            humanRange = 4;
        }
        break;
    default: break;
    }
}

bool CSongClock::ComputeGridFlag(int32_t clockMs, int type, std::minstd_rand& random)
{
    bool on;
    if (gridMs == 1.0f) {
        on = true;
    } else {
        const float d = std::fabs(std::fmod(static_cast<float>(clockMs), gridMs) - static_cast<float>(grooveOffset));
        on = d <= 1.0f || gridMs - d < 1.0f;
    }
    if (on && type == kHuman && humanRange > 0) {
        grooveOffset = static_cast<int32_t>(random() % static_cast<uint32_t>(humanRange));
    }
    return on;
}

bool CSongClock::ComputeBeatFlag(int32_t clockMs) const
{
    if (msPerBeat == 1.0f) {
        return true;
    }
    const float m = std::fmod(static_cast<float>(clockMs), msPerBeat);
    return m <= 1.0f || msPerBeat - m < 1.0f;
}

}  // namespace tessaron
