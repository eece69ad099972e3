#include "cli/Commands.h"

namespace tessaron::cli {

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> commands = {
    };
    return commands;
}

}  // namespace tessaron::cli
