#include "framework/CObject.h"

namespace tessaron {

const CRuntimeClass CObject::classRecord = {"CObject", 0xFFFF, nullptr, nullptr};

void CObject::Serialize(CArchive&) {}

}  // namespace tessaron
