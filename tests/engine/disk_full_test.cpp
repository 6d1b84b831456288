// A full disk, on a real small file system: ctest mounts a 64 KiB tmpfs with
// tools/small-disk.sh (drive X: in the Wine prefix) and names it in ZEKO_SMALL_DISK.
// Each case fills it, then frees one page, so the engine's first block is only partly
// taken before the disk reports itself full.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine_harness.h"
#include "framework/platform.h"
#include "support/temp_dir.h"

namespace {

using question::kAnswerCancel, question::kAnswerRetry;
constexpr std::uint32_t kPage = 4096;

// Answers Retry or Cancel from a script and checks each question; before the first Retry
// it deletes freeSpace (when named), so that the retry finds room.
struct DiskFullAsker : Asker {
    DiskFullAsker(std::vector<int> script, std::string space) : answers(std::move(script)), freeSpace(std::move(space)) {}
    int Ask(const Question& question) override {
        EXPECT_EQ(question.text.substr(1),
                  " ドライブが一杯です。いくつかファイルを消してもらえれば変換を続けられます。\n"
                  "変換を続ける場合は「再試行」を、変換を中断する場合は「キャンセル」を押して下さい。");
        EXPECT_EQ(question.caption, "ディスクフル");
        EXPECT_EQ(question.style, question::kRetryCancel | question::kIconWarning | question::kDefaultButton2);
        drives += question.text[0];
        if (drives.size() > answers.size()) {
            ADD_FAILURE() << "one question too many";
            return kAnswerCancel;
        }
        const int answer = answers[drives.size() - 1];
        if (answer == kAnswerRetry && !freeSpace.empty()) {
            EXPECT_TRUE(platform::Remove(std::exchange(freeSpace, {}).c_str())) << "cannot free space";
        }
        return answer;
    }
    std::vector<int> answers;
    std::string freeSpace, drives;  // the drive letter of each question
};

// The code a conversion raises (0 when none), and what it gave when it raised none.
std::pair<std::uint32_t, test::Outcome> Attempt(const std::string& input, test::Codes codes, Asker& asker,
                                                const std::string& output) {
    try {
        return {0, test::Convert(input, codes, &asker, 1, output)};
    } catch (std::uint32_t code) {
        return {code, {}};
    }
}

// Cancel, at once or after retries that find the disk still full, raises the disk-full
// code and keeps what the disk took; a Retry after space is freed writes the rest.
TEST(DiskFull, CancelKeepsWhatTheDiskTookAndRetryAfterSpaceIsFreedGoesOn) {
    const std::string disk = test::SmallDisk();
    if (disk.empty()) GTEST_SKIP() << "no small file system (ctest mounts one with tools/small-disk.sh, as root)";
    const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(disk[0])));
    const std::string work = test::Join(disk, "work"), filler = test::Join(work, "filler"),
                      gap = test::Join(work, "gap"), output = test::Join(work, "out.txt");
    test::RemoveTree(work);
    ASSERT_TRUE(platform::MakeDirectory(work.c_str()));
    struct Cleanup {
        const std::string& work;
        ~Cleanup() { test::RemoveTree(work); }
    } cleanup{work};
    ASSERT_EQ(test::FillFile(gap, kPage), kPage);
    if (test::FillFile(filler, 1u << 20) >= 1u << 20) GTEST_SKIP() << disk << " is not small";
    ASSERT_TRUE(platform::Remove(gap.c_str()));
    std::string text;
    for (int i = 0; i < 3 * ConversionEngine::kBlock + 500; ++i) text += static_cast<char>('0' + i % 75);

    const struct {
        std::vector<int> answers;
        test::Codes codes;
        bool free;
    } cases[] = {
        {{kAnswerCancel}, {ShiftJis, EucJp}, false},
        {{kAnswerRetry, kAnswerRetry, kAnswerCancel}, {ShiftJis, EucJp}, false},
        {{kAnswerRetry}, {Plain, ShiftJis, KeepNewline}, true},  // last: it frees the disk
    };
    for (const auto& c : cases) {
        DiskFullAsker asker(c.answers, c.free ? filler : "");
        const auto [raised, outcome] = Attempt(text, c.codes, asker, output);
        EXPECT_EQ(raised, c.free ? 0 : platform::kErrorDiskFull);
        EXPECT_TRUE(c.free ? outcome.converted && outcome.output == text
                           : test::ReadBytes(output) == text.substr(0, kPage)) << c.answers.size();
        EXPECT_EQ(asker.drives, std::string(c.answers.size(), drive));
        ASSERT_TRUE(platform::Remove(output.c_str()));
    }
}

#if !defined(_WIN32)
// /dev/full refuses every byte: each Retry asks again.
TEST(DiskFull, EveryRetryOnAFullDeviceAsksAgainUntilCancel) {
    DiskFullAsker asker({kAnswerRetry, kAnswerCancel}, "");
    EXPECT_EQ(Attempt("abc\n", {Plain, ShiftJis}, asker, "/dev/full").first, platform::kErrorDiskFull);
    EXPECT_EQ(asker.drives, "//");
}
#endif

}  // namespace
