#pragma once

#include <atomic>
#include <cstdint>
#include <unordered_map>

#include "song/CMediumLoader.h"

namespace tessaron {

class CChordwayDoc;
class CMedia;

// The memory the song's loaded media hold, counted against the limit the user set, and the
// loading that feeds it: a medium opened on the caller's thread or off the tick is counted
// when it fits, and closed again when it would pass the limit. The window hears of every
// change of the count. Counts change under the document lock; the total is read without it.
class CSongMemory {
public:
    explicit CSongMemory(CChordwayDoc& doc) : doc_(doc) {}
    CSongMemory(const CSongMemory&) = delete;
    CSongMemory& operator=(const CSongMemory&) = delete;

    int32_t Used() const { return used_; }
    void Add(int32_t bytes);
    void Subtract(int32_t bytes);
    // Brings what is counted for a loaded medium to what it holds now (after a load, an edit,
    // a refit); Release takes the medium's count off, before it unloads.
    void Charge(const CMedia& medium);
    void Release(const CMedia& medium);
    void Post() const;
    // Forgets every count without telling anyone: the song is being emptied.
    void Clear();

    // Loads a medium's data for playing within the limit. Music streams from its file and
    // needs nothing. With `notify`, the media list hears of it and a refusal is shown. The
    // decoding runs without the document lock unless the caller holds it.
    bool LoadMediumData(CMedia& medium, bool notify);
    // Opens media off the tick; CollectLoads counts what it opened (no notice: nobody asked
    // in person) and drops the plays of media it could not open.
    CMediumLoader& Loader() { return loader_; }
    void CollectLoads();

private:
    // The limit applied to a medium just opened (or not).
    bool FinishLoad(CMedia& medium, bool opened, bool notify);

    CChordwayDoc& doc_;
    std::atomic<int32_t> used_{0};  // also changed by the tick as media load
    std::unordered_map<const CMedia*, int32_t> charged_;  // what used_ counts per medium
    CMediumLoader loader_;
};

}  // namespace tessaron
