#include "midi/CMidiMedia.h"

#include <algorithm>

#include "framework/CArchive.h"

namespace tessaron {

TESSARON_IMPLEMENT_SERIAL(CMidiMedia, CMedia, CRuntimeClass::kVersionable | 2)

CMidiMedia::CMidiMedia() { ResetMidiFields(); }

void CMidiMedia::ResetMidiFields()
{
    kind = kKindMidi;
    optionValue = 0;
    setting1 = 1;
    setting2 = setting3 = setting4 = 0;
    instrumentCount = 0;
    muted = false;
}

void CMidiMedia::ResetSettings()
{
    CMedia::ResetSettings();
    ResetMidiFields();
}

int CMidiMedia::StoredInstrumentCount() const { return std::clamp(instrumentCount, 0, kMaxInstruments); }

void CMidiMedia::Store(CArchive& ar)
{
    CMedia::Store(ar);
    ar.WriteString(soundFile);
    ar.WriteInt(setting1);
    ar.WriteInt(setting2);
    ar.WriteInt(setting3);
    ar.WriteInt(setting4);
    ar.WriteInt(instrumentCount);
    for (int i = 0; i < StoredInstrumentCount(); ++i) {
        instruments[static_cast<size_t>(i)].Serialize(ar);
    }
}

void CMidiMedia::Load(CArchive& ar)
{
    CMedia::Load(ar);
    soundFile = ar.ReadString();
    setting1 = ar.ReadInt();
    setting2 = ar.ReadInt();
    setting3 = ar.ReadInt();
    setting4 = ar.ReadInt();
    instrumentCount = ar.ReadInt();
    for (int i = 0; i < StoredInstrumentCount(); ++i) {
        instruments[static_cast<size_t>(i)].Serialize(ar);
    }
    kind = kKindMidi;
}

}  // namespace tessaron
