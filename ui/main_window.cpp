#include "ui/main_window.h"

#include <commctrl.h>

#include "framework/platform.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "ui/about_dialog.h"

MainWindow::MainWindow(Settings& settings)
    : Dialog(IDD_MAIN),
      settings_(settings),
      fileList_(*this, settings, listNotEmpty_),
      settingsSheet_(settings),
      outputFolder_(*this, settings.outputFolder) {
    // The template's list control needs its window class.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
}

INT_PTR MainWindow::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_SYSCOMMAND:
        OnSystemCommand(wParam);
        return FALSE;  // the system still minimizes, restores, moves and closes
    case WM_DROPFILES:
        DropOutputFolder(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_NOTIFY: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPA*>(lParam);
        if (tip->hdr.idFrom != IDC_MAIN_FILE_LIST || tip->hdr.code != LVN_GETINFOTIPA)
            return FALSE;
        fileList_.FillInfoTip(tip);
        return TRUE;
    }
    default:
        return Dialog::DialogProc(message, wParam, lParam);
    }
}

BOOL MainWindow::OnInit(WPARAM, LPARAM) {
    outputPossible_ = 0;
    listNotEmpty_ = 0;
    convertState_ = {false, false};
    // Showing the loaded folder raises the edit's change notification, which sets
    // outputPossible.
    Transfer(ToControls);
    EditSystemMenu();
    SetIcons(IDI_APP);
    fileList_.Attach(GetDlgItem(Handle(), IDC_MAIN_FILE_LIST));
    SendDlgItemMessageA(Handle(), IDC_MAIN_OUTPUT_FOLDER, EM_LIMITTEXT, platform::kMaxPath, 0);
    listFiltered_ = 1;  // the empty list satisfies any rule
    return TRUE;
}

void MainWindow::ExchangeData(ExchangeDirection direction) {
    ExchangeText(direction, IDC_MAIN_OUTPUT_FOLDER, settings_.outputFolder,
                 sizeof settings_.outputFolder);
}

void MainWindow::UpdateOutputPossible(HWND edit) {
    outputPossible_ =
        settings_.noOutputAction != DoNotConvert || GetWindowTextLengthA(edit) > 0 ? 1 : 0;
}

void MainWindow::UpdateConvertButton() {
    // Keeping both the code and the newlines without widening katakana changes nothing a
    // user wants; a run would only rewrite every file, and a UTF-16 file goes through the
    // system code page on the way, so it could only lose characters.
    bool changesText = settings_.outputCode != Keep || settings_.newline != KeepNewline ||
                       settings_.widenKana != 0;
    convertState_.wanted = outputPossible_ != 0 && listNotEmpty_ != 0 && changesText;
    SyncEnable(IDC_MAIN_CONVERT, convertState_, true);
}

MainWindow::ExtensionRule MainWindow::CurrentExtensionRule() const {
    return {settings_.anyExtension != 0, settings_.folderMode == IgnoreFolders};
}

void MainWindow::RecheckListAfterSettings(const ExtensionRule& before) {
    if (settings_.anyExtension) {
        listFiltered_ = 0;
        return;
    }
    if (fileList_.Count() == 0) {
        listFiltered_ = 1;
        return;
    }
    bool ignoreFolders = settings_.folderMode == IgnoreFolders;
    if (!before.anyExtension && listFiltered_ && (!ignoreFolders || before.ignoreFolders)) {
        return;
    }
    int answer = MessageBoxA(Handle(), "テキストファイル以外のファイルをリストから削除しますか？",
                             "確認", MB_YESNO | MB_ICONINFORMATION);
    if (answer == IDYES) {
        fileList_.RemoveNonTextEntries();
        listFiltered_ = 1;
    } else {
        listFiltered_ = 0;
    }
}

void MainWindow::RunConvertCommand() {
    // A click can still be sent to the disabled button (BM_CLICK from another program does
    // it): a run the window shows as impossible must not start.
    if (!convertState_.wanted) return;
    if (!Transfer(FromControls) || !outputFolder_.CheckForRun()) return;
    StartRun();
}

void MainWindow::BrowseForOutputFolder() { outputFolder_.Browse(); }

void MainWindow::RunSettingsCommand() {
    ExtensionRule before = CurrentExtensionRule();
    if (settingsSheet_.RunModal(this) != 1) return;
    // What happens without an output folder, and whether a run would change anything,
    // may both have changed.
    UpdateOutputPossible(GetDlgItem(Handle(), IDC_MAIN_OUTPUT_FOLDER));
    UpdateConvertButton();
    RecheckListAfterSettings(before);
}

void MainWindow::DropOutputFolder(HDROP drop) { outputFolder_.TakeDrop(drop); }

void MainWindow::OnCommand(int id, int notification, HWND control) {
    switch (id) {
    case IDC_MAIN_CONVERT:
        RunConvertCommand();
        break;
    case IDC_MAIN_SETTINGS:
        RunSettingsCommand();
        break;
    case IDC_MAIN_BROWSE:
        BrowseForOutputFolder();
        break;
    case IDC_MAIN_EXIT:
        Exit();
        break;
    case IDC_MAIN_OUTPUT_FOLDER:
        if (notification == EN_CHANGE) {
            UpdateOutputPossible(control);
            UpdateConvertButton();
        }
        break;
    default:
        break;
    }
}

void MainWindow::OnSystemCommand(WPARAM command) {
    UINT chosen = static_cast<UINT>(command & 0xFFF0);
    if (chosen == ID_SYS_ABOUT) {
        AboutDialog about;
        about.RunModal(this);
    } else if (chosen == SC_MINIMIZE || chosen == SC_RESTORE) {
        HMENU menu = GetSystemMenu(Handle(), FALSE);
        if (menu == nullptr) return;
        EnableMenuItem(menu, chosen, MF_BYCOMMAND | MF_GRAYED);
        EnableMenuItem(menu, chosen == SC_MINIMIZE ? SC_RESTORE : SC_MINIMIZE,
                       MF_BYCOMMAND | MF_ENABLED);
    }
}

void MainWindow::EditSystemMenu() {
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    if (menu == nullptr) return;
    EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    InsertMenuA(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, ID_SYS_ABOUT, "ヴァージョン情報");
}

void MainWindow::Exit() {
    Transfer(FromControls);
    fileList_.DeleteAllEntries();
    fileList_.Unsubclass();
    EndDialog(Handle(), IDCANCEL);
}

// A run that went through its files and left some unconverted ends with the summary; one
// that converted everything needs no word, and one the user stopped is no surprise.
void MainWindow::StartRun() {
    progress_.RunJob(this, fileList_.Handle(), settings_);
    const BatchRun& run = progress_.Job().Batch();
    if (!run.Completed() || run.Summary().Count() == 0) return;
    SummaryDialog summary(run.Counts(), run.Summary());
    summary.RunModal(this);
}
