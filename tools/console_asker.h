// The console's answer to the engine's one question, whether to retry a write on a full
// disk.  A person at a console is asked on standard error and answers on standard input;
// without a console (a script, a file or NUL, or standard input carrying a batch list)
// nobody can free space, so the answer is Cancel and the file fails with the disk-full
// error.
#pragma once

#include "framework/question.h"

class ConsoleAsker : public Asker {
public:
    explicit ConsoleAsker(bool interactive) : interactive_(interactive) {}
    int Ask(const Question& question) override;

    // Whether standard input is a console that a person types into.
    static bool StdinIsConsole();

private:
    bool interactive_;
};
