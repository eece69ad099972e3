#include "cli/ConsoleServices.h"

#include <cstdio>

#include <unistd.h>

namespace tessaron::cli {

void ConsoleNotice::show(std::string_view text, NoticeIcon icon)
{
    const char* prefix = icon == NoticeIcon::Error ? "error" : icon == NoticeIcon::Exclamation ? "warning" : "note";
    std::fprintf(stderr, "tessaron-cli: %s: %.*s\n", prefix, static_cast<int>(text.size()), text.data());
}

ConsoleProgress::ConsoleProgress() : terminal_(isatty(STDERR_FILENO) != 0) {}

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
