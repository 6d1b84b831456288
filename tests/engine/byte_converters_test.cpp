// The nine converters between JIS, Shift_JIS and EUC-JP: the forms of each character,
// the JIS shift states, the user-defined area, and the bytes that fail a file.
#include <gtest/gtest.h>

#include "engine/byte_table.h"
#include "engine_harness.h"

namespace {

using test::Codes;
using test::Hex;

constexpr std::int32_t kFail = -1;

struct Case {
    const char* name;
    Codes codes;
    const char* input;     // hex
    const char* expected;  // hex, or nullptr when the file cannot be converted
};

void Check(const Case& c) {
    SCOPED_TRACE(c.name);
    test::Outcome outcome = test::Convert(Hex(c.input), c.codes);
    if (!c.expected) {
        EXPECT_FALSE(outcome.converted);
        return;
    }
    EXPECT_TRUE(outcome.converted);
    EXPECT_EQ(outcome.output, Hex(c.expected));
}

const Case kCharacters[] = {
    {"あ to EUC-JP", {ShiftJis, EucJp}, "82 A0", "A4 A2"},
    {"あ to JIS ends in Kanji", {ShiftJis, Jis}, "82 A0", "1B 24 42 24 22"},
    {"JIS returns to ASCII before a line end", {ShiftJis, Jis, CrLf}, "82 A0 0D 0A 41",
     "1B 24 42 24 22 1B 28 42 0D 0A 41"},
    {"first cell", {ShiftJis, Jis}, "81 40", "1B 24 42 21 21"},
    {"first cell EUC", {ShiftJis, EucJp}, "81 40", "A1 A1"},
    {"last odd row", {ShiftJis, Jis}, "9F FC", "1B 24 42 5E 7E"},
    {"lead E0", {ShiftJis, Jis}, "E0 40", "1B 24 42 5F 21"},
    {"last row", {ShiftJis, Jis}, "EF FC", "1B 24 42 7E 7E"},
    {"user area to JIS", {ShiftJis, Jis}, "F0 40", "1B 24 42 7F 21"},
    {"user area to EUC-JP", {ShiftJis, EucJp}, "F0 40 FC FC", "A1 A6 A1 A6"},
    {"user area from JIS", {Jis, ShiftJis}, "1B 24 42 7F 21 98 7E", "F0 40 FC FC"},
    {"user area JIS to EUC-JP", {Jis, EucJp}, "1B 24 42 7F 21 30 21", "A1 A6 B0 A1"},
    {"EUC-JP leads F5-FE", {EucJp, ShiftJis}, "F5 A1 FE FE", "EB 40 EF FC"},
    {"EUC katakana to Shift_JIS", {EucJp, ShiftJis}, "8E B1", "B1"},
    {"EUC katakana to JIS", {EucJp, Jis}, "8E B1", "1B 28 49 31"},
    {"EUC katakana widened", {EucJp, ShiftJis, CrLf, 1}, "8E B1", "83 41"},
    {"EUC katakana widened to JIS", {EucJp, Jis, CrLf, 1}, "8E B1", "1B 24 42 25 22"},
    {"EUC to JIS states", {EucJp, Jis}, "41 8E B1 A4 A2 0D 0A",
     "41 1B 28 49 31 1B 24 42 24 22 1B 28 42 0D 0A"},
    {"Shift_JIS to JIS states", {ShiftJis, Jis}, "B1 82 A0 41 B2 B3",
     "1B 28 49 31 1B 24 42 24 22 1B 28 42 41 1B 28 49 32 33"},
    {"JIS katakana to Shift_JIS", {Jis, ShiftJis}, "1B 28 49 31 5E 1B 28 42", "B1 DE"},
    {"JIS katakana to EUC-JP", {Jis, EucJp}, "1B 28 49 31 1B 28 42 41", "8E B1 41"},
    {"EUC to EUC copies", {EucJp, EucJp}, "B0 A1 8E B1 41", "B0 A1 8E B1 41"},
    {"TAB and 1A are text", {ShiftJis, Jis}, "09 1A 41 82 A0 1A", "09 1A 41 1B 24 42 24 22 1B 28 42 1A"},
};

const Case kJisSequences[] = {
    {"ESC $ @ is written as ESC $ B", {Jis, Jis}, "1B 24 40 30 21 1B 28 42",
     "1B 24 42 30 21 1B 28 42"},
    {"every sequence is copied", {Jis, Jis}, "1B 28 42 41 1B 24 42 1B 24 42 30 21",
     "1B 28 42 41 1B 24 42 1B 24 42 30 21"},
    {"katakana set kept", {Jis, Jis}, "1B 28 49 31 1B 28 42", "1B 28 49 31 1B 28 42"},
    {"widened katakana set", {Jis, Jis, CrLf, 1}, "1B 28 49 36 5E 1B 28 42",
     "1B 24 42 25 2C 1B 28 42"},
    {"Kanji to Kana writes nothing when widened", {Jis, Jis, CrLf, 1},
     "1B 24 42 30 21 1B 28 49 31 1B 24 40 30 21 1B 28 42", "1B 24 42 30 21 25 22 30 21 1B 28 42"},
    {"widened JIS katakana to Shift_JIS", {Jis, ShiftJis, CrLf, 1}, "1B 28 49 36 5E 31", "83 4B 83 41"},
    {"ESC ( J", {Jis, ShiftJis}, "1B 28 4A 41", nullptr},
    {"ESC $ ( D", {Jis, ShiftJis}, "1B 24 28 44", nullptr},
    {"ESC at the end", {Jis, ShiftJis}, "41 1B", nullptr},
    {"ESC ( at the end", {Jis, ShiftJis}, "41 1B 28", nullptr},
    {"shift out", {Jis, ShiftJis}, "0E 31 0F", nullptr},
    {"line end inside Kanji", {Jis, ShiftJis}, "1B 24 42 30 21 0D 0A", nullptr},
    {"line end inside Kana", {Jis, Jis}, "1B 28 49 31 0A", nullptr},
    {"second byte out of range", {Jis, EucJp}, "1B 24 42 30 7F", nullptr},
    {"first byte beyond the user area", {Jis, ShiftJis}, "1B 24 42 99 21", nullptr},
    {"cut double-byte character", {Jis, ShiftJis}, "1B 24 42 30", nullptr},
    {"8-bit byte in Kana", {Jis, ShiftJis}, "1B 28 49 B1", nullptr},
    {"8-bit byte in Ascii", {Jis, ShiftJis}, "B1", nullptr},
};

const Case kInvalid[] = {
    {"JIS X 0212", {EucJp, ShiftJis}, "8F A1 A1", nullptr},
    {"EUC cut at the end", {EucJp, ShiftJis}, "41 A4", nullptr},
    {"SS2 before ASCII", {EucJp, ShiftJis}, "8E 41", nullptr},
    {"SS2 at the end", {EucJp, Jis}, "8E", nullptr},
    {"EUC FF", {EucJp, EucJp}, "FF", nullptr},
    {"EUC trail A0", {EucJp, EucJp}, "B0 A0", nullptr},
    {"Shift_JIS lead before LF to JIS", {ShiftJis, Jis}, "82 0A", nullptr},
    {"Shift_JIS lead before LF", {ShiftJis, ShiftJis}, "82 0A", nullptr},
    {"Shift_JIS lead before LF to EUC", {ShiftJis, EucJp}, "82 0A", nullptr},
    {"Shift_JIS lead at the end", {ShiftJis, ShiftJis}, "41 82", nullptr},
    {"Shift_JIS trail 7F", {ShiftJis, EucJp}, "88 7F", nullptr},
    {"Shift_JIS 80", {ShiftJis, Jis}, "80", nullptr},
    {"Shift_JIS FD", {ShiftJis, ShiftJis}, "FD", nullptr},
};

TEST(ByteConverters, CharacterForms) {
    for (const Case& c : kCharacters) Check(c);
}

TEST(ByteConverters, JisShiftStates) {
    for (const Case& c : kJisSequences) Check(c);
}

TEST(ByteConverters, InvalidInputFails) {
    for (const Case& c : kInvalid) Check(c);
}

TEST(ByteConverters, ControlBytesFailEveryConverterButTabAndEofMarkAreCopied) {
    for (std::int32_t input : {Jis, ShiftJis, EucJp}) {
        for (std::int32_t output : {Jis, ShiftJis, EucJp, Keep}) {
            SCOPED_TRACE(testing::Message() << input << " to " << output);
            for (const char* bad : {"0C", "00", "7F", "1C", "08"})
                EXPECT_FALSE(test::Convert("a" + Hex(bad) + "b", {input, output}).converted) << bad;
            test::Outcome copied = test::Convert("a\tb\x1A" "c", {input, output});
            EXPECT_TRUE(copied.converted);
            EXPECT_EQ(copied.output, "a\tb\x1A" "c");
        }
    }
}

// Printable ASCII goes eight bytes at a time; any other byte must end the eight, wherever
// it falls among them.  The bytes that begin characters of their own are tested above.
TEST(ByteConverters, EveryByteIsJudgedAloneInsideRunsOfAscii) {
    const std::string letters = "abcdefghijklmnopqrstuvwxyz";
    std::string copied;
    for (int b = 0; b < 256; ++b) {
        bool single = b == 0x09 || b == 0x1A || (b >= 0x20 && b <= 0x7E);
        bool other = b == 0x0A || b == 0x0D || code::IsShiftJisLead(b) || (b >= 0xA0 && b <= 0xDF);
        for (int at = 1; at <= 9; ++at) {
            std::string text = letters;
            text[at] = static_cast<char>(b);
            if (single) {
                copied += text;
            } else if (!other) {
                EXPECT_FALSE(test::Convert(text, {ShiftJis, ShiftJis, KeepNewline}).converted)
                    << b << " at " << at;
            }
        }
    }
    test::Outcome outcome = test::Convert(copied, {ShiftJis, ShiftJis, KeepNewline});
    EXPECT_TRUE(outcome.converted);
    EXPECT_EQ(outcome.output, copied);
}

// Between the same code, runs of pairs are checked eight bytes at a time too: any byte in a
// trail position must be judged as a trail byte, in every lane, after ASCII of any length.
TEST(ByteConverters, EveryByteIsJudgedAsATrailInsideRunsOfPairs) {
    std::string copied;
    for (int b = 0; b < 256; ++b) {
        for (int ascii = 0; ascii < 2; ++ascii) {
            for (int pair = 0; pair < 5; ++pair) {
                std::string text = std::string(ascii, 'a');
                for (int i = 0; i < 10; ++i) text += "\x88\x9F";  // 亜
                text[ascii + 2 * pair + 1] = static_cast<char>(b);
                if (code::IsShiftJisTrail(b))
                    copied += text;
                else
                    EXPECT_FALSE(test::Convert(text, {ShiftJis, ShiftJis, KeepNewline}).converted)
                        << b << " in pair " << pair;
            }
        }
    }
    test::Outcome outcome = test::Convert(copied, {ShiftJis, ShiftJis, KeepNewline});
    EXPECT_TRUE(outcome.converted);
    EXPECT_EQ(outcome.output, copied);
}

// Every Shift_JIS double-byte code, the user-defined leads included, after one ASCII byte
// so that characters straddle every block boundary.
std::string AllShiftJis() {
    std::string text = "A";
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead == 0xA0) lead = 0xE0;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            text += static_cast<char>(lead);
            text += static_cast<char>(trail);
        }
    }
    return text;
}

std::string Through(const std::string& text, std::int32_t from, std::int32_t via) {
    test::Outcome there = test::Convert(text, {from, via});
    EXPECT_TRUE(there.converted);
    test::Outcome back = test::Convert(there.output, {via, from});
    EXPECT_TRUE(back.converted);
    return back.output;
}

TEST(ByteConverters, EveryShiftJisCodeSurvivesJis) {
    std::string text = AllShiftJis();
    EXPECT_EQ(Through(text, ShiftJis, Jis), text);
}

TEST(ByteConverters, EveryShiftJisCodeSurvivesEucJpOrBecomesTheMiddleDot) {
    std::string text = AllShiftJis(), expected = "A";
    for (std::size_t i = 1; i < text.size(); i += 2) {
        bool user = static_cast<unsigned char>(text[i]) >= 0xF0;
        expected += user ? Hex("81 45") : text.substr(i, 2);
    }
    EXPECT_EQ(Through(text, ShiftJis, EucJp), expected);
}

TEST(ByteConverters, EveryEucJpCodeSurvivesShiftJisAndJis) {
    std::string text = "A";
    for (int first = 0xA1; first <= 0xFE; ++first)
        for (int second = 0xA1; second <= 0xFE; ++second) {
            text += static_cast<char>(first);
            text += static_cast<char>(second);
        }
    EXPECT_EQ(Through(text, EucJp, ShiftJis), text);
    EXPECT_EQ(Through(text, EucJp, Jis), text);
}

TEST(ByteConverters, MixedTextSurvivesJisWithItsLineEnds) {
    const char* characters[] = {"41", "82 A0", "B1", "B2", "20", "88 9F", "09", "DE", "81 40"};
    std::string text;
    for (int i = 0; i < 1500; ++i) {
        for (int c = 0; c < i % 10; ++c) text += Hex(characters[(i + c) % 9]);
        text += "\r\n";
    }
    EXPECT_EQ(Through(text, ShiftJis, Jis), text);
    EXPECT_EQ(Through(text, ShiftJis, EucJp), text);
}

}  // namespace
