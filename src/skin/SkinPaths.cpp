#include "skin/SkinPaths.h"

#include <algorithm>

namespace tessaron::skin {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string NativePath(std::string_view path)
{
    std::string native(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::string SkinFolder(std::string_view skinPath)
{
    const size_t last = skinPath.find_last_of("/\\");
    return last == std::string_view::npos ? std::string() : NativePath(skinPath.substr(0, last + 1));
}

std::string BitmapFolder(std::string_view skinFolder, std::string_view bitmapDirectory)
{
    return NativePath(std::string(skinFolder) + std::string(bitmapDirectory));
}

std::string JoinPath(std::string_view folder, std::string_view file)
{
    std::string joined = NativePath(folder);
    if (!joined.empty() && !IsSeparator(joined.back())) {
        joined += '/';
    }
    return joined + NativePath(file);
}

std::string SkinTitle(std::string_view skinPath)
{
    const size_t last = skinPath.find_last_of("/\\");
    std::string_view name = last == std::string_view::npos ? skinPath : skinPath.substr(last + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) {
        name = name.substr(0, dot);
    }
    return std::string(name);
}

}  // namespace tessaron::skin
