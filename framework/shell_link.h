// Resolves one shell shortcut (".lnk") to its target through the system's shell-link
// object.  Made on the stack for each shortcut and destroyed right after: COM is
// initialised for the object's lifetime and both interfaces are released with it.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shobjidl.h>

#include "framework/com_scope.h"

class ShellLink {
public:
    // Raises the HRESULT (a LONG) when COM or the shell-link object is not available:
    // E_UNEXPECTED, E_OUTOFMEMORY or E_INVALIDARG from CoInitialize, the failure of
    // CoCreateInstance as it came, and E_FAIL when the object has no IPersistFile.
    ShellLink();
    ~ShellLink();
    ShellLink(const ShellLink&) = delete;
    ShellLink& operator=(const ShellLink&) = delete;

    // False for a file that is not a shortcut or cannot be resolved.  The shortcut file
    // is only read.
    bool LoadAndResolve(const char* path);
    // The target's full path into buffer (kPathBuffer bytes); empty when there is none.
    void GetTarget(char* buffer);

private:
    ComScope com_;
    IShellLinkA* link_ = nullptr;
    IPersistFile* file_ = nullptr;
};
