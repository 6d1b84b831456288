// Started once per test run by tools/wine.sh: creates a window that is never shown, so
// Wine's desktop process stays up, writes the file named on its command line to say it
// is ready, and waits until the Wine server is stopped.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "ZekoKeepAlive";
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowExA(0, "ZekoKeepAlive", "", WS_OVERLAPPED, 0, 0, 1, 1, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) return 1;
    HANDLE ready = CreateFileA(commandLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
