#include "batch/run_summary.h"

#include <new>

void RunSummary::Clear() {
    paths_.Clear();
    notes_.clear();
    leftOutByExtension = 0;
}

void RunSummary::Add(const char* path, const FileNote& note) {
    try {
        notes_.push_back(note);
    } catch (const std::bad_alloc&) {
        return;
    }
    if (!paths_.Add(path)) notes_.pop_back();
}

void NotingQuestions::Note(const char* path, Decision decision, SkipReason reason,
                           std::uint32_t error) {
    last_ = {FileOutcome::Skipped, decision, reason, error};
    if (listing_) summary_->Add(path, last_);
}

void NotingQuestions::FileDone(const char* path, FileOutcome outcome) {
    if (outcome != FileOutcome::Converted) {
        last_.outcome = outcome;
        summary_->Add(path, last_);
    }
    last_ = {};
}

bool NotingQuestions::NameClash(const char* output, ClashChoice* choice, char* newPath) {
    bool goesOn = questions_->NameClash(output, choice, newPath);
    last_.decision = Decision::NameClash;
    return goesOn;
}

bool NotingQuestions::Undecided(const char* input, bool wellFormedUtf8, UndecidedChoice* choice) {
    bool goesOn = questions_->Undecided(input, wellFormedUtf8, choice);
    last_.decision = Decision::Undecided;
    return goesOn;
}

bool NotingQuestions::Unconvertible(const char* input, UnconvertibleChoice* choice) {
    bool goesOn = questions_->Unconvertible(input, choice);
    last_.decision = Decision::Unconvertible;
    return goesOn;
}

RetryAnswer NotingQuestions::MissingInput(const char* path) {
    RetryAnswer answer = questions_->MissingInput(path);
    if (answer == RetryAnswer::Skip) Note(path, Decision::MissingInput);
    return answer;
}

RetryAnswer NotingQuestions::InputUnusable(const char* path) {
    RetryAnswer answer = questions_->InputUnusable(path);
    if (answer != RetryAnswer::Retry) Note(path, Decision::InputUnusable);
    return answer;
}

RetryAnswer NotingQuestions::OutputUnusable(const char* path) {
    RetryAnswer answer = questions_->OutputUnusable(path);
    if (answer != RetryAnswer::Retry) Note(path, Decision::OutputUnusable);
    return answer;
}

bool NotingQuestions::GoOnAfterSkip(SkipReason reason, const char* path, std::uint32_t error) {
    Note(path, Decision::Skip, reason, error);
    return questions_->GoOnAfterSkip(reason, path, error);
}

void NotingQuestions::Kept(const char* target, const char* keptIn) {
    questions_->Kept(target, keptIn);
}

void NotingQuestions::OutOfMemory() { questions_->OutOfMemory(); }
