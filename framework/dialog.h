// Dialogs from templates, modal or modeless, and the data exchange between a dialog's
// controls and plain fields.  The input checks tell the user what is wrong, put the focus
// on the control and raise base_HDLGEDERROR; Transfer turns that into false, so an
// exchange either completes or stops at the first bad value.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <type_traits>

#include "framework/window.h"

enum ExchangeDirection {
    ToControls = 0,    // fields into controls
    FromControls = 1,  // controls into fields, with checks
};

// Raised by the input checks after their message; only its type matters.
struct base_HDLGEDERROR {
    int code = 16;
};

// A control's enabled state as shown (current) and as it should be (wanted).
struct EnableState {
    bool current;
    bool wanted;
};

class Dialog : public Window {
public:
    // Longest text a message box is given; longer texts are cut.
    static constexpr int kMessageLimit = 2047;

    explicit Dialog(WORD templateId) : templateId_(templateId) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Modeless: the dialog stays open after the call returns.
    bool Create(Window* parent, int showCommand) override;

    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnInit(WPARAM wParam, LPARAM lParam);
    virtual void ExchangeData(ExchangeDirection direction);
    // The EndDialog result; -1 when the dialog cannot be shown or is already open.
    virtual int RunModal(Window* parent);

    bool Transfer(ExchangeDirection direction);

    // A radio group: ToControls checks ids[index] (none when the index is outside the
    // group) and leaves the others; FromControls gives the first checked button's index,
    // or 255 / -1 when none is.
    void ExchangeRadio(ExchangeDirection direction, std::span<const int> ids,
                       std::uint8_t& index);
    void ExchangeRadioInt(ExchangeDirection direction, std::span<const int> ids,
                          std::int32_t& index);
    void ExchangeCheck(ExchangeDirection direction, int id, std::uint8_t& flag);
    // A number of 0 to 255: read values are clamped, and text that is no number gives 0.
    void ExchangeNumber(ExchangeDirection direction, int id, std::uint8_t& value);
    // size counts the terminating NUL.
    void ExchangeText(ExchangeDirection direction, int id, char* text, int size);

    void CheckRange(int id, int value, int min, int max);
    void CheckFileName(int id, const char* text);
    void CheckPathName(int id, const char* text);

    // A message box owned by the dialog, its text formatted printf-style and cut at
    // kMessageLimit bytes (never inside a double-byte character); the button pressed.
    int ShowMessage(const char* format, const char* caption, UINT type, ...)
        __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 5)));
    // The application's icon resourceId as the small and large window icon: bit 0 set
    // when the small one was set, bit 1 when the large one was.
    unsigned SetIcons(int resourceId);
    // Checks the button chosen and unchecks the rest of the group.
    void CheckOneOf(std::span<const int> ids, int chosen);
    // Enables or disables the control when wanted differs from current; with commit,
    // current takes wanted.  Returns commit.
    bool SyncEnable(int id, EnableState& state, bool commit);

private:
    struct IconDeleter {
        void operator()(HICON icon) const { DestroyIcon(icon); }
    };
    using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

    int ExchangeRadioIndex(ExchangeDirection direction, std::span<const int> ids, int index);
    void RejectCharacters(int id, const char* text, const char* set, const char* heading,
                          const char* caption);

    WORD templateId_;
    IconHandle smallIcon_;
    IconHandle largeIcon_;
};
