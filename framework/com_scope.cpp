#include "framework/com_scope.h"

#include <windows.h>
#include <objbase.h>

ComScope::ComScope() {
    HRESULT result = CoInitialize(nullptr);
    if (result == E_UNEXPECTED || result == E_OUTOFMEMORY || result == E_INVALIDARG) throw result;
    // RPC_E_CHANGED_MODE (COM already set up differently on this thread) goes on, but
    // must not be balanced by an uninitialise that would tear down the other owner's COM.
    initialised_ = SUCCEEDED(result);
}

ComScope::~ComScope() {
    if (initialised_) CoUninitialize();
}
