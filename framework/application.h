// The process-wide facts (instance, the executable's folder, the window class, the main
// window) and the program's run: a derived class's InitInstance says whether the program
// is done or goes on as a windowed application.
#pragma once

#include <windows.h>

#include "framework/platform.h"

class Window;

class Application {
public:
    // What InitInstance answers.
    static constexpr int kFinished = 0;
    static constexpr int kFailed = 1;
    static constexpr int kEnded = 2;  // finished as well
    static constexpr int kRunWindowed = 3;

    // Becomes the current application; there is one per process.
    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application();

    static Application* Current();

    virtual int InitInstance();
    virtual bool RegisterWindowClass();
    virtual int MessageLoop();
    // Stores the entry arguments, runs InitInstance and acts on its result; the exit code.
    virtual int Run(HINSTANCE instance, HINSTANCE prevInstance, LPSTR commandLine,
                    int showCommand);

    HINSTANCE Instance() const { return instance_; }
    // The executable's folder with its final backslash.
    const char* ExeFolder() const { return exeFolder_; }
    const char* ClassName() const { return className_; }
    void SetClassName(const char* name) { className_ = name; }
    Window* MainWindow() const { return mainWindow_; }
    void SetMainWindow(Window* window) { mainWindow_ = window; }

private:
    HINSTANCE instance_ = nullptr;
    HINSTANCE prevInstance_ = nullptr;
    LPSTR commandLine_ = nullptr;
    int showCommand_ = 0;
    char exeFolder_[platform::kPathBuffer] = {};
    WNDCLASSEXA windowClass_ = {};
    const char* className_ = "Default Class Name";
    Window* mainWindow_ = nullptr;
    bool classRegistered_ = false;
};

// The module whose resources the framework loads: the application's instance once Run
// has stored it, else the executable's.
HINSTANCE ModuleInstance();

// The body of the program's WinMain: runs the current application and turns an exception
// that escapes it into the fatal message and exit code 1.
int RunApplicationMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR commandLine,
                       int showCommand);

// Ends the process with the fatal message and exit code 2 when the condition is false:
// the framework's own tables cannot work without memory.
void FatalCheck(bool condition);
