// The converters to and from UTF-16 and UTF-8: the marks, the byte converters joined to
// the code page, its strictness, and malformed UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "engine_harness.h"

namespace {

using namespace std::string_literals;
using test::Convert;
using test::Hex;

TEST(UnicodeConverters, MarkAndSinglePassConverters) {
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
    });
}

TEST(UnicodeConverters, ConvertersThroughTheCodePage) {
    test::Check({
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
}

// Nothing the code page cannot hold (é ¥ 😀 𠮷) is replaced or approximated: the file is
// refused.  Nor is any form that is no UTF-8, to each kind of output.
TEST(UnicodeConverters, CharactersOutsideTheCodePageAndMalformedUtf8AreRefused) {
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
             "80", "41 BF", "C3 A9 A9",                                  // stray continuation
             "C3 41", "E3 81 41", "F0 9F 98 41", "E3 C3 A9", "C3", "E3 81", "F0 9F 98"}) {  // cut short
        for (std::int32_t output : {Utf8, Unicode, ShiftJis})
            EXPECT_FALSE(Convert(Hex(form), {Utf8, output}).converted) << form << " to " << output;
    }
}

}  // namespace
