#pragma once

#include <initializer_list>
#include <string_view>
#include <vector>

#include "framework/CRuntimeClass.h"

namespace tessaron {

// The classes an archive may create when it reads a stream. Passed to each loading archive,
// so that a file can only ever make objects of the classes its reader expects.
class CClassRegistry {
public:
    CClassRegistry(std::initializer_list<const CRuntimeClass*> classes) : classes_(classes) {}

    const CRuntimeClass* Find(std::string_view name) const;

private:
    std::vector<const CRuntimeClass*> classes_;
};

}  // namespace tessaron
