#include "song/CMediumLoader.h"

#include <algorithm>

#include <pthread.h>
#include <sched.h>

#include "song/SongEnvironment.h"

namespace tessaron {

CMediumLoader::~CMediumLoader() { Stop(); }

bool CMediumLoader::Queued(const CMedia* medium) const
{
    return std::any_of(queue_.begin(), queue_.end(), [medium](const Request_& r) { return r.medium == medium; });
}

bool CMediumLoader::Finished(const CMedia* medium) const
{
    return std::any_of(finished_.begin(), finished_.end(), [medium](const Result& r) { return r.medium == medium; });
}

void CMediumLoader::Request(CMedia& medium, float tempo, IMediaLoader* opener)
{
    std::lock_guard guard(mutex_);
    if (stopping_ || opening_ == &medium || openingHere_ == &medium || Queued(&medium) || Finished(&medium)) {
        return;
    }
    queue_.push_back(Request_{&medium, tempo, opener});
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
    }
    work_.notify_one();
}

bool CMediumLoader::IsBusyWith(const CMedia* medium) const
{
    std::lock_guard guard(mutex_);
    return opening_ == medium || openingHere_ == medium || Queued(medium) || Finished(medium);
}

std::vector<CMediumLoader::Result> CMediumLoader::TakeFinished()
{
    std::vector<Result> taken;
    std::lock_guard guard(mutex_);
    taken.swap(finished_);
    return taken;
}

bool CMediumLoader::OpenHere(CMedia& medium, float tempo, IMediaLoader* opener)
{
    std::unique_lock lock(mutex_);
    std::erase_if(queue_, [&medium](const Request_& r) { return r.medium == &medium; });
    progress_.wait(lock, [&] { return opening_ != &medium && openingHere_ == nullptr; });
    const auto done = std::find_if(finished_.begin(), finished_.end(), [&](const Result& r) { return r.medium == &medium; });
    if (done != finished_.end()) {
        // The thread opened it meanwhile: its result is this caller's.
        const bool opened = done->opened;
        finished_.erase(done);
        return opened;
    }
    openingHere_ = &medium;
    lock.unlock();
    const bool opened = opener != nullptr && opener->OpenMedium(medium, tempo);
    lock.lock();
    openingHere_ = nullptr;
    progress_.notify_all();
    return opened;
}

void CMediumLoader::Settle(const CMedia* medium)
{
    std::unique_lock lock(mutex_);
    std::erase_if(queue_, [medium](const Request_& r) { return r.medium == medium; });
    progress_.wait(lock, [&] { return opening_ != medium && openingHere_ != medium; });
}

void CMediumLoader::SettleAll()
{
    std::unique_lock lock(mutex_);
    queue_.clear();
    progress_.wait(lock, [&] { return opening_ == nullptr; });
}

void CMediumLoader::Stop()
{
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
        queue_.clear();
        work_.notify_all();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

void CMediumLoader::Run()
{
    // Started by the tick, the thread would inherit its real-time priority, and a long decode
    // or stretch would then keep the audio callback from its period. Opening runs at normal
    // priority.
    sched_param normal{};
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_) {
            return;
        }
        const Request_ request = queue_.front();
        queue_.pop_front();
        opening_ = request.medium;
        lock.unlock();
        const bool opened = request.opener != nullptr && request.opener->OpenMedium(*request.medium, request.tempo);
        lock.lock();
        opening_ = nullptr;
        finished_.push_back(Result{request.medium, opened});
        progress_.notify_all();
    }
}

}  // namespace tessaron
