// show_template EXE ID: shows dialog template ID of EXE's resources the way the user sees
// it, with a dialog procedure that does nothing, so that the template's layout can be
// looked at (tools/screenshots.sh photographs it). The settings pages appear inside a
// property sheet with all four tabs, opened on the page asked for.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>

#include "resources/resource_ids.h"

namespace {

struct LibraryCloser {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryCloser>;

INT_PTR CALLBACK ShowOnly(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDCANCEL) return FALSE;
        [[fallthrough]];
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK PageShowOnly(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

bool IsSettingsPage(int id) { return id >= IDD_OUTPUT_CODE_PAGE && id <= IDD_EXTENSIONS_PAGE; }

INT_PTR ShowSettingsSheet(HMODULE resources, int startPage) {
    PROPSHEETPAGEA pages[4] = {};
    for (int i = 0; i < 4; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].hInstance = resources;
        pages[i].pszTemplate = MAKEINTRESOURCEA(IDD_OUTPUT_CODE_PAGE + i);
        pages[i].pfnDlgProc = PageShowOnly;
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hInstance = resources;
    header.pszCaption = "設定";
    header.nPages = 4;
    header.nStartPage = static_cast<UINT>(startPage - IDD_OUTPUT_CODE_PAGE);
    header.ppsp = pages;
    return PropertySheetA(&header);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        MessageBoxA(nullptr, "usage: show_template EXE ID", "show_template", MB_OK);
        return 2;
    }
    Library resources(LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!resources) return 1;
    INITCOMMONCONTROLSEX classes = {sizeof classes,
                                    ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_TAB_CLASSES |
                                        ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);

    int id = std::atoi(argv[2]);
    INT_PTR result = IsSettingsPage(id)
                         ? ShowSettingsSheet(resources.get(), id)
                         : DialogBoxParamA(resources.get(), MAKEINTRESOURCEA(id), nullptr,
                                           ShowOnly, 0);
    return result == -1 ? 1 : 0;
}
