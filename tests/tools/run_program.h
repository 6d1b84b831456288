// Runs a program with its standard streams redirected to files and answers its exit
// code: CreateProcess under Windows (and Wine), posix_spawn natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test {

struct Run {
    int exitCode;
    std::string out;
    std::string err;
};

// stdinPath empty: standard input is empty (and no terminal).  workingDir empty: the
// caller's current directory.
Run RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& stdinPath = {}, const std::string& workingDir = {});

#if !defined(_WIN32)
// Starts the program with its standard streams on /dev/null and sends it SIGKILL after
// delay microseconds; true when the signal ended it, false when it had ended before.
bool RunKilled(const std::string& program, const std::vector<std::string>& args,
               std::uint32_t delay);
#endif

}  // namespace test
