#include "audioout/LossWatch.h"

namespace tessaron {

void LossWatch::Begin(uint32_t rate, StreamWatch::Limits limits, std::shared_ptr<StreamTarget> target,
                      std::function<void()> onLost)
{
    End();
    {
        std::lock_guard lock(mutex_);
        end_ = false;
    }
    thread_ = std::thread([this, rate, limits, target = std::move(target), onLost = std::move(onLost)] {
        Run(rate, limits, target, onLost);
    });
}

void LossWatch::End()
{
    {
        std::lock_guard lock(mutex_);
        end_ = true;
    }
    wake_.notify_all();
    if (!thread_.joinable()) {
        return;
    }
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();  // past its last use of this object: it only returns from here
    } else {
        thread_.join();
    }
}

void LossWatch::Run(uint32_t rate, StreamWatch::Limits limits, const std::shared_ptr<StreamTarget>& target,
                    const std::function<void()>& onLost)
{
    StreamWatch watch(rate, limits);
    watch.Started(StreamWatch::Clock::now());
    std::unique_lock lock(mutex_);
    while (!end_) {
        wake_.wait_for(lock, std::chrono::milliseconds(25));
        if (end_) {
            break;
        }
        if (watch.Lost(StreamWatch::Clock::now(), target->frames.load(std::memory_order_relaxed))) {
            lock.unlock();  // the handler may end the watch itself
            onLost();
            return;
        }
    }
}

}  // namespace tessaron
