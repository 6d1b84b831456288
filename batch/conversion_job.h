// The conversion job: the state of a run over the file list and the per-file work the
// worker thread does with it.  Placement decides where each converted text goes and
// opens both files; Finish commits or rolls back; the decision dialogs settle name
// clashes, undecidable codes and unconvertible files.  Every question of the run goes
// through the asker (message boxes owned by the progress dialog).
#pragma once

#include <cstdint>

#include "batch/decision_dialogs.h"
#include "batch/input_enumerator.h"
#include "engine/codes.h"
#include "engine/conversion_engine.h"
#include "framework/file_handle.h"
#include "framework/platform.h"
#include "framework/question.h"
#include "framework/worker_thread.h"

struct Settings;
class ProgressDialog;
class Window;

// Deciding a file's input code gives a CharCode to convert from, or one of these when a
// dialog has already dealt with the file.
enum SettledByDialog : std::int32_t {
    SettledCopied = 8,    // copied unchanged: commit
    SettledIgnored = 9,   // roll back
    SettledStopped = 10,  // the run was stopped: roll back
};

class ConversionJob : public WorkerThread {
public:
    // Tells the character code of the open input file from its current position.
    using Detector = CharCode (*)(FileHandle& input, RunningFlag* running);

    // The program's detector: a CodeDetector for each file.
    static CharCode DetectCode(FileHandle& input, RunningFlag* running);

    explicit ConversionJob(Detector detect = DetectCode) : detect_(detect) {}
    ~ConversionJob() override { Stop(); }

    // owner: the window the decision dialogs belong to; asker: every message of the run.
    void Configure(Window* owner, Asker* asker, const Settings* settings);
    // Before the worker starts: the decision dialogs ask afresh, the copy is offered only
    // where it keeps something, and the code offered first follows the settings.
    void PrepareRun();

    // The window of the run: shows the pair being converted, owns every question, and is
    // closed by the worker when it is done.  fileList: the main window's list view.
    void SetProgress(ProgressDialog* progress, HWND fileList);
    // PrepareRun, then the worker; when no thread can be made the user is told and the
    // progress dialog closed.
    void StartRun();

protected:
    DWORD ThreadMain() override;
    // One pair, from placement to commit or roll-back; a raised file error rolls the file
    // back and the user decides whether the run goes on.
    void ConvertOne(const char* input, const char* output);
    // Whether to commit the converted file.
    bool ConvertFile();
    // After a raised error: rolls the file back; whether the run goes on.
    bool AskAfterError(std::uint32_t code, const char* input);

    // Placement: true with both files open; false when the file is skipped (the running
    // flag tells whether the run stopped too, TempFileFailed whether a temporary file
    // could not be made).
    bool Place(const char* input, const char* output);
    // With the pair as enumerated: commits on success, else rolls back.
    void Finish(bool success, const char* input, const char* output);
    // Leaves no new output, and the source file under its own name.
    void RollBack();
    bool TempFileFailed() const { return tempFailed_; }

    bool UniqueName(char* destination, const char* path);
    bool UniqueNameOrAsk(char* destination, const char* path, const char* shownPath);
    bool MakeTempFile(const char* path);
    bool MakeParentFolders(const char* path, char* folder);
    bool CreateFiles(const char* input, const char* output);
    bool AskRetryInput(const char* path);

    // A CharCode or a SettledByDialog value.
    std::int32_t DecideInputCode();
    // Whether to commit a file the engine could not convert.
    bool DecideCannotConvert();
    // The input's bytes unchanged into the output, replacing whatever was written.
    bool CopyFile();

    bool KeepsRunning() { return Running().load(std::memory_order_relaxed) != 0; }
    void StopRun() { Running().store(0, std::memory_order_relaxed); }

    NameClashDialog nameClash_;
    CannotConvertDialog cannotConvert_;
    DetectionFailedDialog detectionFailed_;
    FileHandle input_;
    FileHandle output_;
    Window* owner_ = nullptr;
    Asker* asker_ = nullptr;
    const Settings* settings_ = nullptr;
    // The temporary file that replaces the target (overwrite, in-place replacement) or,
    // with a backup, the source file's own path; empty otherwise.
    char pendingPath_[platform::kPathBuffer] = {};
    // Where the source file was moved to keep it; empty without a backup.
    char backupPath_[platform::kPathBuffer] = {};
    bool tempFailed_ = false;

private:
    bool ReplacesTarget() const { return pendingPath_[0] != '\0' && backupPath_[0] == '\0'; }
    void ClearPlacement();
    void TellWhereKept(const char* caption, const char* path, const char* failure,
                       const char* content, const char* keptIn);
    void WriteAll(const char* bytes, std::uint32_t count);

    Detector detect_;
    ConversionEngine engine_;
    InputEnumerator enumerator_;
    ProgressDialog* progress_ = nullptr;
    HWND fileList_ = nullptr;
};

// The production detector.
CharCode DetectCode(FileHandle& input, RunningFlag* running);
