// The four pages of the settings sheet.  Each page works on the sheet's working copy of
// the settings, never on the settings themselves, so that Cancel can drop every change.
#pragma once

#include <cstdint>
#include <span>

#include "framework/property_sheet.h"
#include "framework/string_list.h"
#include "settings/settings.h"

// What the sheet edits: the leading block of the settings and the extension list.
struct SettingsCopy {
    SettingsBlock block;
    StringList extensions;
};

// A button that sets one radio button in each of the page's groups at once.
struct Preset {
    int button;
    int chosen[2];  // per group of the page, in group order
};

// A page of radio groups with preset buttons: a preset checks its buttons, and a preset
// shows pressed exactly while all of its buttons are checked.
class PresetPage : public PropertyPage {
public:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void ApplyPreset(int button);
    void SyncPresetButtons();

protected:
    PresetPage(WORD templateId, std::span<const std::span<const int>> groups,
               std::span<const Preset> presets)
        : PropertyPage(templateId), groups_(groups), presets_(presets) {}

private:
    std::span<const std::span<const int>> groups_;
    std::span<const Preset> presets_;
};

class OutputCodePage : public PresetPage {
public:
    explicit OutputCodePage(SettingsBlock& copy);
    void ExchangeData(ExchangeDirection direction) override;

private:
    SettingsBlock& copy_;
};

class InputCodePage : public PresetPage {
public:
    explicit InputCodePage(SettingsBlock& copy);
    void ExchangeData(ExchangeDirection direction) override;

private:
    SettingsBlock& copy_;
};

class GeneralPage : public PropertyPage {
public:
    explicit GeneralPage(SettingsBlock& copy);
    BOOL OnInit(WPARAM wParam, LPARAM lParam) override;
    void ExchangeData(ExchangeDirection direction) override;

private:
    SettingsBlock& copy_;
};

// The extension list box, taken over for its context menu (delete, delete all), whose
// commands reach the page like its buttons.
class ExtensionListBox : public Window {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowContextMenu(LPARAM position);
};

// While the page exists its sorted list box is the extension list: the working list is
// emptied when the page opens and refilled, in the list box's order, when it closes.
class ExtensionsPage : public PropertyPage {
public:
    static constexpr int kTextBytes = 257;  // 256 characters and the NUL

    ExtensionsPage(SettingsBlock& copy, StringList& extensions);
    BOOL OnInit(WPARAM wParam, LPARAM lParam) override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ExchangeData(ExchangeDirection direction) override;

    // Set when the list box could not be copied back; the sheet then keeps the settings'
    // extension list as it was.
    bool CopyBackFailed() const { return copyBackFailed_; }
    void ClearCopyBackFailed() { copyBackFailed_ = false; }

private:
    void Add();
    void Delete();
    void DeleteAll();
    void RestoreDefaults();
    void CopyBack();
    int ItemCount() const;

    SettingsBlock& copy_;
    StringList& extensions_;
    char text_[kTextBytes] = {};
    EnableState deleteButtonState_ = {true, false};
    EnableState deleteAllButtonState_ = {true, false};
    bool copyBackFailed_ = false;
    ExtensionListBox listBox_;
};
