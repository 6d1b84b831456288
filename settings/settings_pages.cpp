#include "settings/settings_pages.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "framework/context_menu.h"
#include "resources/resource_ids.h"

namespace {

constexpr std::uint8_t kNoChoice = 255;  // what a radio group with no button reads as

// A radio group whose buttons are all clear (a stored code the page has no button for)
// leaves the field as it was: storing "none" would hand the rest of the program a code
// it has no meaning for.
void ExchangeChoice(Dialog& page, ExchangeDirection direction, std::span<const int> ids,
                    std::uint8_t& field) {
    std::uint8_t read = field;
    page.ExchangeRadio(direction, ids, read);
    if (read != kNoChoice) field = read;
}

// Edit limits count characters, but the fields count bytes and a Japanese character
// takes two: a text that does not fit is refused rather than cut.
void ExchangeBoundedText(Dialog& page, ExchangeDirection direction, int id, char* text,
                         int size) {
    if (direction == ToControls) {
        SetDlgItemTextA(page.Handle(), id, text);
        return;
    }
    HWND control = GetDlgItem(page.Handle(), id);
    std::string read(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    GetWindowTextA(control, read.data(), static_cast<int>(read.size()));
    std::size_t length = std::strlen(read.c_str());
    if (length >= static_cast<std::size_t>(size)) {
        SetFocus(control);
        page.ShowMessage("文字列が長すぎます！\n半角で %d 文字、全角で %d 文字までです。",
                         "値のエラー", MB_OK | MB_ICONWARNING, size - 1, (size - 1) / 2);
        throw base_HDLGEDERROR{};
    }
    std::memcpy(text, read.c_str(), length + 1);
}

constexpr int kOutputCodes[] = {IDC_OUT_JIS,       IDC_OUT_SHIFT_JIS, IDC_OUT_EUC,
                                IDC_OUT_UNICODE,   IDC_OUT_KEEP_CODE, IDC_OUT_NO_BUTTON,
                                IDC_OUT_NO_BUTTON, IDC_OUT_NO_BUTTON, IDC_OUT_UTF8};
constexpr int kNewlines[] = {IDC_OUT_CRLF, IDC_OUT_CR, IDC_OUT_LF, IDC_OUT_KEEP_NEWLINE};
constexpr RadioBinding kOutputGroups[] = {{kOutputCodes, &SettingsBlock::outputCode},
                                          {kNewlines, &SettingsBlock::newline}};
constexpr Preset kOutputPresets[] = {
    {IDC_PRESET_WINDOWS, {IDC_OUT_SHIFT_JIS, IDC_OUT_CRLF}},
    {IDC_PRESET_MACINTOSH, {IDC_OUT_SHIFT_JIS, IDC_OUT_CR}},
    {IDC_PRESET_UNIX, {IDC_OUT_EUC, IDC_OUT_LF}},
};

// Position 0 (JIS) has no button on the page but keeps the values equal to the codes.
constexpr int kInputCodes[] = {IDC_IN_JIS, IDC_IN_SHIFT_JIS, IDC_IN_EUC, IDC_IN_UNICODE};
constexpr RadioBinding kInputGroups[] = {{kInputCodes, &SettingsBlock::inputCode}};
constexpr Preset kInputPresets[] = {
    {IDC_PRESET_WINDOWS, {IDC_IN_SHIFT_JIS}},
    {IDC_PRESET_UNIX, {IDC_IN_EUC}},
};

constexpr int kFolderModes[] = {IDC_FOLDER_IGNORE, IDC_FOLDER_ALL, IDC_FOLDER_LIMITED};
constexpr int kNoOutputActions[] = {IDC_NO_OUTPUT_DO_NOT_CONVERT, IDC_NO_OUTPUT_REPLACE,
                                    IDC_NO_OUTPUT_BACKUP, IDC_NO_OUTPUT_UNIQUE};
constexpr int kAffixPositions[] = {IDC_AFFIX_START, IDC_AFFIX_END};

constexpr char kNoExtension[] = "<none>";

}  // namespace

INT_PTR CodePage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        int id = LOWORD(wParam);
        if (id >= IDC_PRESET_WINDOWS && id <= IDC_PRESET_UNIX) {
            ApplyPreset(id);
        } else {
            SyncPresetButtons();
        }
        return TRUE;
    }
    return PropertyPage::DialogProc(message, wParam, lParam);
}

void CodePage::ExchangeData(ExchangeDirection direction) {
    for (const RadioBinding& group : groups_)
        ExchangeChoice(*this, direction, group.ids, copy_.*group.field);
    if (direction == ToControls) SyncPresetButtons();
    if (kanaBox_ != 0) ExchangeCheck(direction, kanaBox_, copy_.widenKana);
}

void CodePage::ApplyPreset(int button) {
    auto preset = std::find_if(presets_.begin(), presets_.end(),
                               [button](const Preset& p) { return p.button == button; });
    if (preset == presets_.end()) return;
    for (std::size_t group = 0; group < groups_.size(); ++group)
        CheckOneOf(groups_[group].ids, preset->chosen[group]);
}

void CodePage::SyncPresetButtons() {
    for (const Preset& preset : presets_) {
        bool pressed = true;
        for (std::size_t group = 0; group < groups_.size(); ++group)
            pressed = pressed && IsDlgButtonChecked(Handle(), preset.chosen[group]) == BST_CHECKED;
        CheckDlgButton(Handle(), preset.button, pressed ? BST_CHECKED : BST_UNCHECKED);
    }
}

OutputCodePage::OutputCodePage(SettingsBlock& copy)
    : CodePage(IDD_OUTPUT_CODE_PAGE, copy, kOutputGroups, kOutputPresets, IDC_OUT_WIDEN_KANA),
      utf8Mark_(copy.utf8Mark) {}

INT_PTR OutputCodePage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = CodePage::DialogProc(message, wParam, lParam);
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) EnableMark();
    return result;
}

// The mark keeps its state while another code is chosen, so that coming back to UTF-8
// restores it.
void OutputCodePage::ExchangeData(ExchangeDirection direction) {
    CodePage::ExchangeData(direction);
    ExchangeCheck(direction, IDC_OUT_UTF8_MARK, utf8Mark_);
    if (direction == ToControls) EnableMark();
}

void OutputCodePage::EnableMark() {
    EnableWindow(GetDlgItem(Handle(), IDC_OUT_UTF8_MARK),
                 IsDlgButtonChecked(Handle(), IDC_OUT_UTF8) == BST_CHECKED);
}

InputCodePage::InputCodePage(SettingsBlock& copy)
    : CodePage(IDD_INPUT_CODE_PAGE, copy, kInputGroups, kInputPresets, 0) {}

GeneralPage::GeneralPage(SettingsBlock& copy) : PropertyPage(IDD_GENERAL_PAGE), copy_(copy) {}

BOOL GeneralPage::OnInit(WPARAM, LPARAM) {
    Transfer(ToControls);
    SendDlgItemMessageA(Handle(), IDC_AFFIX_TEXT, EM_LIMITTEXT, kAffixBytes - 1, 0);
    SendDlgItemMessageA(Handle(), IDC_DEPTH, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageA(Handle(), IDC_DEPTH_SPIN, UDM_SETRANGE, 0,
                        MAKELPARAM(kMaxDepthLimit, kMinDepthLimit));
    return TRUE;
}

// The checks judge what the user typed; a stored value is shown as the nearest one the
// page accepts, so that every control is filled whatever the file held.
void GeneralPage::ExchangeData(ExchangeDirection direction) {
    ExchangeChoice(*this, direction, kFolderModes, copy_.folderMode);
    ExchangeCheck(direction, IDC_MIRROR_FOLDERS, copy_.mirrorFolders);
    if (direction == ToControls)
        copy_.depthLimit = std::clamp(copy_.depthLimit, kMinDepthLimit, kMaxDepthLimit);
    ExchangeNumber(direction, IDC_DEPTH, copy_.depthLimit);
    if (direction == FromControls)
        CheckRange(IDC_DEPTH, copy_.depthLimit, kMinDepthLimit, kMaxDepthLimit);
    ExchangeChoice(*this, direction, kNoOutputActions, copy_.noOutputAction);
    ExchangeChoice(*this, direction, kAffixPositions, copy_.affixPosition);
    ExchangeBoundedText(*this, direction, IDC_AFFIX_TEXT, copy_.affixText, kAffixBytes);
    if (direction == FromControls) CheckFileName(IDC_AFFIX_TEXT, copy_.affixText);
}

LRESULT ExtensionListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_CONTEXTMENU) return Window::WindowProc(message, wParam, lParam);
    ShowContextMenu(lParam);
    return 0;
}

void ExtensionListBox::ShowContextMenu(LPARAM position) {
    if (SendMessageA(Handle(), LB_GETCOUNT, 0, 0) <= 0) return;
    bool selected = SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0) > 0;
    // Owned by the page, whose command handling takes the menu's commands as its buttons'.
    ::ShowContextMenu(IDR_DELETE_MENU, Handle(), position, ParentHandle(),
                      selected ? 0 : ID_DELETE);
}

ExtensionsPage::ExtensionsPage(SettingsBlock& copy, StringList& extensions)
    : PropertyPage(IDD_EXTENSIONS_PAGE), copy_(copy), extensions_(extensions) {}

int ExtensionsPage::ItemCount() const {
    return static_cast<int>(SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_GETCOUNT, 0, 0));
}

BOOL ExtensionsPage::OnInit(WPARAM, LPARAM) {
    Transfer(ToControls);
    copyBackFailed_ = false;
    SendDlgItemMessageA(Handle(), IDC_EXT_TEXT, EM_LIMITTEXT, kTextBytes - 1, 0);
    listBox_.Subclass(GetDlgItem(Handle(), IDC_EXT_LIST));
    for (std::int32_t i = 0; i < extensions_.Count(); ++i) {
        SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(extensions_[i]));
    }
    deleteButtonState_ = {true, false};
    bool any = extensions_.Count() > 0;
    deleteAllButtonState_ = {!any, any};
    SyncEnable(IDC_EXT_DELETE, deleteButtonState_, true);
    SyncEnable(IDC_EXT_DELETE_ALL, deleteAllButtonState_, true);
    extensions_.Clear();
    return TRUE;
}

void ExtensionsPage::ExchangeData(ExchangeDirection direction) {
    ExchangeBoundedText(*this, direction, IDC_EXT_TEXT, text_, kTextBytes);
    if (direction == FromControls) {
        CheckFileName(IDC_EXT_TEXT, text_);
        if (text_[0] == '\0') std::memcpy(text_, kNoExtension, sizeof kNoExtension);
    }
    ExchangeCheck(direction, IDC_EXT_ANY, copy_.anyExtension);
}

INT_PTR ExtensionsPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        CopyBack();
    } else if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDC_EXT_LIST:
            if (HIWORD(wParam) != LBN_SELCHANGE) return FALSE;
            deleteButtonState_.wanted =
                SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_GETSELCOUNT, 0, 0) > 0;
            break;
        case IDC_EXT_ADD:
            Add();
            break;
        case IDC_EXT_DELETE:
            Delete();
            break;
        case IDC_EXT_DELETE_ALL:
            DeleteAll();
            break;
        case IDC_EXT_DEFAULTS:
            RestoreDefaults();
            break;
        default:
            return FALSE;
        }
        SyncEnable(IDC_EXT_DELETE, deleteButtonState_, true);
        SyncEnable(IDC_EXT_DELETE_ALL, deleteAllButtonState_, true);
        return TRUE;
    }
    return PropertyPage::DialogProc(message, wParam, lParam);
}

void ExtensionsPage::Add() {
    if (!Transfer(FromControls)) return;
    if (SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_FINDSTRINGEXACT, -1,
                            reinterpret_cast<LPARAM>(text_)) != LB_ERR) {
        ShowMessage("二重登録は出来ません！", "警告", MB_OK | MB_ICONWARNING);
        return;
    }
    SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text_));
    deleteAllButtonState_.wanted = true;
}

void ExtensionsPage::Delete() {
    auto count = static_cast<int>(SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_GETSELCOUNT, 0, 0));
    if (count <= 0) return;
    std::unique_ptr<int[]> selected(new (std::nothrow) int[count]);
    if (!selected) {
        ShowMessage("メモリが足りなくて要求に応えられません！", "メモリ不足", MB_OK | MB_ICONERROR);
        return;
    }
    count = static_cast<int>(SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_GETSELITEMS, count,
                                                 reinterpret_cast<LPARAM>(selected.get())));
    // From the last to the first, so that the positions still to delete stay valid.
    for (int i = count - 1; i >= 0; --i)
        SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_DELETESTRING, selected[i], 0);
    deleteButtonState_.wanted = false;
    deleteAllButtonState_.wanted = ItemCount() > 0;
}

void ExtensionsPage::DeleteAll() {
    SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_RESETCONTENT, 0, 0);
    deleteButtonState_.wanted = false;
    deleteAllButtonState_.wanted = false;
}

void ExtensionsPage::RestoreDefaults() {
    if (ShowMessage("デフォルトの設定に戻します。よろしいですか？", "確認",
                    MB_YESNO | MB_ICONINFORMATION) != IDYES) {
        return;
    }
    SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_RESETCONTENT, 0, 0);
    for (const char* const* text = kDefaultExtensions; (*text)[0] != '\0'; ++text) {
        SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(*text));
    }
    deleteButtonState_.wanted = false;
    deleteAllButtonState_.wanted = true;
}

void ExtensionsPage::CopyBack() {
    int count = ItemCount();
    for (int i = 0; i < count && !copyBackFailed_; ++i) {
        // An entry from ZEKO.CFG may be longer than the page's text buffer.
        auto length = SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_GETTEXTLEN, i, 0);
        std::unique_ptr<char[]> text(length >= 0 ? new (std::nothrow) char[length + 1] : nullptr);
        copyBackFailed_ =
            !text ||
            SendDlgItemMessageA(Handle(), IDC_EXT_LIST, LB_GETTEXT, i,
                                reinterpret_cast<LPARAM>(text.get())) == LB_ERR ||
            !extensions_.Add(text.get());
    }
    if (copyBackFailed_) {
        ShowMessage("メモリ不足のため拡張子データの設定に失敗しました！", "メモリ不足",
                    MB_OK | MB_ICONERROR);
    }
    text_[0] = '\0';
    listBox_.Unsubclass();
}
