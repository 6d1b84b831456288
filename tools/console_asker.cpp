#include "tools/console_asker.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

bool ConsoleAsker::StdinIsTerminal() { return isatty(fileno(stdin)) != 0; }

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
