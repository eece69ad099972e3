// tessaron-cli info FILE: what the media readers report for an audio file.
#include <cstdio>
#include <string>

#include "audiofile/CId3Tag.h"
#include "audiofile/CMediaReader.h"
#include "audiofile/FileTypes.h"
#include "audiofile/ReaderChoice.h"
#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/MediaProblems.h"

namespace tessaron::cli {

int RunInfo(const Arguments& arguments)
{
    if (arguments.size() != 1) {
        return Usage("info FILE");
    }
    const std::string& path = arguments[0];
    if (IsNetworkPath(path)) {
        return Fail(path, "network paths are not supported");
    }
    ReaderError error = ReaderError::None;
    const auto reader = OpenMediaForRead(path, &error);
    if (!reader) {
        return Fail(path, WhyUnreadable(path, error) + " (reader error " + std::to_string(static_cast<int>(error)) + ")");
    }
    std::printf("file: %s\n", path.c_str());
    std::printf("reader: %s\n", reader->Kind() == ReaderKind::Wave ? "wav" : "decoder");
    std::printf("format: %s\n", reader->FormatText().c_str());
    std::printf("size: %s\n", reader->SizeText().c_str());
    std::printf("duration: %d ms\n", reader->GetDuration());
    std::printf("channels: %d\n", reader->Channels());
    std::printf("rate: %d\n", reader->SampleRate());
    std::printf("bits: %d\n", reader->BitsPerSample());
    std::printf("data size: %d bytes\n", reader->GetDataSize());

    CId3Tag tag;
    if (ReadTag(path, tag)) {
        std::printf("title: %s\n", tag.title.c_str());
        std::printf("artist: %s\n", tag.artist.c_str());
        std::printf("album: %s\n", tag.album.c_str());
        std::printf("year: %s\n", tag.year.c_str());
        std::printf("comment: %s\n", tag.comment.c_str());
        std::printf("genre: %s\n", tag.genre.c_str());
        if (tag.tempo != 0.0f) {
            std::printf("tempo: %.1f\n", static_cast<double>(tag.tempo));
        }
    }
    return 0;
}

}  // namespace tessaron::cli
