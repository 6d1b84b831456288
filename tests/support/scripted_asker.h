// An Asker that answers from a script and records every question, so tests can check
// the exact text, caption and style.  A question beyond the script fails the test and
// is answered with the style's last-resort button (Cancel, No or OK).
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "framework/question.h"

namespace test {

class ScriptedAsker : public Asker {
public:
    ScriptedAsker() = default;
    ScriptedAsker(std::initializer_list<int> answers) : answers_(answers) {}

    void Answer(int answer) { answers_.push_back(answer); }
    const std::vector<Question>& Asked() const { return asked_; }
    bool Exhausted() const { return answers_.empty(); }

    int Ask(const Question& question) override {
        asked_.push_back(question);
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected question: " << question.caption << " / " << question.text;
            std::uint32_t buttons = question.style & 0xF;
            if (buttons == question::kYesNo) return question::kAnswerNo;
            if (buttons == question::kOk) return question::kAnswerOk;
            return question::kAnswerCancel;
        }
        int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

private:
    std::deque<int> answers_;
    std::vector<Question> asked_;
};

}  // namespace test
