#pragma once

#include <string_view>

// What kind of file a path names, judged by its extension. A path counts when its lower-case
// form contains an extension anywhere, so "song.mp3.txt" is an MP3 path.
namespace tessaron {

bool IsMidiFile(std::string_view path);   // .mid .midi .rmi
bool IsAudioFile(std::string_view path);  // .wav .mp3 .mp2 .mp1 .mpa .aif .au .snd .wma .wax
bool IsMpegFile(std::string_view path);   // .mp3 .mp2 .mp1 .mpg .mpa
bool IsWavFile(std::string_view path);
bool IsMp3File(std::string_view path);
// "http://" or "ftp://" anywhere, case as written.
bool IsNetworkPath(std::string_view path);

}  // namespace tessaron
