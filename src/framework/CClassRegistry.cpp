#include "framework/CClassRegistry.h"

namespace tessaron {

const CRuntimeClass* CClassRegistry::Find(std::string_view name) const
{
    for (const CRuntimeClass* c : classes_) {
        if (name == c->name) {
            return c;
        }
    }
    return nullptr;
}

}  // namespace tessaron
