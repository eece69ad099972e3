#pragma once

#include <string>

#include "framework/INotice.h"
#include "framework/IProgress.h"

namespace tessaron {
class CChordwayDoc;
}

namespace tessaron::cli {

// Every error and warning of the tool has one form: "tessaron-cli: FILE: what went wrong",
// where FILE is the file or the argument concerned. Fail answers 1 and Refuse (a bad argument)
// answers 2, for commands to return.
int Fail(std::string_view file, std::string_view what);
int Refuse(std::string_view argument, std::string_view why);
void Warn(std::string_view file, std::string_view what);  // "tessaron-cli: FILE: warning: what"
int Usage(std::string_view usage);                        // "usage: tessaron-cli USAGE", answers 2

// Whether the user sees stderr on a terminal (also behind the chatter filter, LibraryChatter.h).
bool StderrIsTerminal();

// Opens a song as the program does; on failure the document's notice, or this, said why.
bool OpenSong(CChordwayDoc& doc, const std::string& path);

// Message boxes of the command-line tool: one line on stderr about the file being worked on.
class ConsoleNotice : public INotice {
public:
    explicit ConsoleNotice(std::string file) : file_(std::move(file)) {}
    void show(std::string_view text, NoticeIcon icon) override;

private:
    std::string file_;
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
