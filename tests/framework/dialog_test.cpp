// Dialogs from the test templates: data exchange both ways, the input checks with their
// messages, the formatted message box and the small control helpers.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>

#include "framework/dialog.h"
#include "framework/message_box_asker.h"
#include "framework/window.h"
#include "support/gui_script.h"
#include "test_resources.h"

namespace {

constexpr int kRadios[] = {IDC_RADIO_FIRST, IDC_RADIO_SECOND, IDC_RADIO_THIRD};

// The test template's dialog: OK reads the controls and closes only when they pass.
class ExchangeDialog : public Dialog {
public:
    ExchangeDialog() : Dialog(IDD_EXCHANGE) {}

    void ExchangeData(ExchangeDirection direction) override {
        if (exchange) exchange(direction);
    }
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
            if (Transfer(FromControls)) EndDialog(Handle(), IDOK);
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            EndDialog(Handle(), IDCANCEL);
            return TRUE;
        }
        return Dialog::DialogProc(message, wParam, lParam);
    }

    std::function<void(ExchangeDirection)> exchange;
};

// A modeless dialog the test body works on directly.
class OpenDialogTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dialog.Create(nullptr, SW_SHOW)); }
    void TearDown() override {
        DestroyWindow(dialog.Handle());
        EXPECT_EQ(dialog.Handle(), nullptr);
        EXPECT_EQ(WindowRegistry::Global().Count(), 0);
    }
    std::string Text(int id) const {
        char text[64] = {};
        GetDlgItemTextA(dialog.Handle(), id, text, sizeof text);
        return text;
    }
    void SetText(int id, const char* text) { SetDlgItemTextA(dialog.Handle(), id, text); }
    bool Checked(int id) const { return IsDlgButtonChecked(dialog.Handle(), id) == BST_CHECKED; }
    void Check(int id, bool on) { CheckDlgButton(dialog.Handle(), id, on ? BST_CHECKED : 0); }

    ExchangeDialog dialog;
};

TEST_F(OpenDialogTest, ExchangesNumbersRadioGroupsAndTextsBothWays) {
    const struct {
        const char* text;
        std::uint8_t value;
    } reads[] = {{"42", 42}, {"300", 255}, {"256", 255}, {"255", 255}, {"-5", 0},
                 {"0", 0},   {"abc", 0},   {"", 0}};
    for (const auto& read : reads) {
        SetText(IDC_NUMBER, read.text);
        std::uint8_t value = 99;
        dialog.ExchangeNumber(FromControls, IDC_NUMBER, value);
        EXPECT_EQ(value, read.value) << read.text;
    }
    std::uint8_t value = 200;
    dialog.ExchangeNumber(ToControls, IDC_NUMBER, value);
    EXPECT_EQ(Text(IDC_NUMBER), "200");

    // Radio groups: the index checked, 255 or -1 when none is, none checked when outside.
    auto checked = [&] {
        std::string marks;
        for (int id : kRadios) marks += Checked(id) ? 'x' : '-';
        return marks;
    };
    std::uint8_t index = 1;
    dialog.ExchangeRadio(ToControls, kRadios, index);
    EXPECT_EQ(checked(), "-x-");
    dialog.CheckOneOf(kRadios, IDC_RADIO_THIRD);
    EXPECT_EQ(checked(), "--x");
    dialog.ExchangeRadio(FromControls, kRadios, index);
    std::int32_t wide = 0;
    dialog.ExchangeRadioInt(FromControls, kRadios, wide);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(wide, 2);
    Check(IDC_RADIO_THIRD, false);
    dialog.ExchangeRadio(FromControls, kRadios, index);
    dialog.ExchangeRadioInt(FromControls, kRadios, wide);
    EXPECT_EQ(index, 255);
    EXPECT_EQ(wide, -1);
    for (std::int32_t wanted : {-1, 3, 255, 0}) {  // outside: nothing checked, the rest left
        dialog.ExchangeRadioInt(ToControls, kRadios, wanted);
        EXPECT_EQ(checked(), wanted == 0 ? "x--" : "---") << wanted;
    }

    char text[16] = "表示ソフト";
    dialog.ExchangeText(ToControls, IDC_TEXT, text, sizeof text);
    EXPECT_EQ(Text(IDC_TEXT), "表示ソフト");
    SetText(IDC_TEXT, "abcdefgh");
    char small[5] = {};
    dialog.ExchangeText(FromControls, IDC_TEXT, small, sizeof small);
    EXPECT_STREQ(small, "abcd") << "the size counts the NUL";
}

// A check that fails raises after one warning over the dialog with the control focused; one
// that passes shows nothing.
void ExpectCheck(Dialog& dialog, int id, const std::function<void()>& check, const char* message,
                 const char* caption) {
    test::GuiScript script;
    if (!message) {
        script.FailOnAnyWindow();
        EXPECT_NO_THROW(check());
        return;
    }
    script.AnswerMessageBox(IDOK);
    EXPECT_THROW(check(), base_HDLGEDERROR);
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    const test::MessageBoxSeen& box = script.MessageBoxes()[0];
    EXPECT_EQ(box.text, message);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(box.focusBefore, GetDlgItem(dialog.Handle(), id));
    EXPECT_EQ(box.owner, dialog.Handle());
}

// A rejected number shows the nearest bound; "表" (95 5C) and "ソ" (83 5C) end in trail
// bytes that are not backslashes; the path check skips the drive's colon.
TEST_F(OpenDialogTest, ChecksRangesFileNamesAndPathNames) {
    const struct {
        int value;
        const char* shown;
    } ranges[] = {{0, "1"}, {-3, "1"}, {200, "122"}, {123, "122"}, {1, ""}, {60, ""}, {122, ""}};
    for (const auto& r : ranges) {
        SCOPED_TRACE(r.value);
        SetText(IDC_NUMBER, "");
        ExpectCheck(dialog, IDC_NUMBER, [&] { dialog.CheckRange(IDC_NUMBER, r.value, 1, 122); },
                    *r.shown ? "1 から 122 までの値を入力して下さい！" : nullptr, "値のエラー");
        EXPECT_EQ(Text(IDC_NUMBER), r.shown);
    }
    auto names = [&](void (Dialog::*check)(int, const char*), const char* text, const char* message,
                     const char* caption) {
        SCOPED_TRACE(text);
        ExpectCheck(dialog, IDC_TEXT, [&] { (dialog.*check)(IDC_TEXT, text); }, message, caption);
    };
    const char* file = "ファイル名には以下の文字は使えません！\n       \\ / : , ; * ? \" < > |";
    for (const char* bad : {"a/b", "x:y", "a\\b", "a,b", "a;b", "a*", "a?", "\"a\"", "<a>", "a|b"})
        names(&Dialog::CheckFileName, bad, file, "ファイル名のエラー");
    for (const char* good : {"表.txt", "表示ソフト_12", "a b.txt", ""})
        names(&Dialog::CheckFileName, good, nullptr, nullptr);
    const char* path = "パス名には以下の文字は使えません！\n        : , ; * ? \" < > |";
    for (const char* bad : {"D:/data:out", "C:\\a*b", "C:\\a?b", "C:\\a|b", "C:\\a<b", "C:\\a;b",
                            "C:\\a,b", "C:\\\"a\"", "C:", ":"})
        names(&Dialog::CheckPathName, bad, path, "パス名のエラー");
    for (const char* good : {"D:/data/out", "C:\\表\\ソフト", "\\\\server\\share", "relative\\path"})
        names(&Dialog::CheckPathName, good, nullptr, nullptr);
}

TEST_F(OpenDialogTest, ShowMessageFormatsAndCutsLongTexts) {
    std::string longPath(3000, 'a');
    // The cut falls inside "表": the lone lead byte is dropped with it.
    std::string splitAtEnd = std::string(Dialog::kMessageLimit - 1, 'b') + "表";
    test::GuiScript script;
    script.AnswerMessageBox(IDYES).AnswerMessageBox(IDOK).AnswerMessageBox(IDOK);
    EXPECT_EQ(dialog.ShowMessage("%s に %d 件 (%c:)", "確認", MB_YESNO | MB_ICONINFORMATION,
                                 "C:\\表", 3, 'D'),
              IDYES);
    dialog.ShowMessage("%s", "長い", MB_OK, longPath.c_str());
    dialog.ShowMessage("%s", "境目", MB_OK, splitAtEnd.c_str());
    ASSERT_EQ(script.MessageBoxes().size(), 3u);
    EXPECT_EQ(script.MessageBoxes()[0].text, "C:\\表 に 3 件 (D:)");
    EXPECT_EQ(script.MessageBoxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(script.MessageBoxes()[0].owner, dialog.Handle());
    EXPECT_EQ(script.MessageBoxes()[1].text, longPath.substr(0, Dialog::kMessageLimit));
    EXPECT_EQ(script.MessageBoxes()[2].text, splitAtEnd.substr(0, Dialog::kMessageLimit - 1));
}

TEST_F(OpenDialogTest, SyncEnableChangesTheControlOnlyWhenWantedDiffersAndSetsIcons) {
    const struct {
        EnableState state;
        bool commit;
        bool controlBefore;
        bool controlAfter;
        bool currentAfter;
    } cases[] = {
        {{true, false}, true, true, false, false},
        {{true, false}, false, true, false, true},
        {{false, true}, true, false, true, true},
        // Equal flags leave the control alone, whatever it shows.
        {{false, false}, true, true, true, false},
        {{true, true}, false, false, false, true},
    };
    HWND control = GetDlgItem(dialog.Handle(), IDC_CHECK);
    for (const auto& c : cases) {
        EnableWindow(control, c.controlBefore);
        EnableState state = c.state;
        EXPECT_EQ(dialog.SyncEnable(IDC_CHECK, state, c.commit), c.commit);
        EXPECT_EQ(IsWindowEnabled(control) != FALSE, c.controlAfter);
        EXPECT_EQ(state.current, c.currentAfter);
        EXPECT_EQ(state.wanted, c.state.wanted);
    }
    EXPECT_EQ(dialog.SetIcons(IDI_TEST), 3u);
    EXPECT_NE(SendMessageA(dialog.Handle(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(SendMessageA(dialog.Handle(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(dialog.SetIcons(999), 0u);
}

TEST_F(OpenDialogTest, AnAskerOwnedByTheDialogAsksOverItsCurrentWindow) {
    MessageBoxAsker asker(dialog);
    test::GuiScript script;
    script.AnswerMessageBox(IDRETRY);
    EXPECT_EQ(asker.Ask({"書き込めません。", "エラー", question::kRetryCancel | question::kIconError}),
              IDRETRY);
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    EXPECT_EQ(script.MessageBoxes()[0].owner, dialog.Handle());
    EXPECT_EQ(script.MessageBoxes()[0].text, "書き込めません。");
    EXPECT_EQ(script.MessageBoxes()[0].caption, "エラー");
    EXPECT_EQ(script.MessageBoxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(dialog.Create(nullptr, SW_SHOW)) << "one window at a time";
    EXPECT_EQ(dialog.RunModal(nullptr), -1) << "one window at a time";
}

TEST(ModalDialogTest, AnExceptionEndsTheDialogAndReachesTheCallerAMissingTemplateFails) {
    ExchangeDialog dialog;
    dialog.exchange = [](ExchangeDirection direction) {
        if (direction == FromControls) throw std::runtime_error("unreadable");
    };
    test::GuiScript script;
    script.OnWindow({"#32770", "交換"}, [](test::UiWindow& window) { window.Click(IDOK); });
    EXPECT_THROW(dialog.RunModal(nullptr), std::runtime_error);
    EXPECT_EQ(dialog.Handle(), nullptr);
    // The same object shows again and reports the button that closed it.
    script.OnWindow({"#32770", "交換"}, [](test::UiWindow& window) { window.Click(IDCANCEL); });
    EXPECT_EQ(dialog.RunModal(nullptr), IDCANCEL);
    Dialog missing(4711);
    EXPECT_EQ(missing.RunModal(nullptr), -1);
    EXPECT_FALSE(missing.Create(nullptr, SW_SHOW));
    EXPECT_EQ(WindowRegistry::Global().Count(), 0);
}

}  // namespace
