// A full disk, on a real small file system: ctest mounts a 64 KiB tmpfs with
// tools/small-disk.sh (drive X: in the Wine prefix) and names it in ZEKO_SMALL_DISK.
// Each test fills it, then frees one page, so the engine's first block is only partly
// taken before the disk reports itself full.
#include <gtest/gtest.h>

#include <vector>

#include "engine_harness.h"
#include "framework/platform.h"
#include "support/temp_dir.h"

namespace {

constexpr std::uint32_t kPage = 4096;
constexpr std::uint32_t kLimit = 1u << 20;  // more than this: not the small disk

// Answers Retry or Cancel from a script and checks each question; before the first Retry
// it deletes freeSpace (when named), so that the retry finds room.
struct DiskFullAsker : Asker {
    DiskFullAsker(std::vector<int> script, std::string space = {})
        : answers(std::move(script)), freeSpace(std::move(space)) {}
    int Ask(const Question& question) override {
        EXPECT_EQ(question.text.substr(1),
                  " ドライブが一杯です。いくつかファイルを消してもらえれば変換を続けられます。\n"
                  "変換を続ける場合は「再試行」を、変換を中断する場合は「キャンセル」を押して下さい。");
        EXPECT_EQ(question.caption, "ディスクフル");
        EXPECT_EQ(question.style,
                  question::kRetryCancel | question::kIconWarning | question::kDefaultButton2);
        drives += question.text[0];
        if (drives.size() > answers.size()) {
            ADD_FAILURE() << "one question too many";
            return question::kAnswerCancel;
        }
        const int answer = answers[drives.size() - 1];
        if (answer == question::kAnswerRetry && !freeSpace.empty()) {
            EXPECT_TRUE(platform::Remove(freeSpace.c_str())) << "cannot free " << freeSpace;
            freeSpace.clear();
        }
        return answer;
    }
    std::vector<int> answers;
    std::string freeSpace, drives;  // the drive letter of each question
};

// The code a conversion raises; 0 when it raises none.
std::uint32_t Raised(const std::string& input, test::Codes codes, Asker& asker,
                     const std::string& output) {
    try {
        test::Convert(input, codes, &asker, 1, output);
    } catch (std::uint32_t code) {
        return code;
    }
    return 0;
}

class DiskFull : public ::testing::Test {
protected:
    void SetUp() override {
        std::string disk = test::SmallDisk();
        if (disk.empty())
            GTEST_SKIP() << "no small file system (ctest mounts one with tools/small-disk.sh, "
                            "which needs root)";
        drive = static_cast<char>(disk[0] >= 'a' && disk[0] <= 'z' ? disk[0] - 'a' + 'A' : disk[0]);
        work = test::Join(disk, "work");
        test::RemoveTree(work);
        ASSERT_TRUE(platform::MakeDirectory(work.c_str()));
        filler = test::Join(work, "filler");
        output = test::Join(work, "out.txt");
        std::string gap = test::Join(work, "gap");
        ASSERT_EQ(test::FillFile(gap, kPage), kPage);
        if (test::FillFile(filler, kLimit) >= kLimit) GTEST_SKIP() << disk << " is not small";
        ASSERT_TRUE(platform::Remove(gap.c_str()));
        for (int i = 0; i < 3 * ConversionEngine::kBlock + 500; ++i)
            text += static_cast<char>('0' + i % 75);
    }
    void TearDown() override {
        if (!work.empty()) test::RemoveTree(work);
    }

    char drive = 0;
    std::string work, filler, output, text;
};

TEST_F(DiskFull, RetryAfterSpaceIsFreedWritesTheMissingPartAndGoesOn) {
    DiskFullAsker asker({question::kAnswerRetry}, filler);
    test::Outcome outcome = test::Convert(text, {Plain, ShiftJis, KeepNewline}, &asker, 1, output);
    EXPECT_TRUE(outcome.converted);
    EXPECT_TRUE(outcome.output == text);
    EXPECT_EQ(asker.drives, std::string(1, drive));
}

TEST_F(DiskFull, CancelRaisesTheDiskFullCodeAndKeepsWhatWasWritten) {
    using question::kAnswerCancel, question::kAnswerRetry;
    for (std::vector<int> answers : {std::vector<int>{kAnswerCancel},
                                     {kAnswerRetry, kAnswerRetry, kAnswerCancel}}) {
        DiskFullAsker asker(answers);  // frees nothing: the disk stays full
        EXPECT_EQ(Raised(text, {ShiftJis, EucJp}, asker, output), platform::kErrorDiskFull);
        EXPECT_EQ(asker.drives, std::string(answers.size(), drive));
        EXPECT_EQ(test::ReadBytes(output), text.substr(0, kPage));  // what the disk took
        ASSERT_TRUE(platform::Remove(output.c_str()));
    }
}

#if !defined(_WIN32)
// /dev/full refuses every byte: each Retry asks again.
TEST(DiskFullDevice, EveryRetryAsksAgainUntilCancel) {
    DiskFullAsker asker({question::kAnswerRetry, question::kAnswerCancel});
    EXPECT_EQ(Raised("abc\n", {Plain, ShiftJis}, asker, "/dev/full"), platform::kErrorDiskFull);
    EXPECT_EQ(asker.drives, "//");
}
#endif

}  // namespace
