#include "media/CSamples.h"

#include <algorithm>
#include <string>

#include "framework/CArchive.h"

namespace tessaron {

TESSARON_IMPLEMENT_SERIAL(CSamples, CMedia, CRuntimeClass::kVersionable | 2)

namespace {
// type, enabled, period, offset, tempo
constexpr size_t kSmallestEnvelopeBytes = 20;
}  // namespace

CSamples::CSamples() { ResetSampleFields(); }

CSamples::~CSamples() = default;

void CSamples::ResetSampleFields()
{
    kind = kKindSample;
    stretchMode = stretchOption = stretchValue = 0;
    savedStart = savedEnd = -1;
    edited = uncommitted = 0;
}

void CSamples::ResetSettings()
{
    CMedia::ResetSettings();
    ResetSampleFields();
}

void CSamples::Store(CArchive& ar)
{
    CMedia::Store(ar);
    ar.WriteInt(stretchMode);
    ar.WriteInt(stretchOption);
    ar.WriteInt(stretchValue);
    ar.WriteInt(duplicateCount_);
    ar.WriteInt(static_cast<int32_t>(attached_.size()));
    for (const auto& envelope : attached_) {
        envelope->Store(ar);
    }
}

void CSamples::Load(CArchive& ar)
{
    CMedia::Load(ar);
    stretchMode = std::min(ar.ReadInt(), 2);
    stretchOption = ar.ReadInt();
    stretchValue = ar.ReadInt();
    ar.ReadInt();  // duplicates are remade when the sample opens
    const int32_t count = ar.ReadInt();
    ar.CheckCount(count, kSmallestEnvelopeBytes, "envelope");
    attached_.clear();
    for (int32_t i = 0; i < count; ++i) {
        const int32_t type = ar.ReadInt();
        auto envelope = CEnvelope::Create(type);
        if (!envelope) {
            // Its size is unknown, so nothing after it could be read correctly.
            throw CArchiveException(CArchiveException::Cause::Generic,
                                    "sample '" + name + "' has an envelope of unknown type " + std::to_string(type));
        }
        envelope->Load(ar);
        attached_.push_back(std::move(envelope));
    }
    kind = kKindSample;
}

}  // namespace tessaron
