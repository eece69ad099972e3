#include "app/PlacementRules.h"

namespace tessaron {

namespace {

constexpr int32_t kNone = CWindowPlacement::kNone;
constexpr int32_t kOverlappedWindow = 0x00CF0000;  // caption, system menu, sizing frame, boxes

bool NothingSaved(const CWindowPlacement& saved)
{
    return saved.x == kNone && saved.y == kNone && saved.cx == kNone && saved.cy == kNone;
}

std::optional<PlacementRules::Rect> SkinRect(const PlacementRules::SkinWindow& skin, int32_t screenWidth,
                                             int32_t screenHeight)
{
    if (skin.width > screenWidth || skin.height > screenHeight || skin.width <= PlacementRules::kMinimumSize ||
        skin.height <= PlacementRules::kMinimumSize || skin.x >= screenWidth - 100 || skin.y >= screenHeight - 100) {
        return std::nullopt;
    }
    PlacementRules::Rect rect{skin.x, skin.y, skin.width, skin.height};
    if (rect.x == PlacementRules::kCentre) {
        rect.x = (screenWidth - rect.width) / 2;
    }
    if (rect.y == PlacementRules::kCentre) {
        rect.y = (screenHeight - rect.height) / 2;
    }
    return rect;
}

}  // namespace

PlacementRules::Decision PlacementRules::Restore(const CWindowPlacement& saved, const SkinWindow& skin,
                                                 int32_t screenWidth, int32_t screenHeight)
{
    Decision decision;
    decision.startStyle = saved.style;
    if (NothingSaved(saved)) {
        // A first run opens maximized unless the skin gives a window that fits the screen. (The
        // stored style's default has the maximize bit, which would otherwise always win over the
        // skin's window.)
        decision.rect = skin.width == -1 ? std::nullopt : SkinRect(skin, screenWidth, screenHeight);
        decision.startStyle = decision.rect ? (saved.style & ~(CWindowPlacement::kMaximizeBit | kMinimizeBit))
                                            : CWindowPlacement::kMaximizeBit;
        return decision;
    }
    if ((decision.startStyle & (CWindowPlacement::kMaximizeBit | kMinimizeBit)) != 0) {
        return decision;
    }
    if (saved.resX == screenWidth && saved.resY == screenHeight && saved.x != kNone && saved.y != kNone &&
        saved.cx != kNone && saved.cy != kNone && saved.cx > kMinimumSize && saved.cy > kMinimumSize) {
        decision.rect = Rect{saved.x, saved.y, saved.cx, saved.cy};
    }
    return decision;
}

int32_t PlacementRules::StyleOf(bool maximized, bool minimized)
{
    return kOverlappedWindow | (maximized ? CWindowPlacement::kMaximizeBit : 0) | (minimized ? kMinimizeBit : 0);
}

CWindowPlacement PlacementRules::Save(const Rect& frame, bool maximized, bool minimized, int32_t screenWidth,
                                      int32_t screenHeight)
{
    CWindowPlacement placement;
    placement.resX = screenWidth;
    placement.resY = screenHeight;
    placement.style = StyleOf(maximized, minimized);
    placement.x = frame.x;
    placement.y = frame.y;
    placement.cx = frame.width;
    placement.cy = frame.height;
    return placement;
}

}  // namespace tessaron
