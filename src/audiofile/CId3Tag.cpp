#include "audiofile/CId3Tag.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "audiofile/GenreTable.h"

namespace tessaron {

namespace {

constexpr size_t kTitle = 3, kArtist = 33, kAlbum = 63, kYear = 93, kComment = 97, kGenre = 127;
constexpr size_t kFieldBytes = 30, kYearBytes = 4;
constexpr size_t kTempoInComment = 25;  // the tempo text starts at this comment byte
constexpr size_t kTempoBytes = 5;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

void Put(CId3Tag::Record& record, size_t offset, const std::string& text, size_t bytes)
{
    std::memcpy(record.data() + offset, text.data(), std::min(bytes, text.size()));
}

std::string Take(const CId3Tag::Record& record, size_t offset, size_t bytes)
{
    const auto* begin = reinterpret_cast<const char*>(record.data() + offset);
    std::string text(begin, strnlen(begin, bytes));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string TempoText(float tempo)
{
    char text[64];
    std::snprintf(text, sizeof text, "%3.1f", static_cast<double>(tempo));
    std::string result(text);
    if (result.size() < kTempoBytes) {
        result = std::string(1, '0') + result;
    }
    return result;
}

bool HasTagAt(const CId3Tag::Record& record) { return std::memcmp(record.data(), "TAG", 3) == 0; }

}  // namespace

CId3Tag::Record CId3Tag::Encode() const
{
    Record record{};
    std::memcpy(record.data(), "TAG", 3);
    Put(record, kTitle, title, kFieldBytes);
    Put(record, kArtist, artist, kFieldBytes);
    Put(record, kAlbum, album, kFieldBytes);
    Put(record, kYear, year, kYearBytes);
    if (tempo == 0.0f) {
        Put(record, kComment, comment, kFieldBytes);
    } else {
        Put(record, kComment, comment, kTempoInComment);
        // Five bytes at most: a tempo of 1000 or more must not run past the record.
        Put(record, kComment + kTempoInComment, TempoText(tempo), kTempoBytes);
    }
    record[kGenre] = static_cast<uint8_t>(FindGenre(genre));
    return record;
}

bool CId3Tag::Decode(const Record& record)
{
    if (!HasTagAt(record)) {
        return false;
    }
    title = Take(record, kTitle, kFieldBytes);
    artist = Take(record, kArtist, kFieldBytes);
    album = Take(record, kAlbum, kFieldBytes);
    year = Take(record, kYear, kYearBytes);
    if (record[kComment + 28] == '.') {
        char text[kTempoBytes + 1] = {};
        std::memcpy(text, record.data() + kComment + kTempoInComment, kTempoBytes);
        const float value = std::strtof(text, nullptr);
        if (std::isfinite(value)) {
            tempo = value;
        }
        comment = Take(record, kComment, kTempoInComment);
    } else {
        comment = Take(record, kComment, kFieldBytes);
    }
    genre = std::string(GenreName(record[kGenre]));
    return true;
}

bool WriteTag(const std::string& path, const CId3Tag& tag)
{
    FilePtr file(std::fopen(path.c_str(), "r+b"));
    if (!file || fseeko(file.get(), 0, SEEK_END) != 0) {
        return false;
    }
    const off_t size = ftello(file.get());
    if (size < 0) {
        return false;
    }
    off_t position = size;
    if (size >= static_cast<off_t>(CId3Tag::kSize)) {
        CId3Tag::Record last{};
        if (fseeko(file.get(), size - static_cast<off_t>(CId3Tag::kSize), SEEK_SET) != 0 ||
            std::fread(last.data(), 1, last.size(), file.get()) != last.size()) {
            return false;
        }
        if (HasTagAt(last)) {
            position = size - static_cast<off_t>(CId3Tag::kSize);
        }
    }
    const CId3Tag::Record record = tag.Encode();
    return fseeko(file.get(), position, SEEK_SET) == 0 &&
           std::fwrite(record.data(), 1, record.size(), file.get()) == record.size() &&
           std::fflush(file.get()) == 0;
}

bool ReadTag(const std::string& path, CId3Tag& tag)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file || fseeko(file.get(), -static_cast<off_t>(CId3Tag::kSize), SEEK_END) != 0) {
        return false;
    }
    CId3Tag::Record record{};
    if (std::fread(record.data(), 1, record.size(), file.get()) != record.size()) {
        return false;
    }
    return tag.Decode(record);
}

}  // namespace tessaron
