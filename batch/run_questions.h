// What a conversion run asks and tells while it works through its files.  The run itself
// is the same for every front end; the window program answers with message boxes and
// dialogs, the console tool from its options.  Each question says what went wrong and
// whose name is at stake, not how it is shown.
#pragma once

#include <cstdint>

#include "framework/platform.h"
#include "framework/question.h"

// The choices of the name-clash question.
enum class ClashChoice : std::int32_t { UniqueName = 0, NewName = 1, Overwrite = 2, DoNotConvert = 3 };
// The choices when the code of a file cannot be told.
enum class UndecidedChoice : std::int32_t {
    AsShiftJis = 0,
    AsEuc = 1,
    Copy = 2,
    Ignore = 3,
    AsUtf8 = 4,  // offered only for a file that is well-formed UTF-8
};
// The choices for a file that is not valid in its code.
enum class UnconvertibleChoice : std::int32_t { Ignore = 0, Copy = 1 };

// The answer to a question that offers another try.
enum class RetryAnswer { Retry, Skip, Stop };

// A file is skipped for one of these; the user says whether the run goes on.
enum class SkipReason {
    OutputNameTooLong,   // the automatic unique or backup name would be too long
    TempFileFailed,      // no temporary file could be made beside the target
    OutputPathTooLong,   // the output folder and the name make too long a path
    InputPathTooLong,    // a file deep in a folder has too long a path
    FolderPathTooLong,   // so has a folder
    NotAFile,            // a pipe, FIFO or device rather than a file
    NameNotInCodePage,   // the name holds a character the system's code page has not
    DiskFull,            // the disk filled up while the file was written
    FileError,           // a read, write or move failed; the code is given
};

class RunQuestions {
public:
    virtual ~RunQuestions() = default;

    // The three decisions.  False: the user stopped the whole run.  newPath (kPathBuffer
    // bytes) receives the full path chosen for NewName, which names nothing yet.
    virtual bool NameClash(const char* output, ClashChoice* choice, char* newPath) = 0;
    virtual bool Undecided(const char* input, bool wellFormedUtf8, UndecidedChoice* choice) = 0;
    virtual bool Unconvertible(const char* input, UnconvertibleChoice* choice) = 0;

    // A top-level input is missing, an input cannot be opened, an output cannot be made.
    virtual RetryAnswer MissingInput(const char* path) = 0;
    virtual RetryAnswer InputUnusable(const char* path) = 0;
    virtual RetryAnswer OutputUnusable(const char* path) = 0;

    // The file at path is skipped; true to go on with the next.  error is the system's
    // code for FileError.
    virtual bool GoOnAfterSkip(SkipReason reason, const char* path, std::uint32_t error) = 0;
    // The converted text could not take target's name; it is kept in keptIn.
    virtual void Kept(const char* target, const char* keptIn) = 0;
    // Memory ran out while the files were listed; the run stops.
    virtual void OutOfMemory() = 0;

    // The engine's own question (retry on a full disk).
    virtual Asker& EngineAsker() = 0;
};

// How one file of the run ended.
enum class FileOutcome {
    Converted,  // the converted text is in place
    Copied,     // the input's bytes unchanged, by the user's choice
    Skipped,    // nothing written: a decision, a missing file, a name that cannot be made
    Failed,     // a read, write or move failed; everything was rolled back
    Stopped,    // the run was stopped during this file; it was rolled back
};

class RunProgress {
public:
    virtual ~RunProgress() = default;
    // The inputs are being listed; then they are converted.
    virtual void Checking() = 0;
    virtual void Converting() = 0;
    // The pair being converted; output is where the text will stand.
    virtual void ShowPair(const char* input, const char* output) = 0;
    // Before each file of the listed ones: its number, from 1, of total.
    virtual void FileNumber(std::int32_t number, std::int32_t total) = 0;
    // How much of the current file's input has been read, 0 to 100; told when it changes.
    virtual void FilePercent(std::int32_t percent) = 0;
    // The file is done.
    virtual void Done(const char* input, const char* output, FileOutcome outcome) = 0;
};
