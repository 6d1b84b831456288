// show_settings PAGE: opens the program's real settings sheet over the default settings,
// on page PAGE (0 to 3), so that tools/screenshots.sh can photograph each page as the
// user first sees it. Not installed.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "settings/settings.h"
#include "settings/settings_sheet.h"

namespace {

int startPage = 0;

// The sheet always opens on its first page; a timer of this thread, which fires inside
// the sheet's modal loop, turns to the page asked for.
void CALLBACK TurnPage(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND sheet = FindWindowA(nullptr, "設定");
    if (sheet == nullptr) return;
    KillTimer(nullptr, timer);
    SendMessageA(sheet, PSM_SETCURSEL, startPage, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        MessageBoxA(nullptr, "usage: show_settings PAGE", "show_settings", MB_OK);
        return 2;
    }
    startPage = std::atoi(argv[1]);
    Settings settings;
    SettingsSheet sheet(settings);
    SetTimer(nullptr, 0, 20, TurnPage);
    return sheet.RunModal(nullptr) == -1 ? 1 : 0;
}
