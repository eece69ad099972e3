#pragma once

#include <string>

namespace tessaron {

// Whether a file lies on an optical disc: the file system of its mount is ISO 9660 or UDF.
// A path that does not exist is judged by its folder.
bool IsOnOpticalDrive(const std::string& path);
// Whether a statfs file system type is one of the optical disc formats.
bool IsOpticalFileSystemType(long type);

}  // namespace tessaron
