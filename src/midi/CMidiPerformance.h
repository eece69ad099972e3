#pragma once

#include <mutex>

namespace tessaron {

class CMidiMedia;

// What plays through the MIDI service's performance: at most one primary medium at a time. A
// primary medium that starts ends the primary one before it; secondary media play on beside it.
//
// Called under the song's lock (the scheduler's tick, or the window's thread); the media keep it
// alive with the service, as either may go first.
class CMidiPerformance {
public:
    // `medium` becomes the primary one; answers the one it takes over from, null when there was
    // none or it was `medium` itself.
    CMidiMedia* StartPrimary(CMidiMedia* medium);
    // The medium no longer plays as the primary one (it plays as a secondary one, is closed or
    // is going away).
    void Forget(const CMidiMedia* medium);
    CMidiMedia* Primary() const;

private:
    mutable std::mutex mutex_;
    CMidiMedia* primary_ = nullptr;
};

}  // namespace tessaron
