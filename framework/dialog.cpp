#include "framework/dialog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/application.h"
#include "framework/path.h"

namespace {

// The first byte of text that is in the set, stepping over double-byte characters (their
// trail bytes may equal '\' or '|'); nullptr when there is none.
const char* FindListedByte(const char* text, const char* set) {
    for (const char* p = text; *p != '\0'; ++p) {
        if (IsLeadByte(static_cast<unsigned char>(*p))) {
            if (p[1] == '\0') return nullptr;
            ++p;
        } else if (std::strchr(set, *p) != nullptr) {
            return p;
        }
    }
    return nullptr;
}

}  // namespace

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DialogProc(message, wParam, lParam);
}

bool Dialog::Create(Window* parent, int showCommand) {
    return CreateBound(
        [this, parent] {
            return CreateDialogParamA(ModuleInstance(), MAKEINTRESOURCEA(templateId_),
                                      parent != nullptr ? parent->Handle() : nullptr,
                                      SharedDialogProc, 0);
        },
        showCommand);
}

int Dialog::RunModal(Window* parent) {
    if (Handle() != nullptr) return -1;
    WindowRegistry& registry = WindowRegistry::Global();
    registry.Register(this);
    ModalLoop loop(this);
    INT_PTR result = DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(templateId_),
                                     parent != nullptr ? parent->Handle() : nullptr,
                                     SharedDialogProc, 0);
    if (result == -1) registry.Unregister(this);
    loop.RethrowFailure();
    return static_cast<int>(result);
}

INT_PTR Dialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInit(wParam, lParam);
    if (IsSubclassed()) return CallPreviousProc(message, wParam, lParam);
    return FALSE;
}

BOOL Dialog::OnInit(WPARAM, LPARAM) {
    Transfer(ToControls);
    return TRUE;
}

void Dialog::ExchangeData(ExchangeDirection) {}

bool Dialog::Transfer(ExchangeDirection direction) {
    try {
        ExchangeData(direction);
        return true;
    } catch (const base_HDLGEDERROR&) {
        return false;
    }
}

int Dialog::ExchangeRadioIndex(ExchangeDirection direction, std::span<const int> ids,
                               int index) {
    if (direction == ToControls) {
        if (index >= 0 && static_cast<std::size_t>(index) < ids.size()) {
            CheckDlgButton(Handle(), ids[index], BST_CHECKED);
        }
        return index;
    }
    auto checked = std::find_if(ids.begin(), ids.end(), [this](int id) {
        return IsDlgButtonChecked(Handle(), id) != BST_UNCHECKED;
    });
    return checked == ids.end() ? -1 : static_cast<int>(checked - ids.begin());
}

void Dialog::ExchangeRadio(ExchangeDirection direction, std::span<const int> ids,
                           std::uint8_t& index) {
    int read = ExchangeRadioIndex(direction, ids, index);
    if (direction == FromControls) index = read < 0 ? 255 : static_cast<std::uint8_t>(read);
}

void Dialog::ExchangeRadioInt(ExchangeDirection direction, std::span<const int> ids,
                              std::int32_t& index) {
    index = ExchangeRadioIndex(direction, ids, index);
}

void Dialog::ExchangeCheck(ExchangeDirection direction, int id, std::uint8_t& flag) {
    if (direction == ToControls) {
        CheckDlgButton(Handle(), id, flag);
    } else {
        flag = IsDlgButtonChecked(Handle(), id) != BST_UNCHECKED ? 1 : 0;
    }
}

void Dialog::ExchangeNumber(ExchangeDirection direction, int id, std::uint8_t& value) {
    if (direction == ToControls) {
        SetDlgItemInt(Handle(), id, value, TRUE);
        return;
    }
    BOOL isNumber = FALSE;
    int read = static_cast<int>(GetDlgItemInt(Handle(), id, &isNumber, TRUE));
    value = isNumber ? static_cast<std::uint8_t>(std::clamp(read, 0, 255)) : 0;
}

void Dialog::ExchangeText(ExchangeDirection direction, int id, char* text, int size) {
    if (direction == ToControls) {
        SetDlgItemTextA(Handle(), id, text);
    } else {
        GetDlgItemTextA(Handle(), id, text, size);
    }
}

void Dialog::CheckRange(int id, int value, int min, int max) {
    if (value >= min && value <= max) return;
    SetDlgItemInt(Handle(), id, value < min ? min : max, TRUE);
    SetFocus(GetDlgItem(Handle(), id));
    ShowMessage("%d から %d までの値を入力して下さい！", "値のエラー", MB_OK | MB_ICONWARNING,
                min, max);
    throw base_HDLGEDERROR{};
}

void Dialog::CheckFileName(int id, const char* text) {
    RejectCharacters(id, text, "\\/:,;*?\"<>|",
                     "ファイル名には以下の文字は使えません！\n       ", "ファイル名のエラー");
}

void Dialog::CheckPathName(int id, const char* text) {
    if (IsDrivePath(text)) text += 3;
    RejectCharacters(id, text, ":,;*?\"<>|",
                     "パス名には以下の文字は使えません！\n        ", "パス名のエラー");
}

void Dialog::RejectCharacters(int id, const char* text, const char* set, const char* heading,
                              const char* caption) {
    if (FindListedByte(text, set) == nullptr) return;
    std::string message = heading;
    for (const char* c = set; *c != '\0'; ++c) {
        if (c != set) message += ' ';
        message += *c;
    }
    SetFocus(GetDlgItem(Handle(), id));
    ShowMessage("%s", caption, MB_OK | MB_ICONWARNING, message.c_str());
    throw base_HDLGEDERROR{};
}

int Dialog::ShowMessage(const char* format, const char* caption, UINT type, ...) {
    char text[kMessageLimit + 1];
    va_list arguments;
    va_start(arguments, type);
    int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0) {
        text[0] = '\0';
    } else if (length > kMessageLimit) {
        CutText(text, kMessageLimit);
    }
    return MessageBoxA(Handle(), text, caption, type);
}

unsigned Dialog::SetIcons(int resourceId) {
    auto load = [resourceId](int size) {
        return IconHandle(static_cast<HICON>(LoadImageA(ModuleInstance(),
                                                        MAKEINTRESOURCEA(resourceId),
                                                        IMAGE_ICON, size, size,
                                                        LR_DEFAULTCOLOR)));
    };
    IconHandle smallIcon = load(16);
    IconHandle largeIcon = load(32);
    unsigned set = 0;
    // The window keeps using the icons, so the dialog holds them until they are replaced.
    if (smallIcon) {
        SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
        smallIcon_ = std::move(smallIcon);
        set |= 1;
    }
    if (largeIcon) {
        SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon.get()));
        largeIcon_ = std::move(largeIcon);
        set |= 2;
    }
    return set;
}

void Dialog::CheckOneOf(std::span<const int> ids, int chosen) {
    for (int id : ids) CheckDlgButton(Handle(), id, id == chosen ? BST_CHECKED : BST_UNCHECKED);
}

bool Dialog::SyncEnable(int id, EnableState& state, bool commit) {
    if (state.wanted != state.current) EnableWindow(GetDlgItem(Handle(), id), state.wanted);
    if (commit) state.current = state.wanted;
    return commit;
}
