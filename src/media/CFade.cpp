#include "media/CFade.h"

#include "framework/CArchive.h"

namespace tessaron {

TESSARON_IMPLEMENT_SERIAL(CFade, CObject, 1)

CFade& CFade::operator=(const CFade& other)
{
    direction = other.direction;
    length = other.length;
    parameter1 = other.parameter1;
    parameter2 = other.parameter2;
    increment = other.increment;
    stepUnit = other.stepUnit;
    from = other.from;
    to = other.to;
    current = other.current;
    tickCounter = other.tickCounter;
    ticksPerStep = other.ticksPerStep;
    steps = other.steps;
    firstStepPending = other.firstStepPending;
    return *this;
}

void CFade::Store(CArchive& ar) const
{
    ar.WriteInt(parameter1);
    ar.WriteInt(length);
    ar.WriteInt(direction);
    ar.WriteInt(parameter2);
}

void CFade::Load(CArchive& ar)
{
    parameter1 = ar.ReadInt();
    length = ar.ReadInt();
    direction = ar.ReadInt();
    parameter2 = ar.ReadInt();
}

void CFade::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        Store(ar);
    } else {
        Load(ar);
    }
}

}  // namespace tessaron
