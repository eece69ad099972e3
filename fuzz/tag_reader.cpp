// Feeds arbitrary bytes to the ID3v1 tag reader and the MPEG header search, the two readers
// of raw bytes in compressed files: no crash, and a tag that was read writes back as read.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "audiofile/CId3Tag.h"
#include "audiofile/CMpegHeader.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tessaron;
    static const int fd = memfd_create("tag", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    Check(ftruncate(fd, 0) == 0 && (size == 0 || pwrite(fd, data, size, 0) == static_cast<ssize_t>(size)));

    const std::span<const uint8_t> bytes(data, size);
    if (const auto header = CMpegHeader::Find(bytes.subspan(std::min(size, CMpegHeader::Id3v2Size(bytes))))) {
        Check(header->layer >= 1 && header->layer <= 3 && header->sampleRate >= 8000);
        header->FrameLength();
    }
    CMpegHeader::FindInFile(path);

    CId3Tag tag;
    const bool found = ReadTag(path, tag);
    Check(found == (size >= CId3Tag::kSize && std::memcmp(data + size - CId3Tag::kSize, "TAG", 3) == 0));
    if (found) {
        Check(WriteTag(path, tag));
        Check(lseek(fd, 0, SEEK_END) == static_cast<off_t>(size));  // replaced, not appended
        CId3Tag again;
        Check(ReadTag(path, again));
        Check(again.title == tag.title && again.artist == tag.artist && again.album == tag.album &&
              again.year == tag.year && again.genre == (tag.genre.empty() ? "Other" : tag.genre));
    } else {
        Check(WriteTag(path, tag));
        Check(lseek(fd, 0, SEEK_END) == static_cast<off_t>(size + CId3Tag::kSize));
    }
    return 0;
}
