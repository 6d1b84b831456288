// An Asker for code that must ask nothing: it records every question (text, caption,
// style), fails the test, and answers with the style's last-resort button (Cancel, No or OK).
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "framework/question.h"

namespace test {

class SilentAsker : public Asker {
public:
    const std::vector<Question>& Asked() const { return asked_; }

    int Ask(const Question& question) override {
        asked_.push_back(question);
        ADD_FAILURE() << "unexpected question: " << question.caption << " / " << question.text;
        std::uint32_t buttons = question.style & 0xF;
        if (buttons == question::kYesNo) return question::kAnswerNo;
        return buttons == question::kOk ? question::kAnswerOk : question::kAnswerCancel;
    }

private:
    std::vector<Question> asked_;
};

}  // namespace test
