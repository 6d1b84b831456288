// The file list as the job reads it: a report list view whose rows carry their full
// paths in the item parameter.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

namespace test {

// The item parameter is a heap copy of the path, as in the program's list.
class RowList {
public:
    RowList() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        handle_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 200, 200,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~RowList() {
        DestroyWindow(handle_);
        for (char* text : texts_) delete[] text;
    }
    void Add(const std::string& path) {
        char* text = new char[path.size() + 1];
        std::memcpy(text, path.c_str(), path.size() + 1);
        texts_.push_back(text);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(texts_.size());
        item.pszText = text;
        item.lParam = reinterpret_cast<LPARAM>(text);
        SendMessageA(handle_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    HWND Handle() const { return handle_; }

private:
    HWND handle_ = nullptr;
    std::vector<char*> texts_;
};

}  // namespace test
