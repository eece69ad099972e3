#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace tessaron {

class CMedia;
class IMediaLoader;

// Opens media off the scheduler tick. The tick hands a medium over and goes on; a thread of
// its own decodes it (and fits it to the tempo) without the document lock, and the next tick
// collects the result. While a medium is queued, being opened or waiting to be collected it
// is "busy": nobody else touches it, and the actions on it wait. The loader itself never takes
// the document lock, so waiting for it under that lock is safe.
class CMediumLoader {
public:
    struct Result {
        CMedia* medium;
        bool opened;
    };

    CMediumLoader() = default;
    ~CMediumLoader();
    CMediumLoader(const CMediumLoader&) = delete;
    CMediumLoader& operator=(const CMediumLoader&) = delete;

    // Queues `medium` to be opened at `tempo` through `opener`, unless it is busy already.
    void Request(CMedia& medium, float tempo, IMediaLoader* opener);
    bool IsBusyWith(const CMedia* medium) const;
    // The loads that ended since the last call; their media are no longer busy.
    std::vector<Result> TakeFinished();
    // Opens `medium` on the calling thread, busy meanwhile, after any load of it in progress.
    // A result the thread had for it already is left to be collected and this answers false
    // without opening again when `medium` was opened by it.
    bool OpenHere(CMedia& medium, float tempo, IMediaLoader* opener);
    // Forgets a queued request of `medium` and waits for a load of it in progress to end.
    void Settle(const CMedia* medium);
    // The same for every medium.
    void SettleAll();
    // Settles everything and ends the thread.
    void Stop();

private:
    struct Request_ {
        CMedia* medium;
        float tempo;
        IMediaLoader* opener;
    };

    void Run();
    bool Queued(const CMedia* medium) const;
    bool Finished(const CMedia* medium) const;

    mutable std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable progress_;
    std::deque<Request_> queue_;
    const CMedia* opening_ = nullptr;      // by the thread
    const CMedia* openingHere_ = nullptr;  // by a caller of OpenHere
    std::vector<Result> finished_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace tessaron
