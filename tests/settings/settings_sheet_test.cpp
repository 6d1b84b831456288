// The settings sheet from the program's own templates, driven as a user would: presets,
// the input checks with their messages, the extension list's buttons and menu, and what
// OK and Cancel leave in the settings.
#include "settings/settings_sheet.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "settings/config_store.h"
#include "support/allocation_failure.h"
#include "support/gui_script.h"
#include "support/temp_dir.h"

namespace {

const test::WindowQuery kSheet{"#32770", "設定"};
const test::WindowQuery kMenu{"#32768", "", 0};

enum Page { kOutputPage, kInputPage, kGeneralPage, kExtensionsPage };

void ShowPage(test::UiWindow& sheet, Page page) {
    SendMessageA(sheet.Handle(), PSM_SETCURSEL, page, 0);
}

std::vector<std::string> Items(test::UiWindow& sheet) {
    HWND list = sheet.Control(IDC_EXT_LIST);
    std::vector<std::string> items;
    auto count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        std::string text(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)), '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        items.push_back(text);
    }
    return items;
}

std::vector<std::string> Entries(const StringList& list) {
    std::vector<std::string> entries;
    for (std::int32_t i = 0; i < list.Count(); ++i) entries.emplace_back(list[i]);
    return entries;
}

void SetExtensions(Settings& settings, std::vector<const char*> entries) {
    settings.extensions.Clear();
    entries.push_back("");
    ASSERT_TRUE(settings.extensions.AddAll(entries.data(), -1));
}

void Select(test::UiWindow& sheet, const std::vector<int>& items) {
    HWND list = sheet.Control(IDC_EXT_LIST);
    for (int item : items) SendMessageA(list, LB_SETSEL, TRUE, item);
    // A selection by code does not notify; the user's click would.
    PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_EXT_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

std::string Block(const SettingsBlock& block) {
    return {reinterpret_cast<const char*>(&block), sizeof block};
}

void ExpectEmptyListAndPressOk(test::UiWindow& w) {
    EXPECT_TRUE(Items(w).empty());
    EXPECT_FALSE(w.IsEnabled(IDC_EXT_DELETE_ALL)) << "nothing to delete";
    w.Click(IDOK);
}

const std::vector<std::string> kSortedDefaults = {"<none>", "c",  "cgi",   "cpp", "h",
                                                  "htm",    "html", "pl", "shtml", "txt"};

class SettingsSheetTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(WindowRegistry::Global().Count(), 0); }

    Settings settings;
    SettingsSheet sheet{settings};
    test::GuiScript script;
};

TEST_F(SettingsSheetTest, OutputPresetsCheckTheirButtonsAndShowPressedWhileTheyMatch) {
    settings.widenKana = 1;
    settings.outputCode = Utf8;
    const struct {
        int click;
        int code, newline, pressed;  // pressed: the preset shown pressed, 0 for none
    } steps[] = {
        {0, IDC_OUT_UTF8, IDC_OUT_KEEP_NEWLINE, 0},  // matches no preset
        {IDC_PRESET_WINDOWS, IDC_OUT_SHIFT_JIS, IDC_OUT_CRLF, IDC_PRESET_WINDOWS},
        {IDC_PRESET_UNIX, IDC_OUT_EUC, IDC_OUT_LF, IDC_PRESET_UNIX},
        {IDC_OUT_SHIFT_JIS, IDC_OUT_SHIFT_JIS, IDC_OUT_LF, 0},
        {IDC_OUT_CR, IDC_OUT_SHIFT_JIS, IDC_OUT_CR, IDC_PRESET_MACINTOSH},
        {IDC_OUT_WIDEN_KANA, IDC_OUT_SHIFT_JIS, IDC_OUT_CR, IDC_PRESET_MACINTOSH},
        {IDC_PRESET_MACINTOSH, IDC_OUT_SHIFT_JIS, IDC_OUT_CR, IDC_PRESET_MACINTOSH},
        {IDC_OUT_JIS, IDC_OUT_JIS, IDC_OUT_CR, 0},
        {IDC_PRESET_WINDOWS, IDC_OUT_SHIFT_JIS, IDC_OUT_CRLF, IDC_PRESET_WINDOWS},
        {IDC_OUT_UTF8, IDC_OUT_UTF8, IDC_OUT_CRLF, 0},
        {IDC_OUT_UTF8_MARK, IDC_OUT_UTF8, IDC_OUT_CRLF, 0},
        {IDC_OUT_UNICODE, IDC_OUT_UNICODE, IDC_OUT_CRLF, 0},  // the mark kept, but disabled
        {IDC_OUT_UTF8, IDC_OUT_UTF8, IDC_OUT_CRLF, 0},
    };
    const int kCodes[] = {IDC_OUT_JIS, IDC_OUT_SHIFT_JIS, IDC_OUT_EUC, IDC_OUT_UNICODE,
                          IDC_OUT_UTF8, IDC_OUT_KEEP_CODE, IDC_OUT_CRLF, IDC_OUT_CR,
                          IDC_OUT_LF, IDC_OUT_KEEP_NEWLINE};
    const int kPresets[] = {IDC_PRESET_WINDOWS, IDC_PRESET_MACINTOSH, IDC_PRESET_UNIX};
    bool kana = true, mark = false;
    for (const auto& step : steps) {
        if (step.click != 0) {
            script.OnWindow(kSheet, [step](test::UiWindow& w) { w.Click(step.click); });
        }
        script.OnWindow(kSheet, [&, step](test::UiWindow& w) {
            SCOPED_TRACE(step.click);
            for (int id : kCodes)
                EXPECT_EQ(w.IsChecked(id), id == step.code || id == step.newline) << id;
            for (int id : kPresets) EXPECT_EQ(w.IsChecked(id), id == step.pressed) << id;
            if (step.click == IDC_OUT_WIDEN_KANA) kana = !kana;
            if (step.click == IDC_OUT_UTF8_MARK) mark = !mark;
            EXPECT_EQ(w.IsChecked(IDC_OUT_WIDEN_KANA), kana) << "only a click changes it";
            EXPECT_EQ(w.IsChecked(IDC_OUT_UTF8_MARK), mark) << "only a click changes it";
            EXPECT_EQ(w.IsEnabled(IDC_OUT_UTF8_MARK), step.code == IDC_OUT_UTF8);
        });
    }
    script.OnWindow(kSheet, [](test::UiWindow& w) { w.Click(IDOK); });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(settings.outputCode, Utf8);
    EXPECT_EQ(settings.newline, CrLf);
    EXPECT_EQ(settings.widenKana, 0);
    EXPECT_EQ(settings.utf8Mark, 1);
}

TEST_F(SettingsSheetTest, InputPresetsFollowTheCodeAndAnUnlistedCodeIsKept) {
    const struct {
        std::uint8_t stored;
        int click;
        int checked, pressed;  // after the click
        std::uint8_t saved;
    } cases[] = {
        {EucJp, 0, IDC_IN_EUC, IDC_PRESET_UNIX, EucJp},
        {EucJp, IDC_IN_UNICODE, IDC_IN_UNICODE, 0, Unicode},
        {Unicode, IDC_PRESET_WINDOWS, IDC_IN_SHIFT_JIS, IDC_PRESET_WINDOWS, ShiftJis},
        {ShiftJis, IDC_PRESET_UNIX, IDC_IN_EUC, IDC_PRESET_UNIX, EucJp},
        // JIS has no button: nothing is checked, and leaving the page keeps the code.
        {Jis, 0, 0, 0, Jis},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.stored} << " " << c.click);
        settings.inputCode = c.stored;
        script.OnWindow(kSheet, [&c](test::UiWindow& w) {
            ShowPage(w, kInputPage);
            if (c.click != 0) w.Click(c.click);
        });
        script.OnWindow(kSheet, [&c](test::UiWindow& w) {
            for (int id : {IDC_IN_SHIFT_JIS, IDC_IN_EUC, IDC_IN_UNICODE})
                EXPECT_EQ(w.IsChecked(id), id == c.checked) << id;
            for (int id : {IDC_PRESET_WINDOWS, IDC_PRESET_UNIX})
                EXPECT_EQ(w.IsChecked(id), id == c.pressed) << id;
            ShowPage(w, kGeneralPage);
            w.Click(IDOK);
        });
        EXPECT_EQ(sheet.RunModal(nullptr), 1);
        EXPECT_EQ(settings.inputCode, c.saved);
    }
}

TEST_F(SettingsSheetTest, DepthOutsideItsRangeIsRefusedWithTheBoundsAndTheNearerOne) {
    const struct {
        const char* typed;
        const char* corrected;
    } cases[] = {{"0", "1"}, {"123", "122"}, {"", "1"}, {"999", "122"}};
    script.OnWindow(kSheet, [](test::UiWindow& w) { ShowPage(w, kGeneralPage); });
    for (const auto& c : cases) {
        script.OnWindow(kSheet, [&c](test::UiWindow& w) {
            w.SetText(IDC_DEPTH, c.typed);
            w.Click(IDOK);
        });
        script.AnswerMessageBox(IDOK, "値のエラー");
        script.OnWindow(kSheet, [&c](test::UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_DEPTH), c.corrected) << c.typed;
            EXPECT_TRUE(w.HasFocus(IDC_DEPTH)) << c.typed;
        });
    }
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        w.SetText(IDC_DEPTH, "57");
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    ASSERT_EQ(script.MessageBoxes().size(), std::size(cases));
    for (const auto& box : script.MessageBoxes()) {
        EXPECT_EQ(box.text, "1 から 122 までの値を入力して下さい！");
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
    }
    EXPECT_EQ(settings.depthLimit, 57);
}

TEST_F(SettingsSheetTest, TheArrowsStayWithinOneAndOneHundredTwentyTwo) {
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kGeneralPage);
        HWND spin = w.Control(IDC_DEPTH_SPIN);
        int low = 0, high = 0;
        SendMessageA(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                     reinterpret_cast<LPARAM>(&high));
        EXPECT_EQ(low, 1);
        EXPECT_EQ(high, 122);
        EXPECT_EQ(SendMessageA(w.Control(IDC_DEPTH), EM_GETLIMITTEXT, 0, 0), 3);
        const struct {
            const char* from;
            WPARAM key;
            const char* to;
        } presses[] = {{"122", VK_UP, "122"}, {"1", VK_DOWN, "1"}, {"121", VK_UP, "122"}};
        for (const auto& press : presses) {
            w.SetText(IDC_DEPTH, press.from);
            SendMessageA(w.Control(IDC_DEPTH), WM_KEYDOWN, press.key, 0);
            SendMessageA(w.Control(IDC_DEPTH), WM_KEYUP, press.key, 0);
            EXPECT_EQ(w.Text(IDC_DEPTH), press.to) << press.from;
        }
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 2);
}

TEST_F(SettingsSheetTest, AffixTextsWithForbiddenCharactersOrTooManyBytesAreRefused) {
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kGeneralPage);
        EXPECT_EQ(SendMessageA(w.Control(IDC_AFFIX_TEXT), EM_GETLIMITTEXT, 0, 0), 15);
        w.SetText(IDC_AFFIX_TEXT, "a/b");
        w.Click(IDOK);
    });
    script.AnswerMessageBox(IDOK, "ファイル名のエラー");
    // Eight double-byte characters are sixteen bytes: one more than the field holds.
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_TRUE(w.HasFocus(IDC_AFFIX_TEXT));
        w.SetText(IDC_AFFIX_TEXT, "変換済み文書です");
        w.Click(IDOK);
    });
    script.AnswerMessageBox(IDOK, "値のエラー");
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_TRUE(w.HasFocus(IDC_AFFIX_TEXT));
        w.SetText(IDC_AFFIX_TEXT, "abcdefghijklmno");
        w.Click(IDC_AFFIX_END);
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    ASSERT_EQ(script.MessageBoxes().size(), 2u);
    EXPECT_EQ(script.MessageBoxes()[0].text,
              "ファイル名には以下の文字は使えません！\n       \\ / : , ; * ? \" < > |");
    EXPECT_EQ(script.MessageBoxes()[0].icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(script.MessageBoxes()[1].text,
              "文字列が長すぎます！\n半角で 15 文字、全角で 7 文字までです。");
    EXPECT_STREQ(settings.affixText, "abcdefghijklmno");
    EXPECT_EQ(settings.affixPosition, Suffix);
}

TEST_F(SettingsSheetTest, StoredValuesOutsideThePagesStillFillEveryControl) {
    settings.outputCode = 9;
    settings.newline = CrLf;
    settings.depthLimit = 0;
    settings.noOutputAction = NewUniqueFile;
    script.FailOnAnyWindow();
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        for (int id : {IDC_OUT_JIS, IDC_OUT_SHIFT_JIS, IDC_OUT_EUC, IDC_OUT_UNICODE,
                       IDC_OUT_KEEP_CODE})
            EXPECT_FALSE(w.IsChecked(id)) << id;
        EXPECT_TRUE(w.IsChecked(IDC_OUT_CRLF));
        ShowPage(w, kGeneralPage);
        EXPECT_EQ(w.Text(IDC_DEPTH), "1");
        EXPECT_TRUE(w.IsChecked(IDC_NO_OUTPUT_UNIQUE));
        EXPECT_TRUE(w.IsChecked(IDC_AFFIX_START));
        EXPECT_EQ(w.Text(IDC_AFFIX_TEXT), "Z_");
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(settings.outputCode, 9) << "no button chosen: the value stays, never 255";
    EXPECT_EQ(settings.depthLimit, 1);
}

TEST_F(SettingsSheetTest, AddRefusesDuplicatesIgnoringCaseAndTakesTextsAsTyped) {
    const struct {
        const char* typed;
        bool added;
    } adds[] = {{"TXT", false}, {"", false}, {".txt", true}, {"Md", true}, {"md", false}};
    script.OnWindow(kSheet, [](test::UiWindow& w) { ShowPage(w, kExtensionsPage); });
    for (const auto& add : adds) {
        script.OnWindow(kSheet, [&add](test::UiWindow& w) {
            w.SetText(IDC_EXT_TEXT, add.typed);
            w.Click(IDC_EXT_ADD);
        });
        if (!add.added) script.AnswerMessageBox(IDOK, "警告");
    }
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_EQ(w.Text(IDC_EXT_TEXT), "md") << "the box keeps its text";
        // Emptied, the box adds the entry for files without extension.
        HWND list = w.Control(IDC_EXT_LIST);
        auto none = SendMessageA(list, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>("<none>"));
        SendMessageA(list, LB_DELETESTRING, none, 0);
        EXPECT_EQ(Items(w)[1], "c");
        w.SetText(IDC_EXT_TEXT, "");
        w.Click(IDC_EXT_ADD);
    });
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        std::vector<std::string> expected = {".txt", "<none>", "c",     "cgi", "cpp", "h",
                                             "htm",  "html",   "Md", "pl",  "shtml", "txt"};
        EXPECT_EQ(Items(w), expected);
        w.SetText(IDC_EXT_TEXT, "");
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    ASSERT_EQ(script.MessageBoxes().size(), 3u);
    EXPECT_EQ(script.MessageBoxes()[0].text, "二重登録は出来ません！");
    EXPECT_EQ(script.MessageBoxes()[0].icon, static_cast<UINT>(MB_ICONWARNING));
    std::vector<std::string> stored = {".txt", "<none>", "c",     "cgi", "cpp", "h",
                                       "htm",  "html",   "Md", "pl",  "shtml", "txt"};
    EXPECT_EQ(Entries(settings.extensions), stored);
}

TEST_F(SettingsSheetTest, AnExtensionTextWithForbiddenCharactersKeepsTheSheetOpen) {
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        w.SetText(IDC_EXT_TEXT, "<none>");
        w.Click(IDC_EXT_ADD);
    });
    script.AnswerMessageBox(IDOK, "ファイル名のエラー");
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_EQ(Items(w), kSortedDefaults) << "nothing added";
        w.Click(IDOK);
    });
    script.AnswerMessageBox(IDOK, "ファイル名のエラー");
    script.OnWindow(kSheet, [](test::UiWindow& w) { w.Click(IDCANCEL); });
    EXPECT_EQ(sheet.RunModal(nullptr), 2);
}

TEST_F(SettingsSheetTest, DeleteAllEmptiesTheListAndOkStoresAnEmptyListThatSurvivesTheFile) {
    settings.outputCode = EucJp;
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        EXPECT_FALSE(w.IsEnabled(IDC_EXT_DELETE));
        EXPECT_TRUE(w.IsEnabled(IDC_EXT_DELETE_ALL));
        w.Click(IDC_EXT_DELETE_ALL);
    });
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_TRUE(Items(w).empty());
        EXPECT_FALSE(w.IsEnabled(IDC_EXT_DELETE));
        EXPECT_FALSE(w.IsEnabled(IDC_EXT_DELETE_ALL));
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_TRUE(script.MessageBoxes().empty()) << "no question";
    EXPECT_EQ(settings.extensions.Count(), 0);

    test::TempDir dir;
    std::string path = dir / "ZEKO.CFG";
    ConfigStore store;
    RegisterSettings(&settings, &store);
    ASSERT_TRUE(store.Save(path.c_str()));
    Settings loaded;
    ConfigStore loader;
    RegisterSettings(&loaded, &loader);
    ASSERT_TRUE(loader.Load(path.c_str()));
    EXPECT_EQ(loaded.extensions.Count(), 0);
    EXPECT_EQ(loaded.outputCode, EucJp) << "the rest of the file is read";

    // The next opening shows the empty list, with nothing to delete.
    SettingsSheet next(loaded);
    script.OnWindow(kSheet, [](test::UiWindow& w) { ShowPage(w, kExtensionsPage); });
    script.OnWindow(kSheet, ExpectEmptyListAndPressOk);
    EXPECT_EQ(next.RunModal(nullptr), 1);
    EXPECT_EQ(loaded.extensions.Count(), 0);
}

TEST_F(SettingsSheetTest, DeleteRemovesTheSelectedItemsAndFollowsTheSelection) {
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        Select(w, {0, 3, 9});
    });
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_TRUE(w.IsEnabled(IDC_EXT_DELETE));
        w.Click(IDC_EXT_DELETE);
    });
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        std::vector<std::string> left = {"c", "cgi", "h", "htm", "html", "pl", "shtml"};
        EXPECT_EQ(Items(w), left);
        EXPECT_FALSE(w.IsEnabled(IDC_EXT_DELETE));
        EXPECT_TRUE(w.IsEnabled(IDC_EXT_DELETE_ALL));
        Select(w, {0, 1, 2, 3, 4, 5, 6});
    });
    script.OnWindow(kSheet, [](test::UiWindow& w) { w.Click(IDC_EXT_DELETE); });
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_TRUE(Items(w).empty());
        EXPECT_FALSE(w.IsEnabled(IDC_EXT_DELETE_ALL)) << "nothing left to delete";
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 2);
    EXPECT_EQ(settings.extensions.Count(), 10);
}

TEST_F(SettingsSheetTest, RestoreDefaultsAsksAndLeavesTheCheckBoxAlone) {
    SetExtensions(settings, {"doc"});
    settings.anyExtension = 1;
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        w.Click(IDC_EXT_DEFAULTS);
    });
    script.AnswerMessageBox(IDNO, "確認");
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_EQ(Items(w), std::vector<std::string>{"doc"});
        Select(w, {0});
    });
    script.OnWindow(kSheet, [](test::UiWindow& w) { w.Click(IDC_EXT_DEFAULTS); });
    script.AnswerMessageBox(IDYES, "確認");
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_EQ(Items(w), kSortedDefaults);
        EXPECT_TRUE(w.IsChecked(IDC_EXT_ANY));
        EXPECT_FALSE(w.IsEnabled(IDC_EXT_DELETE));
        EXPECT_TRUE(w.IsEnabled(IDC_EXT_DELETE_ALL));
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    ASSERT_EQ(script.MessageBoxes().size(), 2u);
    EXPECT_EQ(script.MessageBoxes()[0].text, "デフォルトの設定に戻します。よろしいですか？");
    EXPECT_EQ(script.MessageBoxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(Entries(settings.extensions), kSortedDefaults);
    EXPECT_EQ(settings.anyExtension, 1);
}

TEST_F(SettingsSheetTest, TheListBoxMenuDeletesLikeTheButtons) {
    // An empty list shows no menu; the script fails on any window that comes.
    SetExtensions(settings, {});
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        PostMessageA(w.Control(IDC_EXT_LIST), WM_CONTEXTMENU, 0, MAKELPARAM(10, 10));
    });
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_EQ(FindWindowA("#32768", nullptr) != nullptr &&
                      IsWindowVisible(FindWindowA("#32768", nullptr)),
                  false);
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 2);

    SetExtensions(settings, {"b", "a", "c"});
    HMENU shown = nullptr;
    auto openMenu = [](test::UiWindow& w) {
        PostMessageA(w.Control(IDC_EXT_LIST), WM_CONTEXTMENU, 0, MAKELPARAM(10, 10));
    };
    auto choose = [&shown](UINT command) {
        return [&shown, command](test::UiWindow& menu) {
            shown = reinterpret_cast<HMENU>(SendMessageA(menu.Handle(), MN_GETHMENU, 0, 0));
            UINT state = GetMenuState(shown, ID_DELETE, MF_BYCOMMAND);
            EXPECT_EQ((state & MF_GRAYED) != 0, command == ID_DELETE_ALL);
            // Chosen by its access key, as from the keyboard.
            PostMessageA(menu.Handle(), WM_KEYDOWN, command == ID_DELETE ? 'D' : 'A', 0);
            PostMessageA(menu.Handle(), WM_CHAR, command == ID_DELETE ? 'd' : 'a', 0);
        };
    };
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        Select(w, {1});
    });
    script.OnWindow(kSheet, openMenu);
    script.OnWindow(kMenu, choose(ID_DELETE));
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_EQ(Items(w), (std::vector<std::string>{"a", "c"}));
        EXPECT_FALSE(w.IsEnabled(IDC_EXT_DELETE));
    });
    script.OnWindow(kSheet, openMenu);
    script.OnWindow(kMenu, choose(ID_DELETE_ALL));
    script.OnWindow(kSheet, ExpectEmptyListAndPressOk);
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(settings.extensions.Count(), 0);
}

TEST_F(SettingsSheetTest, CancelLeavesEverySettingAndTheNextOpeningShowsTheStoredValues) {
    SetExtensions(settings, {"zzz", "aaa"});
    const std::string before = Block(settings);
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        w.Click(IDC_PRESET_UNIX);
        w.Click(IDC_OUT_WIDEN_KANA);
        ShowPage(w, kGeneralPage);
        w.SetText(IDC_DEPTH, "9");
        w.SetText(IDC_AFFIX_TEXT, "new_");
        ShowPage(w, kExtensionsPage);
        w.Click(IDC_EXT_DELETE_ALL);
        w.Click(IDC_EXT_ANY);
    });
    script.OnWindow(kSheet, [](test::UiWindow& w) { w.Click(IDCANCEL); });
    EXPECT_EQ(sheet.RunModal(nullptr), 2);
    EXPECT_EQ(Block(settings), before);
    EXPECT_EQ(Entries(settings.extensions), (std::vector<std::string>{"zzz", "aaa"}));

    script.OnWindow(kSheet, [](test::UiWindow& w) {
        EXPECT_TRUE(w.IsChecked(IDC_OUT_KEEP_CODE));
        EXPECT_FALSE(w.IsChecked(IDC_OUT_WIDEN_KANA));
        ShowPage(w, kGeneralPage);
        EXPECT_EQ(w.Text(IDC_DEPTH), "1");
        EXPECT_EQ(w.Text(IDC_AFFIX_TEXT), "Z_");
        ShowPage(w, kExtensionsPage);
        EXPECT_EQ(Items(w), (std::vector<std::string>{"aaa", "zzz"}));
        EXPECT_FALSE(w.IsChecked(IDC_EXT_ANY));
        EXPECT_EQ(w.Text(IDC_EXT_TEXT), "") << "the text is no setting";
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 2);
}

TEST_F(SettingsSheetTest, ExtensionsKeepTheirOrderUnlessThePageWasVisited) {
    SetExtensions(settings, {"zzz", "aaa", "mmm"});
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kGeneralPage);
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(Entries(settings.extensions), (std::vector<std::string>{"zzz", "aaa", "mmm"}));

    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        ShowPage(w, kOutputPage);
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(Entries(settings.extensions), (std::vector<std::string>{"aaa", "mmm", "zzz"}));
}

TEST_F(SettingsSheetTest, ExtensionsLongerThanTheTextBoxComeBackWhole) {
    const std::string longEntry(400, 'x');
    SetExtensions(settings, {longEntry.c_str(), "txt"});
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        w.Click(IDOK);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    EXPECT_EQ(Entries(settings.extensions), (std::vector<std::string>{"txt", longEntry}));
}

TEST_F(SettingsSheetTest, AFailedCopyBackKeepsTheExtensionsButStoresTheRest) {
    SetExtensions(settings, {"zzz", "aaa"});
    std::optional<test::FailingAllocations> failing;
    script.OnWindow(kSheet, [&failing](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        w.Click(IDC_EXT_ANY);
        failing.emplace(0);
        w.Click(IDOK);
    });
    script.AnswerMessageBox(IDOK, "メモリ不足");
    EXPECT_EQ(sheet.RunModal(nullptr), 1);
    failing.reset();
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    EXPECT_EQ(script.MessageBoxes()[0].text, "メモリ不足のため拡張子データの設定に失敗しました！");
    EXPECT_EQ(script.MessageBoxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(Entries(settings.extensions), (std::vector<std::string>{"zzz", "aaa"}));
    EXPECT_EQ(settings.anyExtension, 1);
}

TEST_F(SettingsSheetTest, OutOfMemoryInDeleteDeletesNothing) {
    std::optional<test::FailingAllocations> failing;
    script.OnWindow(kSheet, [](test::UiWindow& w) {
        ShowPage(w, kExtensionsPage);
        Select(w, {0});
    });
    script.OnWindow(kSheet, [&failing](test::UiWindow& w) {
        failing.emplace(0);
        w.Click(IDC_EXT_DELETE);
    });
    script.AnswerMessageBox(IDOK, "メモリ不足");
    script.OnWindow(kSheet, [&failing](test::UiWindow& w) {
        failing.reset();
        EXPECT_EQ(Items(w).size(), 10u);
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(sheet.RunModal(nullptr), 2);
    EXPECT_EQ(script.MessageBoxes()[0].text, "メモリが足りなくて要求に応えられません！");
}

TEST_F(SettingsSheetTest, ASheetThatCannotCopyTheExtensionsDoesNotOpen) {
    script.AnswerMessageBox(IDOK, "メモリ不足");
    {
        test::FailingAllocations failing(0);
        EXPECT_EQ(sheet.RunModal(nullptr), -1);
    }
    EXPECT_EQ(settings.extensions.Count(), 10);
}

}  // namespace
