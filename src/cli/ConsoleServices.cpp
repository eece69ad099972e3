#include "cli/ConsoleServices.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"

namespace tessaron::cli {

namespace {

void Say(std::string_view file, std::string_view label, std::string_view what)
{
    std::fprintf(stderr, "tessaron-cli: %.*s: %.*s%.*s\n", static_cast<int>(file.size()), file.data(),
                 static_cast<int>(label.size()), label.data(), static_cast<int>(what.size()), what.data());
}

}  // namespace

int Fail(std::string_view file, std::string_view what)
{
    Say(file, "", what);
    return 1;
}

int Refuse(std::string_view argument, std::string_view why)
{
    Say(argument, "", why);
    return 2;
}

void Warn(std::string_view file, std::string_view what) { Say(file, "warning: ", what); }

int Usage(std::string_view usage)
{
    std::fprintf(stderr, "usage: tessaron-cli %.*s\n", static_cast<int>(usage.size()), usage.data());
    return 2;
}

bool OpenSong(CChordwayDoc& doc, const std::string& path)
{
    const auto opened = CSongFile::Open(doc, path);
    if (opened.status == CSongFile::Status::NotASongPath) {
        Fail(path, opened.error);  // refused without a notice
    }
    return opened.ok();
}

// The notices that end a command (a song that cannot be opened) and those that do not (the
// memory limit) both come as warning boxes in the window; here neither carries a label, so that
// no fatal error reads as a warning.
void ConsoleNotice::show(std::string_view text, NoticeIcon icon)
{
    Say(file_, icon == NoticeIcon::Information ? "note: " : "", text);
}

bool StderrIsTerminal()
{
    const char* filtered = std::getenv("TESSARON_STDERR_TERMINAL");
    return isatty(STDERR_FILENO) != 0 || (filtered != nullptr && std::strcmp(filtered, "1") == 0);
}

ConsoleProgress::ConsoleProgress() : terminal_(StderrIsTerminal()) {}

void ConsoleProgress::begin(std::string_view title, int lower, int upper)
{
    title_ = title;
    lower_ = lower;
    upper_ = upper;
    position_ = lower;
    lastPercent_ = -1;
    Draw();
}

void ConsoleProgress::setMessage(std::string_view message)
{
    message_ = message;
    Draw();
}

void ConsoleProgress::setPosition(int position)
{
    position_ = position;
    Draw();
}

void ConsoleProgress::Draw()
{
    if (!terminal_ || upper_ <= lower_) {
        return;
    }
    const int percent = static_cast<int>(100LL * (position_ - lower_) / (upper_ - lower_));
    if (percent == lastPercent_) {
        return;
    }
    lastPercent_ = percent;
    std::fprintf(stderr, "\r%s: %3d%% %-40.40s", title_.c_str(), percent, message_.c_str());
    std::fflush(stderr);
}

void ConsoleProgress::end()
{
    if (terminal_ && lastPercent_ >= 0) {
        std::fprintf(stderr, "\n");
    }
    lastPercent_ = -1;
}

}  // namespace tessaron::cli
