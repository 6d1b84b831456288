// COM set up on the calling thread for the lifetime of an object: the shell's shortcut
// object and its folder picker need it.
#pragma once

class ComScope {
public:
    // Raises the HRESULT (a LONG) when COM cannot be set up: E_UNEXPECTED, E_OUTOFMEMORY
    // or E_INVALIDARG from CoInitialize.
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    // Uninitialises COM only when this object's CoInitialize counted.
    bool initialised_ = false;
};
