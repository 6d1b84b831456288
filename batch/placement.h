// Where each converted text goes, and how it gets there.  Every file of a run is a
// transaction: the text is written to a temporary file beside its target and takes the
// target's name only once it is complete, in one move; whatever ends the file early (a
// raised error of any kind, a stop, an answer, a killed process) deletes the temporary
// file and leaves every file of the user's as it was.
#pragma once

#include <cstdint>

#include "batch/run_questions.h"
#include "engine/codes.h"
#include "framework/file_handle.h"
#include "framework/platform.h"

struct Settings;

class FileTransaction {
public:
    enum class Mode {
        NewName,     // the target names nothing: the text is moved there
        Replace,     // the target is replaced, keeping its attributes
        KeepBackup,  // the same, the old target kept under a unique name
    };

    FileTransaction() = default;
    ~FileTransaction() { RollBack(); }
    FileTransaction(const FileTransaction&) = delete;
    FileTransaction& operator=(const FileTransaction&) = delete;

    FileHandle& Input() { return input_; }
    FileHandle& Output() { return output_; }
    // Where the text will stand once committed.
    const char* Target() const { return target_; }

    // Closes the input and deletes the temporary file; nothing else is touched.
    void RollBack();

private:
    friend class Placement;

    FileHandle input_;
    FileHandle output_;
    char target_[platform::kPathBuffer] = {};
    Mode mode_ = Mode::NewName;
};

class Placement {
public:
    // The temporary files' names begin with this and end in ".tmp".
    static constexpr const char* kTempPrefix = "ZEKO~";

    void Configure(const Settings& settings, RunQuestions& questions, RunningFlag* running);

    // Decides the target of the pair (asking on a name clash), makes its temporary file
    // and opens the input.  True: both are open in file.  False: the file is skipped;
    // the running flag tells whether the run was stopped too.
    // openInput: the input already open (a spooled stream), adopted instead of opened by
    // name; input then only names it.
    bool Place(const char* input, const char* output, FileTransaction* file,
               FileHandle* openInput = nullptr);
    // Moves the complete text into place, flushed first where it replaces a user's file.
    // False when the move failed: the text stays in the temporary file and the user is
    // told where.  A failed flush raises its error code, like a failed write.
    bool Commit(FileTransaction* file);

    // The first free name the automatic naming rule gives for path: the affix, then
    // (2), (3), ... before the extension.  False when it would be too long or the run
    // was stopped.
    bool UniqueName(char* destination, const char* path) const;
    // The name of the file that the naming rule turned into name (without its folder),
    // into original (kPathBuffer bytes): the affix taken off where the rule puts it, with
    // the number it may have added.  False when name carries no such affix.
    static bool NameBeforeNaming(const Settings& settings, const char* name, char* original);
    // A file in the system's temporary folder, read and written, that the system deletes
    // when it is closed or the process ends: what a stream is held in while it is
    // converted.
    static bool MakeSpool(FileHandle* file);

private:
    bool KeepsRunning() const { return running_->load(std::memory_order_relaxed) != 0; }
    void StopRun() { running_->store(0, std::memory_order_relaxed); }
    bool GoOn(SkipReason reason, const char* path);
    bool UniqueNameOrAsk(char* destination, const char* path, const char* shownPath);
    bool Open(FileTransaction* file, const char* input, const char* target,
              FileTransaction::Mode mode, FileHandle* openInput);
    static bool MakeTempFile(FileHandle* output, const char* target, std::uint32_t access,
                             bool* nameFailed);

    const Settings* settings_ = nullptr;
    RunQuestions* questions_ = nullptr;
    RunningFlag* running_ = nullptr;
};
