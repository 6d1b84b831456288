// The decision dialogs from the program's own templates, driven as the user would: opening
// states, radio groups, apply-to-all, Escape, stop and the new-name checks.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "batch/decision_dialogs.h"
#include "support/gui_script.h"
#include "support/temp_dir.h"

namespace {

using test::UiWindow;
const test::WindowQuery kClash = {"#32770", "エラー", IDC_CLASH_NEW_NAME};
const test::WindowQuery kDetection = {"#32770", "文字コード自動判別失敗", IDC_DETECT_EUC};

// Opens on the kept choice, with the name box only for a new name, which can never apply to
// all (not even when the command is sent); another choice clicked changes that, and stop ends
// the dialog at once without taking it.
TEST(NameClashDialogTest, OpensOnTheKeptChoiceAndStopTakesNoOther) {
    const int radios[] = {IDC_CLASH_UNIQUE, IDC_CLASH_RENAME, IDC_CLASH_OVERWRITE, IDC_CLASH_SKIP};
    for (std::int32_t choice = 0; choice < 4; ++choice) {
        SCOPED_TRACE(choice);
        NameClashDialog dialog;
        dialog.SetChoice(choice);
        dialog.Prepare("C:\\出力\\表.txt");
        auto expectShown = [](UiWindow& w, bool newName) {
            EXPECT_EQ(w.IsEnabled(IDC_DECISION_ALL), !newName);
            EXPECT_EQ(w.IsEnabled(IDC_CLASH_NEW_NAME), newName);
            if (newName) w.Command(IDC_DECISION_ALL);
        };
        test::GuiScript script;
        script.OnWindow(kClash, [&](UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_DECISION_PATH), "C:\\出力\\表.txt");
            EXPECT_EQ(w.Text(IDC_CLASH_NEW_NAME), "表.txt");
            for (std::int32_t i = 0; i < 4; ++i) EXPECT_EQ(w.IsChecked(radios[i]), i == choice) << i;
            EXPECT_TRUE(w.HasFocus(radios[choice]));
            expectShown(w, choice == NameClashDialog::NewName);
            w.Click(radios[(choice + 1) % 4]);
        }).OnWindow(kClash, [&](UiWindow& w) {
            expectShown(w, choice + 1 == NameClashDialog::NewName);
            w.Click(IDC_DECISION_STOP);
        });
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kStop);
        EXPECT_EQ(dialog.Choice(), choice);
        EXPECT_FALSE(dialog.AppliesToAll());
    }
}

// A refused name is warned about and leaves the dialog open, the focus back in the name box.
TEST(NameClashDialogTest, ANewNameMustBeGivenFitAndBeFree) {
    test::TempDir dir;
    test::WriteBytes(dir / "taken.txt", "x");
    std::string folder = dir.Path() + "\\";
    const struct { std::string name; const char* message; } cases[] = {  // nullptr: accepted
        {"taken.txt", "そのファイルは既に存在します！"},
        {std::string(platform::kPathBuffer - folder.size(), 'n'), "ファイル名が長くなりすぎます！"},
        {"", "新しい名前を入力して下さい！"},
        {"a?.txt", "ファイル名には以下の文字は使えません！\n       \\ / : , ; * ? \" < > |"},
        {std::string(platform::kMaxPath - folder.size(), 'n'), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NameClashDialog dialog;
        dialog.Prepare((dir / "a.txt").c_str());
        test::GuiScript script;
        HWND nameBox = nullptr;
        script.OnWindow(kClash, [&](UiWindow& w) {
            nameBox = w.Control(IDC_CLASH_NEW_NAME);
            w.Click(IDC_CLASH_RENAME);
            w.SetText(IDC_CLASH_NEW_NAME, c.name);
            w.Click(IDC_DECISION_EXECUTE);
        });
        auto stop = [](UiWindow& w) { w.Click(IDC_DECISION_STOP); };
        if (c.message) script.AnswerMessageBox(IDOK).OnWindow(kClash, stop);
        EXPECT_EQ(dialog.RunModal(nullptr), c.message ? DecisionDialog::kStop : DecisionDialog::kExecute);
        ASSERT_EQ(script.MessageBoxes().size(), c.message ? 1u : 0u);
        if (!c.message) {
            EXPECT_EQ(dialog.NewPath(), folder + c.name);
            continue;
        }
        const test::MessageBoxSeen& box = script.MessageBoxes()[0];
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(box.caption, "ファイル名のエラー");
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(box.focusBefore, nameBox);
    }
}

// Copy, checked, is offered only where it keeps something; Escape does nothing.
TEST(CannotConvertDialogTest, CopyIsOfferedOnlyWhereItKeepsSomething) {
    for (bool disabled : {false, true}) {
        CannotConvertDialog dialog;
        dialog.SetChoice(CannotConvertDialog::Copy);
        dialog.SetCopyDisabled(disabled);
        int opensOn = disabled ? IDC_UNCONVERTIBLE_IGNORE : IDC_UNCONVERTIBLE_COPY;
        test::GuiScript script;
        script.OnWindow({"#32770", "エラー", IDC_UNCONVERTIBLE_COPY}, [&](UiWindow& w) {
            EXPECT_EQ(w.IsEnabled(IDC_UNCONVERTIBLE_COPY), !disabled);
            EXPECT_TRUE(w.IsChecked(opensOn) && w.HasFocus(opensOn));
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        }).OnWindow({"#32770", "エラー", IDC_UNCONVERTIBLE_COPY},
                    [](UiWindow& w) { w.Click(IDC_DECISION_EXECUTE); });
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);
        EXPECT_EQ(dialog.Choice(), disabled ? CannotConvertDialog::Ignore : CannotConvertDialog::Copy);
    }
}

// Opens on the settings' input code (EUC-JP for any other), offers copy only where it keeps
// something and UTF-8, first, only for a file that may be UTF-8; reports each choice.
TEST(DetectionFailedDialogTest, StartsFromTheSettingsCodeAndReportsEachChoice) {
    using D = DetectionFailedDialog;
    const struct {
        CharCode inputCode;
        bool copy, utf8;
        int opensOn, click;
        D::Option choice;
    } cases[] = {
        {ShiftJis, true, false, IDC_DETECT_SHIFT_JIS, IDC_DETECT_EUC, D::AsEuc},
        {Jis, false, false, IDC_DETECT_EUC, IDC_DETECT_IGNORE, D::Ignore},
        {EucJp, true, true, IDC_DETECT_UTF8, IDC_DETECT_UTF8, D::AsUtf8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.click);
        D dialog;
        dialog.SetChoice(D::Ignore);
        dialog.Preset(c.inputCode);
        dialog.SetCopyDisabled(!c.copy);
        dialog.OfferUtf8(c.utf8);
        test::GuiScript script;
        script.OnWindow(kDetection, [&](UiWindow& w) {
            EXPECT_TRUE(w.IsChecked(c.opensOn) && w.HasFocus(c.opensOn));
            EXPECT_EQ(w.IsEnabled(IDC_DETECT_COPY), c.copy);
            EXPECT_EQ(w.IsEnabled(IDC_DETECT_UTF8), c.utf8);
            w.Click(c.click);
        }).OnWindow(kDetection, [](UiWindow& w) { w.Click(IDC_DECISION_ALL); });
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);
        EXPECT_EQ(dialog.Choice(), c.choice);
        // Chosen for all, UTF-8 still does not answer for a file that may not be UTF-8.
        dialog.OfferUtf8(c.utf8);
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);  // answered at once
        if (c.choice != D::AsUtf8) continue;
        dialog.OfferUtf8(false);
        script.OnWindow(kDetection, [](UiWindow& w) {
            EXPECT_FALSE(w.IsEnabled(IDC_DETECT_UTF8));
            EXPECT_TRUE(w.IsChecked(IDC_DETECT_EUC));
            w.Click(IDC_DECISION_EXECUTE);
        });
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);
        EXPECT_EQ(dialog.Choice(), D::AsEuc);
    }
}

}  // namespace
