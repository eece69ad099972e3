#include "cli/Commands.h"

namespace tessaron::cli {

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> commands = {
        {"demo", RunDemo, "demo DIR                write the built-in demo song and its loops into DIR"},
        {"summary", RunSummary, "summary SONG.tsn        tempo, length, media and events of a song"},
        {"dump", RunDump, "dump SONG.tsn           the song as JSON on stdout"},
        {"build", RunBuild, "build SONG.json OUT.tsn a song file from its JSON form"},
        {"resave", RunResave, "resave IN.tsn OUT.tsn   open a song as the program does and save it"},
        {"info", RunInfo, "info FILE               what the readers report for an audio file: format, size, length, tags"},
        {"devices", RunDevices, "devices      the output devices of the audio system in use"},
        {"tone", RunTone, "tone [--device NAME] [--freq HZ] [--seconds S]   play a sine on an output (440 Hz, 2 s)"},
    };
    return commands;
}

}  // namespace tessaron::cli
