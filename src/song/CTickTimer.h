#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace tessaron {

// A thread that calls its callback on absolute 2 ms deadlines (clock_nanosleep with
// TIMER_ABSTIME), at real-time priority when the system allows it.
class CTickTimer {
public:
    CTickTimer(int periodMs, std::function<void()> callback);
    ~CTickTimer();
    CTickTimer(const CTickTimer&) = delete;
    CTickTimer& operator=(const CTickTimer&) = delete;

    void Stop();
    bool IsRunning() const { return running_.load(); }
    bool IsRealTime() const { return realTime_.load(); }

    // Lateness of each wake-up in microseconds, kept for the last `capacity` ticks when asked.
    void RecordLateness(size_t capacity);
    std::vector<int32_t> Lateness() const;

private:
    void Run();

    int periodMs_;
    std::function<void()> callback_;
    std::atomic<bool> running_{true};
    std::atomic<bool> realTime_{false};
    std::atomic<size_t> latenessCount_{0};
    std::vector<int32_t> lateness_;
    std::thread thread_;
};

}  // namespace tessaron
