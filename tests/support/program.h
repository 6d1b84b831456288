// ZEKO.EXE's start-up, run in a test as WinMain runs it, with ZEKO.CFG in a folder of the
// test's instead of beside the executable.
#pragma once

#include <string>

namespace test {

// Runs the program's main window until it closes; configFolder ends in a separator.
// The exit code.
int RunProgram(const std::string& configFolder);

}  // namespace test
