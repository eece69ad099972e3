#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tessaron {

// The ID3v1 tag in the last 128 bytes of an audio file. The medium's tempo, when it has one,
// takes the last five bytes of the comment ("098.5"), so the comment keeps 25 bytes.
class CId3Tag {
public:
    static constexpr size_t kSize = 128;
    using Record = std::array<uint8_t, kSize>;

    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    std::string genre;
    float tempo = 0.0f;  // beats per minute; 0 for none

    Record Encode() const;
    // Fills the fields from a record; false, with nothing changed, without "TAG" at its start.
    // The tempo is changed only when the record holds one.
    bool Decode(const Record& record);
};

// Writes the tag over the file's own ID3v1 tag, or appends it when there is none.
bool WriteTag(const std::string& path, const CId3Tag& tag);
// Reads the file's tag into `tag`; false, with nothing changed, when the file has none.
bool ReadTag(const std::string& path, CId3Tag& tag);

}  // namespace tessaron
