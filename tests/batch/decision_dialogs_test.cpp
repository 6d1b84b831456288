// The three decision dialogs from the program's own templates, driven as the user would:
// opening states, the radio groups, apply-to-all, Escape, stop, and the new-name checks.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "batch/decision_dialogs.h"
#include "support/gui_script.h"
#include "support/temp_dir.h"

namespace {

const test::WindowQuery kClash = {"#32770", "エラー", IDC_CLASH_NEW_NAME};
const test::WindowQuery kCannotConvert = {"#32770", "エラー", IDC_UNCONVERTIBLE_COPY};
const test::WindowQuery kDetection = {"#32770", "文字コード自動判別失敗", IDC_DETECT_EUC};

// What the Escape key does in a dialog: the dialog manager makes it IDCANCEL.
void PressEscape() { PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }

constexpr int kClashRadios[] = {IDC_CLASH_UNIQUE, IDC_CLASH_RENAME, IDC_CLASH_OVERWRITE,
                                IDC_CLASH_SKIP};

TEST(NameClashDialogTest, OpensOnTheKeptChoiceWithTheNameBoxOnlyForANewName) {
    for (std::int32_t choice = 0; choice < 4; ++choice) {
        SCOPED_TRACE(choice);
        NameClashDialog dialog;
        dialog.SetChoice(choice);
        dialog.Prepare("C:\\出力\\表.txt");
        test::GuiScript script;
        script.OnWindow(kClash, [&](test::UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_DECISION_PATH), "C:\\出力\\表.txt");
            EXPECT_EQ(w.Text(IDC_CLASH_NEW_NAME), "表.txt");
            for (std::int32_t i = 0; i < 4; ++i)
                EXPECT_EQ(w.IsChecked(kClashRadios[i]), i == choice) << i;
            EXPECT_TRUE(w.HasFocus(kClashRadios[choice]));
            bool newName = choice == NameClashDialog::NewName;
            EXPECT_EQ(w.IsEnabled(IDC_DECISION_ALL), !newName);
            EXPECT_EQ(w.IsEnabled(IDC_CLASH_NEW_NAME), newName);
            w.Click(IDC_DECISION_STOP);
        });
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kStop);
    }
}

TEST(NameClashDialogTest, ChoosingANewNameDisablesApplyToAllAndEscapeDoesNothing) {
    NameClashDialog dialog;
    dialog.Prepare("C:\\out\\a.txt");
    {
        test::GuiScript script;
        script.OnWindow(kClash, [](test::UiWindow& w) { w.Click(IDC_CLASH_RENAME); })
            .OnWindow(kClash,
                      [](test::UiWindow& w) {
                          EXPECT_FALSE(w.IsEnabled(IDC_DECISION_ALL));
                          EXPECT_TRUE(w.IsEnabled(IDC_CLASH_NEW_NAME));
                          w.Command(IDC_DECISION_ALL);  // refused even when sent
                          PressEscape();
                      })
            .OnWindow(kClash, [](test::UiWindow& w) { w.Click(IDC_CLASH_OVERWRITE); })
            .OnWindow(kClash, [](test::UiWindow& w) {
                EXPECT_TRUE(w.IsEnabled(IDC_DECISION_ALL));
                EXPECT_FALSE(w.IsEnabled(IDC_CLASH_NEW_NAME));
                w.Click(IDC_DECISION_ALL);
            });
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);
    }
    EXPECT_EQ(dialog.Choice(), NameClashDialog::Overwrite);
    EXPECT_TRUE(dialog.AppliesToAll());

    // Applied to all: answered without a window until the next run.
    test::GuiScript quiet;
    quiet.FailOnAnyWindow();
    EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);
}

TEST(NameClashDialogTest, StopEndsAtOnceWithoutTakingTheChoice) {
    NameClashDialog dialog;
    dialog.Prepare("C:\\out\\a.txt");
    test::GuiScript script;
    script.OnWindow(kClash, [](test::UiWindow& w) { w.Click(IDC_CLASH_SKIP); })
        .OnWindow(kClash, [](test::UiWindow& w) { w.Click(IDC_DECISION_STOP); });
    EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kStop);
    EXPECT_EQ(dialog.Choice(), NameClashDialog::UniqueName);
    EXPECT_FALSE(dialog.AppliesToAll());
}

TEST(NameClashDialogTest, ANewNameMustBeGivenFitAndBeFree) {
    test::TempDir dir;
    test::WriteBytes(dir / "taken.txt", "x");
    std::string folder = dir.Path() + "\\";
    const struct {
        std::string name;
        const char* message;  // nullptr: accepted
    } cases[] = {
        {"taken.txt", "そのファイルは既に存在します！"},
        {std::string(platform::kPathBuffer - folder.size(), 'n'), "ファイル名が長くなりすぎます！"},
        {"", "新しい名前を入力して下さい！"},
        {"a?.txt", "ファイル名には以下の文字は使えません！\n       \\ / : , ; * ? \" < > |"},
        {std::string(platform::kMaxPath - folder.size(), 'n'), nullptr},
        {"新しい.txt", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NameClashDialog dialog;
        dialog.Prepare((dir / "a.txt").c_str());
        test::GuiScript script;
        HWND nameBox = nullptr;
        script.OnWindow(kClash, [&](test::UiWindow& w) {
            nameBox = w.Control(IDC_CLASH_NEW_NAME);
            w.Click(IDC_CLASH_RENAME);
            w.SetText(IDC_CLASH_NEW_NAME, c.name);
            w.Click(IDC_DECISION_EXECUTE);
        });
        if (c.message != nullptr) {
            script.AnswerMessageBox(IDOK).OnWindow(
                kClash, [](test::UiWindow& w) { w.Click(IDC_DECISION_STOP); });
        }
        int result = dialog.RunModal(nullptr);
        if (c.message == nullptr) {
            EXPECT_EQ(result, DecisionDialog::kExecute);
            EXPECT_EQ(dialog.NewPath(), folder + c.name);
            EXPECT_TRUE(script.MessageBoxes().empty());
            continue;
        }
        EXPECT_EQ(result, DecisionDialog::kStop) << "the dialog stayed open after the warning";
        ASSERT_EQ(script.MessageBoxes().size(), 1u);
        EXPECT_EQ(script.MessageBoxes()[0].text, c.message);
        EXPECT_EQ(script.MessageBoxes()[0].caption, "ファイル名のエラー");
        EXPECT_EQ(script.MessageBoxes()[0].icon, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(script.MessageBoxes()[0].focusBefore, nameBox);
    }
}

TEST(CannotConvertDialogTest, CopyIsOfferedOnlyWhereItKeepsSomething) {
    for (bool disabled : {false, true}) {
        SCOPED_TRACE(disabled);
        CannotConvertDialog dialog;
        dialog.SetChoice(CannotConvertDialog::Copy);
        dialog.SetCopyDisabled(disabled);
        dialog.SetShownPath("C:\\in\\a.txt");
        test::GuiScript script;
        script.OnWindow(kCannotConvert, [&](test::UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_DECISION_PATH), "C:\\in\\a.txt");
            EXPECT_EQ(w.IsEnabled(IDC_UNCONVERTIBLE_COPY), !disabled);
            EXPECT_EQ(w.IsChecked(IDC_UNCONVERTIBLE_COPY), !disabled);
            EXPECT_EQ(w.IsChecked(IDC_UNCONVERTIBLE_IGNORE), disabled);
            EXPECT_TRUE(w.HasFocus(disabled ? IDC_UNCONVERTIBLE_IGNORE : IDC_UNCONVERTIBLE_COPY));
            PressEscape();
        });
        script.OnWindow(kCannotConvert, [](test::UiWindow& w) { w.Click(IDC_DECISION_EXECUTE); });
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);
        EXPECT_EQ(dialog.Choice(), disabled ? CannotConvertDialog::Ignore : CannotConvertDialog::Copy);
    }
}

TEST(DetectionFailedDialogTest, StartsFromTheSettingsCodeAndReportsEachChoice) {
    const struct {
        CharCode inputCode;
        int preset;
    } presets[] = {{ShiftJis, IDC_DETECT_SHIFT_JIS}, {EucJp, IDC_DETECT_EUC}, {Jis, IDC_DETECT_EUC}};
    for (const auto& p : presets) {
        DetectionFailedDialog dialog;
        dialog.SetChoice(DetectionFailedDialog::Ignore);
        dialog.Preset(p.inputCode);
        dialog.SetCopyDisabled(p.inputCode == Jis);
        test::GuiScript script;
        script.OnWindow(kDetection, [&](test::UiWindow& w) {
            EXPECT_TRUE(w.IsChecked(p.preset)) << p.inputCode;
            EXPECT_TRUE(w.HasFocus(p.preset));
            EXPECT_EQ(w.IsEnabled(IDC_DETECT_COPY), p.inputCode != Jis);
            EXPECT_FALSE(w.IsEnabled(IDC_DETECT_UTF8));
            w.Click(IDC_DECISION_STOP);
        });
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kStop);
    }
    const int radios[] = {IDC_DETECT_SHIFT_JIS, IDC_DETECT_EUC, IDC_DETECT_COPY, IDC_DETECT_IGNORE,
                          IDC_DETECT_UTF8};
    for (std::int32_t choice = 0; choice < 5; ++choice) {
        DetectionFailedDialog dialog;
        dialog.OfferUtf8(true);
        test::GuiScript script;
        script.OnWindow(kDetection, [&](test::UiWindow& w) { w.Click(radios[choice]); })
            .OnWindow(kDetection, [](test::UiWindow& w) { w.Click(IDC_DECISION_EXECUTE); });
        EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);
        EXPECT_EQ(dialog.Choice(), choice);
    }
}

// UTF-8 is offered first for a file that may be UTF-8; chosen for all, it still does not
// answer for a file that may not.
TEST(DetectionFailedDialogTest, OffersUtf8OnlyForAFileThatMayBeUtf8) {
    DetectionFailedDialog dialog;
    dialog.Preset(EucJp);
    dialog.OfferUtf8(true);
    test::GuiScript script;
    script.OnWindow(kDetection, [](test::UiWindow& w) {
        EXPECT_TRUE(w.IsEnabled(IDC_DETECT_UTF8));
        EXPECT_TRUE(w.IsChecked(IDC_DETECT_UTF8));
        w.Click(IDC_DECISION_ALL);
    });
    EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);
    dialog.OfferUtf8(true);
    EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);  // answered at once
    EXPECT_EQ(dialog.Choice(), DetectionFailedDialog::AsUtf8);
    dialog.OfferUtf8(false);
    script.OnWindow(kDetection, [](test::UiWindow& w) {
        EXPECT_FALSE(w.IsEnabled(IDC_DETECT_UTF8));
        EXPECT_TRUE(w.IsChecked(IDC_DETECT_EUC));
        w.Click(IDC_DECISION_EXECUTE);
    });
    EXPECT_EQ(dialog.RunModal(nullptr), DecisionDialog::kExecute);
    EXPECT_EQ(dialog.Choice(), DetectionFailedDialog::AsEuc);
}

}  // namespace
