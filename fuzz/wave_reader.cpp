// Feeds arbitrary bytes to the WAV reader as a file: every way of opening it must end with
// an answer and an error code, never a crash, a hang or an allocation beyond the size limit.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audiofile/CWaveReader.h"

namespace {

// A file in memory, reached by a path as the reader expects.
struct MemoryFile {
    explicit MemoryFile(const char* name) : fd(memfd_create(name, 0)), path("/proc/self/fd/" + std::to_string(fd)) {}
    void Fill(const uint8_t* data, size_t size) const
    {
        if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))) {
            __builtin_trap();
        }
    }
    int fd;
    std::string path;
};

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
    static const MemoryFile input("wave-in");
    static const MemoryFile output("wave-out");
    input.Fill(data, size);

    CWaveReader whole;
    if (whole.Open(input.path, 0, 0)) {
        Check(whole.LoadedSize() <= whole.GetDataSize() && static_cast<size_t>(whole.LoadedSize()) <= size);
        Check(whole.IsDeliverable());
        whole.FormatText();
        whole.SizeText();
    } else {
        Check(whole.Failed() && whole.ErrorCode() != ReaderError::None);
    }

    // A time range taken from the input's last bytes.
    const int32_t start = size > 2 ? data[size - 1] * 7 : 0;
    const int32_t end = size > 2 ? start + data[size - 2] * 13 : 0;
    CWaveReader range;
    if (range.Open(input.path, start, end)) {
        Check(range.LoadedSize() >= 0 && range.LoadedSize() <= CMediaReader::kMaxDataBytes);
    }

    CWaveReader stream;
    if (stream.OpenForRead(input.path)) {
        std::vector<uint8_t> buffer(4099);
        int32_t total = 0;
        for (int i = 0; i < 4; ++i) {
            const int32_t got = stream.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
            Check(got >= 0 && got <= static_cast<int32_t>(buffer.size()));
            total += got;
        }
        Check(total <= stream.GetDataSize());
        if (stream.SeekMs(stream.GetDuration() / 2)) {
            stream.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
        }
        stream.TruncateMs(stream.GetDuration() / 3);
        stream.SeekToEnd();
    }

    // Whatever format parses is written again and must parse to the same record.
    CWaveReader header;
    if (header.ParseHeader(input.path)) {
        CWaveReader writer;
        const std::vector<uint8_t> sound(64, 0x55);
        Check(writer.CreateForWrite(output.path, header.Format(), 64));
        Check(writer.Write(sound.data(), 64) == 64);
        Check(writer.Close(64));
        CWaveReader again;
        Check(again.ParseHeader(output.path));
        CWaveFormat expected = header.Format();
        if (expected.IsPcm()) {
            expected.extra.clear();  // a PCM fmt chunk holds 16 bytes
        }
        Check(again.Format().formatTag == expected.formatTag && again.Format().extra == expected.extra &&
              again.GetDataSize() == 64 - 64 % again.BlockAlign());
    }
    return 0;
}
