#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "audioout/StreamTarget.h"
#include "audioout/StreamWatch.h"

namespace tessaron {

// A thread that compares the frames a running stream asks for with the clock (StreamWatch)
// and reports the stream lost once, then ends.
class LossWatch {
public:
    LossWatch() = default;
    ~LossWatch() { End(); }
    LossWatch(const LossWatch&) = delete;
    LossWatch& operator=(const LossWatch&) = delete;

    // `onLost` runs on the watch thread. A watch still running is ended first.
    void Begin(uint32_t rate, StreamWatch::Limits limits, std::shared_ptr<StreamTarget> target,
               std::function<void()> onLost);
    // Ends and joins the thread; called on the thread itself (from `onLost`), lets it end alone.
    void End();

private:
    void Run(uint32_t rate, StreamWatch::Limits limits, const std::shared_ptr<StreamTarget>& target,
             const std::function<void()>& onLost);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool end_ = false;
};

}  // namespace tessaron
