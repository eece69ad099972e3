#include "song/CSongMemory.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "framework/IMessageSink.h"
#include "framework/INotice.h"
#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/IDocumentObserver.h"
#include "song/Messages.h"

namespace tessaron {

void CSongMemory::Add(int32_t bytes)
{
    used_ += bytes;
    Post();
}

void CSongMemory::Subtract(int32_t bytes)
{
    used_ = std::max(0, used_ - bytes);
    Post();
}

void CSongMemory::Charge(const CMedia& medium)
{
    std::lock_guard guard(doc_.Lock());
    const auto held = static_cast<int32_t>(std::clamp<int64_t>(medium.MemoryHeld(), 0, INT32_MAX));
    int32_t& charged = charged_[&medium];
    if (held == charged) {
        return;
    }
    used_ = std::max(0, used_ + held - charged);
    charged = held;
    Post();
}

void CSongMemory::Release(const CMedia& medium)
{
    std::lock_guard guard(doc_.Lock());
    const auto it = charged_.find(&medium);
    if (it == charged_.end()) {
        return;
    }
    used_ = std::max(0, used_ - it->second);
    charged_.erase(it);
    Post();
}

void CSongMemory::Post() const
{
    if (IMessageSink* sink = doc_.Environment().sink) {
        sink->post(message::kMemory, 0, used_);
    }
}

void CSongMemory::Clear()
{
    used_ = 0;
    charged_.clear();
}

bool CSongMemory::LoadMediumData(CMedia& medium, bool notify)
{
    float tempo = 100.0f;
    {
        std::lock_guard guard(doc_.Lock());
        CollectLoads();
        if (!loader_.IsBusyWith(&medium) && medium.loaded == 1) {
            return true;
        }
        tempo = doc_.EffectiveTempo();
    }
    // The tick goes on meanwhile; the loader keeps it off this medium until the end.
    const bool opened = loader_.OpenHere(medium, tempo, doc_.Environment().loader);
    std::lock_guard guard(doc_.Lock());
    if (!opened) {
        // Told once whatever asked, since a song's media are loaded without asking.
        const std::string why = medium.TakeOpenFailureText();
        if (INotice* notice = doc_.Environment().notice; !why.empty() && notice != nullptr) {
            notice->show(why, NoticeIcon::Exclamation);
        }
    }
    return FinishLoad(medium, opened, notify);
}

bool CSongMemory::FinishLoad(CMedia& medium, bool opened, bool notify)
{
    if (!opened) {
        return false;
    }
    if (medium.kind == CMedia::kKindMusic) {
        return true;  // streamed from its file: no memory to count
    }
    const SongEnvironment& env = doc_.Environment();
    if (static_cast<int64_t>(used_) + medium.MemoryHeld() > env.settings.memoryMax) {
        // Refused media must not hold on to the memory they were refused for.
        medium.Close();
        if (notify && env.notice != nullptr) {
            env.notice->show(notice_text::kMemoryMaxForSamples, NoticeIcon::Exclamation);
        }
        return false;
    }
    Charge(medium);
    if (notify && env.views != nullptr) {
        env.views->Notice(ListNotice::MediaChanged);
    }
    return true;
}

void CSongMemory::CollectLoads()
{
    std::lock_guard guard(doc_.Lock());
    for (const CMediumLoader::Result& result : loader_.TakeFinished()) {
        if (!FinishLoad(*result.medium, result.opened, false)) {
            doc_.Transport().DropPlaysOf(result.medium);
        }
    }
}

}  // namespace tessaron
