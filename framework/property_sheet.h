// Property sheets and their pages.  The sheet's window belongs to the common controls, so
// the sheet object takes its window over (subclasses it) when the sheet reports itself
// initialised; each page is bound to its dialog through the page creation callback.  The
// pages end the sheet themselves: OK gives 1, Cancel 2.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
// The library names its A/W switch after the class; the class keeps the name.
#undef PropertySheet

#include <vector>

#include "framework/dialog.h"

class PropertyPage;

class PropertySheet : public Dialog {
public:
    // Titled "プロパティ", no pages, no Apply button.
    PropertySheet();

    // Modeless sheet.
    bool Create(Window* parent, int showCommand) override;
    // The result the pages ended the sheet with (1 OK, 2 Cancel); 0 when the sheet is
    // already open or has no pages, -1 when it cannot be shown.
    int RunModal(Window* parent) override;
    // Starts the header afresh; the callback and the page records are always used.
    virtual void SetupHeader(int startPage, DWORD flags, bool useIcon);

    // The page stays the caller's; the sheet shows the pages in the order added.
    void AddPage(PropertyPage& page);
    void EndSheet(int result);

private:
    static int CALLBACK SheetCallback(HWND handle, UINT message, LPARAM lParam);
    // Fills the header for one showing and calls PropertySheetA.
    INT_PTR Show(Window* parent, bool modeless);

    PROPSHEETHEADERA header_;
    // What the pages ended the current showing with; the library's own result differs
    // between versions (a cancelled sheet gives 0 or 2), so the sheet keeps its own.
    int endResult_ = 0;
    std::vector<PropertyPage*> pages_;
    std::vector<PROPSHEETPAGEA> records_;
};

class PropertyPage : public Dialog {
public:
    explicit PropertyPage(WORD templateId);

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    virtual bool QueryCancel();
    virtual bool WizardFinish();
    virtual int WizardNext();
    virtual int WizardBack();
    virtual void Help();
    // Cancel: ends the sheet with 2.
    virtual void Reset();
    // OK: ends the sheet with 1.
    virtual void Apply();
    // Reads the controls; false keeps the user on the page.
    virtual bool KillActive();
    // Reads the controls, except on the first activation of each showing (the fields were
    // just written into them).
    virtual int SetActive();

    const PROPSHEETPAGEA& Record() const { return record_; }

private:
    static UINT CALLBACK PageCallback(HWND handle, UINT message, LPPROPSHEETPAGEA page);
    void EndSheetWith(int result);

    PROPSHEETPAGEA record_;
    bool firstActivation_ = true;
};
