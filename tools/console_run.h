// zekocli's side of the core's batch run.  A script cannot be asked, so every question
// gets the safe answer: nothing undecided is guessed, nothing is retried, and an
// existing output is replaced only where the command line named it.  Each problem is told
// on standard error as "zekocli: FILE: reason" and kept as an exit status.
#pragma once

#include <cstdint>
#include <string>

#include "batch/batch_run.h"
#include "batch/run_questions.h"
#include "framework/string_list.h"
#include "tools/console_asker.h"

struct Settings;

// When files end differently, the highest status is the run's.
enum ExitStatus : int { kExitConverted = 0, kExitCannotConvert = 1, kExitUsage = 2, kExitIo = 3 };

// The name of a CharCode as zekocli prints it; "-" for BatchRun::kDetect.
const char* CodeName(std::int32_t code);

class ConsoleRun : private RunQuestions, private RunProgress {
public:
    // settings are read at every file, so a caller may change them between pairs.
    ConsoleRun(const Settings& settings, bool interactive);

    // IN into OUT, an existing OUT replaced only when replaceOutput; code is an input code
    // or BatchRun::kDetect.  Answers the pair's status; Reason() says why it is not 0.
    int ConvertPair(const char* input, const char* output, std::int32_t code,
                    bool replaceOutput);
    // Every file of rows where it stands, as the settings say.
    void ConvertInPlace(const StringList& rows, std::int32_t code);
    // A file turned away before the core sees it.
    void Refuse(const char* path, const std::string& reason, int status);

    int Status() const { return worst_; }
    const std::string& Reason() const { return reason_; }
    std::int32_t LastInputCode() const { return run_.LastInputCode(); }
    void PrintSummary() const;

private:
    void Tell(int status, const char* path, const std::string& reason);

    bool NameClash(const char* output, ClashChoice* choice, char* newPath) override;
    bool Undecided(const char* input, bool wellFormedUtf8, UndecidedChoice* choice) override;
    bool Unconvertible(const char* input, UnconvertibleChoice* choice) override;
    RetryAnswer MissingInput(const char* path) override;
    RetryAnswer InputUnusable(const char* path) override;
    RetryAnswer OutputUnusable(const char* path) override;
    bool GoOnAfterSkip(SkipReason reason, const char* path, std::uint32_t error) override;
    void Kept(const char* target, const char* keptIn) override;
    void OutOfMemory() override;
    Asker& EngineAsker() override { return asker_; }

    // Nothing is shown while a file is converted.
    void Checking() override {}
    void Converting() override {}
    void ShowPair(const char*, const char*) override {}
    void FileNumber(std::int32_t, std::int32_t) override {}
    void FilePercent(std::int32_t) override {}
    void Done(const char*, const char*, FileOutcome) override {}

    const Settings& settings_;
    ConsoleAsker asker_;
    RunningFlag running_{1};
    BatchRun run_;
    bool replaceOutput_ = false;
    int status_ = kExitConverted;  // the pair's
    std::string reason_;
    int worst_ = kExitConverted;
    std::int32_t refused_ = 0;
};
