#include "ui/output_folder.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>

#include "framework/com_scope.h"
#include "framework/dialog.h"
#include "framework/directory_cursor.h"
#include "framework/file_handle.h"
#include "framework/find_file.h"
#include "framework/path.h"
#include "framework/platform.h"
#include "framework/shell_link.h"
#include "resources/resource_ids.h"
#include "ui/file_list_view.h"

namespace {

struct Notice {
    const char* text;
    const char* caption;
    UINT style;
};

constexpr Notice kNotAbsolute = {"出力先パスには絶対パスを使用して下さい！", "パス名のエラー",
                                 MB_OK | MB_ICONWARNING};
constexpr Notice kNoDrive = {"出力先のドライブが存在しません！", "ドライブエラー",
                             MB_OK | MB_ICONERROR};
constexpr Notice kNoMedium = {"出力先のドライブにディスクが装着されていません！",
                              "ドライブエラー", MB_OK | MB_ICONERROR};
constexpr Notice kNotFolder = {"出力先がフォルダではありません！", "出力先のエラー",
                               MB_OK | MB_ICONERROR};
constexpr Notice kCreateMissing = {"出力先パスが存在しません。作成しますか？", "出力先の不在",
                                   MB_YESNO | MB_ICONINFORMATION};
constexpr Notice kCreationFailed = {"パスの作成に失敗しました！　変換作業を行えません。",
                                    "出力先の作成エラー", MB_OK | MB_ICONERROR};
constexpr Notice kNotWritable = {
    "出力先に書き込むことが出来ません！　書き込み可能な場所を選んで下さい。",
    "書き込み出来ません", MB_OK | MB_ICONERROR};

constexpr char kPickerTitle[] = "出力先フォルダを選択して下さい";
constexpr char kProbeBase[] = "DUMMY";

int Tell(Dialog& window, const Notice& notice) {
    return window.ShowMessage("%s", notice.caption, notice.style, notice.text);
}

struct ItemListFree {
    void operator()(LPITEMIDLIST items) const { CoTaskMemFree(items); }
};
using ItemList = std::unique_ptr<std::remove_pointer_t<LPITEMIDLIST>, ItemListFree>;

// The picker opens at the folder named in the box (lParam), not at the desktop.
int CALLBACK StartAtFolder(HWND picker, UINT message, LPARAM, LPARAM folder) {
    if (message == BFFM_INITIALIZED && folder != 0)
        SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, folder);
    return 0;
}

bool IsShortcut(const char* path) {
    PathParts parts;
    return SplitPath(path, &parts) && EqualIgnoringAsciiCase(parts.extension, ".lnk");
}

// Follows one shortcut: path (kPathBuffer bytes) then holds its target.  A shortcut to a
// shortcut is not followed further, so its target is no folder.
bool ResolvesToFolder(char* path) {
    ShellLink link;
    if (!link.LoadAndResolve(path)) return false;
    link.GetTarget(path);
    return path[0] != '\0' && IsFolder(path);
}

// The checks move the process onto the drive and into the folder; it goes back, for
// Windows can neither delete nor eject a folder that is a process's current directory.
class ReturnToCurrentDirectory {
public:
    ReturnToCurrentDirectory() = default;
    ReturnToCurrentDirectory(const ReturnToCurrentDirectory&) = delete;
    ReturnToCurrentDirectory& operator=(const ReturnToCurrentDirectory&) = delete;
    ~ReturnToCurrentDirectory() {
        if (start_.Directory()[0] != '\0') platform::ChangeDirectory(start_.Directory());
    }

private:
    DirectoryCursor start_;
};

}  // namespace

void OutputFolder::Browse() {
    ComScope com;
    char displayName[MAX_PATH];
    BROWSEINFOA info = {};
    info.hwndOwner = window_.Handle();
    info.pszDisplayName = displayName;
    info.lpszTitle = kPickerTitle;
    info.ulFlags = BIF_DONTGOBELOWDOMAIN;
    char current[platform::kPathBuffer] = {};
    GetDlgItemTextA(window_.Handle(), IDC_MAIN_OUTPUT_FOLDER, current, sizeof current);
    info.lpfn = StartAtFolder;
    info.lParam = current[0] != '\0' ? reinterpret_cast<LPARAM>(current) : 0;
    ItemList chosen(SHBrowseForFolderA(&info));
    if (!chosen) return;
    // A virtual folder (no file-system path) leaves the text as it was rather than
    // clearing what the user had.
    char path[platform::kPathBuffer];
    if (!SHGetPathFromIDListA(chosen.get(), path)) return;
    Show(path);
}

void OutputFolder::TakeDrop(HDROP drop) {
    DropHandle owned(drop);
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // A longer path would come back cut short and could then name another folder.
        if (DragQueryFileA(drop, i, nullptr, 0) > platform::kMaxPath) continue;
        char path[platform::kPathBuffer];
        if (DragQueryFileA(drop, i, path, sizeof path) == 0) continue;
        if (IsFolder(path) || (IsShortcut(path) && ResolvesToFolder(path))) {
            Show(path);
            return;
        }
    }
}

void OutputFolder::Show(const char* path) {
    std::snprintf(folder_, platform::kPathBuffer, "%s", path);
    // The edit's change notification brings the Convert button up to date.
    SetDlgItemTextA(window_.Handle(), IDC_MAIN_OUTPUT_FOLDER, folder_);
}

bool OutputFolder::CheckForRun() {
    if (folder_[0] == '\0') return true;
    if (!IsDrivePath(folder_)) {
        Tell(window_, kNotAbsolute);
        return false;
    }
    try {
        window_.CheckPathName(IDC_MAIN_OUTPUT_FOLDER, folder_);
    } catch (const base_HDLGEDERROR&) {
        return false;
    }
    ReturnToCurrentDirectory back;
    return CheckDrive() && CheckFolderExists() && CheckWritable();
}

bool OutputFolder::CheckDrive() {
    const char root[] = {folder_[0], folder_[1], folder_[2], '\0'};
    if (platform::DriveType(root) == platform::kDriveNoRootDir) {
        Tell(window_, kNoDrive);
        return false;
    }
    char letter = folder_[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
    // Moving to a drive without a medium fails.
    const char drive[] = {letter, ':', '\0'};
    if (!platform::ChangeDirectory(drive)) {
        Tell(window_, kNoMedium);
        return false;
    }
    return true;
}

bool OutputFolder::CheckFolderExists() {
    if (std::strlen(folder_) == 3) return true;  // a drive root
    FindFile entry;
    if (entry.FindFirst(folder_)) {
        if (entry.IsDirectory()) return true;
        Tell(window_, kNotFolder);
        return false;
    }
    if (Tell(window_, kCreateMissing) != IDYES) return false;
    if (CreateDirectoryPath(folder_)) return true;
    Tell(window_, kCreationFailed);
    return false;
}

bool OutputFolder::CheckWritable() {
    // A probe anywhere else would say nothing about the folder.
    if (!platform::ChangeDirectory(folder_)) {
        Tell(window_, kNotWritable);
        return false;
    }
    // The probe is a new file of a name nobody uses: an existing file of that name is the
    // user's, and opening it would truncate it and delete it on close.
    char name[sizeof kProbeBase + 4];
    std::snprintf(name, sizeof name, "%s", kProbeBase);
    for (int tried = 1; tried <= kProbeNames; ++tried) {
        FileHandle probe;
        if (probe.Open(name, platform::kGenericWrite, 0, platform::kCreateNew,
                       platform::kAttributeArchive | platform::kAttributeTemporary |
                           platform::kFlagDeleteOnClose)) {
            return true;  // closing the handle removes the probe
        }
        if (platform::Attributes(name) == platform::kInvalidAttributes) break;
        std::snprintf(name, sizeof name, "%s%d", kProbeBase, tried);
    }
    Tell(window_, kNotWritable);
    return false;
}
