#pragma once

#include <chrono>
#include <cstdint>

namespace tessaron {

// Tells from the frames a stream has asked for whether its audio system is still there. The
// audio systems end a lost stream in their own ways: JACK's shutdown handling closes the
// client and the callbacks stop; a stopped server stops them too; a PulseAudio stream whose
// server went away has its writes fail at once, so the callbacks race far ahead of the clock.
// Both show against the wall clock: no frames for `stallLimit`, or more frames than real time
// allows plus a second of buffering, counted from the start.
class StreamWatch {
public:
    using Clock = std::chrono::steady_clock;

    struct Limits {
        std::chrono::milliseconds stallLimit{500};
        // A server may hold the first writes back (PulseAudio does, for seconds): stalls count
        // only once this much sound has been asked for.
        std::chrono::milliseconds stallArmedAfter{0};
    };

    StreamWatch(uint32_t rate, Limits limits) : rate_(rate), limits_(limits) {}

    void Started(Clock::time_point now)
    {
        start_ = now;
        lastChange_ = now;
        lastFrames_ = 0;
    }

    // `frames`: all frames asked for since the start. Answers true once the stream is lost.
    bool Lost(Clock::time_point now, uint64_t frames)
    {
        if (frames != lastFrames_) {
            lastFrames_ = frames;
            lastChange_ = now;
        }
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const double allowed = (seconds * 1.5 + 1.0) * rate_;
        if (static_cast<double>(frames) > allowed) {
            return true;
        }
        const double armedFrames = std::chrono::duration<double>(limits_.stallArmedAfter).count() * rate_;
        return static_cast<double>(frames) >= armedFrames && now - lastChange_ > limits_.stallLimit;
    }

private:
    uint32_t rate_;
    Limits limits_;
    Clock::time_point start_{};
    Clock::time_point lastChange_{};
    uint64_t lastFrames_ = 0;
};

}  // namespace tessaron
