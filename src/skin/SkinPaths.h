#pragma once

#include <string>
#include <string_view>

// Folder rules of skins. Skins written on other systems use "\" between folders: both
// separators are accepted everywhere, and paths made here use "/".
namespace tessaron::skin {

bool IsSeparator(char c);
// "\" turned into "/".
std::string NativePath(std::string_view path);
// The path up to and including its last separator; empty for a bare file name.
std::string SkinFolder(std::string_view skinPath);
// The skin folder followed by the skin's bitmap directory, when it names one.
std::string BitmapFolder(std::string_view skinFolder, std::string_view bitmapDirectory);
// A file name in a folder, with a separator between them unless the folder ends in one.
std::string JoinPath(std::string_view folder, std::string_view file);
// The file name without its folder and extension: how skins are listed.
std::string SkinTitle(std::string_view skinPath);

}  // namespace tessaron::skin
