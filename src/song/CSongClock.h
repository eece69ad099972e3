#pragma once

#include <cstdint>
#include <random>

namespace tessaron {

// The song clock and the live quantization grid. Plain state of the document, changed under
// the document lock by the scheduler tick and by the user-interface commands.
struct CSongClock {
    // Quantization types, in the order the "Quantization type" choice lists them.
    enum Type : int32_t { kNormal = 0, kGroove = 1, kIterative = 2, kHuman = 3 };
    static constexpr int kFrequencyCount = 8;

    float gridMs = 600.0f;
    float gridBeats = 1.0f;
    int32_t clock = 0;
    int32_t beatCounter = 0;
    uint8_t beatsPerBar = 4;
    float msPerBeat = 600.0f;
    int32_t grooveOffset = 0;
    int32_t humanRange = 0;
    int32_t startDelay = 0;
    bool gridFlag = false;
    bool beatFlag = false;
    uint8_t subBeatTicks = 0;

    // Grid step in beats of a "Quantization frequency" index; 0 for 8 or more.
    static float FrequencyBeats(int index);
    static const char* FrequencyText(int index);
    static const char* TypeText(int index);
    // The first index whose step is at most `beats` (0 when none).
    static int FrequencyIndexOf(float beats);

    // Clock back to 0 with the start-up grid.
    void Reset();
    // Beat counter = p; clock = p beats, even; flags cleared. The grid is prepared separately.
    void RestartAt(int32_t beat);
    // Grid in ms, offset and human range from tempo, type and frequency; the human type
    // reseeds `random` from the time of day.
    void PrepareGrid(float tempo, int type, int frequencyIndex, std::minstd_rand& random);
    // Whether the tick at `clockMs` reaches a grid point; draws the next human offset when it does.
    bool ComputeGridFlag(int32_t clockMs, int type, std::minstd_rand& random);
    // Whether the tick at `clockMs` reaches a beat.
    bool ComputeBeatFlag(int32_t clockMs) const;
};

}  // namespace tessaron
