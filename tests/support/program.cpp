#include "support/program.h"

#include <windows.h>

#include "ui/converter_app.h"

int test::RunProgram(const std::string& configFolder) {
    int exitCode = ConverterApp(configFolder.c_str()).Run(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
    // The main window's end posts WM_QUIT, which nothing in the program reads; it must not
    // end the next test's dialogs.
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    return exitCode;
}
