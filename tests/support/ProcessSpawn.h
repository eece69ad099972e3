#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace tessaron::test {

// Starts a program with stdin, stdout and stderr on /dev/null; answers its PID, -1 on failure.
pid_t SpawnQuietly(std::vector<std::string> args);
// The same with stderr written to the file `errors` (created or emptied).
pid_t SpawnWithErrors(std::vector<std::string> args, const std::string& errors);

// Waits up to `seconds` for the process to end and answers its exit status; a process that
// does not end in time is killed and -1 answered.
int WaitForExit(pid_t pid, double seconds);

}  // namespace tessaron::test
