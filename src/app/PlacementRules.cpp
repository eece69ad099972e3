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
    const bool nothingSaved = NothingSaved(saved);
    if (nothingSaved && skin.width == -1) {
        decision.startStyle = CWindowPlacement::kMaximizeBit;
    }
    if ((decision.startStyle & (CWindowPlacement::kMaximizeBit | kMinimizeBit)) != 0) {
        return decision;
    }
    if (skin.width != -1 && nothingSaved) {
        decision.rect = SkinRect(skin, screenWidth, screenHeight);
        if (decision.rect) {
            return decision;
        }
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
