#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

namespace tessaron {

// A thread that calls its callback on absolute deadlines (clock_nanosleep with TIMER_ABSTIME),
// at real-time priority when the system allows it. Made stopped: what must be set before the
// first tick (the lateness record) is set between construction and Start.
class CTickTimer {
public:
    // Sleeps until an absolute CLOCK_MONOTONIC deadline; answers 0 or an error number.
    using Sleeper = std::function<int(const timespec& deadline)>;

    CTickTimer(int periodMs, std::function<void()> callback, Sleeper sleeper = {});
    ~CTickTimer();
    CTickTimer(const CTickTimer&) = delete;
    CTickTimer& operator=(const CTickTimer&) = delete;

    // Starts the thread (once; later calls do nothing).
    void Start();
    // Stops the thread and waits for it, unless called from the thread itself.
    void Stop();
    bool IsRunning() const { return running_.load(); }
    bool IsRealTime() const { return realTime_.load(); }
    // Sleeps that failed with an error other than an interrupt; each was replaced by a plain
    // sleep of one period, so a broken clock slows the timer down but never makes it spin.
    uint32_t SleepFailures() const { return sleepFailures_.load(); }

    // Lateness of each wake-up in microseconds, kept for the first `capacity` ticks. Only
    // before Start; afterwards the call does nothing.
    void RecordLateness(size_t capacity);
    std::vector<int32_t> Lateness() const;

private:
    void Run();
    void SleepUntil(timespec& deadline);

    int periodMs_;
    std::function<void()> callback_;
    Sleeper sleeper_;
    std::atomic<bool> running_{false};
    std::atomic<bool> realTime_{false};
    std::atomic<uint32_t> sleepFailures_{0};
    std::atomic<size_t> latenessCount_{0};
    std::vector<int32_t> lateness_;
    std::thread thread_;
};

}  // namespace tessaron
