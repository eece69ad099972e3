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
        {"render", RunRender, "render SONG.tsn OUT.wav [--end POS] [--mono]   the song mixed into a WAV file"},
        {"play", RunPlay, "play SONG.tsn [--device NAME] [--listen]   play a song on an output until its end or Ctrl+C;\n"
                          "                        with --listen, also take media from a companion program until Ctrl+C"},
        {"live", RunLive, "live SONG.tsn [--device NAME] [--midi-in NAME] [--midi-out NAME] [--record OUT.tsn] [--seconds S]   play the song's media from MIDI input"},
        {"info", RunInfo, "info FILE               what the readers report for an audio file: format, size, length, tags"},
        {"devices", RunDevices, "devices      the output devices of the audio system in use and the MIDI ports"},
        {"tone", RunTone, "tone [--device NAME] [--freq HZ] [--seconds S]   play a sine on an output (440 Hz, 2 s)"},
        {"effect", RunEffect, "effect NAME IN.wav OUT.wav [P1 [P2]] [--range START END]   one sample effect on a file"},
        {"stretch", RunStretch, "stretch IN.wav OUT.wav --from BPM --to BPM   time stretch of a sample, pitch kept"},
        {"skin", RunSkin, "skin FILE.ini            what the program makes of a skin file, as JSON"},
        {"send", RunSend, "send file|cut ...       hand a sample, or frames of a music file, to a running Tessaron"},
    };
    return commands;
}

}  // namespace tessaron::cli
