#include "framework/application.h"

#include <atomic>

#include "framework/path.h"
#include "framework/window.h"

namespace {

std::atomic<Application*> current{nullptr};

}  // namespace

Application::Application() {
    DWORD length = GetModuleFileNameA(nullptr, exeFolder_, sizeof exeFolder_);
    if (length == 0 || length >= sizeof exeFolder_) {
        exeFolder_[0] = '\0';
    } else if (char* separator = LastSeparator(exeFolder_)) {
        separator[1] = '\0';
    }
    current = this;
}

Application::~Application() {
    if (classRegistered_) UnregisterClassA(className_, instance_);
    Application* self = this;
    current.compare_exchange_strong(self, nullptr);
}

Application* Application::Current() { return current; }

int Application::InitInstance() { return kFinished; }

bool Application::RegisterWindowClass() {
    windowClass_ = {};
    windowClass_.cbSize = sizeof windowClass_;
    windowClass_.lpfnWndProc = SharedWindowProc;
    windowClass_.hInstance = instance_;
    windowClass_.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(101));
    windowClass_.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass_.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass_.lpszClassName = className_;
    classRegistered_ = RegisterClassExA(&windowClass_) != 0;
    return classRegistered_;
}

int Application::MessageLoop() {
    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

int Application::Run(HINSTANCE instance, HINSTANCE prevInstance, LPSTR commandLine,
                     int showCommand) {
    instance_ = instance;
    prevInstance_ = prevInstance;
    commandLine_ = commandLine;
    showCommand_ = showCommand;
    switch (InitInstance()) {
    case kFinished:
    case kEnded:
        return 0;
    case kRunWindowed: {
        if (mainWindow_ == nullptr || !RegisterWindowClass()) return 1;
        // Around the creation too: the window's first messages come before the loop does.
        ModalLoop loop(nullptr);
        int exitCode = mainWindow_->Create(nullptr, showCommand_) ? MessageLoop() : 1;
        loop.RethrowFailure();
        return exitCode;
    }
    default:
        return 1;
    }
}

HINSTANCE ModuleInstance() {
    Application* application = Application::Current();
    if (application != nullptr && application->Instance() != nullptr) {
        return application->Instance();
    }
    return GetModuleHandleA(nullptr);
}

int RunApplicationMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR commandLine,
                       int showCommand) {
    try {
        Application* application = Application::Current();
        if (application == nullptr) return 1;
        return application->Run(instance, prevInstance, commandLine, showCommand);
    } catch (...) {
        MessageBoxA(nullptr, "致命的なエラーが発生しました！　プログラムを終了します。",
                    "プログラムのシャットダウン", MB_OK | MB_ICONERROR);
        return 1;
    }
}

void FatalCheck(bool condition) {
    if (condition) return;
    MessageBoxA(nullptr, "致命的なエラーが発生しました！\n　　　 強制終了します！", nullptr,
                MB_OK | MB_ICONERROR);
    ExitProcess(2);
}
