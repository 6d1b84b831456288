#include "tools/console_asker.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

// The C runtime's _isatty is true for the NUL device too; only a console has a mode.
bool ConsoleAsker::StdinIsConsole() {
#if defined(_WIN32)
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != FALSE;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

// The question's text is Japanese; the console speaks English, and the engine asks
// nothing but Retry/Cancel on a full disk.
int ConsoleAsker::Ask(const Question&) {
    if (!interactive_) return question::kAnswerCancel;
    std::fputs("zekocli: the disk is full. Free some space, then type r and Enter to retry; "
               "anything else cancels: ",
               stderr);
    std::fflush(stderr);
    char answer[16];
    if (!std::fgets(answer, sizeof answer, stdin)) return question::kAnswerCancel;
    return answer[0] == 'r' || answer[0] == 'R' ? question::kAnswerRetry
                                                : question::kAnswerCancel;
}
