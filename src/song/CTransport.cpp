#include "song/CTransport.h"

#include <algorithm>
#include <climits>

namespace tessaron {

int32_t CTransport::RecordPassCount() const
{
    const Guard guard = Hold();
    return recordPassCount_;
}

int32_t CTransport::EventsRecordedThisPass() const
{
    const Guard guard = Hold();
    return eventsRecordedThisPass_;
}

void CTransport::SetSongPlaying(bool on)
{
    const Guard guard = Hold();
    songPlaying_ = on;
}

bool CTransport::ToggleRecordMode()
{
    const Guard guard = Hold();
    const bool on = !recordMode_.load();
    recordMode_ = on;
    if (on) {
        ++recordPassCount_;
        eventsRecordedThisPass_ = 0;
    }
    return on;
}

void CTransport::CountRecordedEvent()
{
    const Guard guard = Hold();
    ++eventsRecordedThisPass_;
}

void CTransport::ResetRecordPasses()
{
    const Guard guard = Hold();
    recordPassCount_ = 0;
}

void CTransport::EnableTick()
{
    const Guard guard = Hold();
    tickEnabled_ = true;
}

void CTransport::DisableTick()
{
    const Guard guard = Hold();
    tickEnabled_ = false;
}

bool CTransport::BeginTick(const Guard&)
{
    if (!tickEnabled_.load() || tickBusy_.load()) {
        return false;
    }
    tickBusy_ = true;
    return true;
}

void CTransport::EndTick(const Guard&) { tickBusy_ = false; }

bool CTransport::HasPending() const
{
    const Guard guard = Hold();
    return !pending_.empty();
}

int32_t CTransport::NextStart() const
{
    const Guard guard = Hold();
    return pending_.empty() ? INT32_MAX : pending_.front()->Start();
}

size_t CTransport::Insert(const Guard&, std::unique_ptr<CAction> action)
{
    const int32_t start = action->Start();
    auto at = std::upper_bound(pending_.begin(), pending_.end(), start,
                               [](int32_t s, const std::unique_ptr<CAction>& a) { return s < a->Start(); });
    return static_cast<size_t>(pending_.insert(at, std::move(action)) - pending_.begin());
}

void CTransport::Reinsert(const Guard& guard, size_t& i)
{
    std::unique_ptr<CAction> moved = std::move(pending_[i]);
    pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
    if (Insert(guard, std::move(moved)) <= i) {
        ++i;
    }
}

void CTransport::MarkDone(const Guard&, CAction& action)
{
    action.SetCode(CAction::kDone);
    purgeFlag_ = true;
}

void CTransport::MarkHoldsDone(const Guard& guard, const CMedia* medium, bool stopsToo)
{
    for (const auto& action : pending_) {
        const int32_t code = action->Code();
        if (action->Medium() == medium && (code == CAction::kHold || (stopsToo && code == CAction::kScheduledStop))) {
            MarkDone(guard, *action);
        }
    }
}

void CTransport::PurgeDone(const Guard&)
{
    if (purgeFlag_) {
        std::erase_if(pending_, [](const std::unique_ptr<CAction>& a) { return a->Code() == CAction::kDone; });
        purgeFlag_ = false;
    }
}

void CTransport::DropActionsOf(const CMedia* medium)
{
    const Guard guard = Hold();
    std::erase_if(pending_, [medium](const auto& action) { return action->Medium() == medium; });
}

void CTransport::ClearPending()
{
    const Guard guard = Hold();
    pending_.clear();
    purgeFlag_ = false;
}

}  // namespace tessaron
