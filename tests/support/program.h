// ZEKO.EXE's start-up as WinMain runs it, with ZEKO.CFG in a test's folder instead of
// beside the executable.
#pragma once

#include <string>

namespace test {

// Runs the main window until it closes (configFolder ends in a separator); the exit code.
int RunProgram(const std::string& configFolder);

}  // namespace test
