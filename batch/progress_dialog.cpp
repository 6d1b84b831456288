#include "batch/progress_dialog.h"

#include "resources/resource_ids.h"

namespace {

void ShowPath(HWND dialog, int id, const char* path) {
    HWND edit = GetDlgItem(dialog, id);
    SetWindowTextA(edit, path);
    // The caret at the end drags the view to the file name, whatever the alignment does.
    LPARAM end = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

}  // namespace

ProgressDialog::ProgressDialog(BatchRun::Detector detect) : Dialog(IDD_PROGRESS), job_(detect) {}

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
    }
    return Dialog::DialogProc(message, wParam, lParam);
}

void ProgressDialog::Checking() { SetWindowTextA(Handle(), "入力ファイルをチェック中..."); }

void ProgressDialog::Converting() { SetWindowTextA(Handle(), "ファイルを変換中..."); }

void ProgressDialog::ShowPair(const char* input, const char* output) {
    ShowPath(Handle(), IDC_PROGRESS_INPUT, input);
    ShowPath(Handle(), IDC_PROGRESS_OUTPUT, output);
}
