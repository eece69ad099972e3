#include "cli/MediaProblems.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "audiofile/FileTypes.h"
#include "audiofile/ReaderChoice.h"
#include "cli/ConsoleServices.h"
#include "framework/INotice.h"
#include "media/CMedia.h"
#include "song/CChordwayDoc.h"

namespace tessaron::cli {

namespace {

constexpr off_t kMaxSoundFileBytes = 100 * 1024 * 1024;  // what a reader holds, see CMediaReader

// The system's reason when the file cannot be opened for reading, else an empty text.
std::string WhyNotOpenable(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return std::strerror(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return "is a folder";
    }
    if (!S_ISREG(status.st_mode)) {
        return "is not a file";
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::strerror(errno);
    }
    close(fd);
    return status.st_size == 0 ? "the file is empty" : "";
}

}  // namespace

std::string WhyUnreadable(const std::string& path, ReaderError error)
{
    if (IsNetworkPath(path)) {
        return "network paths are not supported";
    }
    if (std::string reason = WhyNotOpenable(path); !reason.empty()) {
        return reason;
    }
    struct stat status {};
    switch (error) {
    case ReaderError::CannotOpen:
        return stat(path.c_str(), &status) == 0 && status.st_size > kMaxSoundFileBytes
                   ? "its sound exceeds the 100 MiB a medium may hold"
                   : "no reader knows the format of this file";
    case ReaderError::OutOfMemory: return "not enough memory for its sound";
    default: return ReaderErrorText(error);
    }
}

int FailUnreadable(const std::string& path)
{
    ReaderError error = ReaderError::None;
    if (OpenMediaForRead(path, &error) == nullptr) {
        return Fail(path, WhyUnreadable(path, error));
    }
    return Fail(path, std::string(notice_text::kFileIsIncompatible));
}

std::string MediumProblem(const CMedia& medium)
{
    if (medium.filePath.empty()) {
        return "no file is named";
    }
    if (medium.kind == CMedia::kKindMidi) {
        return WhyNotOpenable(medium.filePath);
    }
    ReaderError error = ReaderError::None;
    if (OpenMediaForRead(medium.filePath, &error) == nullptr) {
        return WhyUnreadable(medium.filePath, error);
    }
    return {};
}

int WarnSilentMedia(const CChordwayDoc& doc, const std::string& songPath, bool loaded)
{
    int silent = 0;
    for (int i = 0; i < doc.MediaCount(); ++i) {
        const CMedia& medium = *doc.MediumAt(i);
        std::string problem = MediumProblem(medium);
        if (problem.empty() && loaded && medium.kind == CMedia::kKindSample && medium.loaded != 1) {
            problem = "its sound could not be loaded into memory";
        }
        if (!problem.empty()) {
            Warn(songPath, "medium " + std::to_string(i + 1) + " '" + medium.name + "' (" + medium.filePath +
                               "): " + problem + "; it stays silent");
            ++silent;
        }
    }
    return silent;
}

}  // namespace tessaron::cli
