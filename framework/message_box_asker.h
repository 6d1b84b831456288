// The program's Asker: a message box owned by a window (the progress dialog during a
// run), so it is modal to it and blocks the asking thread until answered.  The owner is
// a window object rather than a handle because a dialog gets a new window each time it
// is shown: the box takes the owner's handle of the moment it asks.
#pragma once

#include <windows.h>

#include "framework/question.h"

class Window;

class MessageBoxAsker : public Asker {
public:
    // No owner: the box stands alone.
    MessageBoxAsker() = default;
    explicit MessageBoxAsker(const Window& owner) : owner_(&owner) {}

    int Ask(const Question& question) override;

private:
    const Window* owner_ = nullptr;
};
