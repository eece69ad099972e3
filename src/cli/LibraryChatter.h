#pragma once

#include <memory>

#include <sys/types.h>

namespace tessaron::cli {

// The libraries under the tool talk on stderr on their own: the MP3 decoder about every damaged
// frame, ALSA about cards it cannot find, JACK about servers that do not run. Unless the user
// asks for them (TESSARON_VERBOSE=1), their lines are kept out: stderr passes through a small
// filter process that forwards every other line, and that outlives a crash of the tool so that
// no report of it is lost. Start it first thing in main, before any thread starts, and keep it
// until main returns: ending it waits until the filter has passed every line on, and gives stderr
// back for what still comes at exit (a leak report). Whether the given stderr is a terminal
// stays known through TESSARON_STDERR_TERMINAL (see StderrIsTerminal).
class LibraryChatterFilter {
public:
    // Null when the user asked for the chatter or the filter cannot run.
    static std::unique_ptr<LibraryChatterFilter> Start();
    ~LibraryChatterFilter();
    LibraryChatterFilter(const LibraryChatterFilter&) = delete;
    LibraryChatterFilter& operator=(const LibraryChatterFilter&) = delete;

private:
    LibraryChatterFilter(pid_t filter, int original) : filter_(filter), original_(original) {}
    pid_t filter_;
    int original_;  // the tool's stderr as it was given
};

}  // namespace tessaron::cli
