#include "framework/message_box_asker.h"

int MessageBoxAsker::Ask(const Question& question) {
    return MessageBoxA(owner_, question.text.c_str(), question.caption.c_str(), question.style);
}
