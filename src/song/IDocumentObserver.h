#pragma once

#include <cstdint>

namespace tessaron {

// Update hints the song sends to its views.
namespace view_hint {
inline constexpr int kDisplayInBars = 2;
inline constexpr int kDisplayInTime = 3;
inline constexpr int kEventRecorded = 5;
inline constexpr int kSongPosition = 6;
inline constexpr int kStopCommand = 13;
inline constexpr int kTempoChanged = 20;
// The skin is about to be replaced (drop what was made from it), and a new one is in place
// (parse your section again and repaint).
inline constexpr int kSkinGoing = 28;
inline constexpr int kSkinApplied = 29;
}  // namespace view_hint

// What the media list and event list views are told besides the numbered hints.
enum class ListNotice { SongNew, SongOpened, MediaChanged, EventsChanged };

// The views as the song sees them. Called on the user-interface thread only.
class IDocumentObserver {
public:
    virtual ~IDocumentObserver() = default;
    // `toMediaList` is false when the media list view is left out of the hint.
    virtual void UpdateHint(int hint, intptr_t value, bool toMediaList) = 0;
    virtual void Notice(ListNotice notice) = 0;
};

}  // namespace tessaron
