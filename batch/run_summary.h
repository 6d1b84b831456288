// What became of the files of a run that were not converted, for the summary shown at its
// end: each file's path, how it ended and what decided it, in the order met, and how many
// files the walk passed over for their extension.  NotingQuestions stands between the run
// and the front end's questions and notes each answer that leaves a file unconverted.
#pragma once

#include <cstdint>
#include <vector>

#include "batch/run_questions.h"
#include "framework/string_list.h"

// What decided that a file was not converted.
enum class Decision : std::int32_t {
    None,            // nothing was asked: the run was stopped during the file
    NameClash,       // its output name was taken
    Undecided,       // its code could not be told
    Unconvertible,   // it is not valid in its code, or no text
    MissingInput,    // it was not found
    InputUnusable,   // it could not be opened
    OutputUnusable,  // its output could not be made
    Skip,            // a GoOnAfterSkip question, with its reason and error
    EarlierOutput,   // an earlier run made it beside its source
};

struct FileNote {
    FileOutcome outcome = FileOutcome::Skipped;
    Decision decision = Decision::None;
    SkipReason reason = SkipReason::FileError;
    std::uint32_t error = 0;
};

class RunSummary {
public:
    void Clear();
    // Memory running out loses the note, not the run.
    void Add(const char* path, const FileNote& note);

    std::int32_t Count() const { return static_cast<std::int32_t>(notes_.size()); }
    const char* Path(std::int32_t i) const { return paths_[i]; }
    const FileNote& Note(std::int32_t i) const { return notes_[static_cast<std::size_t>(i)]; }

    std::int32_t leftOutByExtension = 0;

private:
    StringList paths_;
    std::vector<FileNote> notes_;
};

class NotingQuestions : public RunQuestions {
public:
    void Configure(RunQuestions& questions, RunSummary& summary) {
        questions_ = &questions;
        summary_ = &summary;
    }
    // While the inputs are listed, a file left out is noted at once; while they are
    // converted, the last answer is kept for the file's outcome.
    void SetListing(bool listing) { listing_ = listing; }
    // The file ended: noted with the last answer about it when it was not converted.
    void FileDone(const char* path, FileOutcome outcome);

    bool NameClash(const char* output, ClashChoice* choice, char* newPath) override;
    bool Undecided(const char* input, bool wellFormedUtf8, UndecidedChoice* choice) override;
    bool Unconvertible(const char* input, UnconvertibleChoice* choice) override;
    RetryAnswer MissingInput(const char* path) override;
    RetryAnswer InputUnusable(const char* path) override;
    RetryAnswer OutputUnusable(const char* path) override;
    bool GoOnAfterSkip(SkipReason reason, const char* path, std::uint32_t error) override;
    void Kept(const char* target, const char* keptIn) override;
    void OutOfMemory() override;
    Asker& EngineAsker() override { return questions_->EngineAsker(); }

private:
    void Note(const char* path, Decision decision, SkipReason reason = SkipReason::FileError,
              std::uint32_t error = 0);

    RunQuestions* questions_ = nullptr;
    RunSummary* summary_ = nullptr;
    bool listing_ = false;
    FileNote last_;
};
