// The console's answer to the engine's one question, whether to retry a write on a full
// disk.  A person at a terminal is asked on standard error and answers on standard input;
// without a terminal (a script, or standard input carrying a batch list) nobody can free
// space, so the answer is Cancel and the conversion ends with the disk-full error.
#pragma once

#include "framework/question.h"

class ConsoleAsker : public Asker {
public:
    explicit ConsoleAsker(bool interactive) : interactive_(interactive) {}
    int Ask(const Question& question) override;

    // Whether standard input is a terminal.
    static bool StdinIsTerminal();

private:
    bool interactive_;
};
