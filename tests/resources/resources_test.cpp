// Every dialog of the compiled resources, created as the program creates it: each text
// fits its control in the dialog's own font, each radio group holds its own buttons only,
// and every control the code looks up is there, with the styles it relies on.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace {

const std::map<int, std::vector<int>> kControlsUsed = {
    {IDD_MAIN, {IDC_MAIN_OUTPUT_FOLDER, IDC_MAIN_BROWSE, IDC_MAIN_FILE_LIST, IDC_MAIN_CONVERT,
                IDC_MAIN_SETTINGS, IDC_MAIN_EXIT}},
    {IDD_OUTPUT_CODE_PAGE, {IDC_OUT_JIS, IDC_OUT_SHIFT_JIS, IDC_OUT_EUC, IDC_OUT_UNICODE, IDC_OUT_UTF8,
                            IDC_OUT_KEEP_CODE, IDC_OUT_CRLF, IDC_OUT_CR, IDC_OUT_LF, IDC_OUT_KEEP_NEWLINE,
                            IDC_OUT_WIDEN_KANA, IDC_OUT_UTF8_MARK, IDC_PRESET_WINDOWS,
                            IDC_PRESET_MACINTOSH, IDC_PRESET_UNIX}},
    {IDD_INPUT_CODE_PAGE, {IDC_IN_SHIFT_JIS, IDC_IN_EUC, IDC_IN_UNICODE, IDC_PRESET_WINDOWS, IDC_PRESET_UNIX}},
    {IDD_GENERAL_PAGE, {IDC_FOLDER_IGNORE, IDC_FOLDER_ALL, IDC_FOLDER_LIMITED, IDC_DEPTH, IDC_DEPTH_SPIN,
                        IDC_MIRROR_FOLDERS, IDC_NO_OUTPUT_DO_NOT_CONVERT, IDC_NO_OUTPUT_REPLACE,
                        IDC_NO_OUTPUT_BACKUP, IDC_NO_OUTPUT_UNIQUE, IDC_AFFIX_START, IDC_AFFIX_END,
                        IDC_AFFIX_TEXT}},
    {IDD_EXTENSIONS_PAGE, {IDC_EXT_LIST, IDC_EXT_ADD, IDC_EXT_DELETE, IDC_EXT_TEXT, IDC_EXT_ANY,
                           IDC_EXT_DELETE_ALL, IDC_EXT_DEFAULTS}},
    {IDD_PROGRESS, {IDC_PROGRESS_INPUT, IDC_PROGRESS_OUTPUT, IDC_PROGRESS_STOP, IDC_PROGRESS_BAR,
                    IDC_PROGRESS_COUNT}},
    {IDD_NAME_CLASH, {IDC_DECISION_PATH, IDC_DECISION_EXECUTE, IDC_DECISION_ALL, IDC_DECISION_STOP,
                      IDC_CLASH_UNIQUE, IDC_CLASH_RENAME, IDC_CLASH_OVERWRITE, IDC_CLASH_SKIP,
                      IDC_CLASH_NEW_NAME}},
    {IDD_CANNOT_CONVERT, {IDC_DECISION_PATH, IDC_DECISION_EXECUTE, IDC_DECISION_ALL, IDC_DECISION_STOP,
                          IDC_UNCONVERTIBLE_IGNORE, IDC_UNCONVERTIBLE_COPY}},
    {IDD_ABOUT, {IDC_ABOUT_CLOSE}},
    {IDD_DETECTION_FAILED, {IDC_DECISION_PATH, IDC_DECISION_EXECUTE, IDC_DECISION_ALL, IDC_DECISION_STOP,
                            IDC_DETECT_SHIFT_JIS, IDC_DETECT_EUC, IDC_DETECT_UTF8, IDC_DETECT_COPY,
                            IDC_DETECT_IGNORE}},
    {IDD_SUMMARY, {IDC_SUMMARY_COUNTS, IDC_SUMMARY_FILES, IDC_SUMMARY_COPY, IDOK}},
};

INT_PTR CALLBACK IdleDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
    reinterpret_cast<std::vector<int>*>(names)->push_back(static_cast<int>(reinterpret_cast<UINT_PTR>(name)));
    return TRUE;
}

bool Is(HWND window, const char* className) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, className) == 0;
}

DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }

bool IsRadio(HWND window) {
    DWORD type = Style(window) & BS_TYPEMASK;
    return Is(window, "Button") && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

// Whether a text fits where its control draws it: a static or a multi-line box wraps,
// every other button must fit on one line.
bool TextFits(HDC dc, HWND control) {
    char text[512] = {};
    GetWindowTextA(control, text, sizeof text);
    const DWORD style = Style(control), type = style & BS_TYPEMASK;
    bool label = Is(control, "Static") && (style & SS_TYPEMASK) <= SS_RIGHT;
    if (text[0] == '\0' || (!label && !Is(control, "Button"))) return true;
    RECT client;
    GetClientRect(control, &client);
    LONG width = client.right;
    bool wraps = label;
    if (!label) {
        bool box = type > BS_DEFPUSHBUTTON && type != BS_GROUPBOX && !(style & BS_PUSHLIKE);
        // Room taken by the check box glyph and its gap, by the group box's corners, or by
        // a push button's frame.
        width -= box ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : type == BS_GROUPBOX ? 16 : 6;
        wraps = box && (style & BS_MULTILINE);
    }
    RECT needed = {0, 0, width, 0};
    DrawTextA(dc, text, -1, &needed, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    return needed.right <= width && (!wraps || needed.bottom <= client.bottom);
}

TEST(ResourcesTest, EveryDialogFitsItsTextsGroupsItsRadiosAndHoldsWhatTheCodeUses) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    std::vector<int> dialogs, listed;
    EnumResourceNamesA(nullptr, RT_DIALOG, AddName, reinterpret_cast<LONG_PTR>(&dialogs));
    for (const auto& entry : kControlsUsed) listed.push_back(entry.first);
    EXPECT_EQ(dialogs, listed);
    // The property pages are child windows.
    HWND host = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 600, 600, nullptr, nullptr, nullptr, nullptr);
    for (int id : dialogs) {
        SCOPED_TRACE(testing::Message() << "dialog " << id);
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), host,
                                         IdleDialogProc, 0);
        ASSERT_TRUE(dialog) << GetLastError();
        for (int control : kControlsUsed.at(id)) EXPECT_TRUE(GetDlgItem(dialog, control)) << control;
        // Styles the code relies on without setting them: files dropped on the main window,
        // and the user's selections in the extension list reported.
        EXPECT_TRUE(id != IDD_MAIN || (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_ACCEPTFILES));
        EXPECT_TRUE(id != IDD_EXTENSIONS_PAGE || (Style(GetDlgItem(dialog, IDC_EXT_LIST)) & LBS_NOTIFY));
        HDC dc = GetDC(dialog);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
        HWND previous = nullptr;
        for (HWND child = GetWindow(dialog, GW_CHILD); child;
             previous = child, child = GetWindow(child, GW_HWNDNEXT)) {
            SCOPED_TRACE(testing::Message() << "control " << GetDlgCtrlID(child));
            EXPECT_TRUE(TextFits(dc, child));
            bool icon = Is(child, "Static") && (Style(child) & SS_TYPEMASK) == SS_ICON;
            EXPECT_TRUE(!icon || SendMessageA(child, STM_GETICON, 0, 0)) << "the icon did not load";
            // Automatic radio buttons uncheck the others of their group, which runs from one
            // WS_GROUP control to the next: each row of alike buttons must be a group.
            if (!IsRadio(child)) continue;
            bool continuesRow = previous && IsRadio(previous) &&
                                (Style(previous) & BS_PUSHLIKE) == (Style(child) & BS_PUSHLIKE);
            EXPECT_NE((Style(child) & WS_GROUP) != 0, continuesRow);
        }
        ReleaseDC(dialog, dc);
        DestroyWindow(dialog);
    }
    DestroyWindow(host);
}

}  // namespace
