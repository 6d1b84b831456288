// The conversion job: the Win32 side of a run.  It runs the portable BatchRun on a worker
// thread and answers its questions with the decision dialogs and message boxes, all
// owned by the progress dialog, so that the dialog's stop button is disabled while one
// is up.
#pragma once

#include <windows.h>

#include <cstdint>

#include "batch/batch_run.h"
#include "batch/decision_dialogs.h"
#include "batch/run_questions.h"
#include "framework/question.h"
#include "framework/string_list.h"
#include "framework/worker_thread.h"

struct Settings;
class Window;

// An Abort/Retry/Ignore question about one path: its caption, default button and text.
struct RetryQuestion {
    const char* caption;
    std::uint32_t style;
    const char* format;  // %s: the path
};

class ConversionJob : public WorkerThread, public RunQuestions {
public:
    explicit ConversionJob(BatchRun::Detector detect = BatchRun::DetectCode) : run_(detect) {}
    ~ConversionJob() override { Stop(); }

    // owner: the progress dialog, which owns every question, shows the progress and is
    // closed by the worker when it is done; asker: its message boxes.
    void Configure(Window* owner, Asker* asker, RunProgress* progress, const Settings* settings);
    // Takes the full paths of the list view's rows (each row's item parameter), on the
    // thread that owns the list, before the run starts.
    void TakeRows(HWND fileList);
    // Before the worker starts: the decision dialogs ask afresh, the copy is offered only
    // where it keeps something, and the code offered first follows the settings.
    void PrepareRun();
    // PrepareRun, then the worker; when no thread can be made the user is told and the
    // progress dialog closed.
    void StartRun();

    bool NameClash(const char* output, ClashChoice* choice, char* newPath) override;
    bool Undecided(const char* input, bool wellFormedUtf8, UndecidedChoice* choice) override;
    bool Unconvertible(const char* input, UnconvertibleChoice* choice) override;
    RetryAnswer MissingInput(const char* path) override;
    RetryAnswer InputUnusable(const char* path) override;
    RetryAnswer OutputUnusable(const char* path) override;
    bool GoOnAfterSkip(SkipReason reason, const char* path, std::uint32_t error) override;
    void Kept(const char* target, const char* keptIn) override;
    void OutOfMemory() override;
    Asker& EngineAsker() override { return *asker_; }

    // The run, to be read once the worker has ended.
    const BatchRun& Batch() const { return run_; }

protected:
    DWORD ThreadMain() override;

private:
    RetryAnswer AskRetry(const RetryQuestion& asked, const char* path);

    NameClashDialog nameClash_;
    CannotConvertDialog cannotConvert_;
    DetectionFailedDialog detectionFailed_;
    Window* owner_ = nullptr;
    Asker* asker_ = nullptr;
    RunProgress* progress_ = nullptr;
    const Settings* settings_ = nullptr;
    StringList rows_;
    bool rowsComplete_ = false;
    BatchRun run_;
};
