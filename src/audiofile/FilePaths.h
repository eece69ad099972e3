#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Taking paths apart and asking the file system about a file. Both '/' and '\' separate
// folders, so paths stored by older songs still work.
namespace tessaron {

// The name after the last separator without its last extension: "a/b/loop.1.wav" -> "loop.1".
std::string GetFileTitle(std::string_view path);
// Up to and including the last separator; empty when the path names no folder.
std::string GetFolder(std::string_view path);
// The part after the last separator, or the whole path.
std::string GetFileName(std::string_view path);

// Size in bytes; 0 for a network path or a file whose status cannot be read.
int64_t GetFileSize(const std::string& path);
// Size in bytes, and the creation time in seconds since 1970 (the modification time where
// the file system keeps no creation time); both 0 when unknown.
int64_t GetFileInfo(const std::string& path, int64_t& creationTime);

}  // namespace tessaron
