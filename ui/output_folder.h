// The main window's output folder: the settings' folder text shown in edit 1010, the
// shell's folder picker, folders dropped on the window, and the checks the Convert command
// makes before a run.  Every message is a box owned by the window.
#pragma once

#include <windows.h>
#include <shellapi.h>

class Dialog;

class OutputFolder {
public:
    // Probe names tried before the folder counts as not writable: "DUMMY", then
    // "DUMMY1" up to "DUMMY<kProbeNames - 1>", each only when nothing has that name.
    static constexpr int kProbeNames = 100;

    // folder: the settings' text, kPathBuffer bytes, exchanged with the window's edit 1010.
    OutputFolder(Dialog& window, char* folder) : window_(window), folder_(folder) {}

    // The shell's folder picker.  A chosen folder replaces the text and is shown in the
    // edit; cancelling, or a choice without a file-system path, changes nothing.
    void Browse();
    // The first dropped folder, or shortcut (one level) whose target is a folder, becomes
    // the output folder.  Always releases the drop.
    void TakeDrop(HDROP drop);
    // The Convert command's checks of the text the caller has just read from the edit:
    // true when a run may start, at once when no folder is named.  A failing check has
    // told the user why.  The current directory is the same afterwards.
    bool CheckForRun();

private:
    bool CheckDrive();
    bool CheckFolderExists();
    bool CheckWritable();
    void Show(const char* path);

    Dialog& window_;
    char* folder_;
};
