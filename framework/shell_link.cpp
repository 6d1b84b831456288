#include "framework/shell_link.h"

#include <shlguid.h>

#include "framework/platform.h"

ShellLink::ShellLink() {
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, reinterpret_cast<void**>(&link_));
    if (FAILED(result) || !link_) {
        link_ = nullptr;
        throw FAILED(result) ? result : E_FAIL;
    }
    if (FAILED(link_->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file_))) ||
        !file_) {
        file_ = nullptr;
        link_->Release();
        link_ = nullptr;
        throw static_cast<HRESULT>(E_FAIL);
    }
}

ShellLink::~ShellLink() {
    file_->Release();
    link_->Release();
}

bool ShellLink::LoadAndResolve(const char* path) {
    WCHAR wide[platform::kPathBuffer];
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, -1, wide, platform::kPathBuffer) == 0)
        return false;
    // Read only: a mode with STGM_CREATE would truncate the user's shortcut.
    if (FAILED(file_->Load(wide, STGM_READ))) return false;
    return link_->Resolve(nullptr, SLR_NO_UI) == S_OK;
}

void ShellLink::GetTarget(char* buffer) {
    buffer[0] = '\0';
    if (link_->GetPath(buffer, platform::kPathBuffer, nullptr, 0) != S_OK) buffer[0] = '\0';
}
