#include "music/CMusic.h"

#include "framework/CArchive.h"

namespace tessaron {

TESSARON_IMPLEMENT_SERIAL(CMusic, CMedia, CRuntimeClass::kVersionable | 2)

namespace {
// More markers than this cannot be meant; such a count comes from a damaged file.
constexpr int32_t kMaxMarkers = 65536;
}  // namespace

CMusic::CMusic() { kind = kKindMusic; }

void CMusic::ResetSettings()
{
    CMedia::ResetSettings();
    kind = kKindMusic;
}

void CMusic::Store(CArchive& ar)
{
    markerCount = static_cast<int32_t>(markers.size());
    CMedia::Store(ar);
}

void CMusic::Load(CArchive& ar)
{
    CMedia::Load(ar);
    markers.assign(markerCount >= 0 && markerCount <= kMaxMarkers ? static_cast<size_t>(markerCount) : 0, 0);
    kind = kKindMusic;
}

}  // namespace tessaron
