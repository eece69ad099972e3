#include "audiofile/FilePaths.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "audiofile/FileTypes.h"

namespace tessaron {

namespace {

size_t LastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

}  // namespace

std::string GetFileName(std::string_view path)
{
    const size_t separator = LastSeparator(path);
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string GetFileTitle(std::string_view path)
{
    std::string name = GetFileName(path);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

std::string GetFolder(std::string_view path)
{
    const size_t separator = LastSeparator(path);
    return separator == std::string_view::npos ? std::string() : std::string(path.substr(0, separator + 1));
}

int64_t GetFileSize(const std::string& path)
{
    int64_t ignored = 0;
    return GetFileInfo(path, ignored);
}

int64_t GetFileInfo(const std::string& path, int64_t& creationTime)
{
    creationTime = 0;
    if (IsNetworkPath(path)) {
        return 0;
    }
    struct statx status {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_SIZE | STATX_BTIME | STATX_MTIME, &status) != 0) {
        return 0;
    }
    creationTime = (status.stx_mask & STATX_BTIME) ? status.stx_btime.tv_sec : status.stx_mtime.tv_sec;
    return static_cast<int64_t>(status.stx_size);
}

}  // namespace tessaron
