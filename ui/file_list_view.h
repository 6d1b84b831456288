// The main window's file list: the files, folders and shortcuts dropped on list view 1012,
// one row each, kept sorted by name by the control.  Each row's item parameter is a heap
// copy of its full path (after shortcut resolution), owned by the row; the conversion job
// takes the rows with LVM_GETITEMA / LVIF_PARAM as const char* before its run starts.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>

#include "framework/window.h"

struct Settings;

// The window the list belongs to, told when the rows change between none and some.
class FileListOwner {
public:
    virtual void UpdateConvertButton() = 0;

protected:
    ~FileListOwner() = default;
};

// A shell drop, released with DragFinish however its handling ends.
struct DropFinisher {
    void operator()(HDROP drop) const { DragFinish(drop); }
};
using DropHandle = std::unique_ptr<std::remove_pointer_t<HDROP>, DropFinisher>;

class FileListView : public Window {
public:
    // A loop of shortcuts that point at each other ends after this many; the last
    // shortcut is then taken as a file of its own, as one that cannot be resolved.
    static constexpr int kMaxShortcutHops = 16;
    static constexpr int kNameColumn = 0;
    static constexpr int kExtensionColumn = 1;
    static constexpr int kLocationColumn = 2;

    FileListView(FileListOwner& owner, const Settings& settings, std::int32_t& listNotEmpty);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Takes over the dialog's list control and gives it its columns.
    bool Attach(HWND list);

    // Adds every path of a shell drop and releases the drop; the paths that cannot be
    // taken are then listed to the user with what is wrong with each.
    void AddDroppedFiles(HDROP drop);
    enum class Dropped { Taken, LeftOut, Unreadable, NoMemory };
    // Adds one dropped path (a buffer of kPathBuffer bytes, which may come back holding a
    // shortcut's target) when the rule accepts it (LeftOut: a duplicate, or an extension
    // the rule refuses).  NoMemory comes after the out-of-memory message: the rest of the
    // drop is then abandoned.
    Dropped AddDroppedPath(char* path);
    // The three column texts of a path, the extension with its leading '.' (".<folder>",
    // ".<none>" for the marks); each buffer holds kPathBuffer bytes.  Shortcuts are
    // followed to their end, their target replacing path.  False when the path is to be
    // refused: its attributes cannot be read, so it is neither a known file nor a folder.
    bool SplitDroppedPath(char* path, char* name, char* extension, char* location) const;
    bool IsDuplicatePath(const char* path) const;
    // The extension rule in force, for an extension without its '.'.
    bool IsNonTextExtension(const char* extension) const;
    bool InsertEntry(const char* path, const char* name, const char* extension,
                     const char* location);
    // Deletes the row and frees its path; false when the control keeps the row.
    bool DeleteEntry(int row);
    void DeleteSelectedEntries();
    void DeleteAllEntries();
    void RemoveNonTextEntries();

    int Count() const;
    // The tip of a row, whose name or folder may be cut short in the columns: its full path.
    void FillInfoTip(NMLVGETINFOTIPA* tip) const;

private:
    void InsertColumns();
    void ShowContextMenu(LPARAM position);
    // Frees every row's path and empties the control, without touching the owner.
    void ReleaseRows();
    // The list became empty through a deletion: the owner's flag and button follow.
    void NoteDeletion();
    const char* RowPath(int row) const;

    FileListOwner& owner_;
    const Settings& settings_;
    std::int32_t& listNotEmpty_;
    // The rows' paths folded by FoldAsciiCase: a drop of thousands of paths checks each
    // against the rows at once instead of reading every row back.  Looked up by view,
    // so that the check itself allocates nothing.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const {
            return std::hash<std::string_view>()(key);
        }
    };
    std::unordered_set<std::string, KeyHash, std::equal_to<>> listed_;
};
