// The program's Asker: a message box owned by a window (the progress dialog during a
// run), so it is modal to it and blocks the asking thread until answered.
#pragma once

#include <windows.h>

#include "framework/question.h"

class MessageBoxAsker : public Asker {
public:
    explicit MessageBoxAsker(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    int Ask(const Question& question) override;

private:
    HWND owner_;
};
