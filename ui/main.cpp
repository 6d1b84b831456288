// Entry point of ZEKO.EXE.
#include <windows.h>

#include "ui/converter_app.h"

namespace {

// Built before WinMain runs: it takes the executable's folder and the default settings.
ConverterApp application;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR commandLine,
                   int showCommand) {
    return RunApplicationMain(instance, prevInstance, commandLine, showCommand);
}
