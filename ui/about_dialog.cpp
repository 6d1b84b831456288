#include "ui/about_dialog.h"

#include "resources/resource_ids.h"

AboutDialog::AboutDialog() : Dialog(IDD_ABOUT) {}

INT_PTR AboutDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Its button, Enter, Esc and the close box all arrive as commands.
    if (message == WM_COMMAND) {
        EndDialog(Handle(), IDOK);
        return TRUE;
    }
    return Dialog::DialogProc(message, wParam, lParam);
}
