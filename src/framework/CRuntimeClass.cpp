#include "framework/CRuntimeClass.h"

namespace tessaron {

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* other) const
{
    for (const CRuntimeClass* c = this; c != nullptr; c = c->base) {
        if (c == other) {
            return true;
        }
    }
    return false;
}

}  // namespace tessaron
