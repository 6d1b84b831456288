// The three questions that can stop the worker in the middle of a file: an output name
// that is taken (110), a file that cannot be converted (111), a character code that
// cannot be told (115).  Each offers choices, an execute button, a button that applies
// the choice to every later case of the run, and a button that stops the run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "engine/codes.h"
#include "framework/dialog.h"
#include "framework/platform.h"
#include "resources/resource_ids.h"

class DecisionDialog : public Dialog {
public:
    static constexpr int kExecute = IDC_DECISION_EXECUTE;
    static constexpr int kStop = IDC_DECISION_STOP;

    // kExecute or kStop (anything else: the dialog could not be shown).  Once the choice
    // applies to all, it is answered at once without showing anything.
    int RunModal(Window* parent) override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInit(WPARAM wParam, LPARAM lParam) override;
    void ExchangeData(ExchangeDirection direction) override;

    // A new run asks again.
    void ClearApplyToAll() { applyToAll_ = false; }
    bool AppliesToAll() const { return applyToAll_; }
    std::int32_t Choice() const { return choice_; }
    void SetChoice(std::int32_t choice) { choice_ = choice; }
    const char* ShownPath() const { return shownPath_; }
    void SetShownPath(const char* path);

protected:
    DecisionDialog(WORD templateId, std::span<const int> radios)
        : Dialog(templateId), radios_(radios) {}

    // Sets the controls' states once the fields are in them; the focus then goes to the
    // button of the choice.
    virtual void OnOpen() {}
    virtual bool MayApplyToAll() const { return true; }
    bool IsChecked(int id) const { return IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }
    void Enable(int id, bool enabled) { EnableWindow(GetDlgItem(Handle(), id), enabled); }

    std::span<const int> radios_;

private:
    bool applyToAll_ = false;
    std::int32_t choice_ = 0;
    char shownPath_[platform::kPathBuffer] = {};
};

class NameClashDialog : public DecisionDialog {
public:
    enum Option : std::int32_t { UniqueName = 0, NewName = 1, Overwrite = 2, DoNotConvert = 3 };
    static constexpr int kNameLimit = 256;

    NameClashDialog() : DecisionDialog(IDD_NAME_CLASH, kRadios) {}

    // The clashing path: shown, and split into its folder and the name offered to change.
    void Prepare(const char* path);
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ExchangeData(ExchangeDirection direction) override;
    // Folder + new name, when that fits and names nothing yet; otherwise the warning, the
    // focus in the name box and base_HDLGEDERROR.
    void ValidateNewName();

    // The new name's full path, once validated.
    const char* NewPath() const { return newPath_; }

protected:
    void OnOpen() override;
    bool MayApplyToAll() const override { return !IsChecked(IDC_CLASH_RENAME); }

private:
    static constexpr int kRadios[] = {IDC_CLASH_UNIQUE, IDC_CLASH_RENAME, IDC_CLASH_OVERWRITE,
                                      IDC_CLASH_SKIP};

    void ShowNameChoice(bool newName);
    [[noreturn]] void RejectName(const char* text);

    char folder_[platform::kPathBuffer] = {};
    char newName_[platform::kPathBuffer] = {};
    char newPath_[platform::kPathBuffer] = {};
};

// The two dialogs that may offer a plain copy of the input; the copy is disabled in runs
// that replace the source files in place and keep no copy of them.
class CopyOfferingDialog : public DecisionDialog {
public:
    static constexpr int kCopy = IDC_UNCONVERTIBLE_COPY;
    static_assert(kCopy == IDC_DETECT_COPY);

    void SetCopyDisabled(bool disabled) { copyDisabled_ = disabled; }
    bool CopyDisabled() const { return copyDisabled_; }

protected:
    using DecisionDialog::DecisionDialog;
    void OnOpen() override;

private:
    bool copyDisabled_ = false;
};

class CannotConvertDialog : public CopyOfferingDialog {
public:
    enum Option : std::int32_t { Ignore = 0, Copy = 1 };

    CannotConvertDialog() : CopyOfferingDialog(IDD_CANNOT_CONVERT, kRadios) {}

protected:
    void OnOpen() override;

private:
    static constexpr int kRadios[] = {IDC_UNCONVERTIBLE_IGNORE, IDC_UNCONVERTIBLE_COPY};
};

class DetectionFailedDialog : public CopyOfferingDialog {
public:
    enum Option : std::int32_t { AsShiftJis = 0, AsEuc = 1, Copy = 2, Ignore = 3, AsUtf8 = 4 };

    DetectionFailedDialog() : CopyOfferingDialog(IDD_DETECTION_FAILED, kRadios) {}

    // Each run starts from the input code the settings offer.
    void Preset(std::int32_t inputCode);
    // UTF-8 is offered, and chosen first, only for a file that is well-formed UTF-8; a
    // choice of UTF-8 for all files does not answer for one that is not.
    void OfferUtf8(bool offered);

protected:
    void OnOpen() override;

private:
    static constexpr int kRadios[] = {IDC_DETECT_SHIFT_JIS, IDC_DETECT_EUC, IDC_DETECT_COPY,
                                      IDC_DETECT_IGNORE, IDC_DETECT_UTF8};

    std::int32_t preset_ = AsShiftJis;
    bool utf8Offered_ = false;
};
