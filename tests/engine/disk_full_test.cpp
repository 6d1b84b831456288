// A full disk, on a real small file system: ctest mounts a 64 KiB tmpfs with
// tools/small-disk.sh (drive X: in the Wine prefix) and names it in ZEKO_SMALL_DISK.
// Each test fills it, then frees one page, so the engine's first block is only partly
// taken before the disk reports itself full.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine_harness.h"
#include "framework/platform.h"
#include "support/temp_dir.h"

namespace {

constexpr std::uint32_t kPage = 4096;
constexpr std::uint32_t kLimit = 1u << 20;  // more than this: not the small disk

std::string Text(int size) {
    std::string text;
    for (int i = 0; i < size; ++i) text += static_cast<char>('0' + i % 75);
    return text;
}


class DiskFull : public ::testing::Test {
protected:
    void SetUp() override {
        std::string disk = test::SmallDisk();
        if (disk.empty())
            GTEST_SKIP() << "no small file system (ctest mounts one with tools/small-disk.sh, "
                            "which needs root)";
        disk_ = disk;
        work_ = test::Join(disk_, "work");
        test::RemoveTree(work_);
        ASSERT_TRUE(platform::MakeDirectory(work_.c_str()));
        filler_ = test::Join(work_, "filler");
        std::string gap = test::Join(work_, "gap");
        ASSERT_EQ(test::FillFile(gap, kPage), kPage);
        if (test::FillFile(filler_, kLimit) >= kLimit) GTEST_SKIP() << disk_ << " is not small";
        ASSERT_TRUE(platform::Remove(gap.c_str()));
    }
    void TearDown() override {
        if (!work_.empty()) test::RemoveTree(work_);
    }

    void ExpectDiskFullQuestions(const test::DiskFullAsker& asker, std::size_t count) {
        char drive = disk_[0] >= 'a' && disk_[0] <= 'z' ? disk_[0] - 'a' + 'A' : disk_[0];
        std::string text = std::string(1, drive) +
                           " ドライブが一杯です。いくつかファイルを消してもらえれば変換を続けられます。\n"
                           "変換を続ける場合は「再試行」を、変換を中断する場合は「キャンセル」を押して下さい。";
        ASSERT_EQ(asker.Asked().size(), count);
        for (const Question& question : asker.Asked()) {
            EXPECT_EQ(question.text, text);
            EXPECT_EQ(question.caption, "ディスクフル");
            EXPECT_EQ(question.style, question::kRetryCancel | question::kIconWarning |
                                          question::kDefaultButton2);
        }
    }

    std::string disk_, work_, filler_;
};

TEST_F(DiskFull, RetryAfterSpaceIsFreedWritesTheMissingPartAndGoesOn) {
    std::string input = Text(3 * ConversionEngine::kBlock + 500);
    test::DiskFullAsker asker({question::kAnswerRetry}, filler_);
    std::string output = test::Join(work_, "out.txt");
    test::Outcome outcome = test::Convert(input, {Plain, ShiftJis, KeepNewline}, &asker, 1, output);
    EXPECT_TRUE(outcome.converted);
    EXPECT_EQ(outcome.output, input);
    ExpectDiskFullQuestions(asker, 1);
}

TEST_F(DiskFull, CancelRaisesTheDiskFullCodeAndKeepsWhatWasWritten) {
    for (std::vector<int> answers : {std::vector<int>{question::kAnswerCancel},
                                     {question::kAnswerRetry, question::kAnswerRetry,
                                      question::kAnswerCancel}}) {
        std::string input = Text(3 * ConversionEngine::kBlock);
        test::DiskFullAsker asker(answers);  // frees nothing: the disk stays full
        std::string output = test::Join(work_, "out.txt");
        try {
            test::Convert(input, {ShiftJis, EucJp}, &asker, 1, output);
            ADD_FAILURE() << "a full disk did not raise";
        } catch (std::uint32_t code) {
            EXPECT_EQ(code, platform::kErrorDiskFull);
        }
        ExpectDiskFullQuestions(asker, answers.size());
        std::string kept = test::ReadBytes(output);
        EXPECT_EQ(kept.size(), kPage);  // the part of the first block the disk took
        EXPECT_EQ(kept, input.substr(0, kept.size()));
        ASSERT_TRUE(platform::Remove(output.c_str()));
    }
}

#if !defined(_WIN32)
// /dev/full refuses every byte: each Retry asks again.
TEST(DiskFullDevice, EveryRetryAsksAgainUntilCancel) {
    test::DiskFullAsker asker({question::kAnswerRetry, question::kAnswerCancel});
    try {
        test::Convert("abc\n", {Plain, ShiftJis}, &asker, 1, "/dev/full");
        ADD_FAILURE() << "/dev/full did not raise";
    } catch (std::uint32_t code) {
        EXPECT_EQ(code, platform::kErrorDiskFull);
    }
    ASSERT_EQ(asker.Asked().size(), 2u);
    EXPECT_EQ(asker.Asked()[0].text.substr(0, 2), "/ ");
}
#endif

}  // namespace
