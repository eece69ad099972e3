#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace tessaron::test {

// Starts a program with stdin, stdout and stderr on /dev/null; answers its PID, -1 on failure.
pid_t SpawnQuietly(std::vector<std::string> args);
// The same with stderr written to the file `errors` (created or emptied).
pid_t SpawnWithErrors(std::vector<std::string> args, const std::string& errors);

// Runs a program to its end (killed after `seconds`) with stdin and stdout on /dev/null and
// answers its exit status (-1 when it did not exit by itself) and what it wrote on stderr.
struct ProcessOutcome {
    int status = -1;
    std::string errors;
};
ProcessOutcome RunCapturingErrors(std::vector<std::string> args, double seconds = 60.0);

// What a shell command prints on stdout, trailing newlines and spaces trimmed; its errors are
// dropped. Empty when it fails.
std::string CommandOutput(const std::string& command);

// Waits up to `seconds` for the process to end and answers its exit status; a process that
// does not end in time is killed and -1 answered.
int WaitForExit(pid_t pid, double seconds);

}  // namespace tessaron::test
