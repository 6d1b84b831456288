// The engine's frame (the codes it takes, the running flag, what a failure and a full
// disk leave), newline translation, katakana widening and the plain copy.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "engine/code_detector.h"
#include "engine_harness.h"
#include "framework/platform.h"
#include "support/silent_asker.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using test::Convert;
using test::Hex;
using question::kAnswerCancel, question::kAnswerRetry;

// What a call raises, as its type and value; "" when it raises nothing.
std::string Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (std::int32_t code) {
        return "int32 " + std::to_string(code);
    } catch (std::uint32_t code) {
        return "uint32 " + std::to_string(code);
    }
    return "";
}
const std::string kDiskFull = "uint32 " + std::to_string(platform::kErrorDiskFull);

// Codes outside their ranges, and a cleared running flag, stop before anything is written.
TEST(EngineCodes, BadCodesAndAClearedRunningFlagWriteNothing) {
    for (test::Codes c : std::initializer_list<test::Codes>{{Keep, ShiftJis}, {NotText, ShiftJis},
             {Ambiguous, ShiftJis}, {-1, ShiftJis}, {INT_MIN, ShiftJis}, {255, ShiftJis}, {ShiftJis, Plain},
             {ShiftJis, -1}, {ShiftJis, INT_MAX}, {ShiftJis, ShiftJis, 4}, {ShiftJis, ShiftJis, -1},
             {ShiftJis, ShiftJis, CrLf, 2}, {ShiftJis, ShiftJis, CrLf, -1}}) {
        test::Outcome refused = Convert("abc\r\n", c);
        EXPECT_TRUE(!refused.converted && refused.output.empty()) << c.input << "/" << c.output
                                                                  << "/" << c.newline << "/" << c.widenKana;
    }
    for (std::int32_t input : {Jis, ShiftJis, EucJp, Unicode, Plain, Utf8}) {
        for (std::int32_t output : {Jis, ShiftJis, EucJp, Unicode, Utf8}) {
            test::Outcome stopped = Convert(input == Unicode ? "a\0b\0"s : "ab", {input, output}, nullptr, 0);
            EXPECT_TRUE(!stopped.converted && stopped.output.empty()) << input << " to " << output;
        }
        EXPECT_TRUE(Convert("", {input, ShiftJis}, nullptr, 0).converted) << input;
    }
}

// A failure keeps the blocks written and drops what was buffered (text whose bytes differ
// from block to block shows a byte read twice or lost).  A read failure raises FileHandle's
// E_FAIL (in the detector too), a write failure the Win32 code, unasked; files stay as they were.
TEST(EngineFailures, KeepWhatWasWrittenAndPassThroughWithoutAQuestion) {
    constexpr int kBlock = ConversionEngine::kBlock;
    std::string text;
    for (int i = 0; i < kBlock + 808; ++i) text += static_cast<char>('!' + i % 89);
    const test::Outcome late = Convert(text + '\0' + "rest", {ShiftJis, ShiftJis});
    EXPECT_TRUE(!late.converted && late.output == text.substr(0, kBlock)) << late.output.size();
    const test::Outcome run = Convert(test::Repeat(Hex("82 A0"), 5000) + Hex("82 0A"), {ShiftJis, EucJp});
    EXPECT_TRUE(!run.converted && run.output == test::Repeat(Hex("A4 A2"), kBlock / 2)) << run.output.size();

    test::TempDir dir;
    test::WriteBytes(dir / "in", "abc");
    test::WriteBytes(dir / "out", "old");
    test::SilentAsker asker;
    RunningFlag running{1};
    for (const auto& [access, expected] :
         {std::pair{platform::kGenericWrite, "int32 " + std::to_string(platform::kEFail)},
          {platform::kGenericRead, "uint32 " + std::to_string(platform::kErrorAccessDenied)}}) {
        FileHandle in, out;
        EXPECT_TRUE(in.Open((dir / "in").c_str(), access, platform::kShareRead, platform::kOpenExisting, 0) &&
                    out.Open((dir / "out").c_str(), access, platform::kShareRead, platform::kOpenExisting, 0));
        if (access == platform::kGenericWrite) {
            EXPECT_EQ(Raised([&] { CodeDetector().Detect(in, &running); }), expected);
        }
        EXPECT_EQ(Raised([&] { ConversionEngine().Convert(asker, &running, in, out, ShiftJis, CrLf, ShiftJis, 0); }),
                  expected);
    }
    EXPECT_TRUE(asker.Asked().empty());
    EXPECT_TRUE(test::ReadBytes(dir / "in") == "abc" && test::ReadBytes(dir / "out") == "old");
}

// Answers Retry or Cancel from a script and checks each question; before the first Retry
// it deletes freeSpace (when named), so that the retry finds room.
struct DiskFullAsker : Asker {
    DiskFullAsker(std::vector<int> script, std::string space) : answers(std::move(script)), freeSpace(std::move(space)) {}
    int Ask(const Question& question) override {
        EXPECT_EQ(question.text.substr(1),
                  " ドライブが一杯です。いくつかファイルを消してもらえれば変換を続けられます。\n"
                  "変換を続ける場合は「再試行」を、変換を中断する場合は「キャンセル」を押して下さい。");
        EXPECT_TRUE(question.caption == "ディスクフル" &&
                    question.style == (question::kRetryCancel | question::kIconWarning | question::kDefaultButton2));
        drives += question.text[0];
        EXPECT_LE(drives.size(), answers.size()) << "one question too many";
        const int answer = drives.size() <= answers.size() ? answers[drives.size() - 1] : kAnswerCancel;
        if (answer == kAnswerRetry && !freeSpace.empty()) {
            EXPECT_TRUE(platform::Remove(std::exchange(freeSpace, {}).c_str())) << "cannot free space";
        }
        return answer;
    }
    std::vector<int> answers;
    std::string freeSpace, drives;  // the drive letter of each question
};

// A real small disk (tools/small-disk.sh mounts it for ctest, as drive X: under Wine), filled
// but for one page, so the engine's first block is only partly taken.  Cancel, at once or
// after retries, raises the disk-full code and keeps what the disk took; a Retry after space
// is freed writes the rest.
TEST(DiskFull, CancelKeepsWhatTheDiskTookAndRetryAfterSpaceIsFreedGoesOn) {
    const std::string disk = test::SmallDisk();
    if (disk.empty()) GTEST_SKIP() << "no small file system (ctest mounts one with tools/small-disk.sh, as root)";
    const std::string work = test::Join(disk, "work"), filler = test::Join(work, "filler"),
                      gap = test::Join(work, "gap"), output = test::Join(work, "out.txt");
    test::RemoveTree(work);
    ASSERT_TRUE(platform::MakeDirectory(work.c_str()));
    const std::shared_ptr<void> cleanup(nullptr, [&](void*) { test::RemoveTree(work); });
    constexpr std::uint32_t kPage = 4096;
    ASSERT_EQ(test::FillFile(gap, kPage), kPage);
    if (test::FillFile(filler, 1u << 20) >= 1u << 20) GTEST_SKIP() << disk << " is not small";
    ASSERT_TRUE(platform::Remove(gap.c_str()));
    std::string text;
    for (int i = 0; i < 3 * ConversionEngine::kBlock + 500; ++i) text += static_cast<char>('0' + i % 75);

    const struct { std::vector<int> answers; test::Codes codes; bool free; } cases[] = {
        {{kAnswerCancel}, {ShiftJis, EucJp}, false}, {{kAnswerRetry, kAnswerRetry, kAnswerCancel}, {ShiftJis, EucJp}, false},
        {{kAnswerRetry}, {Plain, ShiftJis, KeepNewline}, true}};  // last: it frees the disk
    for (const auto& c : cases) {
        DiskFullAsker asker(c.answers, c.free ? filler : "");
        test::Outcome outcome{};
        EXPECT_EQ(Raised([&] { outcome = Convert(text, c.codes, &asker, 1, output); }), c.free ? "" : kDiskFull);
        EXPECT_TRUE(c.free ? outcome.converted && outcome.output == text
                           : test::ReadBytes(output) == text.substr(0, kPage)) << c.answers.size();
        EXPECT_EQ(asker.drives, std::string(c.answers.size(), static_cast<char>(std::toupper(disk[0]))));
        ASSERT_TRUE(platform::Remove(output.c_str()));
    }
}

#if !defined(_WIN32)
// /dev/full refuses every byte: each Retry asks again.
TEST(DiskFull, EveryRetryOnAFullDeviceAsksAgainUntilCancel) {
    DiskFullAsker asker({kAnswerRetry, kAnswerCancel}, "");
    EXPECT_EQ(Raised([&] { Convert("abc\n", {Plain, ShiftJis}, &asker, 1, "/dev/full"); }), kDiskFull);
    EXPECT_EQ(asker.drives, "//");
}
#endif

// Each sequence gives its number of line ends; the plain copy translates only line ends
// and copies everything else as it stands, into every output code, a CR at the very end too.
TEST(Newlines, EachSequenceGivesItsNumberOfLineEnds) {
    const std::pair<const char*, int> cases[] = {{"\r", 1}, {"\n", 1}, {"\r\n", 1}, {"\r\r\n", 1}, {"\r\r", 2},
        {"\r\r\r", 3}, {"\n\r", 2}, {"\n\r\n", 2}, {"\n\n", 2}, {"\r\r\r\n", 4}, {"\r\r\r\r", 4}, {"\r\n\r\n", 2}};
    const char* written[] = {"\r\n", "\r", "\n"};
    for (std::int32_t input : {ShiftJis, Plain, EucJp, Jis}) {
        for (std::int32_t newline : {CrLf, Cr, Lf, KeepNewline}) {
            for (const auto& [ends, count] : cases) {
                const std::string text = std::string("a") + ends + "b";
                EXPECT_EQ(Convert(text, {input, ShiftJis, newline}).output,
                          newline == KeepNewline ? text : "a" + test::Repeat(written[newline], count) + "b")
                    << input << "/" << newline << "/" << count;
            }
        }
    }
    std::string every;
    for (int b = 0; b < 256; ++b) every += b == '\r' || b == '\n' ? "" : std::string(1, static_cast<char>(b));
    for (std::int32_t output : {Jis, ShiftJis, EucJp, Keep}) {
        EXPECT_EQ(Convert(every + "\n" + every, {Plain, output, Cr, 1}).output, every + "\r" + every);
        EXPECT_EQ(Convert("a\r", {Plain, output, CrLf}).output, "a\r\n");
    }
}

// Every half-width katakana and sound-marked pair, with the compiler's own code page 932
// as the reference, and through the platform's code page, UTF-16 and UTF-8.
TEST(WidenKana, EveryFormMatchesTheCodePage) {
    for (const auto& [half, wide] : {
             std::pair{"｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ",
                       "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモ"
                       "ヤユヨラリルレロワン゛゜"},
             {"ｳﾞｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ", "ヴガギグゲゴザジズゼゾダヂヅデドバビブベボ"},
             {"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "パピプペポ"}}) {
        for (std::int32_t input : {ShiftJis, Unicode, Utf8}) {
            const std::string text = Convert(half, {ShiftJis, input}).output;
            for (std::int32_t output : {ShiftJis, EucJp, Jis, Unicode, Utf8}) {
                test::Outcome widened = Convert(text, {input, output, CrLf, 1});
                EXPECT_TRUE(widened.converted && widened.output == Convert(wide, {ShiftJis, output}).output)
                    << input << " to " << output;
            }
        }
    }
}

}  // namespace
