// Whole runs that ask: a name clash in the output folder, a file whose code cannot be
// told, and a file that is no text, each answered every way the dialog offers, for one
// file or with "すべてこの設定" for the rest of the run.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "acceptance_harness.h"
#include "framework/platform.h"
#include "resources/resource_ids.h"

namespace {

using accept::kAsWritten;
using accept::Sample;
using Expected = std::vector<std::pair<const char*, std::optional<std::string>>>;

const std::string kOld = "an earlier output\r\n";

struct Answer {
    const char* name;
    int choice;
    bool forAll;
    Expected outputs;  // beyond the files already there, which stay unless named
};

// Two sources, a.txt and b.txt, to convert to EUC-JP into an output folder that holds
// both names already.
void StartClashingRun(accept::Scenario& s) {
    std::string a = s.Source("a.txt", Sample(ShiftJis, kAsWritten));
    std::string b = s.Source("b.txt", Sample(Jis, kAsWritten));
    s.Existing("a.txt", kOld);
    s.Existing("b.txt", kOld);
    s.ChangeSettings({{accept::kOutputPage, IDC_PRESET_UNIX}});
    s.Convert({a, b}, s.OutputFolder());
}

TEST(Acceptance, NameClashesAreSettledAsAnsweredForOneFileOrForAll) {
    const std::string euc = Sample(EucJp, Lf);
    const Answer answers[] = {
        {"unique name", IDC_CLASH_UNIQUE, false, {{"Z_a.txt", euc}, {"Z_b.txt", euc}}},
        {"unique name for all", IDC_CLASH_UNIQUE, true, {{"Z_a.txt", euc}, {"Z_b.txt", euc}}},
        {"overwrite", IDC_CLASH_OVERWRITE, false, {{"a.txt", euc}, {"b.txt", euc}}},
        {"overwrite for all", IDC_CLASH_OVERWRITE, true, {{"a.txt", euc}, {"b.txt", euc}}},
        {"do not convert", IDC_CLASH_SKIP, false, {}},
        {"do not convert for all", IDC_CLASH_SKIP, true, {}},
    };
    for (const Answer& answer : answers) {
        SCOPED_TRACE(answer.name);
        accept::Scenario s;
        StartClashingRun(s);
        for (const auto& [path, bytes] : answer.outputs) s.ExpectOutput(path, bytes);
        // With すべてこの設定 the second clash is settled without a dialog; one more would
        // keep the run from ending.
        s.Decide(accept::kNameClash, answer.choice, answer.forAll, [&](test::UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_DECISION_PATH), s.OutputPath("a.txt"));
            EXPECT_TRUE(w.IsChecked(IDC_CLASH_UNIQUE)) << "the first choice offered";
        });
        if (!answer.forAll) {
            s.Decide(accept::kNameClash, answer.choice, false, [&](test::UiWindow& w) {
                EXPECT_EQ(w.Text(IDC_DECISION_PATH), s.OutputPath("b.txt"));
                EXPECT_TRUE(w.IsChecked(answer.choice)) << "the last choice offered again";
            });
        }
        if (answer.choice == IDC_CLASH_SKIP) s.Summary("変換 0、コピー 0、無視 2、失敗 0、拡張子で除外 0");
        s.Run();
        EXPECT_EQ(s.Saved().outputCode, EucJp);
    }
}

TEST(Acceptance, ANameClashAnsweredWithANewNameWritesThatFileAndCannotApplyToAll) {
    const std::string euc = Sample(EucJp, Lf);
    accept::Scenario s;
    s.Existing("taken.txt", kOld);
    s.ExpectOutput("新しい名前.txt", euc);
    s.ExpectOutput("b2.txt", euc);
    StartClashingRun(s);
    // A name that is taken is refused and the dialog stays.
    s.Script().OnWindow(accept::kNameClash, [](test::UiWindow& w) {
        accept::Press(w, IDC_CLASH_RENAME);
        EXPECT_FALSE(w.IsEnabled(IDC_DECISION_ALL));
        EXPECT_TRUE(w.IsEnabled(IDC_CLASH_NEW_NAME));
        w.SetText(IDC_CLASH_NEW_NAME, "taken.txt");
        w.Click(IDC_DECISION_EXECUTE);
    });
    s.Script().AnswerMessageBox(IDOK, "ファイル名のエラー");
    s.Script().OnWindow(accept::kNameClash, [](test::UiWindow& w) {
        w.SetText(IDC_CLASH_NEW_NAME, "新しい名前.txt");
        accept::Press(w, IDC_DECISION_EXECUTE);
    });
    s.Script().OnWindow(accept::kNameClash, [](test::UiWindow& w) {
        EXPECT_TRUE(w.IsChecked(IDC_CLASH_RENAME));
        w.SetText(IDC_CLASH_NEW_NAME, "b2.txt");
        accept::Press(w, IDC_DECISION_EXECUTE);
    });
    s.Run();
    ASSERT_EQ(s.MessageBoxes().size(), 1u);
    EXPECT_EQ(s.MessageBoxes()[0].text, "そのファイルは既に存在します！");
}

TEST(Acceptance, StoppingAtANameClashEndsTheRunBeforeTheNextFile) {
    accept::Scenario s;
    StartClashingRun(s);
    s.Script().OnWindow(accept::kNameClash, [](test::UiWindow& w) {
        w.Click(IDC_DECISION_STOP);
    });
    s.Run();
}

// A second run in the same session asks again, offering the choice of the first.
TEST(Acceptance, ANewRunAsksAgainAfterApplyToAllAndOffersTheLastChoice) {
    const std::string euc = Sample(EucJp, Lf);
    accept::Scenario s;
    StartClashingRun(s);
    s.ExpectOutput("a.txt", euc);
    s.ExpectOutput("b.txt", euc);
    s.ExpectOutput("Z_a.txt", euc);
    s.Decide(accept::kNameClash, IDC_CLASH_OVERWRITE, true);
    // The same files again: the list keeps its rows and ignores the repeated drop.
    s.Convert({s.SourcePath("a.txt"), s.SourcePath("b.txt")}, s.OutputFolder());
    s.Decide(accept::kNameClash, IDC_CLASH_UNIQUE, false, [](test::UiWindow& w) {
        EXPECT_TRUE(w.IsChecked(IDC_CLASH_OVERWRITE));
    });
    s.Decide(accept::kNameClash, IDC_CLASH_SKIP);
    s.Summary("変換 1、コピー 0、無視 1、失敗 0、拡張子で除外 0");
    s.Run();
}

// Two files that both codes could have written ("のテキスト" in EUC-JP is a run of
// half-width katakana in Shift_JIS), converted to JIS.
struct Ambiguity {
    const char* name;
    int inputPreset;  // on the input code page, or 0
    int offered;      // the choice the dialog opens with
    int choice;
    bool forAll;
    std::optional<std::string> output;  // of each file
};

TEST(Acceptance, AnUndecidableCodeIsSettledAsAnswered) {
    const std::string text("\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\r\n");
    const std::string asEuc("\x1B\x24\x42\x24\x4E\x25\x46\x25\x2D\x25\x39\x25\x48\x1B\x28\x42\r\n");
    const std::string asKana("\x1B\x28\x49\x24\x4E\x25\x46\x25\x2D\x25\x39\x25\x48\x1B\x28\x42\r\n");
    const Ambiguity cases[] = {
        {"as EUC-JP", 0, IDC_DETECT_EUC, IDC_DETECT_EUC, false, asEuc},
        {"as EUC-JP for all", 0, IDC_DETECT_EUC, IDC_DETECT_EUC, true, asEuc},
        {"as Shift_JIS, offered first", IDC_PRESET_WINDOWS, IDC_DETECT_SHIFT_JIS,
         IDC_DETECT_SHIFT_JIS, false, asKana},
        {"as Shift_JIS for all", 0, IDC_DETECT_EUC, IDC_DETECT_SHIFT_JIS, true, asKana},
        {"copy", 0, IDC_DETECT_EUC, IDC_DETECT_COPY, false, text},
        {"copy for all", 0, IDC_DETECT_EUC, IDC_DETECT_COPY, true, text},
        {"ignore", 0, IDC_DETECT_EUC, IDC_DETECT_IGNORE, false, std::nullopt},
        {"ignore for all", 0, IDC_DETECT_EUC, IDC_DETECT_IGNORE, true, std::nullopt},
    };
    for (const Ambiguity& c : cases) {
        SCOPED_TRACE(c.name);
        accept::Scenario s;
        std::string first = s.Source("1.txt", text);
        std::string second = s.Source("2.txt", text);
        s.ExpectOutput("1.txt", c.output);
        s.ExpectOutput("2.txt", c.output);
        std::vector<accept::SheetAction> actions = {{accept::kOutputPage, IDC_OUT_JIS},
                                                    {accept::kOutputPage, IDC_OUT_CRLF}};
        if (c.inputPreset != 0) actions.push_back({accept::kInputPage, c.inputPreset});
        s.ChangeSettings(actions);
        platform::MakeDirectory(s.OutputFolder().c_str());
        s.Convert({first, second}, s.OutputFolder(), accept::FolderEntry::Dropped);
        s.Decide(accept::kDetectionFailed, c.choice, c.forAll, [&](test::UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_DECISION_PATH), first);
            EXPECT_TRUE(w.IsChecked(c.offered));
            EXPECT_TRUE(w.IsEnabled(IDC_DETECT_COPY));
            EXPECT_FALSE(w.IsEnabled(IDC_DETECT_UTF8));  // A4 is no UTF-8 lead byte
        });
        if (!c.forAll) s.Decide(accept::kDetectionFailed, c.choice);
        if (c.choice == IDC_DETECT_COPY) s.Summary("変換 0、コピー 2、無視 0、失敗 0、拡張子で除外 0");
        if (c.choice == IDC_DETECT_IGNORE) s.Summary("変換 0、コピー 0、無視 2、失敗 0、拡張子で除外 0");
        s.Run();
        EXPECT_EQ(s.Saved().inputCode, c.inputPreset != 0 ? ShiftJis : EucJp);
    }
}

// Bytes no text holds ("PK" archive header, control bytes), with a .txt name, beside a
// text that converts in the same run.
struct NotText {
    const char* name;
    NoOutputAction inPlace;  // DoNotConvert: into the output folder
    int choice;
    bool copyOffered;
};

TEST(Acceptance, AFileThatIsNoTextIsCopiedAsItIsOrIgnoredButNeverConverted) {
    const std::string binary("PK\x03\x04\x14\x00\x00\x00\x08\x00\r\n\x80\xFF", 14);
    const NotText cases[] = {
        {"copied into the output folder", DoNotConvert, IDC_UNCONVERTIBLE_COPY, true},
        {"ignored", DoNotConvert, IDC_UNCONVERTIBLE_IGNORE, true},
        {"ignored when replacing in place", ReplaceOriginal, IDC_UNCONVERTIBLE_IGNORE, false},
        {"copied under a unique name", NewUniqueFile, IDC_UNCONVERTIBLE_COPY, true},
    };
    const std::string euc = Sample(EucJp, Lf);
    for (const NotText& c : cases) {
        SCOPED_TRACE(c.name);
        accept::Scenario s;
        std::string bin = s.Source("bin.txt", binary);
        std::string text = s.Source("text.txt", Sample(ShiftJis, kAsWritten));
        bool copied = c.choice == IDC_UNCONVERTIBLE_COPY;
        std::vector<accept::SheetAction> actions = {{accept::kOutputPage, IDC_PRESET_UNIX}};
        switch (c.inPlace) {
        case DoNotConvert:
            s.ExpectOutput("bin.txt", copied ? std::optional(binary) : std::nullopt);
            s.ExpectOutput("text.txt", euc);
            break;
        case ReplaceOriginal:
            actions.push_back({accept::kGeneralPage, IDC_NO_OUTPUT_REPLACE});
            s.ExpectSource("text.txt", euc);
            break;
        default:
            actions.push_back({accept::kGeneralPage, IDC_NO_OUTPUT_UNIQUE});
            s.ExpectSource("Z_bin.txt", binary);
            s.ExpectSource("Z_text.txt", euc);
            break;
        }
        s.ChangeSettings(actions);
        s.Convert({bin, text}, c.inPlace == DoNotConvert ? s.OutputFolder() : "");
        if (c.inPlace == DoNotConvert) s.Script().AnswerMessageBox(IDYES, "出力先の不在");
        s.Decide(accept::kCannotConvert, c.choice, false, [&](test::UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_DECISION_PATH), bin);
            EXPECT_EQ(w.IsEnabled(IDC_UNCONVERTIBLE_COPY), c.copyOffered);
        });
        // The run's other file converted; this one is listed with what became of it.
        s.Summary(copied ? "変換 1、コピー 1、無視 0、失敗 0、拡張子で除外 0"
                         : "変換 1、コピー 0、無視 1、失敗 0、拡張子で除外 0",
                  [&](test::UiWindow& w) {
                      EXPECT_EQ(w.Text(IDC_SUMMARY_FILES),
                                bin + (copied ? "\r\n　変換せずにコピーしました\r\n"
                                              : "\r\n　正しい変換が行えないので無視しました\r\n"));
                  });
        s.Run();
    }
}

}  // namespace
