// Real shell shortcuts for tests, written through the system's own shell-link object.
#pragma once

#include <string>

namespace test {

// Writes the shortcut file link pointing at target; fails the test when it cannot.
void MakeShortcut(const std::string& link, const std::string& target);

}  // namespace test
