#pragma once

#include <string>
#include <vector>

namespace tessaron::cli {

using Arguments = std::vector<std::string>;

// Each command takes the arguments after its name and returns the process exit status.
// Errors go to stderr with a non-zero status.

struct Command {
    const char* name;
    int (*run)(const Arguments&);
    const char* usage;
};

// Every command of tessaron-cli, in the order `tessaron-cli help` lists them.
const std::vector<Command>& AllCommands();

int RunInfo(const Arguments& arguments);  // CommandInfo.cpp
int RunDemo(const Arguments& arguments);  // CommandDemo.cpp
int RunSummary(const Arguments& arguments);  // CommandSong.cpp
int RunDump(const Arguments& arguments);
int RunBuild(const Arguments& arguments);
int RunResave(const Arguments& arguments);
int RunRender(const Arguments& arguments);  // CommandPlayback.cpp
int RunPlay(const Arguments& arguments);
int RunLive(const Arguments& arguments);  // CommandLive.cpp
int RunDevices(const Arguments& arguments);  // CommandDevices.cpp
int RunTone(const Arguments& arguments);  // CommandTone.cpp
int RunEffect(const Arguments& arguments);  // CommandEffect.cpp
int RunStretch(const Arguments& arguments);  // CommandStretch.cpp
int RunSkin(const Arguments& arguments);  // CommandSkin.cpp
int RunSend(const Arguments& arguments);  // CommandSend.cpp

}  // namespace tessaron::cli
