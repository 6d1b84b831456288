// Whole runs through the progress dialog: the worker converts what the list holds, stops
// when told to, and survives a full disk and a failing read with the user's files intact.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "batch/progress_dialog.h"
#include "job_harness.h"
#include "resources/resource_ids.h"
#include "row_list.h"
#include "support/gui_script.h"

namespace {

using test::Repeat;
using test::TemporaryFiles;

constexpr const char* kSjis = "漢字のテキスト\r\n";              // compiled as Shift_JIS
constexpr const char* kEuc = "\xB4\xC1\xBB\xFA\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\n";


class RunTest : public ::testing::Test {
protected:
    RunTest() {
        out = dir / "out";
        platform::MakeDirectory(out.c_str());
        UseOutputFolder(out);
        settings.outputCode = EucJp;
        settings.newline = Lf;
    }
    void UseOutputFolder(const std::string& folder) {
        std::strcpy(settings.outputFolder, folder.c_str());
    }
    // A source file listed for the run; its bytes are checked after every test.
    std::string Source(const std::string& name, const std::string& bytes) {
        std::string path = dir / name;
        test::WriteBytes(path, bytes);
        sources.push_back({path, bytes});
        rows.Add(path);
        return path;
    }
    int Run() { return progress.RunJob(nullptr, rows.Handle(), settings); }

    ~RunTest() override {
        for (const auto& [path, bytes] : sources)
            EXPECT_TRUE(test::ReadBytes(path) == bytes) << path << " changed";
        EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
        EXPECT_TRUE(TemporaryFiles(out).empty());
    }

    test::TempDir dir;
    std::string out;
    Settings settings;
    test::RowList rows;
    ProgressDialog progress;
    std::vector<std::pair<std::string, std::string>> sources;
};

TEST_F(RunTest, ConvertsEveryListedFileIntoTheOutputFolderAndCloses) {
    Source("a.txt", kSjis);
    Source("b.txt", Repeat(kSjis, 2000));  // several blocks
    Source("skipped.bin", kSjis);  // not a text extension
    test::GuiScript script;
    EXPECT_EQ(Run(), IDC_PROGRESS_STOP);
    EXPECT_TRUE(script.MessageBoxes().empty());
    EXPECT_EQ(test::ReadBytes(out + "\\a.txt"), kEuc);
    EXPECT_TRUE(test::ReadBytes(out + "\\b.txt") == Repeat(kEuc, 2000));
    EXPECT_EQ(test::ListNames(out), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(RunTest, StopDuringALargeFileRollsItBackAndStartsNoOther) {
    std::string big = Source("big.txt", Repeat(kSjis, 2 << 20));
    Source("next.txt", kSjis);
    settings.outputCode = Unicode;  // two passes: the intermediate file must go too
    test::GuiScript script(20000);
    // The caption comes before the pair, so the step waits for the output's name; the
    // input's, shown first, ends in view however long the path.
    script.OnWindow({"#32770", "ファイルを変換中...", IDC_PROGRESS_OUTPUT, out + "\\big.txt"},
                    [&](test::UiWindow& w) {
                        EXPECT_EQ(w.Text(IDC_PROGRESS_INPUT), big);
                        w.Click(IDC_PROGRESS_STOP);
                    });
    EXPECT_EQ(Run(), IDC_PROGRESS_STOP);
    EXPECT_TRUE(script.MessageBoxes().empty());
    EXPECT_TRUE(test::ListNames(out).empty());
}

// A real read error: the process's own memory file opens but fails to read at offset 0.
class ReadError : public RunTest, public ::testing::WithParamInterface<int> {};

TEST_P(ReadError, RollsTheFileBackAndAsksWhetherToStop) {
    int answer = GetParam();
    std::string broken = "Z:\\proc\\self\\mem";
    rows.Add(broken);
    Source("b.txt", kSjis);
    settings.anyExtension = 1;
    test::GuiScript script;
    script.AnswerMessageBox(answer, "ファイル操作の異常");
    EXPECT_EQ(Run(), IDC_PROGRESS_STOP);
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    const test::MessageBoxSeen& box = script.MessageBoxes()[0];
    EXPECT_EQ(box.text, broken + "\nファイル操作で何らかの異常が発生しました！ このファイルは飛ばしますが、"
                                 "一旦変換作業全体を中断しますか？");
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
    std::vector<std::string> expected;
    if (answer == IDNO) expected.push_back("b.txt");
    EXPECT_EQ(test::ListNames(out), expected);
}

INSTANTIATE_TEST_SUITE_P(Answers, ReadError, ::testing::Values(IDNO, IDYES));

// The small disk of the test fixture: 64 KiB, so a text of a few blocks fills it.
class DiskFull : public RunTest {
protected:
    void SetUp() override {
        std::string disk = test::SmallDisk();
        if (disk.empty()) GTEST_SKIP() << "no small disk";
        small = disk + "\\run";
        platform::MakeDirectory(small.c_str());
        UseOutputFolder(small);
    }
    void TearDown() override {
        if (small.empty()) return;
        EXPECT_TRUE(TemporaryFiles(small).empty());
        test::RemoveTree(small);
    }
    std::string small;
};

TEST_F(DiskFull, RetryAfterFreeingSpaceCompletesTheFile) {
    std::string text = Repeat("plain text line\r\n", 2000);
    Source("a.txt", text);
    std::string filler = small + "\\filler";
    test::FillDisk(filler, 8192);
    test::GuiScript script;
    script.OnWindow({"#32770", "ディスクフル"}, [&](test::UiWindow& w) {
        DeleteFileA(filler.c_str());
        SendMessageA(w.Handle(), WM_COMMAND, IDRETRY, 0);
    });
    EXPECT_EQ(Run(), IDC_PROGRESS_STOP);
    std::string lf = Repeat("plain text line\n", 2000);
    EXPECT_TRUE(test::ReadBytes(small + "\\a.txt") == lf);
}

// Cancel on the disk-full question rolls the file back; the next question decides
// whether the next file is tried.
class DiskFullCancel : public DiskFull, public ::testing::WithParamInterface<int> {};

TEST_P(DiskFullCancel, RollsBackAndAsksWhetherToGoOn) {
    int answer = GetParam();
    Source("a.txt", Repeat("plain text line\r\n", 8000));
    Source("b.txt", kSjis);
    test::GuiScript script;
    script.AnswerMessageBox(IDCANCEL, "ディスクフル");
    script.AnswerMessageBox(answer, "変換継続の確認");
    EXPECT_EQ(Run(), IDC_PROGRESS_STOP);
    ASSERT_EQ(script.MessageBoxes().size(), 2u);
    EXPECT_EQ(script.MessageBoxes()[1].text, "このまま変換作業を続けますか？");
    EXPECT_EQ(script.MessageBoxes()[1].icon, static_cast<UINT>(MB_ICONINFORMATION));
    std::vector<std::string> expected;
    if (answer == IDYES) expected.push_back("b.txt");
    EXPECT_EQ(test::ListNames(small), expected);
    if (answer == IDYES) {
        EXPECT_EQ(test::ReadBytes(small + "\\b.txt"), kEuc);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, DiskFullCancel, ::testing::Values(IDYES, IDNO));

// The engine's intermediate file goes beside the output, so a current directory where
// nothing can be written (a read-only disk) does not matter, and nothing is left there.
TEST_F(RunTest, UnicodeOutputDoesNotNeedAWritableCurrentDirectory) {
    Source("a.txt", kSjis);
    settings.outputCode = Unicode;
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    const char* readOnly = "R:\\out";
    bool haveReadOnly = test::Exists("R:\\read-only-disk.ok");
    std::string current = haveReadOnly ? readOnly : (dir / "cwd");
    if (!haveReadOnly) platform::MakeDirectory(current.c_str());
    ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));
    test::GuiScript script;
    int result = Run();
    SetCurrentDirectoryA(before);
    EXPECT_EQ(result, IDC_PROGRESS_STOP);
    EXPECT_TRUE(script.MessageBoxes().empty());
    EXPECT_EQ(test::ReadBytes(out + "\\a.txt"),
              std::string("\xFF\xFE\x22\x6F\x57\x5B\x6E\x30\xC6\x30\xAD\x30\xB9\x30\xC8\x30\x0A\x00",
                          18));
    EXPECT_TRUE(TemporaryFiles(current).empty());
    if (!haveReadOnly) GTEST_SKIP() << "no read-only disk: checked only that nothing is left";
}

}  // namespace
