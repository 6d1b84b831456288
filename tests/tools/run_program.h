// Runs a program with its standard streams redirected to files and answers its exit
// code: CreateProcess under Windows (and Wine), posix_spawn natively.
#pragma once

#include <string>
#include <vector>

namespace test {

struct Run {
    int exitCode;
    std::string out;
    std::string err;
};

// stdinPath empty: standard input is empty (and no terminal).
Run RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& stdinPath = {});

}  // namespace test
