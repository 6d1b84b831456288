// The compiled resources as the program meets them: every dialog template is created from
// this binary's copy of zeko.rc and compared control by control (order, id, class, text,
// position, styles, radio groups), every text must fit its control in the dialog's own
// font, and the delete menu, the icon images and the version block are read back.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace {

struct Rect {
    int x, y, width, height;
};

struct Control {
    int id;
    const char* className;
    const char* text;           // nullptr: not compared (the icon)
    std::optional<Rect> rect;   // dialog units; nullopt where the control moves itself
    DWORD style;                // compared under the class's mask (StyleMask)
    DWORD exStyle = 0;          // bits that must be set
};

struct Template {
    const char* name;
    int id;
    const char* caption;
    int width, height;
    DWORD style;                // bits that must be set
    DWORD absentStyle;          // bits that must be clear
    DWORD exStyle;
    std::vector<Control> controls;
};

constexpr DWORD kPopupDialog = DS_MODALFRAME | WS_POPUP | WS_CAPTION;
constexpr DWORD kPage = WS_CHILD | WS_CAPTION;

Control Label(const char* text, Rect rect, DWORD align = SS_LEFT) {
    return {IDC_STATIC, "Static", text, rect, align};
}
Control GroupBox(const char* text, Rect rect) {
    return {IDC_STATIC, "Button", text, rect, BS_GROUPBOX};
}
// first: the radio button opens its group (WS_GROUP).
Control Radio(int id, const char* text, Rect rect, bool first = false) {
    return {id, "Button", text, rect, BS_AUTORADIOBUTTON | (first ? DWORD{WS_GROUP} : 0)};
}
Control Preset(int id, const char* text, Rect rect, bool first = false) {
    return {id, "Button", text, rect, BS_AUTORADIOBUTTON | BS_PUSHLIKE | (first ? DWORD{WS_GROUP} : 0)};
}
Control Check(int id, const char* text, Rect rect, DWORD extra = 0) {
    return {id, "Button", text, rect, BS_AUTOCHECKBOX | extra};
}
Control Push(int id, const char* text, Rect rect, DWORD extra = 0) {
    return {id, "Button", text, rect, BS_PUSHBUTTON | extra};
}
Control Default(int id, const char* text, Rect rect) {
    return {id, "Button", text, rect, BS_DEFPUSHBUTTON};
}
Control Edit(int id, Rect rect, DWORD style = ES_AUTOHSCROLL) {
    return {id, "Edit", "", rect, style};
}

// The row of buttons that ends each decision dialog.
std::vector<Control> WithDecisionButtons(std::vector<Control> controls, int y, int allX,
                                         int stopX) {
    controls.push_back(Default(IDC_DECISION_EXECUTE, "実行", {7, y, 52, 14}));
    controls.push_back(Push(IDC_DECISION_ALL, "すべてこの設定", {allX, y, 52, 14}));
    controls.push_back(Push(IDC_DECISION_STOP, "変換を中止", {stopX, y, 52, 14}));
    return controls;
}

std::vector<Template> Templates() {
    constexpr DWORD kReadOnly = ES_AUTOHSCROLL | ES_READONLY;
    constexpr DWORD kPathBox = ES_RIGHT | ES_AUTOHSCROLL | ES_READONLY;
    return {
        {"Main", IDD_MAIN, "Morvane", 271, 213,
         kPopupDialog | WS_SYSMENU | WS_MINIMIZEBOX, WS_MAXIMIZEBOX | WS_THICKFRAME,
         WS_EX_ACCEPTFILES,
         {
             Label("変換するファイル", {7, 7, 257, 8}),
             {IDC_MAIN_FILE_LIST, "SysListView32", "", Rect{7, 19, 257, 134},
              LVS_REPORT | LVS_SORTASCENDING | LVS_NOSORTHEADER,
              WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES},
             Label("変換後のファイルを受け入れるフォルダ", {7, 160, 257, 8}),
             Edit(IDC_MAIN_OUTPUT_FOLDER, {7, 172, 220, 14}),
             Push(IDC_MAIN_BROWSE, "参照", {232, 172, 32, 14}),
             Push(IDC_MAIN_SETTINGS, "設定", {102, 192, 50, 14}),
             Push(IDC_MAIN_CONVERT, "変換", {158, 192, 50, 14}, WS_DISABLED),
             Push(IDC_MAIN_EXIT, "終了", {214, 192, 50, 14}),
         }},
        {"OutputCodePage", IDD_OUTPUT_CODE_PAGE, "変換後のコード", 211, 151, kPage, WS_POPUP, 0,
         {
             GroupBox("文字コード", {7, 7, 96, 88}),
             Radio(IDC_OUT_JIS, "ＪＩＳ", {15, 19, 84, 10}, true),
             Radio(IDC_OUT_SHIFT_JIS, "シフトＪＩＳ", {15, 31, 84, 10}),
             Radio(IDC_OUT_EUC, "ＥＵＣ", {15, 43, 84, 10}),
             Radio(IDC_OUT_UNICODE, "ユニコード", {15, 55, 84, 10}),
             Radio(IDC_OUT_UTF8, "UTF-8", {15, 67, 84, 10}),
             Radio(IDC_OUT_KEEP_CODE, "変換しない", {15, 79, 84, 10}),
             GroupBox("改行コード", {108, 7, 96, 88}),
             Radio(IDC_OUT_CRLF, "CR　LF", {116, 19, 84, 10}, true),
             Radio(IDC_OUT_CR, "CR", {116, 31, 84, 10}),
             Radio(IDC_OUT_LF, "LF", {116, 43, 84, 10}),
             Radio(IDC_OUT_KEEP_NEWLINE, "変換しない", {116, 55, 84, 10}),
             Preset(IDC_PRESET_WINDOWS, "Windows", {7, 101, 63, 14}, true),
             Preset(IDC_PRESET_MACINTOSH, "Macintosh", {74, 101, 63, 14}),
             Preset(IDC_PRESET_UNIX, "UNIX", {141, 101, 63, 14}),
             Check(IDC_OUT_WIDEN_KANA, "半角カナを全角カナに変換する", {7, 122, 197, 10}),
             Check(IDC_OUT_UTF8_MARK, "UTF-8にBOMを付ける", {7, 134, 197, 10}),
         }},
        {"InputCodePage", IDD_INPUT_CODE_PAGE, "変換前のコード", 211, 185, kPage, WS_POPUP, 0,
         {
             GroupBox("文字コード", {7, 7, 197, 50}),
             Radio(IDC_IN_SHIFT_JIS, "シフトＪＩＳ", {15, 20, 60, 10}, true),
             Radio(IDC_IN_EUC, "ＥＵＣ", {80, 20, 55, 10}),
             Radio(IDC_IN_UNICODE, "ユニコード", {140, 20, 60, 10}),
             Preset(IDC_PRESET_WINDOWS, "Windows/Macintosh", {15, 36, 115, 14}, true),
             Preset(IDC_PRESET_UNIX, "UNIX", {135, 36, 61, 14}),
             Label("基本的には文字コードは自動判別し、この設定は無視されます。しかし、文字コードの"
                   "自動判別に失敗した場合は、この設定を初期設定として文字コードを適宜問い合わせ"
                   "ます。ただし、ユニコードを選択した場合は別で、入力ファイルをすべてユニコード"
                   "だとして処理します。",
                   {7, 64, 197, 48}),
             Label("ユニコードのテキストは、インターネットエクスプローラーやワードパッドなどで"
                   "正しく表示できるようであれば問題なく自動判別できます。が、表示できないような"
                   "ファイルは自動判別できませんので、そういう場合は上の「ユニコード」を選択して"
                   "みて下さい。",
                   {7, 116, 197, 40}),
             Label("なお、ＪＩＳコードは判別に失敗することはありません。", {7, 160, 197, 16}),
         }},
        {"GeneralPage", IDD_GENERAL_PAGE, "一般", 211, 221, kPage, WS_POPUP, 0,
         {
             GroupBox("フォルダの扱い", {7, 7, 197, 76}),
             Radio(IDC_FOLDER_IGNORE, "フォルダは無視", {12, 19, 190, 10}, true),
             Radio(IDC_FOLDER_ALL, "フォルダの最深部まで全てのファイルを扱う", {12, 31, 190, 10}),
             Radio(IDC_FOLDER_LIMITED, "フォルダ内も階層を制限して変換する", {12, 43, 190, 10}),
             // The up-down control moves itself onto the right edge of its buddy.
             {IDC_DEPTH, "Edit", "", std::nullopt, ES_NUMBER},
             {IDC_DEPTH_SPIN, "msctls_updown32", "", std::nullopt,
              UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS |
                  UDS_NOTHOUSANDS},
             Label("階層", {60, 57, 30, 8}),
             Check(IDC_MIRROR_FOLDERS, "出力先に同名のフォルダを作成する", {12, 70, 190, 10}),
             GroupBox("出力先フォルダを指定していなかった場合の処理", {7, 88, 197, 70}),
             Radio(IDC_NO_OUTPUT_DO_NOT_CONVERT, "変換を行わない", {12, 100, 190, 10}, true),
             Radio(IDC_NO_OUTPUT_REPLACE, "ファイルを直に変換し、元ファイルを残さない",
                   {12, 112, 190, 10}),
             Radio(IDC_NO_OUTPUT_BACKUP, "ファイルを直に変換し、元ファイルのバックアップもとる",
                   {12, 124, 190, 10}),
             // Two lines, broken after "持った" rather than before the last character.
             {IDC_NO_OUTPUT_UNIQUE, "Button", "同じ位置に、固有の名前を持った新しいファイルを作成する",
              Rect{12, 136, 114, 18}, BS_AUTORADIOBUTTON | BS_MULTILINE},
             GroupBox("自動ファイル名変換法則", {7, 163, 197, 51}),
             Radio(IDC_AFFIX_START, "先頭に", {12, 176, 40, 10}, true),
             Radio(IDC_AFFIX_END, "末尾に", {12, 194, 40, 10}),
             Edit(IDC_AFFIX_TEXT, {57, 182, 84, 14}),
             Label("を付ける", {146, 185, 50, 8}),
         }},
        {"ExtensionsPage", IDD_EXTENSIONS_PAGE, "拡張子", 211, 221, kPage, WS_POPUP, 0,
         {
             Label("テキストとして扱うファイルの拡張子を設定して下さい", {7, 7, 197, 8}),
             // A list box rounds its height down to whole rows.
             {IDC_EXT_LIST, "ListBox", "", std::nullopt,
              LBS_SORT | LBS_EXTENDEDSEL | LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL},
             Label("拡張子名", {124, 19, 80, 8}),
             Edit(IDC_EXT_TEXT, {124, 29, 80, 14}),
             Push(IDC_EXT_ADD, "追加", {124, 47, 80, 14}),
             Check(IDC_EXT_ANY, "拡張子による制限を設けない", {124, 75, 80, 20}, BS_MULTILINE),
             Push(IDC_EXT_DEFAULTS, "デフォルトの設定に戻す", {124, 199, 80, 14}),
             Push(IDC_EXT_DELETE, "削除", {7, 199, 52, 14}),
             Push(IDC_EXT_DELETE_ALL, "全削除", {65, 199, 52, 14}),
         }},
        {"Progress", IDD_PROGRESS, "", 251, 93, kPopupDialog, WS_SYSMENU, 0,
         {
             Edit(IDC_PROGRESS_INPUT, {6, 7, 237, 14}, kPathBox),
             Label("↓", {121, 26, 8, 8}, SS_CENTER),
             Edit(IDC_PROGRESS_OUTPUT, {7, 39, 237, 14}, kPathBox),
             {IDC_PROGRESS_BAR, "msctls_progress32", "", Rect{7, 58, 180, 10}, WS_BORDER},
             {IDC_PROGRESS_COUNT, "Static", "", Rect{191, 59, 53, 8}, SS_RIGHT},
             Push(IDC_PROGRESS_STOP, "中止", {100, 73, 50, 14}),
         }},
        {"NameClash", IDD_NAME_CLASH, "エラー", 177, 165, kPopupDialog, WS_SYSMENU, 0,
         WithDecisionButtons({
             Edit(IDC_DECISION_PATH, {7, 7, 163, 14}, kReadOnly),
             Label("同じ名前のファイルがあります。どうしますか？", {7, 28, 163, 8}, SS_CENTER),
             Radio(IDC_CLASH_UNIQUE, "自動的に独自の名前を作る", {41, 46, 129, 10}, true),
             Radio(IDC_CLASH_RENAME, "名前を変更する", {41, 62, 129, 10}),
             Radio(IDC_CLASH_OVERWRITE, "上書きする", {41, 78, 129, 10}),
             Radio(IDC_CLASH_SKIP, "変換しない", {41, 94, 129, 10}),
             Label("新しい名前", {7, 118, 36, 8}),
             Edit(IDC_CLASH_NEW_NAME, {44, 116, 126, 14}),
         }, 144, 62, 118)},
        {"CannotConvert", IDD_CANNOT_CONVERT, "エラー", 179, 105, kPopupDialog, WS_SYSMENU, 0,
         WithDecisionButtons({
             Edit(IDC_DECISION_PATH, {7, 7, 165, 14}, kReadOnly),
             Label("正しい変換が行えません。どうしますか？", {7, 28, 165, 8}, SS_CENTER),
             Radio(IDC_UNCONVERTIBLE_IGNORE, "このファイルを無視する", {47, 46, 125, 10}, true),
             Radio(IDC_UNCONVERTIBLE_COPY, "コピーする", {47, 62, 125, 10}),
         }, 84, 63, 120)},
        {"DetectionFailed", IDD_DETECTION_FAILED, "文字コード自動判別失敗", 179, 147,
         kPopupDialog, WS_SYSMENU, 0,
         WithDecisionButtons({
             Edit(IDC_DECISION_PATH, {7, 7, 165, 14}, kReadOnly),
             Label("文字コードの判別に失敗しました。どうしますか？", {7, 28, 165, 8}, SS_CENTER),
             Radio(IDC_DETECT_SHIFT_JIS, "シフトＪＩＳとして変換", {47, 43, 125, 10}, true),
             Radio(IDC_DETECT_EUC, "ＥＵＣとして変換", {47, 59, 125, 10}),
             Radio(IDC_DETECT_UTF8, "UTF-8として変換", {47, 75, 125, 10}),
             Radio(IDC_DETECT_COPY, "コピーする", {47, 91, 125, 10}),
             Radio(IDC_DETECT_IGNORE, "このファイルを無視する", {47, 107, 125, 10}),
         }, 126, 63, 120)},
        {"Summary", IDD_SUMMARY, "変換の結果", 281, 171, kPopupDialog | WS_SYSMENU, 0, 0,
         {
             {IDC_SUMMARY_COUNTS, "Static", "", Rect{7, 7, 267, 8}, SS_LEFT},
             Label("変換しなかったファイル：", {7, 22, 267, 8}),
             Edit(IDC_SUMMARY_FILES, {7, 33, 267, 111},
                  ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL),
             Push(IDC_SUMMARY_COPY, "コピー", {163, 150, 52, 14}),
             Default(IDOK, "OK", {222, 150, 52, 14}),
         }},
        {"About", IDD_ABOUT, "ヴァージョン情報", 87, 109, kPopupDialog | WS_SYSMENU,
         WS_MINIMIZEBOX, 0,
         {
             {IDC_STATIC, "Static", nullptr, Rect{7, 7, 73, 24}, SS_ICON | SS_CENTERIMAGE},
             Label("ZEKO", {7, 38, 73, 8}, SS_CENTER),
             Label("- Morvane -", {7, 50, 73, 8}, SS_CENTER),
             Label("version 1.03a", {7, 62, 73, 8}, SS_CENTER),
             Default(IDC_ABOUT_CLOSE, "閉じる", {25, 88, 35, 14}),
         }},
    };
}

// The style bits that each class's table entries describe.
DWORD StyleMask(const std::string& className) {
    if (className == "Button") return BS_TYPEMASK | BS_PUSHLIKE | BS_MULTILINE | WS_DISABLED;
    if (className == "Edit") return ES_READONLY | ES_RIGHT | ES_AUTOHSCROLL | ES_NUMBER;
    if (className == "Static") return SS_TYPEMASK | SS_CENTERIMAGE;
    if (className == "SysListView32")
        return LVS_TYPEMASK | LVS_SORTASCENDING | LVS_SORTDESCENDING | LVS_NOSORTHEADER |
               LVS_SINGLESEL;
    // A list box drops WS_VSCROLL and WS_HSCROLL while it has nothing to scroll.
    if (className == "ListBox") return LBS_SORT | LBS_EXTENDEDSEL | LBS_MULTIPLESEL | LBS_NOTIFY;
    return UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ALIGNLEFT | UDS_AUTOBUDDY | UDS_ARROWKEYS |
           UDS_NOTHOUSANDS;
}

bool IsRadio(const Control& control) {
    return std::strcmp(control.className, "Button") == 0 &&
           (control.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

INT_PTR CALLBACK IdleDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<HWND__, WindowDestroyer>;

struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};

struct DcReleaser {
    HWND window;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// Position and size are converted separately, as the dialog manager does, so the far
// edges round the same way.
RECT ToPixels(HWND dialog, const Rect& rect) {
    RECT pixels = {rect.x, rect.y, rect.width, rect.height};
    MapDialogRect(dialog, &pixels);
    return {pixels.left, pixels.top, pixels.left + pixels.right, pixels.top + pixels.bottom};
}

RECT RectInParent(HWND child, HWND dialog) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Whether a text fits where its control draws it, measured in the dialog's own font;
// a static or a multi-line button wraps, everything else must fit on one line.
bool TextFits(HDC dc, HWND control, const Control& listed) {
    RECT client;
    GetClientRect(control, &client);
    LONG width = client.right, height = client.bottom;
    const DWORD type = listed.style & BS_TYPEMASK;
    bool wraps = std::strcmp(listed.className, "Static") == 0;
    if (std::strcmp(listed.className, "Button") == 0) {
        bool box = (type == BS_AUTORADIOBUTTON || type == BS_AUTOCHECKBOX) &&
                   !(listed.style & BS_PUSHLIKE);
        // Room taken by the check box glyph and its gap, by a push button's frame, or by
        // the group box's corners.
        width -= box ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : type == BS_GROUPBOX ? 16 : 6;
        wraps = box && (listed.style & BS_MULTILINE);
    }
    RECT needed = {0, 0, width, 0};
    DrawTextA(dc, listed.text, -1, &needed,
              DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    return needed.right <= width && (!wraps || needed.bottom <= height);
}

class TemplateTest : public testing::TestWithParam<Template> {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX classes = {sizeof classes,
                                        ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&classes);
    }

    void SetUp() override {
        const Template& expected = GetParam();
        if (expected.style & WS_CHILD) {
            host_.reset(CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 600, 600, nullptr,
                                        nullptr, nullptr, nullptr));
            ASSERT_TRUE(host_);
        }
        dialog_.reset(CreateDialogParamA(GetModuleHandleA(nullptr),
                                         MAKEINTRESOURCEA(expected.id), host_.get(),
                                         IdleDialogProc, 0));
        ASSERT_TRUE(dialog_) << "template " << expected.id << " error " << GetLastError();
    }

    HWND dialog() const { return dialog_.get(); }

private:
    Window host_;
    Window dialog_;  // destroyed before its host
};

TEST_P(TemplateTest, HasItsCaptionSizeStyleAndFont) {
    const Template& expected = GetParam();
    EXPECT_EQ(WindowText(dialog()), expected.caption);

    RECT client, size = ToPixels(dialog(), {0, 0, expected.width, expected.height});
    GetClientRect(dialog(), &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    DWORD style = GetWindowLongA(dialog(), GWL_STYLE);
    EXPECT_EQ(style & expected.style, expected.style) << std::hex << style;
    EXPECT_EQ(style & expected.absentStyle, 0u) << std::hex << style;
    DWORD exStyle = GetWindowLongA(dialog(), GWL_EXSTYLE);
    EXPECT_EQ(exStyle & expected.exStyle, expected.exStyle) << std::hex << exStyle;

    LOGFONTA font = {};
    auto handle = reinterpret_cast<HFONT>(SendMessageA(dialog(), WM_GETFONT, 0, 0));
    ASSERT_TRUE(handle);
    ASSERT_TRUE(GetObjectA(handle, sizeof font, &font));
    EXPECT_STREQ(font.lfFaceName, "ＭＳ Ｐゴシック");
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);
}

TEST_P(TemplateTest, HoldsEveryControlInOrder) {
    const Template& expected = GetParam();
    std::vector<HWND> children = Children(dialog());
    ASSERT_EQ(children.size(), expected.controls.size());
    for (size_t i = 0; i < children.size(); ++i) {
        const Control& listed = expected.controls[i];
        HWND child = children[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " id " << listed.id);
        EXPECT_EQ(GetDlgCtrlID(child), listed.id);
        EXPECT_STRCASEEQ(ClassOf(child).c_str(), listed.className);
        if (listed.text) {
            EXPECT_EQ(WindowText(child), listed.text);
        } else {
            EXPECT_TRUE(SendMessageA(child, STM_GETICON, 0, 0)) << "the icon did not load";
        }
        DWORD style = GetWindowLongA(child, GWL_STYLE);
        DWORD mask = StyleMask(listed.className);
        EXPECT_EQ(style & mask, listed.style & mask) << std::hex << style;
        DWORD exStyle = GetWindowLongA(child, GWL_EXSTYLE);
        EXPECT_EQ(exStyle & listed.exStyle, listed.exStyle) << std::hex << exStyle;
        if (listed.rect) {
            RECT want = ToPixels(dialog(), *listed.rect), got = RectInParent(child, dialog());
            EXPECT_TRUE(EqualRect(&want, &got))
                << "want " << want.left << "," << want.top << "-" << want.right << ","
                << want.bottom << " got " << got.left << "," << got.top << "-" << got.right
                << "," << got.bottom;
        }
    }
}

// Automatic radio buttons uncheck the others of their group, which runs from one WS_GROUP
// control to the next: each group must hold exactly the buttons listed together.
TEST_P(TemplateTest, RadioGroupsHoldTheirButtonsOnly) {
    const std::vector<Control>& controls = GetParam().controls;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!IsRadio(controls[i]) || !(controls[i].style & WS_GROUP)) continue;
        std::set<int> expected;
        for (size_t j = i; j < controls.size() && IsRadio(controls[j]) &&
                           (j == i || !(controls[j].style & WS_GROUP));
             ++j)
            expected.insert(controls[j].id);

        std::set<int> actual;
        HWND first = GetDlgItem(dialog(), controls[i].id);
        ASSERT_TRUE(GetWindowLongA(first, GWL_STYLE) & WS_GROUP) << controls[i].id;
        for (HWND button = first; button; button = GetWindow(button, GW_HWNDNEXT)) {
            if (button != first && (GetWindowLongA(button, GWL_STYLE) & WS_GROUP)) break;
            if ((GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
                ClassOf(button) == "Button")
                actual.insert(GetDlgCtrlID(button));
        }
        EXPECT_EQ(actual, expected) << "group of " << controls[i].id;
    }
}

TEST_P(TemplateTest, EveryTextFitsItsControl) {
    std::unique_ptr<HDC__, DcReleaser> dc(GetDC(dialog()), DcReleaser{dialog()});
    ASSERT_TRUE(dc);
    SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageA(dialog(), WM_GETFONT, 0, 0)));
    std::vector<HWND> children = Children(dialog());
    ASSERT_EQ(children.size(), GetParam().controls.size());
    for (size_t i = 0; i < children.size(); ++i) {
        const Control& listed = GetParam().controls[i];
        if (!listed.text || !*listed.text) continue;
        EXPECT_TRUE(TextFits(dc.get(), children[i], listed)) << "truncated: control " << i;
    }
}

void PrintTo(const Template& value, std::ostream* out) { *out << value.name; }

INSTANTIATE_TEST_SUITE_P(Resources, TemplateTest, testing::ValuesIn(Templates()),
                         [](const testing::TestParamInfo<Template>& info) {
                             return std::string(info.param.name);
                         });

TEST(DeleteMenuTest, HoldsDeleteSeparatorAndDeleteAll) {
    std::unique_ptr<HMENU__, MenuDestroyer> menu(
        LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_DELETE_MENU)));
    ASSERT_TRUE(menu);
    ASSERT_EQ(GetMenuItemCount(menu.get()), 1);
    char text[64] = {};
    GetMenuStringA(menu.get(), 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "削除");

    struct Item {
        UINT type;
        UINT id;
        const char* text;
    };
    const Item items[] = {
        {MFT_STRING, ID_DELETE, "削除(&D)"},
        {MFT_SEPARATOR, 0, ""},
        {MFT_STRING, ID_DELETE_ALL, "全削除(&A)"},
    };
    HMENU popup = GetSubMenu(menu.get(), 0);
    ASSERT_TRUE(popup);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    for (UINT i = 0; i < 3; ++i) {
        char itemText[64] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
        info.dwTypeData = itemText;
        info.cch = sizeof itemText;
        ASSERT_TRUE(GetMenuItemInfoA(popup, i, TRUE, &info));
        EXPECT_EQ(info.fType, items[i].type) << i;
        EXPECT_EQ(info.wID, items[i].id) << i;
        EXPECT_STREQ(itemText, items[i].text) << i;
        if (info.fType == MFT_STRING) {
            EXPECT_EQ(info.fState & (MFS_GRAYED | MFS_CHECKED), 0u) << i;
        }
    }
}

#pragma pack(push, 2)
struct IconDirectoryEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconDirectory {
    WORD reserved, type, count;
    IconDirectoryEntry entries[1];
};
#pragma pack(pop)

TEST(IconTest, HasA16And32PixelImage) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(IDI_APP), MAKEINTRESOURCEA(14));
    ASSERT_TRUE(group);
    auto directory = static_cast<const IconDirectory*>(LockResource(LoadResource(module, group)));
    ASSERT_TRUE(directory);
    ASSERT_EQ(directory->type, 1);
    std::set<int> sizes;
    for (int i = 0; i < directory->count; ++i) {
        const IconDirectoryEntry& entry = directory->entries[i];
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 32);
        sizes.insert(entry.width);
        HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(entry.id), MAKEINTRESOURCEA(3));
        ASSERT_TRUE(image);
        HICON icon = CreateIconFromResourceEx(
            static_cast<BYTE*>(LockResource(LoadResource(module, image))),
            SizeofResource(module, image), TRUE, 0x00030000, entry.width, entry.height, 0);
        EXPECT_TRUE(icon) << "image of " << int(entry.width);
        DestroyIcon(icon);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32}));
}

TEST(VersionTest, NamesTheProductInJapanese) {
    char path[MAX_PATH] = {};
    ASSERT_TRUE(GetModuleFileNameA(nullptr, path, sizeof path));
    DWORD size = GetFileVersionInfoSizeA(path, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

    struct Entry {
        const char* name;
        const char* value;
    };
    const Entry entries[] = {
        {"ProductName", "Morvane"},
        {"InternalName", "ZEKO"},
        {"OriginalFilename", "ZEKO.EXE"},
        {"FileDescription", "文字コード変換プログラム"},
        {"Comments", "文字コード変換プログラムです"},
        {"FileVersion", "1.03a"},
        {"ProductVersion", "1.03a"},
    };
    for (const Entry& entry : entries) {
        std::string key = std::string("\\StringFileInfo\\041104b0\\") + entry.name;
        char* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value),
                                   &length))
            << entry.name;
        EXPECT_STREQ(value, entry.value) << entry.name;
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 3));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(1, 3));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 0x04b0);
}

}  // namespace
