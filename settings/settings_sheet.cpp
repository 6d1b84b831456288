#include "settings/settings_sheet.h"

#include <commctrl.h>

SettingsSheet::SettingsSheet(Settings& settings)
    : settings_(settings),
      outputCodePage_(copy_.block),
      inputCodePage_(copy_.block),
      generalPage_(copy_.block),
      extensionsPage_(copy_.block, copy_.extensions) {
    SetTitle("設定");
    // The general page's up-down control and the sheet's tabs need their window classes.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_UPDOWN_CLASS | ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
}

int SettingsSheet::RunModal(Window* owner) {
    if (!pagesAdded_) {
        AddPage(outputCodePage_);
        AddPage(inputCodePage_);
        AddPage(generalPage_);
        AddPage(extensionsPage_);
        pagesAdded_ = true;
    }
    HWND ownerHandle = owner != nullptr ? owner->Handle() : nullptr;
    copy_.block = settings_;
    // A failed copy would leave the last opening's list in the sheet, which OK would then
    // store: better not to open at all.
    if (!copy_.extensions.Assign(settings_.extensions)) {
        MessageBoxA(ownerHandle, "メモリが足りなくて要求に応えられません！", "メモリ不足",
                    MB_OK | MB_ICONERROR);
        return -1;
    }
    // Only a visit to the extensions page can fail to copy its list back.
    extensionsPage_.ClearCopyBackFailed();

    int result = PropertySheet::RunModal(owner);
    if (result != 1) return result;
    static_cast<SettingsBlock&>(settings_) = copy_.block;
    if (!extensionsPage_.CopyBackFailed() && !settings_.extensions.Assign(copy_.extensions)) {
        MessageBoxA(ownerHandle, "メモリ不足のため拡張子データの設定に失敗しました！", "メモリ不足",
                    MB_OK | MB_ICONERROR);
    }
    return result;
}
