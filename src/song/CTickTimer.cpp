#include "song/CTickTimer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <pthread.h>
#include <sched.h>

namespace tessaron {

namespace {

constexpr long kNanosecondsPerSecond = 1000000000L;

void AddNanoseconds(timespec& t, long ns)
{
    t.tv_nsec += ns;
    while (t.tv_nsec >= kNanosecondsPerSecond) {
        t.tv_nsec -= kNanosecondsPerSecond;
        ++t.tv_sec;
    }
}

int64_t Microseconds(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000 + t.tv_nsec / 1000; }

int SleepWithClock(const timespec& deadline)
{
    return clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
}

}  // namespace

CTickTimer::CTickTimer(int periodMs, std::function<void()> callback, Sleeper sleeper)
    : periodMs_(std::max(periodMs, 1)), callback_(std::move(callback)),
      sleeper_(sleeper ? std::move(sleeper) : Sleeper(SleepWithClock))
{
}

CTickTimer::~CTickTimer() { Stop(); }

void CTickTimer::Start()
{
    if (thread_.joinable()) {
        return;
    }
    running_ = true;
    thread_ = std::thread([this] { Run(); });
}

void CTickTimer::Stop()
{
    running_ = false;
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

void CTickTimer::RecordLateness(size_t capacity)
{
    if (thread_.joinable()) {
        return;  // the thread may be writing the record
    }
    lateness_.assign(capacity, 0);
    latenessCount_ = 0;
}

std::vector<int32_t> CTickTimer::Lateness() const
{
    const size_t count = std::min(latenessCount_.load(), lateness_.size());
    return std::vector<int32_t>(lateness_.begin(), lateness_.begin() + static_cast<std::ptrdiff_t>(count));
}

void CTickTimer::SleepUntil(timespec& deadline)
{
    int error = 0;
    do {
        error = sleeper_(deadline);
    } while (error == EINTR);
    if (error != 0) {
        // The clock refused the deadline: sleep one period the plain way and start the
        // deadlines again from now, rather than retrying a call that fails at once.
        ++sleepFailures_;
        std::this_thread::sleep_for(std::chrono::milliseconds(periodMs_));
        clock_gettime(CLOCK_MONOTONIC, &deadline);
    }
}

void CTickTimer::Run()
{
    // Real-time priority keeps the ticks on time under load; ordinary users usually may not
    // have it, and then the timer runs at normal priority.
    sched_param param{};
    param.sched_priority = 10;
    realTime_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;

    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    while (running_.load()) {
        AddNanoseconds(deadline, static_cast<long>(periodMs_) * 1000000L);
        SleepUntil(deadline);
        if (!running_.load()) {
            break;
        }
        if (!lateness_.empty()) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const size_t i = latenessCount_.load();
            if (i < lateness_.size()) {
                lateness_[i] = static_cast<int32_t>(Microseconds(now) - Microseconds(deadline));
                latenessCount_ = i + 1;
            }
        }
        callback_();
    }
}

}  // namespace tessaron
