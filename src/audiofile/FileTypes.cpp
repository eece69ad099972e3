#include "audiofile/FileTypes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace tessaron {

namespace {

constexpr std::array<std::string_view, 3> kMidiExtensions = {".mid", ".midi", ".rmi"};
constexpr std::array<std::string_view, 10> kAudioExtensions = {".wav", ".mp3", ".mp2", ".mp1", ".mpa",
                                                               ".aif", ".au",  ".snd", ".wma", ".wax"};
constexpr std::array<std::string_view, 5> kMpegExtensions = {".mp3", ".mp2", ".mp1", ".mpg", ".mpa"};

std::string Lower(std::string_view path)
{
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

template <size_t N>
bool ContainsAny(std::string_view path, const std::array<std::string_view, N>& extensions)
{
    const std::string lower = Lower(path);
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](std::string_view extension) { return lower.find(extension) != std::string::npos; });
}

}  // namespace

bool IsMidiFile(std::string_view path) { return ContainsAny(path, kMidiExtensions); }
bool IsAudioFile(std::string_view path) { return ContainsAny(path, kAudioExtensions); }
bool IsMpegFile(std::string_view path) { return ContainsAny(path, kMpegExtensions); }
bool IsWavFile(std::string_view path) { return Lower(path).find(".wav") != std::string::npos; }
bool IsMp3File(std::string_view path) { return Lower(path).find(".mp3") != std::string::npos; }

bool IsNetworkPath(std::string_view path)
{
    return path.find("http://") != std::string_view::npos || path.find("ftp://") != std::string_view::npos;
}

}  // namespace tessaron
