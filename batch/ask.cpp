#include "batch/ask.h"

#include <cstdarg>
#include <cstdio>

#include "framework/dialog.h"
#include "framework/path.h"

int AskFormatted(Asker& asker, const char* caption, std::uint32_t style, const char* format,
                 ...) {
    char text[Dialog::kMessageLimit + 1];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0) text[0] = '\0';
    if (length > Dialog::kMessageLimit) CutText(text, Dialog::kMessageLimit);
    return asker.Ask({text, caption, style});
}
