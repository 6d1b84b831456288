// Questions of the batch job with the paths they name filled in, put through an Asker
// (the progress dialog's message boxes in the program, a script in the tests).
#pragma once

#include <cstdint>

#include "framework/question.h"

// The button pressed; 0 when the box could not be shown.  The text is cut at the
// message-box limit, never inside a double-byte character.
int AskFormatted(Asker& asker, const char* caption, std::uint32_t style, const char* format,
                 ...) __attribute__((format(__MINGW_PRINTF_FORMAT, 4, 5)));
