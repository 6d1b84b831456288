// The application of ZEKO.EXE: it holds the settings for the whole process and runs the
// main window modally, loading ZEKO.CFG before and saving it after.
#pragma once

#include <string>

#include "framework/application.h"
#include "settings/config_store.h"
#include "settings/settings.h"

class ConverterApp : public Application {
public:
    static constexpr char kClassName[] = "This is the window class of Morvane ver 1.03a";

    // ZEKO.CFG is read from and written to configFolder (with its final separator), or
    // the executable's folder when none is given.
    explicit ConverterApp(const char* configFolder = nullptr);

    // Runs the main window; raises E_FAIL when it cannot be shown.
    int InitInstance() override;

private:
    Settings settings_;
    ConfigStore store_;
    std::string configFolder_;
};
