#include "music/OpticalDrive.h"

#include <sys/vfs.h>

#include "audiofile/FilePaths.h"

namespace tessaron {

namespace {
constexpr long kIso9660Magic = 0x9660;
constexpr long kUdfMagic = 0x15013346;
}  // namespace

bool IsOpticalFileSystemType(long type) { return type == kIso9660Magic || type == kUdfMagic; }

bool IsOnOpticalDrive(const std::string& path)
{
    struct statfs info {};
    if (statfs(path.c_str(), &info) != 0) {
        const std::string folder = GetFolder(path);
        if (folder.empty() || statfs(folder.c_str(), &info) != 0) {
            return false;
        }
    }
    return IsOpticalFileSystemType(static_cast<long>(info.f_type));
}

}  // namespace tessaron
