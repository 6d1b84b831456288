// Entry point of ZEKO.EXE.  The main window arrives with the window framework; until
// then the program only says what it is.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "文字コード変換プログラム", "Morvane", MB_OK | MB_ICONINFORMATION);
    return 0;
}
