#include "framework/property_sheet.h"

#include <new>

#include "framework/application.h"

namespace {

// The sheet whose PropertySheetA call is running on this thread, until its callback takes
// its window over.  Kept apart from the pending page: the library may create the first
// page before or after it reports the sheet initialised.
thread_local PropertySheet* startingSheet = nullptr;

}  // namespace

PropertySheet::PropertySheet() : Dialog(0) {
    SetTitle("プロパティ");
    SetupHeader(0, PSH_NOAPPLYNOW, false);
}

void PropertySheet::SetupHeader(int startPage, DWORD flags, bool useIcon) {
    header_ = {};
    header_.dwSize = sizeof header_;
    flags |= PSH_USECALLBACK | PSH_PROPSHEETPAGE;
    if (useIcon) {
        flags |= PSH_USEHICON;
    } else {
        flags &= ~(PSH_USEHICON | PSH_USEICONID);
    }
    header_.dwFlags = flags;
    header_.hInstance = ModuleInstance();
    header_.nStartPage = startPage;
    header_.pfnCallback = SheetCallback;
}

void PropertySheet::AddPage(PropertyPage& page) {
    if (pages_.size() == pages_.capacity()) {
        bool grown = true;
        try {
            pages_.reserve(pages_.size() + WindowRegistry::kGrowth);
            records_.reserve(pages_.capacity());
        } catch (const std::bad_alloc&) {
            grown = false;
        }
        FatalCheck(grown);
    }
    pages_.push_back(&page);
}

INT_PTR PropertySheet::Show(Window* parent, bool modeless) {
    records_.clear();
    for (const PropertyPage* page : pages_) records_.push_back(page->Record());
    header_.hwndParent = parent != nullptr ? parent->Handle() : nullptr;
    header_.nPages = static_cast<UINT>(records_.size());
    header_.pszCaption = Title();
    header_.ppsp = records_.data();
    if (modeless) {
        header_.dwFlags |= PSH_MODELESS;
    } else {
        header_.dwFlags &= ~PSH_MODELESS;
    }
    endResult_ = 0;
    startingSheet = this;
    INT_PTR result = PropertySheetA(&header_);
    startingSheet = nullptr;
    return result;
}

int PropertySheet::RunModal(Window* parent) {
    if (Handle() != nullptr || pages_.empty()) return 0;
    ModalLoop loop(this);
    INT_PTR result = Show(parent, false);
    if (result == -1) WindowRegistry::Global().Unregister(this);
    loop.RethrowFailure();
    return result != -1 && endResult_ != 0 ? endResult_ : static_cast<int>(result);
}

bool PropertySheet::Create(Window* parent, int showCommand) {
    if (Handle() != nullptr || pages_.empty()) return false;
    auto handle = reinterpret_cast<HWND>(Show(parent, true));
    if (handle == nullptr || handle != Handle()) {
        if (handle != nullptr) DestroyWindow(handle);
        WindowRegistry::Global().Unregister(this);
        return false;
    }
    ShowWindow(handle, showCommand);
    UpdateWindow(handle);
    return true;
}

void PropertySheet::EndSheet(int result) {
    endResult_ = result;
    if (header_.dwFlags & PSH_MODELESS) {
        DestroyWindow(Handle());
    } else {
        EndDialog(Handle(), result);
    }
}

int CALLBACK PropertySheet::SheetCallback(HWND handle, UINT message, LPARAM) {
    if (message != PSCB_INITIALIZED) return 0;
    PropertySheet* sheet = startingSheet;
    startingSheet = nullptr;
    FatalCheck(sheet != nullptr && sheet->Subclass(handle));
    return 1;
}

PropertyPage::PropertyPage(WORD templateId) : Dialog(templateId) {
    record_ = {};
    record_.dwSize = sizeof record_;
    record_.dwFlags = PSP_USECALLBACK;
    record_.hInstance = ModuleInstance();
    record_.pszTemplate = MAKEINTRESOURCEA(templateId);
    record_.pfnDlgProc = SharedDialogProc;
    record_.lParam = reinterpret_cast<LPARAM>(this);
    record_.pfnCallback = PageCallback;
}

UINT CALLBACK PropertyPage::PageCallback(HWND, UINT message, LPPROPSHEETPAGEA page) {
    if (message != PSPCB_CREATE) return 0;
    WindowRegistry::Global().Register(reinterpret_cast<PropertyPage*>(page->lParam));
    return 1;
}

INT_PTR PropertyPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_NOTIFY) return Dialog::DialogProc(message, wParam, lParam);
    LONG_PTR result = 0;
    switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE:
        result = SetActive();
        break;
    case PSN_KILLACTIVE:
        result = KillActive() ? 0 : 1;
        break;
    case PSN_APPLY:
        Apply();
        break;
    case PSN_RESET:
        Reset();
        break;
    case PSN_HELP:
        Help();
        break;
    case PSN_WIZBACK:
        result = WizardBack();
        break;
    case PSN_WIZNEXT:
        result = WizardNext();
        break;
    case PSN_WIZFINISH:
        result = WizardFinish() ? 0 : 1;
        break;
    case PSN_QUERYCANCEL:
        result = QueryCancel() ? 0 : 1;
        break;
    default:
        return Dialog::DialogProc(message, wParam, lParam);
    }
    SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, result);
    return TRUE;
}

bool PropertyPage::QueryCancel() { return true; }
bool PropertyPage::WizardFinish() { return true; }
int PropertyPage::WizardNext() { return 0; }
int PropertyPage::WizardBack() { return 0; }
void PropertyPage::Help() {}
void PropertyPage::Reset() { EndSheetWith(2); }
void PropertyPage::Apply() { EndSheetWith(1); }
bool PropertyPage::KillActive() { return Transfer(FromControls); }

int PropertyPage::SetActive() {
    if (firstActivation_) {
        firstActivation_ = false;
    } else {
        Transfer(FromControls);
    }
    return 0;
}

void PropertyPage::EndSheetWith(int result) {
    if (auto* sheet = dynamic_cast<PropertySheet*>(ParentObject())) sheet->EndSheet(result);
    firstActivation_ = true;
}
