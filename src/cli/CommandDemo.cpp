#include <cstdio>

#include "cli/Commands.h"
#include "cli/ConsoleServices.h"
#include "cli/DemoSong.h"

namespace tessaron::cli {

int RunDemo(const Arguments& args)
{
    if (args.size() != 1) {
        return Usage("demo DIR");
    }
    const std::string error = WriteDemoSong(args[0]);
    if (!error.empty()) {
        return Fail(args[0], error);
    }
    std::printf("wrote %s/demo.tsn with drums.wav, bass.wav and pad.wav\n", args[0].c_str());
    return 0;
}

}  // namespace tessaron::cli
