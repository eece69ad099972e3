#pragma once

#include "framework/CRuntimeClass.h"

namespace tessaron {

class CArchive;

// Base of every record that goes into an archive.
class CObject {
public:
    static const CRuntimeClass classRecord;

    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
    virtual ~CObject() = default;

    virtual const CRuntimeClass* GetRuntimeClass() const { return &classRecord; }
    virtual void Serialize(CArchive& archive);

    bool IsKindOf(const CRuntimeClass* type) const { return GetRuntimeClass()->IsDerivedFrom(type); }
};

}  // namespace tessaron
