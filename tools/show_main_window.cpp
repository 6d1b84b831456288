// show_main_window PATH...: ZEKO.EXE's main window with each PATH dropped on its file
// list, the way tools/screenshots.sh photographs it.  Default settings; nothing is saved.
#include <windows.h>

#include <cstdio>

#include "framework/platform.h"
#include "settings/settings.h"
#include "ui/main_window.h"

namespace {

MainWindow* shown = nullptr;
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
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    MainWindow window(settings);
    shown = &window;
    pathCount = argc - 1;
    paths = argv + 1;
    SetTimer(nullptr, 0, 0, DropPaths);
    return window.RunModal(nullptr) == -1 ? 1 : 0;
}
