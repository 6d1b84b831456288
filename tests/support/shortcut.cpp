#include "support/shortcut.h"

#include <windows.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

void test::MakeShortcut(const std::string& link, const std::string& target) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IShellLinkA* shellLink = nullptr;
    IPersistFile* file = nullptr;
    WCHAR wide[MAX_PATH + 1];
    bool saved = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IShellLinkA, reinterpret_cast<void**>(&shellLink))) &&
                 SUCCEEDED(shellLink->SetPath(target.c_str())) &&
                 SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                 MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH + 1) > 0 &&
                 SUCCEEDED(file->Save(wide, TRUE));
    if (file) file->Release();
    if (shellLink) shellLink->Release();
    CoUninitialize();
    ASSERT_TRUE(saved) << link;
}
