#include <cstdio>
#include <cstring>
#include <exception>

#include "cli/Commands.h"
#include "cli/LibraryChatter.h"

namespace {

void PrintUsage(FILE* out)
{
    std::fprintf(out, "usage: tessaron-cli COMMAND [ARGS]\n\ncommands:\n");
    for (const auto& command : tessaron::cli::AllCommands()) {
        std::fprintf(out, "  %s\n", command.usage);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const auto chatterFilter = tessaron::cli::LibraryChatterFilter::Start();
    if (argc < 2 || std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const auto& command : tessaron::cli::AllCommands()) {
        if (std::strcmp(argv[1], command.name) == 0) {
            try {
                return command.run(tessaron::cli::Arguments(argv + 2, argv + argc));
            } catch (const std::exception& e) {
                std::fprintf(stderr, "tessaron-cli: %s: %s\n", command.name, e.what());
                return 1;
            }
        }
    }
    std::fprintf(stderr, "tessaron-cli: %s: no command of this name\n\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
