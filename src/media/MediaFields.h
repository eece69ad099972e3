#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "media/CFade.h"

namespace tessaron {

class CMedia;

// One stored field of a medium: its name in the JSON form of a song and the member holding it.
struct MediaField {
    using Member = std::variant<std::monostate,  // an old text, always stored empty; not in the JSON form
                                int32_t CMedia::*, uint32_t CMedia::*, float CMedia::*, double CMedia::*,
                                std::string CMedia::*, std::array<uint8_t, 8> CMedia::*, CFade CMedia::*>;
    const char* name;
    Member member;
};

// Every stored field of CMedia in the order the song file holds them: the one list that the
// song file's store and load and the JSON form of a song all follow. Two fields have a shape of
// their own: `pairsText` is the stored form of `pairs` (the JSON form lists the pairs), and
// `formatInfo` is absent from songs of schema 1.
std::span<const MediaField> MediaFields();

// Calls the overload of `visitor` that fits the field's member.
template <class... Handlers>
struct FieldVisitor : Handlers... {
    using Handlers::operator()...;
};
// Clang 14 does not deduce an aggregate's template arguments by itself.
template <class... Handlers>
FieldVisitor(Handlers...) -> FieldVisitor<Handlers...>;

}  // namespace tessaron
