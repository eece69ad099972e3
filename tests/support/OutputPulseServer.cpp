#include "OutputPulseServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace tessaron::test {

namespace {

pid_t Spawn(std::vector<std::string> args, const std::string& output)
{
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void StopPid(pid_t& pid)
{
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

}  // namespace

bool OutputPulseServer::Start(std::string& error)
{
    const std::string folder = Folder();
    ::chmod(folder.c_str(), 0700);
    const std::string socket = folder + "/pulse.sock";
    server_ = "unix:" + socket;
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);  // the server's runtime files go there
    ::setenv("PULSE_SERVER", server_.c_str(), 1);
    const std::string log = folder + "/pulse.log";
    pid_ = Spawn({"pulseaudio", "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1",
                  "--disallow-exit", "--use-pid-file=no", "--log-target=stderr",
                  "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket,
                  "--load=module-null-sink sink_name=ci_sink rate=48000"},
                 log);
    for (int i = 0; pid_ > 0 && i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        if (std::system("pactl info >/dev/null 2>&1 </dev/null") == 0) {
            return true;
        }
    }
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    error = "PulseAudio did not start: " + text.str();
    StopPid(pid_);
    return false;
}

OutputPulseServer::~OutputPulseServer() { StopPid(pid_); }

OutputPulseRecorder::OutputPulseRecorder(const std::string& source, const std::string& file)
    : pid_(Spawn({"parec", "--device=" + source, "--format=float32le", "--rate=48000", "--channels=2",
                  "--latency-msec=20", "--raw"},
                 file))
{
}

OutputPulseRecorder::~OutputPulseRecorder() { Stop(); }

void OutputPulseRecorder::Stop() { StopPid(pid_); }

}  // namespace tessaron::test
