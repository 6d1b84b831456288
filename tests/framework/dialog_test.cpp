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

TEST_F(OpenDialogTest, ExchangesNumbersClampedToAByte) {
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
}

TEST_F(OpenDialogTest, ExchangesRadioGroupsBothWays) {
    std::uint8_t index = 1;
    dialog.ExchangeRadio(ToControls, kRadios, index);
    EXPECT_TRUE(Checked(IDC_RADIO_SECOND));
    EXPECT_FALSE(Checked(IDC_RADIO_FIRST) || Checked(IDC_RADIO_THIRD));

    Check(IDC_RADIO_SECOND, false);
    Check(IDC_RADIO_THIRD, true);
    dialog.ExchangeRadio(FromControls, kRadios, index);
    EXPECT_EQ(index, 2);
    std::int32_t wide = 0;
    dialog.ExchangeRadioInt(FromControls, kRadios, wide);
    EXPECT_EQ(wide, 2);

    Check(IDC_RADIO_THIRD, false);
    dialog.ExchangeRadio(FromControls, kRadios, index);
    EXPECT_EQ(index, 255) << "no button checked";
    dialog.ExchangeRadioInt(FromControls, kRadios, wide);
    EXPECT_EQ(wide, -1) << "no button checked";

    for (std::int32_t outside : {-1, 3, 255}) {
        dialog.ExchangeRadioInt(ToControls, kRadios, outside);
        EXPECT_FALSE(Checked(IDC_RADIO_FIRST) || Checked(IDC_RADIO_SECOND) ||
                     Checked(IDC_RADIO_THIRD))
            << outside;
    }
    wide = 0;
    dialog.ExchangeRadioInt(ToControls, kRadios, wide);
    EXPECT_TRUE(Checked(IDC_RADIO_FIRST));
}

TEST_F(OpenDialogTest, ExchangesCheckBoxesAndTexts) {
    std::uint8_t flag = 1;
    dialog.ExchangeCheck(ToControls, IDC_CHECK, flag);
    EXPECT_TRUE(Checked(IDC_CHECK));
    Check(IDC_CHECK, false);
    dialog.ExchangeCheck(FromControls, IDC_CHECK, flag);
    EXPECT_EQ(flag, 0);
    Check(IDC_CHECK, true);
    dialog.ExchangeCheck(FromControls, IDC_CHECK, flag);
    EXPECT_EQ(flag, 1);

    char text[16] = "表示ソフト";
    dialog.ExchangeText(ToControls, IDC_TEXT, text, sizeof text);
    EXPECT_EQ(Text(IDC_TEXT), "表示ソフト");
    SetText(IDC_TEXT, "abcdefgh");
    char small[5] = {};
    dialog.ExchangeText(FromControls, IDC_TEXT, small, sizeof small);
    EXPECT_STREQ(small, "abcd") << "the size counts the NUL";
}

TEST_F(OpenDialogTest, CheckRangeSetsTheNearestBoundFocusesAndTells) {
    const struct {
        int value;
        const char* shown;
    } rejected[] = {{0, "1"}, {-3, "1"}, {200, "122"}, {123, "122"}};
    for (const auto& r : rejected) {
        SCOPED_TRACE(r.value);
        SetText(IDC_NUMBER, "");
        test::GuiScript script;
        script.AnswerMessageBox(IDOK);
        EXPECT_THROW(dialog.CheckRange(IDC_NUMBER, r.value, 1, 122), base_HDLGEDERROR);
        EXPECT_EQ(Text(IDC_NUMBER), r.shown);
        ASSERT_EQ(script.MessageBoxes().size(), 1u);
        const test::MessageBoxSeen& box = script.MessageBoxes()[0];
        EXPECT_EQ(box.text, "1 から 122 までの値を入力して下さい！");
        EXPECT_EQ(box.caption, "値のエラー");
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(box.focusBefore, GetDlgItem(dialog.Handle(), IDC_NUMBER));
        EXPECT_EQ(box.owner, dialog.Handle());
    }
    test::GuiScript quiet;
    quiet.FailOnAnyWindow();
    for (int accepted : {1, 60, 122}) {
        EXPECT_NO_THROW(dialog.CheckRange(IDC_NUMBER, accepted, 1, 122));
    }
}

struct NameCase {
    const char* text;
    bool accepted;
};

void ExpectNameChecks(Dialog& dialog, void (Dialog::*check)(int, const char*),
                      std::initializer_list<NameCase> cases, const char* message,
                      const char* caption) {
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.text);
        test::GuiScript script;
        if (c.accepted) {
            script.FailOnAnyWindow();
            EXPECT_NO_THROW((dialog.*check)(IDC_TEXT, c.text));
            continue;
        }
        script.AnswerMessageBox(IDOK);
        EXPECT_THROW((dialog.*check)(IDC_TEXT, c.text), base_HDLGEDERROR);
        ASSERT_EQ(script.MessageBoxes().size(), 1u);
        const test::MessageBoxSeen& box = script.MessageBoxes()[0];
        EXPECT_EQ(box.text, message);
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(box.focusBefore, GetDlgItem(dialog.Handle(), IDC_TEXT));
    }
}

// "表" is 95 5C and "ソ" 83 5C: their trail bytes are not backslashes.
TEST_F(OpenDialogTest, CheckFileNameRejectsTheElevenCharactersOnly) {
    ExpectNameChecks(dialog, &Dialog::CheckFileName,
                     {{"a/b", false},
                      {"x:y", false},
                      {"a\\b", false},
                      {"a,b", false},
                      {"a;b", false},
                      {"a*", false},
                      {"a?", false},
                      {"\"a\"", false},
                      {"<a>", false},
                      {"a|b", false},
                      {"表.txt", true},
                      {"表示ソフト_12", true},
                      {"漢字_2024", true},
                      {"a b.txt", true},
                      {"", true}},
                     "ファイル名には以下の文字は使えません！\n       \\ / : , ; * ? \" < > |",
                     "ファイル名のエラー");
}

TEST_F(OpenDialogTest, CheckPathNameSkipsTheDriveAndRejectsTheNineCharacters) {
    ExpectNameChecks(dialog, &Dialog::CheckPathName,
                     {{"D:/data/out", true},
                      {"C:\\表\\ソフト", true},
                      {"\\\\server\\share", true},
                      {"relative\\path", true},
                      {"D:/data:out", false},
                      {"C:\\a*b", false},
                      {"C:\\a?b", false},
                      {"C:\\a|b", false},
                      {"C:\\a<b", false},
                      {"C:\\a;b", false},
                      {"C:\\a,b", false},
                      {"C:\\\"a\"", false},
                      {"C:", false},
                      {":", false}},
                     "パス名には以下の文字は使えません！\n        : , ; * ? \" < > |",
                     "パス名のエラー");
}

TEST_F(OpenDialogTest, TransferStopsAtTheFirstBadValue) {
    std::uint8_t number = 7;
    char text[16] = "前";
    dialog.exchange = [&](ExchangeDirection direction) {
        dialog.ExchangeNumber(direction, IDC_NUMBER, number);
        dialog.CheckRange(IDC_NUMBER, number, 1, 122);
        dialog.ExchangeText(direction, IDC_TEXT, text, sizeof text);
    };
    EXPECT_TRUE(dialog.Transfer(ToControls));
    EXPECT_EQ(Text(IDC_NUMBER), "7");
    EXPECT_EQ(Text(IDC_TEXT), "前");

    SetText(IDC_NUMBER, "0");
    SetText(IDC_TEXT, "後");
    test::GuiScript script;
    script.AnswerMessageBox(IDOK, "値のエラー");
    EXPECT_FALSE(dialog.Transfer(FromControls));
    EXPECT_EQ(number, 0);
    EXPECT_STREQ(text, "前") << "fields after the failed check keep their values";

    SetText(IDC_NUMBER, "9");
    EXPECT_TRUE(dialog.Transfer(FromControls));
    EXPECT_EQ(number, 9);
    EXPECT_STREQ(text, "後");
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

TEST_F(OpenDialogTest, SetIconsSetsTheSmallAndTheLargeIcon) {
    EXPECT_EQ(dialog.SetIcons(IDI_TEST), 3u);
    EXPECT_NE(SendMessageA(dialog.Handle(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(SendMessageA(dialog.Handle(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(dialog.SetIcons(IDI_TEST), 3u) << "again, replacing the first pair";
    EXPECT_EQ(dialog.SetIcons(999), 0u);
}

TEST_F(OpenDialogTest, CheckOneOfLeavesOneButtonOfTheGroupChecked) {
    for (int id : kRadios) Check(id, true);
    dialog.CheckOneOf(kRadios, IDC_RADIO_SECOND);
    EXPECT_FALSE(Checked(IDC_RADIO_FIRST));
    EXPECT_TRUE(Checked(IDC_RADIO_SECOND));
    EXPECT_FALSE(Checked(IDC_RADIO_THIRD));
}

TEST_F(OpenDialogTest, SyncEnableChangesTheControlOnlyWhenWantedDiffers) {
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

TEST(ModalDialogTest, KeepsTheDialogOpenUntilTheValuesPass) {
    ExchangeDialog dialog;
    std::uint8_t number = 7;
    std::uint8_t choice = 2;
    dialog.exchange = [&](ExchangeDirection direction) {
        dialog.ExchangeNumber(direction, IDC_NUMBER, number);
        dialog.CheckRange(IDC_NUMBER, number, 1, 122);
        dialog.ExchangeRadio(direction, kRadios, choice);
    };
    test::GuiScript script;
    script
        .OnWindow({"#32770", "交換"},
                  [&](test::UiWindow& window) {
                      EXPECT_EQ(window.Text(IDC_NUMBER), "7") << "OnInit filled the controls";
                      EXPECT_TRUE(window.IsChecked(IDC_RADIO_THIRD));
                      EXPECT_EQ(dialog.Handle(), window.Handle());
                      window.SetText(IDC_NUMBER, "300");
                      window.Click(IDC_RADIO_FIRST);
                      window.Click(IDOK);
                  })
        .AnswerMessageBox(IDOK, "値のエラー")
        .OnWindow({"#32770", "交換"},
                  [&](test::UiWindow& window) {
                      EXPECT_EQ(window.Text(IDC_NUMBER), "122");
                      EXPECT_TRUE(window.HasFocus(IDC_NUMBER));
                      EXPECT_EQ(choice, 2) << "the exchange stopped at the bad value";
                      window.SetText(IDC_NUMBER, "50");
                      window.Click(IDOK);
                  });
    EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(number, 50);
    EXPECT_EQ(choice, 0);
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_EQ(WindowRegistry::Global().Count(), 0);

    // Shown again with the same object.
    script.OnWindow({"#32770", "交換"}, [](test::UiWindow& window) {
        EXPECT_EQ(window.Text(IDC_NUMBER), "50");
        window.Click(IDCANCEL);
    });
    EXPECT_EQ(dialog.RunModal(nullptr), IDCANCEL);
}

TEST(ModalDialogTest, AnExceptionInItsProcedureEndsTheDialogAndReachesTheCaller) {
    ExchangeDialog dialog;
    dialog.exchange = [](ExchangeDirection direction) {
        if (direction == FromControls) throw std::runtime_error("unreadable");
    };
    test::GuiScript script;
    script.OnWindow({"#32770", "交換"}, [](test::UiWindow& window) { window.Click(IDOK); });
    EXPECT_THROW(dialog.RunModal(nullptr), std::runtime_error);
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_EQ(WindowRegistry::Global().Count(), 0);
}

TEST(ModalDialogTest, AMissingTemplateFailsAndLeavesNothingRegistered) {
    Dialog dialog(4711);
    EXPECT_EQ(dialog.RunModal(nullptr), -1);
    EXPECT_FALSE(dialog.Create(nullptr, SW_SHOW));
    EXPECT_EQ(WindowRegistry::Global().Count(), 0);
    EXPECT_EQ(WindowRegistry::Global().IndexOf(&dialog), -1);
}

}  // namespace
