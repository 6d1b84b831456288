#include "batch/progress_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "resources/resource_ids.h"

namespace {

constexpr UINT kShowNumber = WM_APP + 1;   // wParam of lParam files
constexpr UINT kShowPercent = WM_APP + 2;  // wParam percent of the file

void ShowPath(HWND dialog, int id, const char* path) {
    HWND edit = GetDlgItem(dialog, id);
    SetWindowTextA(edit, path);
    // The caret at the end drags the view to the file name, whatever the alignment does.
    LPARAM end = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

}  // namespace

ProgressDialog::ProgressDialog(BatchRun::Detector detect) : Dialog(IDD_PROGRESS), job_(detect) {
    // The template's progress bar needs its window class.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
}

int ProgressDialog::RunJob(Window* mainWindow, HWND fileList, const Settings& settings) {
    job_.Configure(this, &asker_, this, &settings);
    job_.TakeRows(fileList);
    return RunModal(mainWindow);
}

BOOL ProgressDialog::OnInit(WPARAM wParam, LPARAM lParam) {
    BOOL result = Dialog::OnInit(wParam, lParam);
    job_.StartRun();
    return result;
}

INT_PTR ProgressDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_PROGRESS_STOP) {
            job_.Stop();
            EndDialog(Handle(), IDC_PROGRESS_STOP);
        }
        return TRUE;
    case WM_DESTROY:
        job_.Stop();
        break;
    case kShowNumber: {
        char text[32];
        std::snprintf(text, sizeof text, "%d / %d", static_cast<int>(wParam),
                      static_cast<int>(lParam));
        SetDlgItemTextA(Handle(), IDC_PROGRESS_COUNT, text);
        return TRUE;
    }
    case kShowPercent:
        SendDlgItemMessageA(Handle(), IDC_PROGRESS_BAR, PBM_SETPOS, wParam, 0);
        return TRUE;
    }
    return Dialog::DialogProc(message, wParam, lParam);
}

void ProgressDialog::Checking() { SetWindowTextA(Handle(), "入力ファイルをチェック中..."); }

void ProgressDialog::Converting() { SetWindowTextA(Handle(), "ファイルを変換中..."); }

void ProgressDialog::FileNumber(std::int32_t number, std::int32_t total) {
    PostMessageA(Handle(), kShowNumber, static_cast<WPARAM>(number), total);
}

void ProgressDialog::FilePercent(std::int32_t percent) {
    PostMessageA(Handle(), kShowPercent, static_cast<WPARAM>(percent), 0);
}

void ProgressDialog::ShowPair(const char* input, const char* output) {
    ShowPath(Handle(), IDC_PROGRESS_INPUT, input);
    ShowPath(Handle(), IDC_PROGRESS_OUTPUT, output);
}
