#pragma once

#include "effects/SampleEffect.h"

namespace tessaron {

// The values the effect parameter dialog asks for, by effect command: label, default and range
// of the first value and, for some effects, of the second.
struct EffectDialogEntry {
    struct Value {
        const char* label;  // null: the effect has no such value
        int initial;
        int min;
        int max;
    };
    int command;
    const char* title;
    Value first;
    Value second;
};

class EffectDialogTable {
public:
    // The entry of a command; null for effects that run at once (normalise, reverse) and for
    // commands that are no effect.
    static const EffectDialogEntry* Find(int command);
    // The values an effect runs with when nobody changes them.
    static EffectParameters Defaults(int command);
    // The menu text of an effect command; empty for the commands that do nothing.
    static const char* MenuText(int command);
};

}  // namespace tessaron
