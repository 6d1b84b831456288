// The converters between JIS, Shift_JIS and EUC-JP (each character's forms, the JIS shift
// states, the user-defined area, what fails a file), to and from UTF-16 and UTF-8 (the marks,
// the code page and its strictness, malformed UTF-8), and every double-byte code through all.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/byte_table.h"
#include "engine_harness.h"
#include "framework/platform.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using test::Convert;
using test::Hex;

TEST(ByteConverters, CharacterFormsShiftStatesAndWhatFailsAFile) {
    const test::Codes widen{ShiftJis, ShiftJis, CrLf, 1}, eucWiden{EucJp, ShiftJis, CrLf, 1};
    test::Check({
        {{ShiftJis, EucJp}, "82A0", "A4A2"}, {{ShiftJis, Jis}, "82A0", "1B2442 2422"},
        {{ShiftJis, Jis, CrLf}, "82A0 0D 0A 41", "1B2442 2422 1B2842 0D 0A 41"},
        {{ShiftJis, Jis}, "8140", "1B2442 2121"}, {{ShiftJis, EucJp}, "8140", "A1A1"},
        {{ShiftJis, Jis}, "9FFC", "1B2442 5E7E"}, {{ShiftJis, Jis}, "E040", "1B2442 5F21"},
        {{ShiftJis, Jis}, "EFFC", "1B2442 7E7E"}, {{ShiftJis, Jis}, "F040", "1B2442 7F21"},
        {{ShiftJis, EucJp}, "F040 FCFC", "A1A6 A1A6"}, {{Jis, ShiftJis}, "1B2442 7F21 987E", "F040 FCFC"},
        {{Jis, EucJp}, "1B2442 7F21 3021", "A1A6 B0A1"}, {{EucJp, ShiftJis}, "F5A1 FEFE", "EB40 EFFC"},
        {{EucJp, ShiftJis}, "8EB1", "B1"}, {{EucJp, Jis}, "8EB1", "1B2849 31"},
        {{EucJp, ShiftJis, CrLf, 1}, "8EB1", "8341"}, {{EucJp, Jis, CrLf, 1}, "8EB1", "1B2442 2522"},
        {{EucJp, Jis}, "41 8EB1 A4A2 0D 0A", "41 1B2849 31 1B2442 2422 1B2842 0D 0A"},
        {{ShiftJis, Jis}, "B1 82A0 41 B2 B3", "1B2849 31 1B2442 2422 1B2842 41 1B2849 32 33"},
        {{Jis, ShiftJis}, "1B2849 31 5E 1B2842", "B1 DE"}, {{Jis, EucJp}, "1B2849 31 1B2842 41", "8EB1 41"},
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
        {{ShiftJis, ShiftJis, Lf}, "41 0D 0A 42", "41 0A 42"}, {{EucJp, ShiftJis, Lf}, "41 0D 0D 0A 42", "41 0A 42"},
        {{Plain, ShiftJis, Lf}, "41 0D 0D 0D 42", "41 0A 0A 0A 42"},
        // Keep runs the same-code converter: newlines and katakana still change.
        {{ShiftJis, Keep, Lf, 1}, "B1 0D 0A", "8341 0A"}, {{EucJp, Keep, CrLf}, "8EB1 0D", "8EB1 0D 0A"},
        {{Jis, Keep}, "1B2440 3021 1B2842", "1B2442 3021 1B2842"}, {{Plain, Keep, Lf}, "61 0D 62", "61 0A 62"},
        // Katakana widening: sound marks fold into the katakana that take them.
        {widen, "B3 DE", "8394"}, {widen, "B1 DE", "8341 814A"}, {widen, "CA DF", "8370"}, {widen, "CA DE", "836F"},
        {widen, "B6 DF", "834A 814B"}, {widen, "B3 DF", "8345 814B"}, {widen, "DF 41", "814B 41"}, {widen, "A0", "8145"},
        {widen, "B6 DE DE", "834B 814A"}, {widen, "DE DE", "814A 814A"}, {widen, "B6 0D 0A DE", "834A 0D 0A 814A"},
        {widen, "B6", "834A"},
        // EUC-JP puts SS2 before each katakana: the mark is past the next one.
        {eucWiden, "8EB6 8EDE", "834B"}, {eucWiden, "8EB6 8EB1 8EDF 41", "834A 8341 814B 41"},
        {{EucJp, EucJp, CrLf, 1}, "8ECA 8EDF", "A5D1"}, {eucWiden, "8EB6 8E41", nullptr},
        {{EucJp, Jis, CrLf, 1}, "41 8ECA 8EDE 8EB3 8EDE 0A", "41 1B2442 2550 2574 1B2842 0D 0A"},
        {eucWiden, "8EB6 8E", nullptr}, {{Unicode, Unicode, CrLf, 1}, "71FF DE00", "FFFE A230 DE00"},
        // What fails a file.
        {{Jis, ShiftJis}, "1B284A 41", nullptr}, {{Jis, ShiftJis}, "1B242844", nullptr},
        {{Jis, ShiftJis}, "41 1B", nullptr}, {{Jis, ShiftJis}, "41 1B28", nullptr}, {{Jis, ShiftJis}, "0E 31 0F", nullptr},
        {{Jis, ShiftJis}, "1B2442 3021 0D 0A", nullptr}, {{Jis, Jis}, "1B2849 31 0A", nullptr},
        {{Jis, EucJp}, "1B2442 307F", nullptr}, {{Jis, ShiftJis}, "1B2442 9921", nullptr},
        {{Jis, ShiftJis}, "1B2442 30", nullptr}, {{Jis, ShiftJis}, "1B2849 B1", nullptr}, {{Jis, ShiftJis}, "B1", nullptr},
        {{EucJp, ShiftJis}, "8FA1A1", nullptr}, {{EucJp, ShiftJis}, "41 A4", nullptr}, {{EucJp, ShiftJis}, "8E41", nullptr},
        {{EucJp, Jis}, "8E", nullptr}, {{EucJp, EucJp}, "FF", nullptr}, {{EucJp, EucJp}, "B0A0", nullptr},
        {{ShiftJis, Jis}, "820A", nullptr}, {{ShiftJis, ShiftJis}, "820A", nullptr}, {{ShiftJis, EucJp}, "820A", nullptr},
        {{ShiftJis, ShiftJis}, "41 82", nullptr}, {{ShiftJis, EucJp}, "887F", nullptr}, {{ShiftJis, Jis}, "80", nullptr},
        {{ShiftJis, ShiftJis}, "FD", nullptr}, {{ShiftJis, Keep}, "41 80", nullptr},
    });
    for (std::int32_t input : {Jis, ShiftJis, EucJp}) {  // control bytes, but tab and EOF mark
        for (std::int32_t output : {Jis, ShiftJis, EucJp, Keep}) {
            for (const char* bad : {"0C", "00", "7F", "1C", "08"})
                EXPECT_FALSE(Convert("a" + Hex(bad) + "b", {input, output}).converted) << bad << input << output;
            EXPECT_EQ(Convert("a\tb\x1A" "c", {input, output}).output, "a\tb\x1A" "c") << input << output;
        }
    }
}

TEST(UnicodeConverters, MarksSinglePassAndThroughTheCodePage) {
    test::Check({
        {{Unicode, Unicode}, "", "FFFE"}, {{Unicode, Unicode}, "FFFE 4100", "FFFE 4100"},
        {{Unicode, Unicode}, "4100", "FFFE 4100"}, {{Unicode, Keep, Lf}, "0D00 0A00 0D00", "FFFE 0A00 0A00"},
        {{Unicode, Unicode}, "FFFE 0000 FFFE 00D8 FFFE", "FFFE 0000 FFFE 00D8 FFFE"},
        {{Unicode, Unicode, CrLf}, "FFFE 0D00 4100 0A00", "FFFE 0D00 0A00 4100 0D00 0A00"},
        {{Unicode, Unicode, Lf}, "0D30 0A0D", "FFFE 0D30 0A0D"},
        {{Unicode, Unicode, CrLf, 1}, "FFFE 71FF 9EFF", "FFFE A230 9B30"},
        {{Unicode, Unicode, CrLf, 1}, "FFFE 76FF 9EFF", "FFFE AC30"},
        {{Unicode, Unicode, Lf, 1}, "71FF 0D00 0A00", "FFFE A230 0A00"},
        {{Unicode, Unicode}, "FFFE 76FF 9EFF", "FFFE 76FF 9EFF"},
        {{Plain, Unicode, KeepNewline}, "41 42 0D 0A", "FFFE 4100 4200 0D00 0A00"},
        {{Plain, Unicode, CrLf}, "41 0D 42", "FFFE 4100 0D00 0A00 4200"},
        {{Plain, Unicode, CrLf, 1}, "00 B1 FF", "FFFE 0000 B100 FF00"},
        {{Unicode, Unicode}, "FFFE 41", nullptr}, {{Unicode, ShiftJis}, "41", nullptr},
        {{Utf8, Utf8}, "EFBBBF EFBBBF 41", "EFBBBF 41"}, {{Utf8, Keep, CrLf, 0, true}, "EFBBBF 41", "EFBBBF 41"},
        {{Utf8, Utf8, CrLf}, "C3A9 0D E38182 0A", "C3A9 0D 0A E38182 0D 0A"},
        {{Utf8, Utf8, Lf, 1}, "EFBDB6 EFBE9E EFBDB1 0D", "E382AC E382A2 0A"},
        {{Utf8, Unicode, Lf}, "EFBBBF F09F9880 0D 0A C3A9", "FFFE 3DD8 00DE 0A00 E900"},
        {{Utf8, Unicode, CrLf, 1}, "EFBDB3 EFBE9E", "FFFE F430"},
        {{Unicode, Utf8, CrLf, 1, true}, "FFFE 3DD8 00DE 0A00 73FF 9EFF", "EFBBBF F09F9880 0D 0A E383B4"},
        {{Unicode, Utf8}, "00D8 4100", nullptr}, {{Unicode, Utf8}, "4100 00DC", nullptr},
        {{Plain, Utf8, Cr}, "41 B1 0A", "41 C2B1 0D"}, {{Plain, Utf8, KeepNewline, 0, true}, "41", "EFBBBF 41"},
        // Through the code page.
        {{ShiftJis, Unicode}, "", "FFFE"}, {{ShiftJis, Unicode, Lf}, "82A0 0D 0A", "FFFE 4230 0A00"},
        {{ShiftJis, Unicode, CrLf, 1}, "B6 DE B1", "FFFE AC30 A230"},
        {{ShiftJis, Unicode}, "815F 8160 8740 FA40 F040", "FFFE 3CFF 5EFF 6024 7021 00E0"},
        {{Jis, Unicode}, "1B2442 2422 1B2849 31 1B2842 41", "FFFE 4230 71FF 4100"},
        {{EucJp, Unicode, Cr}, "A4A2 8EB1 ADA1 0A", "FFFE 4230 71FF 6024 0D00"},
        {{ShiftJis, Unicode}, "82A0 80", nullptr}, {{ShiftJis, Unicode}, "41 8540", nullptr},
        {{Jis, Unicode}, "1B284A", nullptr}, {{Unicode, ShiftJis}, "FFFE", ""}, {{Unicode, Jis}, "FFFE", ""},
        {{Unicode, EucJp}, "FFFE", ""}, {{Unicode, ShiftJis}, "", ""}, {{Unicode, EucJp}, "4230 71FF", "A4A2 8EB1"},
        {{Unicode, ShiftJis, CrLf}, "FFFE 4230 0A00 71FF", "82A0 0D 0A B1"},
        {{Unicode, ShiftJis, CrLf, 1}, "76FF 9EFF", "834B"},
        {{Unicode, Jis, Lf}, "FFFE 4230 0D00 0A00", "1B2442 2422 1B2842 0A"},
        {{Unicode, ShiftJis}, "FFFE FFFE 4100", nullptr}, {{Unicode, ShiftJis}, "FFFE 4100 010E", nullptr},
        {{Utf8, ShiftJis}, "3F", "3F"}, {{Unicode, ShiftJis}, "4100 0000", nullptr},
        {{Unicode, Keep}, "FFFE 4230", "FFFE 4230"}, {{Jis, Utf8}, "1B2442 2422 1B2842", "E38182"},
        {{ShiftJis, Utf8, Lf, 1}, "82A0 0D 0A B6 DE 5C", "E38182 0A E382AC 5C"},
        {{EucJp, Utf8, CrLf, 0, true}, "A4A2 8EB1", "EFBBBF E38182 EFBDB1"},
        {{ShiftJis, Utf8, CrLf, 0, true}, "", "EFBBBF"}, {{ShiftJis, Utf8}, "82", nullptr},
        {{Utf8, ShiftJis, CrLf}, "EFBBBF E38182 0A EFBDB1 C2A7", "82A0 0D 0A B1 8198"},
        {{Utf8, Jis, Lf, 1}, "EFBDB6 EFBE9E", "1B2442 252C"}, {{Utf8, EucJp}, "E38182", "A4A2"},
        {{Utf8, ShiftJis}, "EFBBBF", ""}, {{Utf8, ShiftJis}, "41 E38141", nullptr}, {{Utf8, Jis}, "41 E381", nullptr},
    });
    // Nothing the code page cannot hold (é ¥ 😀 𠮷) is replaced or approximated: the file is
    // refused.  Nor is any form that is no UTF-8, to each kind of output.
    for (const auto& [utf16, utf8] : {std::pair{"E9 00", "C3 A9"}, {"A5 00", "C2 A5"},
                                      {"3D D8 00 DE", "F0 9F 98 80"}, {"42 D8 B7 DF", "F0 A0 AE B7"}}) {
        for (std::int32_t output : {Jis, ShiftJis, EucJp}) {
            for (const auto& [input, text] : {std::pair{Unicode, "a\0"s + Hex(utf16)}, {Utf8, "a" + Hex(utf8)}}) {
                test::Outcome outcome = Convert(text, {input, output});
                EXPECT_TRUE(!outcome.converted && outcome.output.empty()) << utf8 << " " << input << " to " << output;
            }
        }
    }
    for (const char* form : {
             "C0 AF", "C1 BF", "E0 80 AF", "E0 9F BF", "F0 80 80 AF", "F0 8F BF BF",  // overlong
             "ED A0 80", "ED BF BF", "F4 90 80 80", "F5 80 80 80", "FF",  // surrogates, past U+10FFFF
             "80", "41 BF", "C3 A9 A9", "A7 41 41 41 41 41 41 41",       // stray continuation
             "C3 41", "E3 81 41", "F0 9F 98 41", "E3 C3 A9", "C3", "E3 81", "F0 9F 98"}) {  // cut short
        for (std::int32_t output : {Utf8, Unicode, ShiftJis})
            EXPECT_FALSE(Convert(Hex(form), {Utf8, output}).converted) << form << " to " << output;
    }
}

// Same-code Shift_JIS checks runs of ASCII and of pairs eight bytes at a time: any other byte
// ends the eight wherever it falls, and a byte in a trail position is judged as a trail byte
// in every lane, after ASCII of either parity.
TEST(ByteConverters, EveryByteIsJudgedAloneInsideRunsOfAsciiAndOfPairs) {
    std::string copied;
    auto judge = [&](std::string text, int at, int b, bool valid) {
        text[at] = static_cast<char>(b);
        if (valid) copied += text;
        else EXPECT_FALSE(Convert(text, {ShiftJis, ShiftJis, KeepNewline}).converted) << b << " at " << at;
    };
    for (int b = 0; b < 256; ++b) {
        const bool single = b == 0x09 || b == 0x1A || (b >= 0x20 && b <= 0x7E);
        const bool other = b == 0x0A || b == 0x0D || code::IsShiftJisLead(b) || (b >= 0xA0 && b <= 0xDF);
        for (int at = 1; at <= 9 && !other; ++at) judge("abcdefghijklmnopqrstuvwxyz", at, b, single);
        for (int at = 1; at <= 10; ++at)  // 亜
            judge(std::string(1 - at % 2, 'a') + test::Repeat("\x88\x9F", 10), at, b, code::IsShiftJisTrail(b));
    }
    EXPECT_EQ(Convert(copied, {ShiftJis, ShiftJis, KeepNewline}).output, copied);
}

// Every Shift_JIS double-byte code, the user-defined leads included, after lines of mixed
// characters that switch the JIS states at every output offset, through JIS and EUC-JP;
// its EUC-JP form then holds every EUC-JP code.  Every JIS X 0208 character (those outside
// it have more than one code in the code page), against the platform's own conversion,
// through every pair of codes.
TEST(RoundTrips, EveryDoubleByteCodeThroughEveryCode) {
    const char* mixed[] = {"41", "82 A0", "B1", "B2", "20", "88 9F", "09", "DE", "81 40"};
    std::string text, jisX0208, units = "\xFF\xFE";
    for (int i = 0; i < 1500; ++i)  // lines of 0 to 9 characters
        for (int c = 0; c <= i % 10; ++c) text += c < i % 10 ? Hex(mixed[(i + c) % 9]) : "\r\n";
    std::string viaEuc = text;
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFC; lead = lead == 0x9F ? 0xE0 : lead + 1) {
        for (int trail = 0x40; trail <= 0xFC; trail += trail == 0x7E ? 2 : 1) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            unsigned char unit[2];
            text += pair;
            viaEuc += lead >= 0xF0 ? "\x81\x45" : pair;  // the user area has no EUC-JP form
            if (lead > 0xEA || (lead >= 0x85 && lead <= 0x87) ||
                platform::AnsiToUtf16(reinterpret_cast<const unsigned char*>(pair.data()), 2, unit, 1) != 1)
                continue;
            jisX0208 += pair + (++characters % 40 ? "" : "\r\n");
            units += std::string(reinterpret_cast<char*>(unit), 2) + (characters % 40 ? ""s : "\r\0\n\0"s);
        }
    }
    auto through = [](const std::string& bytes, std::int32_t from, std::int32_t via) {
        return Convert(Convert(bytes, {from, via}).output, {via, from}).output;
    };
    const std::string euc = Convert(text, {ShiftJis, EucJp}).output;
    EXPECT_TRUE(through(text, ShiftJis, Jis) == text);
    EXPECT_TRUE(through(text, ShiftJis, EucJp) == viaEuc);
    EXPECT_TRUE(through(euc, EucJp, Jis) == euc);
    ASSERT_EQ(characters, 6879);
    std::map<std::int32_t, std::string> forms = {{ShiftJis, jisX0208}, {Unicode, units}};
    for (std::int32_t code : {Jis, EucJp, Utf8}) forms[code] = Convert(jisX0208, {ShiftJis, code}).output;
    for (const auto& [from, bytes] : forms) {
        for (const auto& [to, expected] : forms) {
            const test::Outcome outcome = Convert(bytes, {from, to});
            EXPECT_TRUE(outcome.converted && outcome.output == expected) << from << " to " << to;
        }
    }
}

}  // namespace
