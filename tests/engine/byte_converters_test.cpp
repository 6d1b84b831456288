// The nine converters between JIS, Shift_JIS and EUC-JP: the forms of each character,
// the JIS shift states, the user-defined area, and the bytes that fail a file.
#include <gtest/gtest.h>

#include "engine/byte_table.h"
#include "engine_harness.h"
#include "support/temp_dir.h"

namespace {

using test::Convert;
using test::Hex;

TEST(ByteConverters, CharacterFormsAndShiftStates) {
    test::Check({
        {{ShiftJis, EucJp}, "82A0", "A4A2"},
        {{ShiftJis, Jis, CrLf}, "82A0 0D 0A 41", "1B2442 2422 1B2842 0D 0A 41"},
        {{ShiftJis, Jis}, "82A0", "1B2442 2422"}, {{ShiftJis, Jis}, "8140", "1B2442 2121"},
        {{ShiftJis, EucJp}, "8140", "A1A1"}, {{ShiftJis, Jis}, "9FFC", "1B2442 5E7E"},
        {{ShiftJis, Jis}, "E040", "1B2442 5F21"}, {{ShiftJis, Jis}, "EFFC", "1B2442 7E7E"},
        {{ShiftJis, Jis}, "F040", "1B2442 7F21"}, {{ShiftJis, EucJp}, "F040 FCFC", "A1A6 A1A6"},
        {{Jis, ShiftJis}, "1B2442 7F21 987E", "F040 FCFC"},
        {{Jis, EucJp}, "1B2442 7F21 3021", "A1A6 B0A1"},
        {{EucJp, ShiftJis}, "F5A1 FEFE", "EB40 EFFC"}, {{EucJp, ShiftJis}, "8EB1", "B1"},
        {{EucJp, Jis}, "8EB1", "1B2849 31"}, {{EucJp, ShiftJis, CrLf, 1}, "8EB1", "8341"},
        {{EucJp, Jis, CrLf, 1}, "8EB1", "1B2442 2522"},
        {{EucJp, Jis}, "41 8EB1 A4A2 0D 0A", "41 1B2849 31 1B2442 2422 1B2842 0D 0A"},
        {{ShiftJis, Jis}, "B1 82A0 41 B2 B3", "1B2849 31 1B2442 2422 1B2842 41 1B2849 32 33"},
        {{Jis, ShiftJis}, "1B2849 31 5E 1B2842", "B1 DE"},
        {{Jis, EucJp}, "1B2849 31 1B2842 41", "8EB1 41"},
        {{EucJp, EucJp}, "B0A1 8EB1 41 FEFE", "B0A1 8EB1 41 FEFE"},
        {{ShiftJis, ShiftJis, KeepNewline}, "82A0 41 FCFC 0D", "82A0 41 FCFC 0D"},
        {{ShiftJis, Jis}, "09 1A 41 82A0 1A", "09 1A 41 1B2442 2422 1B2842 1A"},
        {{Jis, Jis}, "1B2440 3021 1B2842", "1B2442 3021 1B2842"},
        {{Jis, Jis}, "1B2842 41 1B2442 1B2442 3021", "1B2842 41 1B2442 1B2442 3021"},
        {{Jis, Jis}, "1B2849 31 1B2842", "1B2849 31 1B2842"},
        {{Jis, Jis, CrLf, 1}, "1B2849 36 5E 1B2842", "1B2442 252C 1B2842"},
        {{Jis, Jis, CrLf, 1}, "1B2442 3021 1B2849 31 1B2440 3021 1B2842", "1B2442 3021 2522 3021 1B2842"},
        {{Jis, ShiftJis, CrLf, 1}, "1B2849 36 5E 31", "834B 8341"},
        {{Jis, EucJp, KeepNewline}, "1B2440 2422 7F21 1B2842 41", "A4A2 A1A6 41"},
        {{ShiftJis, ShiftJis, Lf}, "41 0D 0A 42", "41 0A 42"},
        {{EucJp, ShiftJis, Lf}, "41 0D 0D 0A 42", "41 0A 42"},
        {{Plain, ShiftJis, Lf}, "41 0D 0D 0D 42", "41 0A 0A 0A 42"},
        // Keep runs the same-code converter: newlines and katakana still change.
        {{ShiftJis, Keep, Lf, 1}, "B1 0D 0A", "8341 0A"},
        {{EucJp, Keep, CrLf}, "8EB1 0D", "8EB1 0D 0A"},
        {{Jis, Keep}, "1B2440 3021 1B2842", "1B2442 3021 1B2842"},
        {{Plain, Keep, Lf}, "61 0D 62", "61 0A 62"},
    });
}

TEST(ByteConverters, InvalidInputFails) {
    test::Check({
        {{Jis, ShiftJis}, "1B284A 41", nullptr}, {{Jis, ShiftJis}, "1B242844", nullptr},
        {{Jis, ShiftJis}, "41 1B", nullptr}, {{Jis, ShiftJis}, "41 1B28", nullptr},
        {{Jis, ShiftJis}, "0E 31 0F", nullptr}, {{Jis, ShiftJis}, "1B2442 3021 0D 0A", nullptr},
        {{Jis, Jis}, "1B2849 31 0A", nullptr}, {{Jis, EucJp}, "1B2442 307F", nullptr},
        {{Jis, ShiftJis}, "1B2442 9921", nullptr}, {{Jis, ShiftJis}, "1B2442 30", nullptr},
        {{Jis, ShiftJis}, "1B2849 B1", nullptr}, {{Jis, ShiftJis}, "B1", nullptr},
        {{EucJp, ShiftJis}, "8FA1A1", nullptr}, {{EucJp, ShiftJis}, "41 A4", nullptr},
        {{EucJp, ShiftJis}, "8E41", nullptr}, {{EucJp, Jis}, "8E", nullptr},
        {{EucJp, EucJp}, "FF", nullptr}, {{EucJp, EucJp}, "B0A0", nullptr},
        {{ShiftJis, Jis}, "820A", nullptr}, {{ShiftJis, ShiftJis}, "820A", nullptr},
        {{ShiftJis, EucJp}, "820A", nullptr}, {{ShiftJis, ShiftJis}, "41 82", nullptr},
        {{ShiftJis, EucJp}, "887F", nullptr}, {{ShiftJis, Jis}, "80", nullptr},
        {{ShiftJis, ShiftJis}, "FD", nullptr}, {{ShiftJis, Keep}, "41 80", nullptr},
    });
}

TEST(ByteConverters, ControlBytesFailEveryConverterButTabAndEofMarkAreCopied) {
    for (std::int32_t input : {Jis, ShiftJis, EucJp}) {
        for (std::int32_t output : {Jis, ShiftJis, EucJp, Keep}) {
            SCOPED_TRACE(testing::Message() << input << " to " << output);
            for (const char* bad : {"0C", "00", "7F", "1C", "08"})
                EXPECT_FALSE(Convert("a" + Hex(bad) + "b", {input, output}).converted) << bad;
            EXPECT_EQ(Convert("a\tb\x1A" "c", {input, output}).output, "a\tb\x1A" "c");
        }
    }
}

// Same-code Shift_JIS checks runs of ASCII and of pairs eight bytes at a time: any other
// byte must end the eight wherever it falls among them, and any byte in a trail position
// must be judged as a trail byte, in every lane, after ASCII of either parity.
TEST(ByteConverters, EveryByteIsJudgedAloneInsideRunsOfAsciiAndOfPairs) {
    std::string copied;
    auto judge = [&](const std::string& text, bool valid, int b) {
        if (valid) copied += text;
        else EXPECT_FALSE(Convert(text, {ShiftJis, ShiftJis, KeepNewline}).converted) << b;
    };
    for (int b = 0; b < 256; ++b) {
        bool single = b == 0x09 || b == 0x1A || (b >= 0x20 && b <= 0x7E);
        bool other = b == 0x0A || b == 0x0D || code::IsShiftJisLead(b) || (b >= 0xA0 && b <= 0xDF);
        for (int at = 1; at <= 9; ++at) {
            std::string text = "abcdefghijklmnopqrstuvwxyz";
            text[at] = static_cast<char>(b);
            if (!other) judge(text, single, b);
        }
        for (int ascii = 0; ascii < 2; ++ascii) {
            for (int pair = 0; pair < 5; ++pair) {
                std::string text = std::string(ascii, 'a') + test::Repeat("\x88\x9F", 10);  // 亜
                text[ascii + 2 * pair + 1] = static_cast<char>(b);
                judge(text, code::IsShiftJisTrail(b), b);
            }
        }
    }
    EXPECT_EQ(Convert(copied, {ShiftJis, ShiftJis, KeepNewline}).output, copied);
}

std::string Through(const std::string& text, std::int32_t from, std::int32_t via) {
    test::Outcome there = Convert(text, {from, via});
    EXPECT_TRUE(there.converted);
    return Convert(there.output, {via, from}).output;
}

// Every Shift_JIS double-byte code, the user-defined leads included, after lines of mixed
// characters that switch the JIS states at every output offset; its EUC-JP form then
// holds every EUC-JP code.
TEST(ByteConverters, EveryDoubleByteCodeSurvivesTheOtherCodes) {
    const char* characters[] = {"41", "82 A0", "B1", "B2", "20", "88 9F", "09", "DE", "81 40"};
    std::string text;
    for (int i = 0; i < 1500; ++i) {
        for (int c = 0; c < i % 10; ++c) text += Hex(characters[(i + c) % 9]);
        text += "\r\n";
    }
    std::string viaEuc = text;
    for (int lead = 0x81; lead <= 0xFC; lead = lead == 0x9F ? 0xE0 : lead + 1) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const char pair[] = {static_cast<char>(lead), static_cast<char>(trail), 0};
            text += pair;
            viaEuc += lead >= 0xF0 ? Hex("81 45") : pair;  // the user area has no EUC-JP form
        }
    }
    EXPECT_TRUE(Through(text, ShiftJis, Jis) == text);
    EXPECT_TRUE(Through(text, ShiftJis, EucJp) == viaEuc);
    const std::string euc = Convert(text, {ShiftJis, EucJp}).output;
    EXPECT_TRUE(Through(euc, EucJp, Jis) == euc);
}

}  // namespace
