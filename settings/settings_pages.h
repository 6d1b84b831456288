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

// A radio group of a page and the field of the copy that holds its position.
struct RadioBinding {
    std::span<const int> ids;
    std::uint8_t SettingsBlock::*field;
};

// A button that sets one radio button in each of the page's groups at once.
struct Preset {
    int button;
    int chosen[2];  // per group of the page, in group order
};

// A page of character-code radio groups with preset buttons: a preset checks its buttons,
// and a preset shows pressed exactly while all of its buttons are checked.
class CodePage : public PropertyPage {
public:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ExchangeData(ExchangeDirection direction) override;

    void ApplyPreset(int button);
    void SyncPresetButtons();

protected:
    // kanaBox: the check box bound to widenKana, 0 when the page has none.
    CodePage(WORD templateId, SettingsBlock& copy, std::span<const RadioBinding> groups,
             std::span<const Preset> presets, int kanaBox)
        : PropertyPage(templateId), copy_(copy), groups_(groups), presets_(presets),
          kanaBox_(kanaBox) {}

private:
    SettingsBlock& copy_;
    std::span<const RadioBinding> groups_;
    std::span<const Preset> presets_;
    int kanaBox_;
};

// Besides the codes, the byte-order mark of UTF-8 output, open to change only while
// UTF-8 is chosen.
class OutputCodePage : public CodePage {
public:
    explicit OutputCodePage(SettingsBlock& copy);
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ExchangeData(ExchangeDirection direction) override;

private:
    void EnableMark();

    std::uint8_t& utf8Mark_;
};

class InputCodePage : public CodePage {
public:
    explicit InputCodePage(SettingsBlock& copy);
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
