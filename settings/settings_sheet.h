// The settings sheet: four pages over a working copy of the settings, written back only
// when the user closes the sheet with OK.
#pragma once

#include "framework/property_sheet.h"
#include "settings/settings.h"
#include "settings/settings_pages.h"

class SettingsSheet : public PropertySheet {
public:
    // The sheet edits settings, which must outlive it.
    explicit SettingsSheet(Settings& settings);

    // 1 when the user pressed OK and the settings took the copy; anything else leaves the
    // settings untouched.
    int RunModal(Window* owner) override;

private:
    Settings& settings_;
    SettingsCopy copy_;
    OutputCodePage outputCodePage_;
    InputCodePage inputCodePage_;
    GeneralPage generalPage_;
    ExtensionsPage extensionsPage_;
    bool pagesAdded_ = false;
};
