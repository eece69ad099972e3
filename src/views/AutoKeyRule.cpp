#include "views/AutoKeyRule.h"

#include <algorithm>

#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/MediumFromFile.h"

namespace tessaron {

namespace {

constexpr int kLabelledKeys = 47;  // the last key that KeyLabelOf names as F12

}  // namespace

int AutoKeyRule::LabelOf(int key) { return key >= 0 && key <= kLabelledKeys ? KeyLabelOf(key) : 0; }

void AutoKeyRule::Apply(CChordwayDoc& doc)
{
    const int keys = 12 * std::max(1, doc.Environment().keyboardOctaves);
    for (int i = 0; i < doc.MediaCount(); ++i) {
        CMedia& medium = *doc.MediumAt(i);
        const int key = i % keys;
        doc.SetMediumKey(medium, key);
        medium.pcKey = LabelOf(key);
    }
}

}  // namespace tessaron
