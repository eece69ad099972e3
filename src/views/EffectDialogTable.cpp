#include "views/EffectDialogTable.h"

namespace tessaron {

namespace {

constexpr EffectDialogEntry::Value kNone{nullptr, 0, 0, 0};

constexpr EffectDialogEntry kEntries[] = {
    {32861, "Gain", {"Db", 0, -50, 50}, kNone},
    {32862, "Noise Gate", {"Db", -40, -96, -1}, kNone},
    {32863, "Compression", {"Level", 4, 2, 20}, kNone},
    {32864, "Expansion", {"Level", 4, 2, 20}, kNone},
    {32877, "Distorsion", {"Level", 10, 1, 20}, kNone},
    {32865, "Low Pass", {"Freq Hz", 800, 20, 20000}, kNone},
    {32866, "High Pass", {"Freq Hz", 2000, 20, 20000}, kNone},
    {32869, "Resonnant", {"Cutoff freq Hz", 1000, 40, 10000}, {"Q %", 85, 10, 100}},
    {32867, "Comb", {"Freq Hz", 500, 10, 5000}, kNone},
    {32881, "Metal", {"Freq Hz", 500, 10, 5000}, kNone},
    {32875, "Delay", {"Delay ms", 50, 10, 1000}, {"Att Db", -3, -40, 0}},
    {32876, "Echo", {"Echo ms", 300, 80, 2000}, {"Att Db", -6, -40, 0}},
};

}  // namespace

const EffectDialogEntry* EffectDialogTable::Find(int command)
{
    for (const EffectDialogEntry& entry : kEntries) {
        if (entry.command == command) {
            return &entry;
        }
    }
    return nullptr;
}

EffectParameters EffectDialogTable::Defaults(int command)
{
    const EffectDialogEntry* entry = Find(command);
    if (entry == nullptr) {
        return {};
    }
    return {entry->first.initial, entry->second.label != nullptr ? entry->second.initial : 0};
}

const char* EffectDialogTable::MenuText(int command)
{
    switch (command) {
    case 32860: return "&Normalise";
    case 32878: return "&Reverse";
    default: {
        const EffectDialogEntry* entry = Find(command);
        return entry != nullptr ? entry->title : "";
    }
    }
}

}  // namespace tessaron
