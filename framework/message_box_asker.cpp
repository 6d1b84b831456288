#include "framework/message_box_asker.h"

#include "framework/window.h"

int MessageBoxAsker::Ask(const Question& question) {
    HWND owner = owner_ != nullptr ? owner_->Handle() : nullptr;
    return MessageBoxA(owner, question.text.c_str(), question.caption.c_str(), question.style);
}
