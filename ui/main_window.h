// The main window: dialog 102 with the file list, the output-folder box and the Settings,
// Convert and Exit buttons.  Its modal loop is the program's only message loop.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

#include "batch/progress_dialog.h"
#include "batch/summary_dialog.h"
#include "framework/dialog.h"
#include "settings/settings_sheet.h"
#include "ui/file_list_view.h"
#include "ui/output_folder.h"

struct Settings;

class MainWindow : public Dialog, public FileListOwner {
public:
    // What the clean-the-list question after the settings sheet compares with: the
    // extension rule as it was before the sheet opened.
    struct ExtensionRule {
        bool anyExtension;
        bool ignoreFolders;
    };

    explicit MainWindow(Settings& settings);

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInit(WPARAM wParam, LPARAM lParam) override;
    void ExchangeData(ExchangeDirection direction) override;

    // outputPossible: a folder is typed, or the settings say what to do without one.
    void UpdateOutputPossible(HWND edit);
    // Enables Convert while rows are listed, output is possible and the output settings
    // would change something.
    void UpdateConvertButton() override;

    ExtensionRule CurrentExtensionRule() const;
    // After the settings sheet ended with OK: offers to remove the rows that the rule now
    // in force refuses, unless the rows are known to satisfy it already.
    void RecheckListAfterSettings(const ExtensionRule& before);

    // The hand-over of a run, once the Convert command's checks have passed: the rows are
    // converted with the settings behind the modal progress dialog; returns when it closed.
    // Virtual so window tests can stop at the hand-over.
    virtual void StartRun();

    FileListView& FileList() { return fileList_; }
    bool ListNotEmpty() const { return listNotEmpty_ != 0; }
    bool ListFiltered() const { return listFiltered_ != 0; }

private:
    // The commands of the window's lower half and the settings sheet.
    void RunConvertCommand();
    void BrowseForOutputFolder();
    void RunSettingsCommand();
    // A drop on the window outside the list names the output folder.
    void DropOutputFolder(HDROP drop);

    void OnCommand(int id, int notification, HWND control);
    void OnSystemCommand(WPARAM command);
    void EditSystemMenu();
    void Exit();

    Settings& settings_;
    // Each 0 or 1, as the Convert button's state follows them.
    std::int32_t listNotEmpty_ = 0;
    std::int32_t listFiltered_ = 1;  // the rows are known to satisfy the extension rule
    std::int32_t outputPossible_ = 0;
    EnableState convertState_ = {false, false};
    FileListView fileList_;
    SettingsSheet settingsSheet_;
    OutputFolder outputFolder_;
    ProgressDialog progress_;
};
