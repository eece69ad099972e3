#include "audiofile/ReaderChoice.h"

#include "audiofile/CStreamReader.h"
#include "audiofile/CWaveReader.h"
#include "audiofile/FileTypes.h"

namespace tessaron {

namespace {

template <typename Opener>
std::unique_ptr<CMediaReader> Choose(const std::string& path, ReaderError* error, Opener open)
{
    if (IsWavFile(path)) {
        auto wave = std::make_unique<CWaveReader>();
        if (open(*wave)) {
            return wave;
        }
    }
    auto stream = std::make_unique<CStreamReader>();
    if (open(*stream)) {
        return stream;
    }
    if (error != nullptr) {
        *error = stream->ErrorCode();
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<CMediaReader> LoadMediaFile(const std::string& path, int32_t startMs, int32_t endMs, ReaderError* error)
{
    return Choose(path, error, [&](CMediaReader& reader) { return reader.Open(path, startMs, endMs); });
}

std::unique_ptr<CMediaReader> OpenMediaForRead(const std::string& path, ReaderError* error)
{
    return Choose(path, error, [&](CMediaReader& reader) { return reader.OpenForRead(path); });
}

}  // namespace tessaron
