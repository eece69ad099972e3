#pragma once

#include <string_view>

namespace tessaron {

// The program's fixed message-box texts.
namespace notice_text {
inline constexpr std::string_view kMemoryMaxForSamples = "memory max for samples";
inline constexpr std::string_view kSampleIsTooBig = "sample is too big";
inline constexpr std::string_view kTooSamplesOpen = "too samples open";
inline constexpr std::string_view kFileIsIncompatible = "File is incompatible";
inline constexpr std::string_view kFileWithoutData = "File without data";
inline constexpr std::string_view kNoMidiDeviceFound = "No midi device found";
inline constexpr std::string_view kNotATessaronSong = "This file is not a Tessaron song.";
}  // namespace notice_text

enum class NoticeIcon { Information, Exclamation, Error };

// Message boxes: a QMessageBox in the GUI, stderr in the command-line tool, a recorder in tests.
class INotice {
public:
    virtual ~INotice() = default;
    virtual void show(std::string_view text, NoticeIcon icon) = 0;
};

}  // namespace tessaron
