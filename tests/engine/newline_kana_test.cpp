// Newline translation, katakana widening and the plain copy.
#include <gtest/gtest.h>

#include <string>

#include "engine_harness.h"
#include "support/temp_dir.h"

namespace {

using test::Convert;

// Each sequence gives its number of line ends; the plain copy translates only line ends
// and copies everything else as it stands, into every output code, a CR at the very end too.
TEST(Newlines, EachSequenceGivesItsNumberOfLineEnds) {
    const std::pair<const char*, int> cases[] = {
        {"\r", 1},   {"\n", 1},     {"\r\n", 1}, {"\r\r\n", 1},   {"\r\r", 2},     {"\r\r\r", 3},
        {"\n\r", 2}, {"\n\r\n", 2}, {"\n\n", 2}, {"\r\r\r\n", 4}, {"\r\r\r\r", 4}, {"\r\n\r\n", 2},
    };
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
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n') every += static_cast<char>(b);
    for (std::int32_t output : {Jis, ShiftJis, EucJp, Keep}) {
        EXPECT_EQ(Convert(every + "\n" + every, {Plain, output, Cr, 1}).output, every + "\r" + every);
        EXPECT_EQ(Convert("a\r", {Plain, output, CrLf}).output, "a\r\n");
    }
}

TEST(WidenKana, SoundMarksFoldIntoTheKatakanaThatTakeThem) {
    const test::Codes widen{ShiftJis, ShiftJis, CrLf, 1}, eucWiden{EucJp, ShiftJis, CrLf, 1};
    test::Check({
        {widen, "B3 DE", "8394"}, {widen, "B1 DE", "8341 814A"}, {widen, "CA DF", "8370"},
        {widen, "CA DE", "836F"}, {widen, "B6 DF", "834A 814B"}, {widen, "B3 DF", "8345 814B"},
        {widen, "DF 41", "814B 41"}, {widen, "B6 DE DE", "834B 814A"}, {widen, "DE DE", "814A 814A"},
        {widen, "A0", "8145"}, {widen, "B6 0D 0A DE", "834A 0D 0A 814A"}, {widen, "B6", "834A"},
        // EUC-JP puts SS2 before each katakana: the mark is past the next one.
        {eucWiden, "8EB6 8EDE", "834B"}, {eucWiden, "8EB6 8EB1 8EDF 41", "834A 8341 814B 41"},
        {{EucJp, EucJp, CrLf, 1}, "8ECA 8EDF", "A5D1"}, {eucWiden, "8EB6 8E41", nullptr},
        {{EucJp, Jis, CrLf, 1}, "41 8ECA 8EDE 8EB3 8EDE 0A", "41 1B2442 2550 2574 1B2842 0D 0A"},
        {eucWiden, "8EB6 8E", nullptr}, {{Unicode, Unicode, CrLf, 1}, "71FF DE00", "FFFE A230 DE00"},
    });
}

// The compiler's own code page 932 stands as the reference, and through the platform's
// code page, UTF-16 and UTF-8.
TEST(WidenKana, EveryFormMatchesTheCodePage) {
    std::string all, voiced = "\xB3\xDE", semiVoiced;
    for (int k = 0xA1; k <= 0xDF; ++k) all += static_cast<char>(k);
    for (int k = 0xB6; k <= 0xCE; ++k) {
        if (k <= 0xC4 || k >= 0xCA) voiced += {static_cast<char>(k), '\xDE'};
        if (k >= 0xCA) semiVoiced += {static_cast<char>(k), '\xDF'};
    }
    for (const auto& [half, wide] : {
             std::pair{all, "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
                            "ハヒフヘホマミムメモヤユヨラリルレロワン゛゜"},
             {voiced, "ヴガギグゲゴザジズゼゾダヂヅデドバビブベボ"}, {semiVoiced, "パピプペポ"}}) {
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
