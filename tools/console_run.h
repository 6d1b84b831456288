// zekocli's side of the core's batch run.  A script cannot be asked, so every question
// gets the answer the command line chose in advance, the safe one unless told otherwise:
// nothing undecided is guessed, nothing is retried, and an existing output is replaced
// only where the command line named it or asked for it.  Each problem and each decision
// is told on standard error as "zekocli: FILE: reason"; problems are kept as an exit
// status.  "-" names standard input or output.
#pragma once

#include <cstdint>
#include <string>

#include "batch/batch_run.h"
#include "batch/run_questions.h"
#include "framework/file_handle.h"
#include "framework/string_list.h"
#include "tools/console_asker.h"

struct Settings;

// When files end differently, the highest status is the run's.
enum ExitStatus : int { kExitConverted = 0, kExitCannotConvert = 1, kExitUsage = 2, kExitIo = 3 };

// The name of a CharCode as zekocli prints it; "-" for BatchRun::kDetect.
const char* CodeName(std::int32_t code);

// The name that stands for standard input or output.
inline constexpr char kStream[] = "-";

// Opens path for reading as an input is opened; false with why set when it cannot be.
bool OpenInput(const char* path, FileHandle* file, std::string* why);

// The answers given in advance to the decisions the window program asks about.
struct Decisions {
    ClashChoice clash = ClashChoice::DoNotConvert;  // DoNotConvert, Overwrite or UniqueName
    UndecidedChoice undecided = UndecidedChoice::Ignore;
    UnconvertibleChoice unconvertible = UnconvertibleChoice::Ignore;
};

class ConsoleRun : private RunQuestions, private RunProgress {
public:
    // settings are read at every file, so a caller may change them between pairs.
    ConsoleRun(const Settings& settings, bool interactive, const Decisions& decisions = {});

    // IN into OUT, an existing OUT replaced only when replaceOutput; code is an input code
    // or BatchRun::kDetect.  Either may be kStream: standard input is held in a temporary
    // file while it is converted, and standard output receives the text only once it is
    // complete.  Answers the pair's status; Reason() says why it is not 0.
    int ConvertPair(const char* input, const char* output, std::int32_t code,
                    bool replaceOutput);
    // Every file and folder of rows (full paths), placed as the settings say.
    void ConvertFiles(const StringList& rows, std::int32_t code);
    // A file turned away before the core sees it.
    void Refuse(const char* path, const std::string& reason, int status);

    int Status() const { return worst_; }
    const std::string& Reason() const { return reason_; }
    std::int32_t LastInputCode() const { return run_.LastInputCode(); }
    void PrintSummary() const;

private:
    void Tell(int status, const char* path, const std::string& reason);
    // Standard input into a temporary file, or the complete text onto standard output.
    bool Spool(FileHandle* spool);
    void WriteOut(FileHandle& spool);

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
    Decisions decisions_;
    ConsoleAsker asker_;
    RunningFlag running_{1};
    BatchRun run_;
    bool replaceOutput_ = false;
    int status_ = kExitConverted;  // the pair's
    std::string reason_;
    int worst_ = kExitConverted;
    std::int32_t refused_ = 0;
};
