// A dialog from the test template: number and text exchange, the name check, the message cut.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "framework/dialog.h"
#include "framework/message_box_asker.h"
#include "framework/window.h"
#include "support/gui_script.h"
#include "test_resources.h"

namespace {

// The test template's dialog: OK reads the controls and closes only when they pass.
class ExchangeDialog : public Dialog {
public:
    ExchangeDialog() : Dialog(IDD_EXCHANGE) {}

    void ExchangeData(ExchangeDirection direction) override {
        if (exchange) exchange(direction);
    }
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL))
            return Dialog::DialogProc(message, wParam, lParam);
        if (LOWORD(wParam) == IDCANCEL || Transfer(FromControls)) EndDialog(Handle(), LOWORD(wParam));
        return TRUE;
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
    ExchangeDialog dialog;
};

// Numbers outside 0..255 are clamped, what is no number reads as 0.
TEST_F(OpenDialogTest, ExchangesNumbersBothWaysAndReadsTextsUpToTheSize) {
    const std::pair<const char*, std::uint8_t> reads[] = {
        {"42", 42}, {"300", 255}, {"256", 255}, {"255", 255}, {"-5", 0}, {"0", 0}, {"abc", 0}, {"", 0}};
    for (const auto& [text, read] : reads) {
        SetDlgItemTextA(dialog.Handle(), IDC_NUMBER, text);
        std::uint8_t value = 99;
        dialog.ExchangeNumber(FromControls, IDC_NUMBER, value);
        EXPECT_EQ(value, read) << text;
    }
    std::uint8_t value = 200;
    dialog.ExchangeNumber(ToControls, IDC_NUMBER, value);
    char shown[8] = {};
    GetDlgItemTextA(dialog.Handle(), IDC_NUMBER, shown, sizeof shown);
    EXPECT_STREQ(shown, "200");
    SetDlgItemTextA(dialog.Handle(), IDC_TEXT, "abcdefgh");
    char text[5] = {};
    dialog.ExchangeText(FromControls, IDC_TEXT, text, sizeof text);
    EXPECT_STREQ(text, "abcd") << "the size counts the NUL";
}

// "表" (95 5C) and "ソ" (83 5C) end in trail bytes that are not backslashes: such names pass
// the file-name check.  The refusals and their warnings are the settings sheet's, the
// name-clash dialog's and the output folder's tests.
TEST_F(OpenDialogTest, FileNamesMayHoldCharactersEndingInTheByteOfABackslash) {
    test::GuiScript script;
    script.FailOnAnyWindow();
    for (const char* good : {"表.txt", "表示ソフト_12"})
        EXPECT_NO_THROW(dialog.CheckFileName(IDC_TEXT, good)) << good;
}

// The cut falls inside "表": the lone lead byte is dropped with it.
TEST_F(OpenDialogTest, ShowMessageCutsLongTextsWholeCharactersOnly) {
    std::string longPath(3000, 'a');
    std::string splitAtEnd = std::string(Dialog::kMessageLimit - 1, 'b') + "表";
    test::GuiScript script;
    script.AnswerMessageBox(IDOK).AnswerMessageBox(IDOK);
    dialog.ShowMessage("%s", "長い", MB_OK, longPath.c_str());
    dialog.ShowMessage("%s", "境目", MB_OK, splitAtEnd.c_str());
    ASSERT_EQ(script.MessageBoxes().size(), 2u);
    EXPECT_EQ(script.MessageBoxes()[0].text, longPath.substr(0, Dialog::kMessageLimit));
    EXPECT_EQ(script.MessageBoxes()[1].text, splitAtEnd.substr(0, Dialog::kMessageLimit - 1));
}

TEST_F(OpenDialogTest, AnAskerOwnedByTheDialogAsksOverItsCurrentWindow) {
    MessageBoxAsker asker(dialog);
    test::GuiScript script;
    script.AnswerMessageBox(IDRETRY);
    EXPECT_EQ(asker.Ask({"書き込めません。", "エラー", question::kRetryCancel | question::kIconError}),
              IDRETRY);
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    const test::MessageBoxSeen& box = script.MessageBoxes()[0];
    EXPECT_EQ(box.owner, dialog.Handle());
    EXPECT_EQ(box.text + "|" + box.caption, "書き込めません。|エラー");
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
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
