#include <cstdio>

#include "cli/Commands.h"
#include "cli/DemoSong.h"

namespace tessaron::cli {

int RunDemo(const Arguments& args)
{
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: tessaron-cli demo DIR\n");
        return 2;
    }
    const std::string error = WriteDemoSong(args[0]);
    if (!error.empty()) {
        std::fprintf(stderr, "tessaron-cli: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s/demo.tsn with drums.wav, bass.wav and pad.wav\n", args[0].c_str());
    return 0;
}

}  // namespace tessaron::cli
