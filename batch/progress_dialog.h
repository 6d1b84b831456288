// The modal window of a run: which file is read and which written, how far the current
// file has been read, its number among the run's files, and the stop button.
// It owns the job, whose worker thread asks every question of the run as a box owned by
// this dialog, so the stop button is disabled while a question is up.
#pragma once

#include <windows.h>

#include "batch/conversion_job.h"
#include "batch/run_questions.h"
#include "framework/dialog.h"
#include "framework/message_box_asker.h"

struct Settings;

class ProgressDialog : public Dialog, public RunProgress {
public:
    explicit ProgressDialog(BatchRun::Detector detect = BatchRun::DetectCode);

    // Converts what the list view lists, with the settings, while the dialog is shown
    // modally over the main window; returns when the run has ended.
    int RunJob(Window* mainWindow, HWND fileList, const Settings& settings);

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInit(WPARAM wParam, LPARAM lParam) override;

    // From the worker thread.  Each path is scrolled to its end, so a long one shows its
    // file name.
    void Checking() override;
    void Converting() override;
    void ShowPair(const char* input, const char* output) override;
    // Posted, so that the worker never waits for the window.
    void FileNumber(std::int32_t number, std::int32_t total) override;
    void FilePercent(std::int32_t percent) override;
    void Done(const char*, const char*, FileOutcome) override {}

    ConversionJob& Job() { return job_; }

private:
    MessageBoxAsker asker_{*this};
    ConversionJob job_;
};
