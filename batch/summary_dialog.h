// The end of a run in which some file was not converted: how many files ended each way,
// and each file that was not converted with what decided it, in a box whose text the
// user can select or copy whole.
#pragma once

#include <windows.h>

#include <string>

#include "batch/batch_run.h"
#include "batch/run_summary.h"
#include "framework/dialog.h"

class SummaryDialog : public Dialog {
public:
    SummaryDialog(const RunCounts& counts, const RunSummary& summary);

    BOOL OnInit(WPARAM wParam, LPARAM lParam) override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CopyToClipboard() const;

    std::string counts_;
    std::string files_;
};
