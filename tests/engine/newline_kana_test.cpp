// Newline translation, katakana widening and the plain copy.
#include <gtest/gtest.h>

#include <string>

#include "engine_harness.h"
#include "support/scripted_asker.h"
#include "support/temp_dir.h"

namespace {

using test::Codes;
using test::Hex;
using test::Repeat;

TEST(Newlines, EachSequenceGivesItsNumberOfLineEnds) {
    struct Case {
        const char* input;
        int lineEnds;
    };
    const Case cases[] = {
        {"\r", 1},         {"\n", 1},         {"\r\n", 1},       {"\r\r\n", 1},
        {"\r\r", 2},       {"\r\r\r", 3},     {"\n\r", 2},       {"\n\r\n", 2},
        {"\n\n", 2},       {"\r\r\r\n", 4},   {"\r\r\r\r", 4},   {"\r\n\r\n", 2},
    };
    const char* written[] = {"\r\n", "\r", "\n"};
    for (std::int32_t input : {ShiftJis, Plain, EucJp, Jis}) {
        for (std::int32_t newline : {CrLf, Cr, Lf, KeepNewline}) {
            for (const Case& c : cases) {
                SCOPED_TRACE(testing::Message() << input << "/" << newline);
                std::string text = std::string("a") + c.input + "b";
                std::string expected = newline == KeepNewline
                                           ? text
                                           : "a" + Repeat(written[newline], c.lineEnds) + "b";
                test::Outcome outcome = test::Convert(text, {input, ShiftJis, newline});
                EXPECT_TRUE(outcome.converted);
                EXPECT_EQ(outcome.output, expected) << c.lineEnds;
            }
        }
    }
}

TEST(Newlines, PlainCopyTranslatesOnlyLineEnds) {
    std::string every;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n') every += static_cast<char>(b);
    struct Case {
        std::string input;
        std::int32_t newline;
        std::string expected;
    };
    const Case cases[] = {
        {Hex("41 0D 0A 42 0D"), Lf, Hex("41 0A 42 0A")},
        {Hex("41 0D 0A 42 0D"), KeepNewline, Hex("41 0D 0A 42 0D")},
        {"a\r", CrLf, "a\r\n"},  // a lone CR at the very end
        {every + "\n" + every, Cr, every + "\r" + every},
    };
    for (const Case& c : cases) {
        for (std::int32_t output : {Jis, ShiftJis, EucJp, Keep}) {
            test::Outcome outcome = test::Convert(c.input, {Plain, output, c.newline, 1});
            EXPECT_TRUE(outcome.converted);
            EXPECT_EQ(outcome.output, c.expected);
        }
    }
}

TEST(Newlines, EofMarkIsAnOrdinaryCharacter) {
    test::Outcome outcome = test::Convert("a\x1A\nb\n", {ShiftJis, EucJp, CrLf});
    EXPECT_TRUE(outcome.converted);
    EXPECT_EQ(outcome.output, "a\x1A\r\nb\r\n");
}

TEST(WidenKana, SoundMarksFoldIntoTheKatakanaThatTakeThem) {
    struct Case {
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"B3 DE", "83 94"},           // ｳﾞ: ヴ
        {"B1 DE", "83 41 81 4A"},     // ｱﾞ: ア゛
        {"CA DF", "83 70"},           // ﾊﾟ: パ
        {"CA DE", "83 6F"},           // ﾊﾞ: バ
        {"B6 DF", "83 4A 81 4B"},     // ｶﾟ: カ゜
        {"B3 DF", "83 45 81 4B"},     // ｳﾟ: ウ゜
        {"DE", "81 4A"},              // a lone mark
        {"DF 41", "81 4B 41"},
        {"B6 DE DE", "83 4B 81 4A"},  // one mark per katakana
        {"DE DE", "81 4A 81 4A"},
        {"A0", "81 45"},              // no character in JIS X 0201: the middle dot
        {"B6 0D 0A DE", "83 4A 0D 0A 81 4A"},
        {"B6", "83 4A"},
    };
    for (const Case& c : cases) {
        test::Outcome outcome = test::Convert(Hex(c.input), {ShiftJis, ShiftJis, CrLf, 1});
        EXPECT_TRUE(outcome.converted) << c.input;
        EXPECT_EQ(outcome.output, Hex(c.expected)) << c.input;
    }
}

TEST(WidenKana, EucKatakanaLookPastTheNextSs2) {
    struct Case {
        Codes codes;
        const char* input;
        const char* expected;  // nullptr: fails
    };
    const Case cases[] = {
        {{EucJp, ShiftJis, CrLf, 1}, "8E B6 8E DE", "83 4B"},
        {{EucJp, ShiftJis, CrLf, 1}, "8E B6 8E B1 8E DF 41", "83 4A 83 41 81 4B 41"},
        {{EucJp, EucJp, CrLf, 1}, "8E CA 8E DF", "A5 D1"},
        {{EucJp, Jis, CrLf, 1}, "41 8E CA 8E DE 8E B3 8E DE 0A",
         "41 1B 24 42 25 50 25 74 1B 28 42 0D 0A"},
        {{EucJp, ShiftJis, CrLf, 1}, "8E B6 8E 41", nullptr},
        {{EucJp, ShiftJis, CrLf, 1}, "8E B6 8E", nullptr},
    };
    for (const Case& c : cases) {
        test::Outcome outcome = test::Convert(Hex(c.input), c.codes);
        EXPECT_EQ(outcome.converted, c.expected != nullptr) << c.input;
        if (c.expected) {
            EXPECT_EQ(outcome.output, Hex(c.expected)) << c.input;
        }
    }
}

// The compiler's own code page 932 and UTF-16 tables stand as the reference.
const char kWideShiftJis[] =
    "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
    "ハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
const char16_t kWideUtf16[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
    u"ハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
const char kVoicedShiftJis[] = "ガギグゲゴザジズゼゾダヂヅデドバビブベボヴ";
const char kSemiVoicedShiftJis[] = "パピプペポ";

std::string HalfWidth(int from, int to, const char* mark = "") {
    std::string text;
    for (int k = from; k <= to; ++k) {
        text += static_cast<char>(k);
        text += mark;
    }
    return text;
}

TEST(WidenKana, TheByteFormsMatchTheCodePage) {
    std::string all = HalfWidth(0xA1, 0xDF);
    std::string voiced = HalfWidth(0xB6, 0xC4, "\xDE") + HalfWidth(0xCA, 0xCE, "\xDE") + "\xB3\xDE";
    std::string semiVoiced = HalfWidth(0xCA, 0xCE, "\xDF");
    const std::pair<std::string, std::string> inputs[] = {
        {all, kWideShiftJis}, {voiced, kVoicedShiftJis}, {semiVoiced, kSemiVoicedShiftJis}};
    for (const auto& [input, wide] : inputs) {
        for (std::int32_t output : {ShiftJis, EucJp, Jis}) {
            test::Outcome widened = test::Convert(input, {ShiftJis, output, CrLf, 1});
            test::Outcome reference = test::Convert(wide, {ShiftJis, output});
            EXPECT_TRUE(widened.converted && reference.converted);
            EXPECT_EQ(widened.output, reference.output) << output;
        }
    }
}

TEST(WidenKana, TheUnitFormMatchesUtf16) {
    test::TempDir dir;
    test::WriteBytes(dir / "in", "");
    FileHandle in, out;
    ASSERT_TRUE(in.Open((dir / "in").c_str(), platform::kGenericRead, 0, platform::kOpenExisting, 0));
    ASSERT_TRUE(out.Open((dir / "out").c_str(), platform::kGenericWrite, 0, platform::kCreateAlways, 0));
    test::ScriptedAsker asker;
    RunningFlag running{1};
    test::EngineProbe engine;
    engine.Begin(asker, &running, in, out, {Unicode, CrLf, Unicode, 1}, true);
    for (int unit = 0xFF61; unit <= 0xFF9F; ++unit) EXPECT_FALSE(engine.WidenKanaUnit(unit, 0x41));
    EXPECT_TRUE(engine.WidenKanaUnit(0xFF76, 0xFF9E));  // ｶﾞ: ガ
    EXPECT_TRUE(engine.WidenKanaUnit(0xFF8E, 0xFF9F));  // ﾎﾟ: ポ
    EXPECT_TRUE(engine.WidenKanaUnit(0xFF73, 0xFF9E));  // ｳﾞ: ヴ
    EXPECT_TRUE(engine.WidenKanaUnit(0xFF71, 0xFF9E));  // ｱﾞ: ア゛
    EXPECT_FALSE(engine.WidenKanaUnit(0xFF71, 0xDE));   // a byte value is no mark here
    engine.Flush();
    out.Close();
    std::u16string expected = std::u16string(kWideUtf16) + u"ガポヴア゛ア";
    std::string bytes;
    for (char16_t unit : expected) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    EXPECT_EQ(test::ReadBytes(dir / "out"), bytes);
}

}  // namespace
