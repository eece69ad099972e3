#pragma once

#include <string>

#include "framework/INotice.h"
#include "framework/IProgress.h"

namespace tessaron::cli {

// Message boxes of the command-line tool: one line on stderr.
class ConsoleNotice : public INotice {
public:
    void show(std::string_view text, NoticeIcon icon) override;
};

// A progress line on stderr, drawn only when stderr is a terminal.
class ConsoleProgress : public IProgress {
public:
    ConsoleProgress();
    void begin(std::string_view title, int lower, int upper) override;
    void setMessage(std::string_view message) override;
    void setPosition(int position) override;
    bool cancelled() const override { return false; }
    void end() override;

private:
    void Draw();

    bool terminal_;
    std::string title_;
    std::string message_;
    int lower_ = 0;
    int upper_ = 0;
    int position_ = 0;
    int lastPercent_ = -1;
};

}  // namespace tessaron::cli
