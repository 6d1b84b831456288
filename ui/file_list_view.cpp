#include "ui/file_list_view.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "framework/context_menu.h"
#include "framework/path.h"
#include "framework/platform.h"
#include "framework/shell_link.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace {

constexpr char kFolderMark[] = ".<folder>";
constexpr char kNoExtensionMark[] = ".<none>";
// The extension column read back for the rule: 256 characters and the NUL.
constexpr int kExtensionTextBuffer = 257;

struct Column {
    const char* header;
    int width;
    int format;
};
constexpr Column kColumns[] = {
    {"ファイル名", 120, LVCFMT_LEFT},
    {"拡張子", 55, LVCFMT_RIGHT},
    {"場所", 250, LVCFMT_LEFT},
};

void CopyText(char* target, const char* first, const char* second = "") {
    std::snprintf(target, platform::kPathBuffer, "%s%s", first, second);
}

// The key of a path among the listed ones, in a buffer of kPathBuffer bytes.
const char* KeyOf(const char* path, char* key) {
    CopyText(key, path);
    FoldAsciiCase(key);
    return key;
}

// What is wrong with a dropped path that the list cannot take.
constexpr const char* kTooLong = "パス名が長すぎます。";
constexpr const char* kNotInCodePage = "この名前は扱えません（この環境の文字コードにない文字を含んでいます）。";
constexpr const char* kUnreadable = "見つからないか、読み取れません。";

// The paths of a drop that the list cannot take, told in one message after the drop: the
// first few with what is wrong with each, and how many more.
class RefusedPaths {
public:
    void Add(const char* path, const char* reason) {
        if (count_++ < kShown) {
            char line[2 * platform::kPathBuffer];
            std::snprintf(line, sizeof line, "%s\n　%s\n", path, reason);
            text_ += line;
        }
    }
    void Tell(HWND owner) const {
        if (count_ == 0) return;
        std::string text = "次のファイルはリストに加えられませんでした。\n\n" + text_;
        if (count_ > kShown) {
            char more[64];
            std::snprintf(more, sizeof more, "ほか %d 件", count_ - kShown);
            text += more;
        }
        MessageBoxA(owner, text.c_str(), "ファイル名のエラー", MB_OK | MB_ICONWARNING);
    }

private:
    static constexpr int kShown = 10;
    std::string text_;
    int count_ = 0;
};

// While many rows come or go: the list is drawn once at the end rather than after each
// row, and the wait cursor shows that the window is busy.
class BusyList {
public:
    explicit BusyList(HWND list)
        : list_(list), cursor_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {
        SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    }
    ~BusyList() {
        SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
        SetCursor(cursor_);
    }
    BusyList(const BusyList&) = delete;
    BusyList& operator=(const BusyList&) = delete;

private:
    HWND list_;
    HCURSOR cursor_;
};

}  // namespace

FileListView::FileListView(FileListOwner& owner, const Settings& settings,
                           std::int32_t& listNotEmpty)
    : owner_(owner), settings_(settings), listNotEmpty_(listNotEmpty) {}

LRESULT FileListView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DROPFILES:
        AddDroppedFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_CONTEXTMENU:
        ShowContextMenu(lParam);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_DELETE) {
            DeleteSelectedEntries();
        } else if (LOWORD(wParam) == ID_DELETE_ALL) {
            DeleteAllEntries();
        }
        return 0;
    case WM_DESTROY:
        // Closed other than through Exit: the rows' paths must not outlive them.
        ReleaseRows();
        break;
    default:
        break;
    }
    return Window::WindowProc(message, wParam, lParam);
}

bool FileListView::Attach(HWND list) {
    if (!Subclass(list)) return false;
    InsertColumns();
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    return true;
}

void FileListView::FillInfoTip(NMLVGETINFOTIPA* tip) const {
    const char* path = RowPath(tip->iItem);
    if (path == nullptr || tip->cchTextMax <= 0) return;
    // The control may offer text of its own to add to; the path replaces it.
    std::snprintf(tip->pszText, static_cast<std::size_t>(tip->cchTextMax), "%s", path);
}

void FileListView::InsertColumns() {
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kColumns[i].format;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<char*>(kColumns[i].header);
        column.iSubItem = i;
        SendMessageA(Handle(), LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void FileListView::AddDroppedFiles(HDROP drop) {
    RefusedPaths refused;
    {
        DropHandle owned(drop);
        BusyList busy(Handle());
        UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        SendMessageA(Handle(), LVM_SETITEMCOUNT, Count() + count, 0);
        for (UINT i = 0; i < count; ++i) {
            char path[platform::kPathBuffer];
            // A longer path would come back cut short and could then name another file.
            if (DragQueryFileA(drop, i, nullptr, 0) > platform::kMaxPath) {
                DragQueryFileA(drop, i, path, sizeof path);
                CutText(path, platform::kMaxPath - 2);
                std::strcat(path, "…");  // cut short, it may name another file
                refused.Add(path, kTooLong);
                continue;
            }
            if (DragQueryFileA(drop, i, path, sizeof path) == 0) continue;
            if (LostCharacters(path)) {
                refused.Add(path, kNotInCodePage);
                continue;
            }
            const Dropped dropped = AddDroppedPath(path);
            if (dropped == Dropped::NoMemory) break;
            if (dropped == Dropped::Unreadable) refused.Add(path, kUnreadable);
        }
    }
    refused.Tell(Handle());
}

FileListView::Dropped FileListView::AddDroppedPath(char* path) {
    char name[platform::kPathBuffer];
    char extension[platform::kPathBuffer];
    char location[platform::kPathBuffer];
    if (path[0] == '\0') return Dropped::LeftOut;
    if (!SplitDroppedPath(path, name, extension, location)) return Dropped::Unreadable;
    if (IsDuplicatePath(path) || IsNonTextExtension(extension + 1)) return Dropped::LeftOut;
    if (!InsertEntry(path, name, extension + 1, location)) {
        MessageBoxA(Handle(), "メモリが足りません！", "メモリ不足", MB_OK | MB_ICONERROR);
        return Dropped::NoMemory;
    }
    listNotEmpty_ = 1;
    owner_.UpdateConvertButton();
    return Dropped::Taken;
}

bool FileListView::SplitDroppedPath(char* path, char* name, char* extension,
                                    char* location) const {
    for (int hops = 0;; ++hops) {
        PathParts parts;
        if (path[0] == '\0' || !SplitPath(path, &parts)) return false;
        // Every flag is set for a path that cannot be read: it is no known folder.
        std::uint32_t attributes = platform::Attributes(path);
        if (attributes == platform::kInvalidAttributes) return false;
        CopyText(location, parts.drive, parts.directory);
        if (attributes & platform::kAttributeDirectory) {
            CopyText(name, parts.baseName, parts.extension);
            CopyText(extension, kFolderMark);
            return true;
        }
        CopyText(name, parts.baseName);
        CopyText(extension, parts.extension[0] != '\0' ? parts.extension : kNoExtensionMark);
        if (!EqualIgnoringAsciiCase(parts.extension, ".lnk") || hops == kMaxShortcutHops) {
            return true;
        }
        char target[platform::kPathBuffer];
        {
            ShellLink link;
            if (!link.LoadAndResolve(path)) return true;
            link.GetTarget(target);
        }
        CopyText(path, target);
    }
}

bool FileListView::IsDuplicatePath(const char* path) const {
    char key[platform::kPathBuffer];
    return listed_.contains(std::string_view(KeyOf(path, key)));
}

bool FileListView::IsNonTextExtension(const char* extension) const {
    if (settings_.anyExtension) return false;
    if (EqualIgnoringAsciiCase(extension, kFolderMark + 1)) {
        return settings_.folderMode == IgnoreFolders;
    }
    return settings_.extensions.Find(extension, 0, true) < 0;
}

bool FileListView::InsertEntry(const char* path, const char* name, const char* extension,
                               const char* location) {
    std::size_t size = std::strlen(path) + 1;
    std::unique_ptr<char[]> copy(new (std::nothrow) char[size]);
    if (!copy) return false;
    std::memcpy(copy.get(), path, size);

    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.pszText = const_cast<char*>(name);
    item.lParam = reinterpret_cast<LPARAM>(copy.get());
    int row = static_cast<int>(
        SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row == -1) return false;
    copy.release();  // the row owns it now
    try {
        char key[platform::kPathBuffer];
        listed_.emplace(KeyOf(path, key));
    } catch (const std::bad_alloc&) {
        DeleteEntry(row);
        return false;
    }

    const char* columns[] = {extension, location};
    for (int i = 0; i < 2; ++i) {
        LVITEMA sub = {};
        sub.mask = LVIF_TEXT;
        sub.iItem = row;
        sub.iSubItem = kExtensionColumn + i;
        sub.pszText = const_cast<char*>(columns[i]);
        if (!SendMessageA(Handle(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&sub))) {
            DeleteEntry(row);
            return false;
        }
    }
    return true;
}

bool FileListView::DeleteEntry(int row) {
    const char* path = RowPath(row);
    // The path goes only with its row, so no row is ever left pointing at freed text.
    if (!SendMessageA(Handle(), LVM_DELETEITEM, row, 0)) return false;
    if (path != nullptr) {
        char key[platform::kPathBuffer];
        auto listed = listed_.find(std::string_view(KeyOf(path, key)));
        if (listed != listed_.end()) listed_.erase(listed);
    }
    delete[] path;
    return true;
}

void FileListView::DeleteSelectedEntries() {
    for (;;) {
        int row = static_cast<int>(
            SendMessageA(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (row < 0 || !DeleteEntry(row)) break;
    }
    if (Count() == 0) NoteDeletion();
}

void FileListView::DeleteAllEntries() {
    ReleaseRows();
    NoteDeletion();
}

void FileListView::RemoveNonTextEntries() {
    for (int row = Count() - 1; row >= 0; --row) {
        char text[kExtensionTextBuffer] = {};
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = kExtensionColumn;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        if (SendMessageA(Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) &&
            IsNonTextExtension(item.pszText)) {
            DeleteEntry(row);
        }
    }
    if (Count() == 0) NoteDeletion();
}

int FileListView::Count() const {
    return static_cast<int>(SendMessageA(Handle(), LVM_GETITEMCOUNT, 0, 0));
}

void FileListView::ShowContextMenu(LPARAM position) {
    if (Count() == 0) return;
    bool selected = SendMessageA(Handle(), LVM_GETSELECTEDCOUNT, 0, 0) != 0;
    ::ShowContextMenu(IDR_DELETE_MENU, Handle(), position, Handle(), selected ? 0 : ID_DELETE);
}

void FileListView::ReleaseRows() {
    BusyList busy(Handle());
    for (int row = Count() - 1; row >= 0; --row) DeleteEntry(row);
}

void FileListView::NoteDeletion() {
    listNotEmpty_ = 0;
    owner_.UpdateConvertButton();
}

const char* FileListView::RowPath(int row) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<const char*>(item.lParam);
}
