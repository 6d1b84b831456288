// show_main_window [--convert-to FOLDER | --beside] PATH...: ZEKO.EXE's main window with
// each PATH dropped on its file list, the way tools/screenshots.sh photographs it.  With
// --convert-to, FOLDER is typed as the output folder and 変換 pressed, so the picture
// shows a run in progress; with --beside, 変換 converts in place keeping backups, so a
// backup among the PATHs brings up the summary.  Default settings otherwise; nothing is
// saved.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "framework/platform.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "ui/main_window.h"

namespace {

MainWindow* shown = nullptr;
const char* outputFolder = nullptr;
bool convert = false;
int pathCount = 0;
char** paths = nullptr;

// Fires in the dialog's own loop, once its window and list exist.
void CALLBACK DropPaths(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    for (int i = 0; i < pathCount; ++i) {
        char path[platform::kPathBuffer];
        std::snprintf(path, sizeof path, "%s", paths[i]);
        shown->FileList().AddDroppedPath(path);
    }
    if (!convert) return;
    if (outputFolder) SetDlgItemTextA(shown->Handle(), IDC_MAIN_OUTPUT_FOLDER, outputFolder);
    PostMessageA(GetDlgItem(shown->Handle(), IDC_MAIN_CONVERT), BM_CLICK, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    paths = argv + 1;
    pathCount = argc - 1;
    if (pathCount >= 2 && std::strcmp(paths[0], "--convert-to") == 0) {
        convert = true;
        outputFolder = paths[1];
        paths += 2;
        pathCount -= 2;
        // A run through the code page keeps the progress dialog up long enough to be seen.
        settings.outputCode = Unicode;
    } else if (pathCount >= 1 && std::strcmp(paths[0], "--beside") == 0) {
        convert = true;
        ++paths;
        --pathCount;
        settings.noOutputAction = ReplaceWithBackup;
    }
    MainWindow window(settings);
    shown = &window;
    SetTimer(nullptr, 0, 0, DropPaths);
    return window.RunModal(nullptr) == -1 ? 1 : 0;
}
