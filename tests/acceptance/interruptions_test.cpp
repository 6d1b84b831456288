// Whole runs that are cut short: the user stops a large file, the disk fills up mid-file,
// and a file cannot be read.  The file at hand is rolled back; the answers decide whether
// the next one is tried.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "acceptance_harness.h"
#include "framework/platform.h"
#include "resources/resource_ids.h"

namespace {

using accept::kAsWritten;
using accept::Sample;
using test::Repeat;


TEST(Acceptance, StoppingDuringALargeFileRollsItBackAndStartsNoOther) {
    accept::Scenario s(20000);
    // Large enough (61 MB) for the run to be caught in it on a busy machine.
    std::string big = s.Source("a-big.txt", Repeat(Sample(ShiftJis, kAsWritten), 1200000));
    std::string next = s.Source("b-next.txt", Sample(ShiftJis, kAsWritten));
    // To UTF-16, the slowest conversion, through the code page.
    s.ChangeSettings({{accept::kOutputPage, IDC_OUT_UNICODE}, {accept::kOutputPage, IDC_OUT_CRLF}});
    platform::MakeDirectory(s.OutputFolder().c_str());
    s.Convert({big, next}, s.OutputFolder(), accept::FolderEntry::Dropped);
    // The worker shows the caption, then the input, then the output: once the output is
    // there, the pair it is converting is.
    test::WindowQuery converting = accept::kConverting;
    converting.controlId = IDC_PROGRESS_OUTPUT;
    converting.controlText = s.OutputPath("a-big.txt");
    s.Script().OnWindow(converting, [&](test::UiWindow& w) {
        EXPECT_EQ(w.Text(IDC_PROGRESS_INPUT), big);
        w.Click(IDC_PROGRESS_STOP);
    });
    s.Run();
    EXPECT_TRUE(s.MessageBoxes().empty());
}

// The small disk: the output folder on it, the rest of it taken but for 8 KiB, so the
// first file (34 000 bytes) cannot be written whole.
class DiskFull : public ::testing::Test {
protected:
    void SetUp() override {
        disk_ = test::SmallDisk();
        if (disk_.empty()) GTEST_SKIP() << "no small disk";
        scenario_.emplace();
        accept::Scenario& s = *scenario_;
        s.MoveOutputFolder(disk_ + "\\accept");
        platform::MakeDirectory(s.OutputFolder().c_str());
        first_ = s.Source("a.txt", Repeat("plain text line\r\n", 2000));
        second_ = s.Source("b.txt", Sample(ShiftJis, kAsWritten));
        filler_ = disk_ + "\\accept-filler";
        test::FillDisk(filler_, 8192);
        s.ChangeSettings({{accept::kOutputPage, IDC_PRESET_UNIX}});
        s.Convert({first_, second_}, s.OutputFolder());
    }
    void TearDown() override {
        scenario_.reset();
        if (!filler_.empty()) platform::Remove(filler_.c_str());
    }

    std::string disk_;
    std::optional<accept::Scenario> scenario_;
    std::string first_, second_, filler_;
};

TEST_F(DiskFull, RetryAfterFreeingSpaceCompletesTheFileAndTheRun) {
    accept::Scenario& s = *scenario_;
    s.Script().OnWindow({"#32770", "ディスクフル"}, [this](test::UiWindow& w) {
        platform::Remove(filler_.c_str());
        SendMessageA(w.Handle(), WM_COMMAND, IDRETRY, 0);
    });
    s.ExpectOutput("a.txt", Repeat("plain text line\n", 2000));
    s.ExpectOutput("b.txt", Sample(EucJp, Lf));
    s.Run();
}

class DiskFullCancel : public DiskFull, public ::testing::WithParamInterface<int> {};

TEST_P(DiskFullCancel, RollsTheFileBackAndAsksWhetherToGoOnWithTheNext) {
    int answer = GetParam();
    accept::Scenario& s = *scenario_;
    s.Script().AnswerMessageBox(IDCANCEL, "ディスクフル");
    s.Script().AnswerMessageBox(answer, "変換継続の確認");
    if (answer == IDYES) {
        s.ExpectOutput("b.txt", Sample(EucJp, Lf));
        s.Summary("変換 1、コピー 0、無視 0、失敗 1、拡張子で除外 0");
    }
    s.Run();
    ASSERT_EQ(s.MessageBoxes().size(), 2u);
    EXPECT_EQ(s.MessageBoxes()[1].text, "このまま変換作業を続けますか？");
}

INSTANTIATE_TEST_SUITE_P(Answers, DiskFullCancel, ::testing::Values(IDYES, IDNO));

// The process's own memory file opens but cannot be read at its start: a real read
// error.  It sorts before the text that follows it in the list.
class ReadError : public ::testing::TestWithParam<int> {};

TEST_P(ReadError, RollsTheFileBackAndAsksWhetherToStop) {
    int answer = GetParam();
    const std::string broken = "Z:\\proc\\self\\mem";
    accept::Scenario s;
    std::string text = s.Source("z.txt", Sample(Jis, kAsWritten));
    if (answer == IDNO) s.ExpectOutput("z.txt", Sample(EucJp, Lf));
    s.ChangeSettings({{accept::kOutputPage, IDC_PRESET_UNIX}});
    s.Convert({broken, text}, s.OutputFolder());
    s.Script().AnswerMessageBox(IDYES, "出力先の不在");
    s.Script().AnswerMessageBox(answer, "ファイル操作の異常");
    if (answer == IDNO) s.Summary("変換 1、コピー 0、無視 0、失敗 1、拡張子で除外 0");
    s.Run();
    ASSERT_EQ(s.MessageBoxes().size(), 2u);
    EXPECT_EQ(s.MessageBoxes()[1].text,
              broken + "\nファイル操作で何らかの異常が発生しました！ このファイルは飛ばしますが、"
                       "一旦変換作業全体を中断しますか？");
}

INSTANTIATE_TEST_SUITE_P(Answers, ReadError, ::testing::Values(IDNO, IDYES));

}  // namespace
