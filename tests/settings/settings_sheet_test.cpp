// The settings sheet from the program's own templates, driven as a user would: presets,
// the input checks with their messages, the extension list's buttons and menu, and what
// OK and Cancel leave in the settings.
#include "settings/settings_sheet.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "resources/resource_ids.h"
#include "support/allocation_failure.h"
#include "support/gui_script.h"

namespace {

using Texts = std::vector<std::string>;
const test::WindowQuery kSheet{"#32770", "設定"};
const test::WindowQuery kMenu{"#32768", "", 0};
const Texts kSortedDefaults = {"<none>", "c", "cgi", "cpp", "h", "htm", "html", "pl", "shtml", "txt"};

enum Page { kOutputPage, kInputPage, kGeneralPage, kExtensionsPage };

void ShowPage(test::UiWindow& sheet, Page page) {
    SendMessageA(sheet.Handle(), PSM_SETCURSEL, page, 0);
}

Texts Items(test::UiWindow& sheet) {
    HWND list = sheet.Control(IDC_EXT_LIST);
    Texts items(static_cast<std::size_t>(SendMessageA(list, LB_GETCOUNT, 0, 0)));
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].resize(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)));
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(items[i].data()));
    }
    return items;
}

Texts Entries(const StringList& list) {
    Texts entries;
    for (std::int32_t i = 0; i < list.Count(); ++i) entries.emplace_back(list[i]);
    return entries;
}

void Select(test::UiWindow& sheet, const std::vector<int>& items) {
    HWND list = sheet.Control(IDC_EXT_LIST);
    for (int item : items) SendMessageA(list, LB_SETSEL, TRUE, item);
    // A selection by code does not notify; the user's click would.
    PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_EXT_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

// The list shown, and whether Delete and Delete all can be pressed.
void ExpectList(test::UiWindow& sheet, const Texts& items, bool deleteEnabled, bool deleteAllEnabled) {
    EXPECT_EQ(Items(sheet), items);
    EXPECT_EQ(sheet.IsEnabled(IDC_EXT_DELETE), deleteEnabled);
    EXPECT_EQ(sheet.IsEnabled(IDC_EXT_DELETE_ALL), deleteAllEnabled);
}

void ExpectBoxes(const test::GuiScript& script, const Texts& texts, UINT icon) {
    ASSERT_EQ(script.MessageBoxes().size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(script.MessageBoxes()[i].text, texts[i]);
        EXPECT_EQ(script.MessageBoxes()[i].icon, icon) << texts[i];
    }
}

class SettingsSheetTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(WindowRegistry::Global().Count(), 0); }
    // The next step of the user's on the sheet, run once the previous one's messages are done.
    void On(std::function<void(test::UiWindow&)> step) { script.OnWindow(kSheet, std::move(step)); }

    Settings settings;
    SettingsSheet sheet{settings};
    test::GuiScript script;
};

// A preset checks its buttons and shows pressed exactly while they are all checked; the
// UTF-8 mark can be changed only while UTF-8 is chosen, and keeps its state meanwhile.
TEST_F(SettingsSheetTest, PresetsAndTheMarkFollowTheCodesChosen) {
    settings.widenKana = 1;
    settings.outputCode = Utf8;
    const int W = IDC_PRESET_WINDOWS, M = IDC_PRESET_MACINTOSH, U = IDC_PRESET_UNIX,
              SJ = IDC_OUT_SHIFT_JIS, U8 = IDC_OUT_UTF8, CRLF = IDC_OUT_CRLF, CR = IDC_OUT_CR;
    const Page O = kOutputPage, I = kInputPage;
    const int output[] = {IDC_OUT_JIS, SJ, IDC_OUT_EUC, IDC_OUT_UNICODE, U8, IDC_OUT_KEEP_CODE,
                          CRLF, CR, IDC_OUT_LF, IDC_OUT_KEEP_NEWLINE, W, M, U};
    const int input[] = {IDC_IN_SHIFT_JIS, IDC_IN_EUC, IDC_IN_UNICODE, W, U};
    const struct {
        Page page;
        int click;
        std::vector<int> checked;  // of the page's radio buttons, after the click
    } steps[] = {
        {O, 0, {U8, IDC_OUT_KEEP_NEWLINE}}, {O, W, {SJ, CRLF, W}}, {O, U, {IDC_OUT_EUC, IDC_OUT_LF, U}},
        {O, SJ, {SJ, IDC_OUT_LF}}, {O, CR, {SJ, CR, M}}, {O, IDC_OUT_WIDEN_KANA, {SJ, CR, M}},
        {O, M, {SJ, CR, M}}, {O, IDC_OUT_JIS, {IDC_OUT_JIS, CR}}, {O, W, {SJ, CRLF, W}},
        {O, U8, {U8, CRLF}}, {O, IDC_OUT_UTF8_MARK, {U8, CRLF}}, {O, IDC_OUT_UNICODE, {IDC_OUT_UNICODE, CRLF}},
        {O, U8, {U8, CRLF}}, {I, 0, {IDC_IN_EUC, U}}, {I, IDC_IN_UNICODE, {IDC_IN_UNICODE}},
        {I, U, {IDC_IN_EUC, U}}, {I, W, {IDC_IN_SHIFT_JIS, W}},
    };
    bool kana = true, mark = false;
    for (const auto& step : steps) {
        // Showing a page again would refill it from the settings and hide a missed click.
        On([step](auto& w) { step.click ? w.Click(step.click) : ShowPage(w, step.page); });
        On([&, step](auto& w) {
            SCOPED_TRACE(step.click);
            for (int id : step.page == O ? std::span<const int>(output) : input)
                EXPECT_EQ(w.IsChecked(id), std::ranges::count(step.checked, id) == 1) << id;
            if (step.page != O) return;
            kana ^= step.click == IDC_OUT_WIDEN_KANA;
            mark ^= step.click == IDC_OUT_UTF8_MARK;
            EXPECT_EQ(w.IsChecked(IDC_OUT_WIDEN_KANA), kana) << "only a click changes it";
            EXPECT_EQ(w.IsChecked(IDC_OUT_UTF8_MARK), mark) << "only a click changes it";
            EXPECT_EQ(w.IsEnabled(IDC_OUT_UTF8_MARK), step.checked[0] == U8);
        });
    }
    On([](auto& w) { w.Click(IDOK); });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    const SettingsBlock& s = settings;
    EXPECT_EQ(std::vector<int>({s.outputCode, s.newline, s.widenKana, s.utf8Mark, s.inputCode}),
              std::vector<int>({Utf8, CrLf, 0, 1, ShiftJis}));
}

// Each refusal keeps the sheet open on the box, shows the nearest allowed number, and is
// told in a warning.
TEST_F(SettingsSheetTest, TypedTextsOutsideTheirFieldsAreRefused) {
    const std::string depth = "1 から 122 までの値を入力して下さい！",
        name = "ファイル名には以下の文字は使えません！\n       \\ / : , ; * ? \" < > |",
        tooLong = "文字列が長すぎます！\n半角で 15 文字、全角で 7 文字までです。",
        duplicate = "二重登録は出来ません！", none;
    const Page G = kGeneralPage, E = kExtensionsPage;
    const int D = IDC_DEPTH, A = IDC_AFFIX_TEXT, X = IDC_EXT_TEXT, ADD = IDC_EXT_ADD;
    const struct {
        Page page;
        int box;
        const char* typed;
        int button;
        const std::string& message;
        const char* shown;  // the box's text after the message
    } cases[] = {
        {G, D, "0", IDOK, depth, "1"}, {G, D, "123", IDOK, depth, "122"}, {G, D, "", IDOK, depth, "1"},
        {G, D, "999", IDOK, depth, "122"}, {G, A, "a/b", IDOK, name, "a/b"},
        // Eight double-byte characters are sixteen bytes: one more than the field holds.
        {G, A, "変換済み文書です", IDOK, tooLong, "変換済み文書です"},
        {E, X, "<none>", ADD, name, "<none>"}, {E, X, "<none>", IDOK, name, "<none>"},
        // Duplicates ignore case, and an empty box stands for "<none>".
        {E, X, "TXT", ADD, duplicate, "TXT"}, {E, X, "", ADD, duplicate, ""},
        {E, X, ".txt", ADD, none, ".txt"}, {E, X, "Md", ADD, none, "Md"}, {E, X, "md", ADD, duplicate, "md"},
    };
    Texts told;
    for (const auto& c : cases) {
        On([&c, &cases](auto& w) {
            if (&c == cases || c.page != (&c)[-1].page) ShowPage(w, c.page);
            w.SetText(c.box, c.typed);
            w.Click(c.button);
        });
        if (&c.message != &none) {
            script.AnswerMessageBox(IDOK, &c.message == &duplicate ? "警告"
                                          : &c.message == &name ? "ファイル名のエラー" : "値のエラー");
            told.push_back(c.message);
        }
        On([&](auto& w) {
            EXPECT_EQ(w.Text(c.box), c.shown) << c.typed;
            EXPECT_EQ(w.HasFocus(c.box), &c.message != &duplicate && &c.message != &none);
            if (c.box != D) w.SetText(c.box, "");  // so that the page can be left
        });
    }
    On([](auto& w) {
        ShowPage(w, kGeneralPage);
        EXPECT_EQ(SendMessageA(w.Control(IDC_AFFIX_TEXT), EM_GETLIMITTEXT, 0, 0), 15);
        EXPECT_EQ(SendMessageA(w.Control(IDC_DEPTH), EM_GETLIMITTEXT, 0, 0), 3);
        // The arrows stay within 1 and 122.
        for (auto [from, key, to] : {std::tuple{"122", VK_UP, "122"}, {"1", VK_DOWN, "1"}, {"121", VK_UP, "122"}}) {
            w.SetText(IDC_DEPTH, from);
            SendMessageA(w.Control(IDC_DEPTH), WM_KEYDOWN, key, 0);
            SendMessageA(w.Control(IDC_DEPTH), WM_KEYUP, key, 0);
            EXPECT_EQ(w.Text(IDC_DEPTH), to) << from;
        }
        w.SetText(IDC_AFFIX_TEXT, "abcdefghijklmno");
        w.SetText(IDC_DEPTH, "57");
        w.Click(IDC_AFFIX_END);
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    ExpectBoxes(script, told, MB_ICONWARNING);
    EXPECT_EQ(settings.depthLimit, 57);
    EXPECT_STREQ(settings.affixText, "abcdefghijklmno");
    EXPECT_EQ(settings.affixPosition, Suffix);
    Texts stored = {".txt", "<none>", "c", "cgi", "cpp", "h", "htm", "html", "Md", "pl", "shtml", "txt"};
    EXPECT_EQ(Entries(settings.extensions), stored);
}

// Delete follows the selection, delete all the list; the list box's menu does the same,
// and Restore defaults asks first and leaves the check box alone.
TEST_F(SettingsSheetTest, TheExtensionListIsEditedByButtonsAndMenu) {
    settings.anyExtension = 1;
    auto menu = [this](int key, bool deleteGrayed) {
        On([](auto& w) { PostMessageA(w.Control(IDC_EXT_LIST), WM_CONTEXTMENU, 0, MAKELPARAM(10, 10)); });
        script.OnWindow(kMenu, [key, deleteGrayed](test::UiWindow& m) {
            auto shown = reinterpret_cast<HMENU>(SendMessageA(m.Handle(), MN_GETHMENU, 0, 0));
            EXPECT_EQ((GetMenuState(shown, ID_DELETE, MF_BYCOMMAND) & MF_GRAYED) != 0, deleteGrayed);
            // Chosen by its access key, as from the keyboard.
            PostMessageA(m.Handle(), WM_KEYDOWN, key, 0);
            PostMessageA(m.Handle(), WM_CHAR, key | 0x20, 0);
        });
    };
    const Texts seven = {"c", "cgi", "h", "htm", "html", "pl", "shtml"}, six = {"c", "h", "htm", "html", "pl", "shtml"};
    On([](auto& w) { ShowPage(w, kExtensionsPage); ExpectList(w, kSortedDefaults, false, true); Select(w, {0, 3, 9}); });
    On([](auto& w) { ExpectList(w, kSortedDefaults, true, true); w.Click(IDC_EXT_DELETE); });
    On([&](auto& w) { ExpectList(w, seven, false, true); Select(w, {1}); });
    menu('D', false);
    On([&](auto& w) { ExpectList(w, six, false, true); });
    menu('A', true);
    On([](auto& w) {
        ExpectList(w, {}, false, false);
        PostMessageA(w.Control(IDC_EXT_LIST), WM_CONTEXTMENU, 0, MAKELPARAM(10, 10));
    });
    On([](auto& w) {
        EXPECT_FALSE(IsWindowVisible(FindWindowA("#32768", nullptr))) << "a menu on no item";
        w.Click(IDC_EXT_DEFAULTS);
    });
    script.AnswerMessageBox(IDNO, "確認");
    On([](auto& w) { ExpectList(w, {}, false, false); w.Click(IDC_EXT_DEFAULTS); });
    script.AnswerMessageBox(IDYES, "確認");
    On([](auto& w) {
        ExpectList(w, kSortedDefaults, false, true);
        EXPECT_TRUE(w.IsChecked(IDC_EXT_ANY));
        Select(w, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    });
    On([](auto& w) { w.Click(IDC_EXT_DELETE); });
    On([](auto& w) { ExpectList(w, {}, false, false); w.Click(IDOK); });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    const std::string ask = "デフォルトの設定に戻します。よろしいですか？";
    ExpectBoxes(script, {ask, ask}, MB_ICONINFORMATION);
    EXPECT_EQ(settings.extensions.Count(), 0);
    EXPECT_EQ(settings.anyExtension, 1);

    // The next opening shows the empty list, with nothing to delete.
    On([](auto& w) { ShowPage(w, kExtensionsPage); ExpectList(w, {}, false, false); w.Click(IDOK); });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
}

// Cancel drops every change; stored values no button stands for stay as they are, and
// the extensions keep their order unless their page was visited.
TEST_F(SettingsSheetTest, CancelKeepsEverythingAndOkOnlyWhatThePagesChose) {
    settings.outputCode = 9;
    settings.inputCode = Jis;  // no button either
    settings.depthLimit = 0;
    settings.noOutputAction = NewUniqueFile;
    const std::string longEntry(400, 'x');
    const char* entries[] = {"zzz", longEntry.c_str(), "aaa", ""};
    settings.extensions.Clear();
    ASSERT_TRUE(settings.extensions.AddAll(entries, -1));
    const SettingsBlock before = settings;
    On([](auto& w) {
        w.Click(IDC_PRESET_UNIX);
        w.Click(IDC_OUT_WIDEN_KANA);
        ShowPage(w, kGeneralPage);
        w.SetText(IDC_DEPTH, "9");
        w.SetText(IDC_AFFIX_TEXT, "new_");
        ShowPage(w, kExtensionsPage);
        w.Click(IDC_EXT_DELETE_ALL);
        w.Click(IDC_EXT_ANY);
    });
    On([](auto& w) { w.Click(IDCANCEL); });
    EXPECT_EQ(sheet.RunModal(nullptr), 2);
    EXPECT_EQ(std::memcmp(&before, static_cast<SettingsBlock*>(&settings), sizeof before), 0);
    EXPECT_EQ(Entries(settings.extensions), (Texts{"zzz", longEntry, "aaa"}));

    script.FailOnAnyWindow();
    On([](auto& w) {
        for (int id : {IDC_OUT_JIS, IDC_OUT_SHIFT_JIS, IDC_OUT_EUC, IDC_OUT_UNICODE, IDC_OUT_UTF8,
                       IDC_OUT_KEEP_CODE, IDC_OUT_WIDEN_KANA})
            EXPECT_FALSE(w.IsChecked(id)) << id;
        EXPECT_TRUE(w.IsChecked(IDC_OUT_KEEP_NEWLINE));
        ShowPage(w, kInputPage);
        for (int id : {IDC_IN_SHIFT_JIS, IDC_IN_EUC, IDC_IN_UNICODE}) EXPECT_FALSE(w.IsChecked(id));
        ShowPage(w, kGeneralPage);
        EXPECT_EQ(w.Text(IDC_DEPTH), "1");
        EXPECT_TRUE(w.IsChecked(IDC_NO_OUTPUT_UNIQUE) && w.IsChecked(IDC_AFFIX_START));
        EXPECT_EQ(w.Text(IDC_AFFIX_TEXT), "Z_");
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(settings.outputCode, 9) << "no button chosen: the value stays, never 255";
    EXPECT_EQ(settings.inputCode, Jis);
    EXPECT_EQ(settings.depthLimit, 1);
    EXPECT_EQ(Entries(settings.extensions), (Texts{"zzz", longEntry, "aaa"}));

    On([](auto& w) {
        ShowPage(w, kExtensionsPage);
        EXPECT_FALSE(w.IsChecked(IDC_EXT_ANY));
        EXPECT_EQ(w.Text(IDC_EXT_TEXT), "") << "the text is no setting";
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(Entries(settings.extensions), (Texts{"aaa", longEntry, "zzz"})) << "whole";
}

// Out of memory: a sheet that cannot copy the list does not open, a delete deletes
// nothing, and a list that cannot be copied back stays as it was while the rest is stored.
TEST_F(SettingsSheetTest, RunningOutOfMemoryLosesNoExtension) {
    script.AnswerMessageBox(IDOK, "メモリ不足");
    {
        test::FailingAllocations failing(0);
        EXPECT_EQ(sheet.RunModal(nullptr), -1);
    }
    std::optional<test::FailingAllocations> failing;
    On([](auto& w) { ShowPage(w, kExtensionsPage); Select(w, {0}); });
    On([&failing](auto& w) { failing.emplace(0); w.Click(IDC_EXT_DELETE); });
    script.AnswerMessageBox(IDOK, "メモリ不足");
    On([&failing](auto& w) {
        failing.reset();
        ExpectList(w, kSortedDefaults, true, true);
        w.Click(IDC_EXT_ANY);
        failing.emplace(0);
        w.Click(IDOK);
    });
    script.AnswerMessageBox(IDOK, "メモリ不足");
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    failing.reset();
    const std::string refused = "メモリが足りなくて要求に応えられません！";
    ExpectBoxes(script, {refused, refused, "メモリ不足のため拡張子データの設定に失敗しました！"}, MB_ICONERROR);
    EXPECT_EQ(Entries(settings.extensions), (Texts{"<none>", "txt", "htm", "html", "shtml", "cgi", "pl", "c", "cpp", "h"}));
    EXPECT_EQ(settings.anyExtension, 1);
}

}  // namespace
