#include "midi/CMidiPerformance.h"

namespace tessaron {

CMidiMedia* CMidiPerformance::StartPrimary(CMidiMedia* medium)
{
    std::lock_guard guard(mutex_);
    CMidiMedia* before = primary_;
    primary_ = medium;
    return before != medium ? before : nullptr;
}

void CMidiPerformance::Forget(const CMidiMedia* medium)
{
    std::lock_guard guard(mutex_);
    if (primary_ == medium) {
        primary_ = nullptr;
    }
}

CMidiMedia* CMidiPerformance::Primary() const
{
    std::lock_guard guard(mutex_);
    return primary_;
}

}  // namespace tessaron
