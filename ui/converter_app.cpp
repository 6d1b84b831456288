#include "ui/converter_app.h"

#include "framework/platform.h"
#include "ui/main_window.h"

ConverterApp::ConverterApp(const char* configFolder)
    : configFolder_(configFolder != nullptr ? configFolder : "") {
    RegisterSettings(&settings_, &store_);
}

int ConverterApp::InitInstance() {
    ::MainWindow window(settings_);  // Application::MainWindow hides the class
    store_.LoadFrom(configFolder_.empty() ? ExeFolder() : configFolder_.c_str());
    SetMainWindow(&window);
    SetClassName(kClassName);
    int result = window.RunModal(nullptr);
    SetMainWindow(nullptr);
    // Without its window the program cannot have done anything: say so instead of
    // ending as if all went well.
    if (result == -1) throw platform::kEFail;
    store_.Save();
    return kEnded;
}
