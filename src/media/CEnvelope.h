#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace tessaron {

class CArchive;
class CSampleData;

// A step envelope attached to a sample's data. The eleven types differ only in their own
// fields (count, which are stored, stored order, defaults), so one class reads a table.
class CEnvelope {
public:
    static constexpr int kMaxOwnFields = 7;
    static constexpr int32_t kEmptyStep = 65535;

    // Makes an envelope of a known type (1..9, 22, 23); null for any other code.
    static std::unique_ptr<CEnvelope> Create(int32_t type);
    static bool IsKnownType(int32_t type);

    int32_t Type() const { return type_; }
    int32_t Enabled() const { return enabled_; }
    void SetEnabled(int32_t enabled) { enabled_ = enabled; }

    void Attach(CSampleData* sampleData) { sampleData_ = sampleData; }
    CSampleData* SampleData() const { return sampleData_; }

    // Own fields in declaration order (stored and run-time ones).
    int OwnFieldCount() const;
    int StoredFieldCount() const;
    int32_t OwnField(int i) const { return own_[static_cast<size_t>(i)]; }
    void SetOwnField(int i, int32_t value) { own_[static_cast<size_t>(i)] = value; }

    // Writes type, enabled, period, offset, tempo and the stored own fields.
    void Store(CArchive& archive) const;
    // Reads what Store wrote after the type, which the caller has read to create the object.
    void Load(CArchive& archive);
    // Copies period, offset, tempo, the run-time values and the own fields; type and enabled
    // keep what construction gave, and the attachment is not copied.
    void CopyFrom(const CEnvelope& other);

    float period = 0.0f;  // step period in beats
    float offset = 0.0f;  // off-beat offset in beats
    float tempo = 0.0f;   // song tempo the periods were computed for
    std::array<int32_t, 6> runValues{};  // start, ticks, period and offset in ticks, running

private:
    explicit CEnvelope(int32_t type);

    int32_t type_;
    int32_t enabled_;
    CSampleData* sampleData_ = nullptr;
    std::array<int32_t, kMaxOwnFields> own_{};
};

}  // namespace tessaron
