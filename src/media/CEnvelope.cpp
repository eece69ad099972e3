#include "media/CEnvelope.h"

#include "framework/CArchive.h"

namespace tessaron {

namespace {

struct Layout {
    int32_t type;
    int ownCount;     // own fields, stored ones first
    int storedCount;  // how many of them go into the file
    bool storedReversed;
    std::array<int32_t, CEnvelope::kMaxOwnFields> defaults;
};

// Type 1 has five steps (not set by its construction in the file format; here they start
// empty so that a fresh envelope never holds stray values), then index and count.
constexpr Layout kLayouts[] = {
    {1, 7, 5, false, {CEnvelope::kEmptyStep, CEnvelope::kEmptyStep, CEnvelope::kEmptyStep, CEnvelope::kEmptyStep,
                      CEnvelope::kEmptyStep, 0, 0}},
    {2, 4, 3, false, {0, 0, 0, 0}},  // waveform, amplitude, speed; position
    {3, 4, 3, false, {0, 0, 0, 0}},
    {4, 4, 4, false, {0, 0, 12, 0}},   // step, current, limit, bounce
    {5, 3, 3, false, {-12, 12, 1}},    // current, limit, step
    {6, 2, 1, false, {0, 0}},          // step; current
    {7, 3, 2, false, {0, 1, 0}},       // step, bounce; current
    {8, 3, 3, false, {0, 0, 0}},
    {9, 2, 2, true, {0, 0}},           // two values, stored second first
    {22, 0, 0, false, {}},
    {23, 0, 0, false, {}},
};

const Layout* LayoutOf(int32_t type)
{
    for (const Layout& layout : kLayouts) {
        if (layout.type == type) {
            return &layout;
        }
    }
    return nullptr;
}

}  // namespace

bool CEnvelope::IsKnownType(int32_t type) { return LayoutOf(type) != nullptr; }

std::unique_ptr<CEnvelope> CEnvelope::Create(int32_t type)
{
    if (!IsKnownType(type)) {
        return nullptr;
    }
    return std::unique_ptr<CEnvelope>(new CEnvelope(type));
}

CEnvelope::CEnvelope(int32_t type) : type_(type), enabled_(type >= 1 && type <= 7 ? 1 : 0)
{
    own_ = LayoutOf(type)->defaults;
}

int CEnvelope::OwnFieldCount() const { return LayoutOf(type_)->ownCount; }
int CEnvelope::StoredFieldCount() const { return LayoutOf(type_)->storedCount; }

void CEnvelope::Store(CArchive& ar) const
{
    const Layout& layout = *LayoutOf(type_);
    ar.WriteInt(type_);
    ar.WriteInt(enabled_);
    ar.WriteFloat(period);
    ar.WriteFloat(offset);
    ar.WriteFloat(tempo);
    for (int i = 0; i < layout.storedCount; ++i) {
        const int field = layout.storedReversed ? layout.storedCount - 1 - i : i;
        ar.WriteInt(own_[static_cast<size_t>(field)]);
    }
}

void CEnvelope::Load(CArchive& ar)
{
    const Layout& layout = *LayoutOf(type_);
    enabled_ = ar.ReadInt();
    period = ar.ReadFloat();
    offset = ar.ReadFloat();
    tempo = ar.ReadFloat();
    for (int i = 0; i < layout.storedCount; ++i) {
        const int field = layout.storedReversed ? layout.storedCount - 1 - i : i;
        own_[static_cast<size_t>(field)] = ar.ReadInt();
    }
}

void CEnvelope::CopyFrom(const CEnvelope& other)
{
    period = other.period;
    offset = other.offset;
    tempo = other.tempo;
    runValues = other.runValues;
    if (other.type_ == type_) {
        own_ = other.own_;
    }
}

}  // namespace tessaron
