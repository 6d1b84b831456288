#include "batch/decision_dialogs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/find_file.h"
#include "framework/path.h"

namespace {

constexpr const char* kNameError = "ファイル名のエラー";

}  // namespace

void DecisionDialog::SetShownPath(const char* path) {
    std::size_t length = strnlen(path, platform::kMaxPath);
    std::memcpy(shownPath_, path, length);
    shownPath_[length] = '\0';
}

int DecisionDialog::RunModal(Window* parent) {
    if (applyToAll_) return kExecute;
    return Dialog::RunModal(parent);
}

BOOL DecisionDialog::OnInit(WPARAM wParam, LPARAM lParam) {
    Dialog::OnInit(wParam, lParam);
    OnOpen();
    auto checked = std::find_if(radios_.begin(), radios_.end(),
                                [this](int id) { return IsChecked(id); });
    if (checked != radios_.end()) SetFocus(GetDlgItem(Handle(), *checked));
    return FALSE;  // the focus is set
}

void DecisionDialog::ExchangeData(ExchangeDirection direction) {
    if (direction == ToControls) ExchangeText(ToControls, IDC_DECISION_PATH, shownPath_,
                                              sizeof shownPath_);
    std::int32_t choice = choice_;
    ExchangeRadioInt(direction, radios_, choice);
    if (choice >= 0) choice_ = choice;
}

// The dialog ends only through its execute and stop buttons; Escape (IDCANCEL) and every
// other command are ignored.
INT_PTR DecisionDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COMMAND) return Dialog::DialogProc(message, wParam, lParam);
    switch (LOWORD(wParam)) {
    case kExecute:
        if (Transfer(FromControls)) EndDialog(Handle(), kExecute);
        break;
    case IDC_DECISION_ALL:
        if (!MayApplyToAll()) break;
        applyToAll_ = true;
        if (Transfer(FromControls))
            EndDialog(Handle(), kExecute);
        else
            applyToAll_ = false;
        break;
    case kStop:
        EndDialog(Handle(), kStop);
        break;
    default:
        break;
    }
    return TRUE;
}

void NameClashDialog::Prepare(const char* path) {
    SetShownPath(path);
    const char* separator = LastSeparator(ShownPath());
    std::size_t folderLength = separator != nullptr ? separator + 1 - ShownPath() : 0;
    std::memcpy(folder_, ShownPath(), folderLength);
    folder_[folderLength] = '\0';
    std::strcpy(newName_, ShownPath() + folderLength);
    newPath_[0] = '\0';
}

void NameClashDialog::OnOpen() {
    SendDlgItemMessageA(Handle(), IDC_CLASH_NEW_NAME, EM_LIMITTEXT, kNameLimit, 0);
    SetDlgItemTextA(Handle(), IDC_CLASH_NEW_NAME, newName_);
    ShowNameChoice(Choice() == NewName);
}

// A new name is typed for this one file, so it can never apply to all.
void NameClashDialog::ShowNameChoice(bool newName) {
    Enable(IDC_DECISION_ALL, !newName);
    Enable(IDC_CLASH_NEW_NAME, newName);
}

INT_PTR NameClashDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        int id = LOWORD(wParam);
        if (std::find(std::begin(kRadios), std::end(kRadios), id) != std::end(kRadios))
            ShowNameChoice(id == IDC_CLASH_RENAME);
    }
    return DecisionDialog::DialogProc(message, wParam, lParam);
}

void NameClashDialog::ExchangeData(ExchangeDirection direction) {
    DecisionDialog::ExchangeData(direction);
    if (direction != FromControls || Choice() != NewName) return;
    ExchangeText(FromControls, IDC_CLASH_NEW_NAME, newName_, kNameLimit + 1);
    CheckFileName(IDC_CLASH_NEW_NAME, newName_);
    // An empty name would make the folder itself the output file.
    if (newName_[0] == '\0') RejectName("新しい名前を入力して下さい！");
    ValidateNewName();
}

void NameClashDialog::ValidateNewName() {
    if (std::strlen(folder_) + std::strlen(newName_) > platform::kMaxPath)
        RejectName("ファイル名が長くなりすぎます！");
    std::snprintf(newPath_, sizeof newPath_, "%s%s", folder_, newName_);
    FindFile existing;
    if (existing.FindFirst(newPath_)) {
        newPath_[0] = '\0';
        RejectName("そのファイルは既に存在します！");
    }
}

void NameClashDialog::RejectName(const char* text) {
    SetFocus(GetDlgItem(Handle(), IDC_CLASH_NEW_NAME));
    MessageBoxA(Handle(), text, kNameError, MB_OK | MB_ICONWARNING);
    throw base_HDLGEDERROR{};
}

void CopyOfferingDialog::OnOpen() {
    if (copyDisabled_) Enable(kCopy, false);
}

void DetectionFailedDialog::Preset(std::int32_t inputCode) {
    preset_ = inputCode == ShiftJis ? AsShiftJis : AsEuc;
    SetChoice(preset_);
}

void DetectionFailedDialog::OfferUtf8(bool offered) {
    utf8Offered_ = offered;
    if (AppliesToAll() && (offered || Choice() != AsUtf8)) return;
    ClearApplyToAll();
    if (offered) {
        SetChoice(AsUtf8);
    } else if (Choice() == AsUtf8) {
        SetChoice(preset_);
    }
}

void DetectionFailedDialog::OnOpen() {
    CopyOfferingDialog::OnOpen();
    Enable(IDC_DETECT_UTF8, utf8Offered_);
}

void CannotConvertDialog::OnOpen() {
    CopyOfferingDialog::OnOpen();
    if (CopyDisabled()) CheckOneOf(kRadios, IDC_UNCONVERTIBLE_IGNORE);
}
