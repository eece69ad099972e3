#include "midi/CInstrumentDef.h"

#include "framework/CArchive.h"

namespace tessaron {

TESSARON_IMPLEMENT_SERIAL(CInstrumentDef, CObject, 1)

void CInstrumentDef::Serialize(CArchive& ar)
{
    for (int32_t& value : values) {
        if (ar.IsStoring()) {
            ar.WriteInt(value);
        } else {
            value = ar.ReadInt();
        }
    }
}

}  // namespace tessaron
