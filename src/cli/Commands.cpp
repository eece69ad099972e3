#include "cli/Commands.h"

namespace tessaron::cli {

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> commands = {
        {"info", RunInfo, "info FILE    what the readers report for an audio file: format, size, length, tags"},
    };
    return commands;
}

}  // namespace tessaron::cli
