// The converters to and from UTF-16 and UTF-8: the marks, the byte converters joined to
// the code page, its strictness, malformed UTF-8, and the block edges where the code page
// meets the byte converters and where UTF-8 sequences are cut.  The harness checks after
// every conversion that the input is untouched.
#include <gtest/gtest.h>

#include <string>

#include "engine/code_arithmetic.h"
#include "engine_harness.h"
#include "framework/platform.h"
#include "support/scripted_asker.h"
#include "support/temp_dir.h"

namespace {

using test::Codes;
using test::Hex;

constexpr int kInputBlock = ConversionEngine::kInputBlock;
const std::string kMark = "\xFF\xFE";
const std::string kUtf8Mark = "\xEF\xBB\xBF";

// UTF-16 little-endian bytes of a text.
std::string Utf16(std::u16string_view text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// UTF-8 bytes of a text.
std::string Utf8Bytes(std::u16string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        int tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        bytes += static_cast<char>(tail == 0 ? c : (0xF00 >> (tail + 1) & 0xF0) | c >> 6 * tail);
        while (tail-- > 0) bytes += static_cast<char>(0x80 | (c >> 6 * tail & 0x3F));
    }
    return bytes;
}

struct Case {
    const char* name;
    Codes codes;
    const char* input;     // hex
    const char* expected;  // hex, or nullptr when the file cannot be converted
};

void Check(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::Outcome outcome = test::Convert(Hex(c.input), c.codes);
        EXPECT_EQ(outcome.converted, c.expected != nullptr);
        // A failed first pass or a failed code page leaves nothing written: the output of
        // these small inputs is still buffered.
        EXPECT_EQ(outcome.output, c.expected ? Hex(c.expected) : "");
    }
}

TEST(UnicodeConverters, MarkAndSinglePassConverters) {
    Check({
        {"empty to Unicode", {Unicode, Unicode}, "", "FF FE"},
        {"mark kept once", {Unicode, Unicode}, "FF FE 41 00", "FF FE 41 00"},
        {"mark added", {Unicode, Unicode}, "41 00", "FF FE 41 00"},
        {"anything copied", {Unicode, Unicode}, "FF FE 00 00 FF FE 00 D8 FF FE",
         "FF FE 00 00 FF FE 00 D8 FF FE"},
        {"Keep output", {Unicode, Keep, Lf}, "0D 00 0A 00 0D 00", "FF FE 0A 00 0A 00"},
        {"line ends as units", {Unicode, Unicode, CrLf}, "FF FE 0D 00 41 00 0A 00",
         "FF FE 0D 00 0A 00 41 00 0D 00 0A 00"},
        {"unit with a CR byte is no line end", {Unicode, Unicode, Lf}, "0D 30 0A 0D",
         "FF FE 0D 30 0A 0D"},
        {"voiced mark stands alone", {Unicode, Unicode, CrLf, 1}, "FF FE 71 FF 9E FF",
         "FF FE A2 30 9B 30"},
        {"voiced mark folded", {Unicode, Unicode, CrLf, 1}, "FF FE 76 FF 9E FF", "FF FE AC 30"},
        {"katakana then a line end", {Unicode, Unicode, Lf, 1}, "71 FF 0D 00 0A 00",
         "FF FE A2 30 0A 00"},
        {"katakana kept", {Unicode, Unicode}, "FF FE 76 FF 9E FF", "FF FE 76 FF 9E FF"},
        {"plain with kept newlines", {Plain, Unicode, KeepNewline}, "41 42 0D 0A",
         "FF FE 41 00 42 00 0D 00 0A 00"},
        {"plain CR to CR LF", {Plain, Unicode, CrLf}, "41 0D 42", "FF FE 41 00 0D 00 0A 00 42 00"},
        {"plain bytes widened to units", {Plain, Unicode, CrLf, 1}, "00 B1 FF",
         "FF FE 00 00 B1 00 FF 00"},
        {"odd size", {Unicode, Unicode}, "FF FE 41", nullptr},
        {"odd size to bytes", {Unicode, ShiftJis}, "41", nullptr},
        {"UTF-8 mark dropped", {Utf8, Utf8}, "EF BB BF EF BB BF 41", "EF BB BF 41"},
        {"UTF-8 mark written", {Utf8, Keep, CrLf, 0, true}, "EF BB BF 41", "EF BB BF 41"},
        {"UTF-8 line ends", {Utf8, Utf8, CrLf}, "C3 A9 0D E3 81 82 0A",
         "C3 A9 0D 0A E3 81 82 0D 0A"},
        {"UTF-8 katakana folded", {Utf8, Utf8, Lf, 1}, "EF BD B6 EF BE 9E EF BD B1 0D",
         "E3 82 AC E3 82 A2 0A"},
        {"UTF-8 to a pair", {Utf8, Unicode, Lf}, "EF BB BF F0 9F 98 80 0D 0A",
         "FF FE 3D D8 00 DE 0A 00"},
        {"UTF-8 katakana to units", {Utf8, Unicode, CrLf, 1}, "EF BD B3 EF BE 9E", "FF FE F4 30"},
        {"a pair to UTF-8", {Unicode, Utf8, CrLf, 1, true}, "FF FE 3D D8 00 DE 0A 00 73 FF 9E FF",
         "EF BB BF F0 9F 98 80 0D 0A E3 83 B4"},
        {"a lone high surrogate", {Unicode, Utf8}, "00 D8 41 00", nullptr},
        {"a lone low surrogate", {Unicode, Utf8}, "41 00 00 DC", nullptr},
        {"plain bytes as characters", {Plain, Utf8, Cr}, "41 B1 0A", "41 C2 B1 0D"},
        {"plain with the mark", {Plain, Utf8, KeepNewline, 0, true}, "41", "EF BB BF 41"},
    });
}

TEST(UnicodeConverters, ConvertersThroughTheCodePage) {
    Check({
        {"empty Shift_JIS", {ShiftJis, Unicode}, "", "FF FE"},
        {"あ CR LF to LF", {ShiftJis, Unicode, Lf}, "82 A0 0D 0A", "FF FE 42 30 0A 00"},
        {"widened as Shift_JIS", {ShiftJis, Unicode, CrLf, 1}, "B6 DE B1", "FF FE AC 30 A2 30"},
        {"code page 932 forms", {ShiftJis, Unicode}, "81 5F 81 60 87 40 FA 40 F0 40",
         "FF FE 3C FF 5E FF 60 24 70 21 00 E0"},
        {"JIS", {Jis, Unicode}, "1B 24 42 24 22 1B 28 49 31 1B 28 42 41",
         "FF FE 42 30 71 FF 41 00"},
        {"EUC-JP", {EucJp, Unicode, Cr}, "A4 A2 8E B1 0A", "FF FE 42 30 71 FF 0D 00"},
        {"invalid Shift_JIS", {ShiftJis, Unicode}, "82 A0 80", nullptr},
        {"undefined in the code page", {ShiftJis, Unicode}, "41 85 40", nullptr},
        {"invalid JIS", {Jis, Unicode}, "1B 28 4A", nullptr},
        {"mark only to Shift_JIS", {Unicode, ShiftJis}, "FF FE", ""},
        {"mark only to JIS", {Unicode, Jis}, "FF FE", ""},
        {"mark only to EUC-JP", {Unicode, EucJp}, "FF FE", ""},
        {"empty to Shift_JIS", {Unicode, ShiftJis}, "", ""},
        {"to Shift_JIS", {Unicode, ShiftJis, CrLf}, "FF FE 42 30 0A 00 71 FF", "82 A0 0D 0A B1"},
        {"without a mark", {Unicode, EucJp}, "42 30 71 FF", "A4 A2 8E B1"},
        {"widened after the code page", {Unicode, ShiftJis, CrLf, 1}, "76 FF 9E FF", "83 4B"},
        {"to JIS", {Unicode, Jis, Lf}, "FF FE 42 30 0D 00 0A 00", "1B 24 42 24 22 1B 28 42 0A"},
        {"a later mark is a character", {Unicode, ShiftJis}, "FF FE FF FE 41 00", nullptr},
        {"outside the code page", {Unicode, ShiftJis}, "FF FE 41 00 01 0E", nullptr},
        {"a question mark is one", {Utf8, ShiftJis}, "3F", "3F"},
        {"NUL is no Shift_JIS text", {Unicode, ShiftJis}, "41 00 00 00", nullptr},
        {"Keep output", {Unicode, Keep}, "FF FE 42 30", "FF FE 42 30"},
        {"Shift_JIS to UTF-8", {ShiftJis, Utf8, Lf, 1}, "82 A0 0D 0A B6 DE 5C",
         "E3 81 82 0A E3 82 AC 5C"},
        {"EUC-JP to UTF-8 with the mark", {EucJp, Utf8, CrLf, 0, true}, "A4 A2 8E B1",
         "EF BB BF E3 81 82 EF BD B1"},
        {"JIS to UTF-8", {Jis, Utf8}, "1B 24 42 24 22 1B 28 42", "E3 81 82"},
        {"empty to UTF-8 with the mark", {ShiftJis, Utf8, CrLf, 0, true}, "", "EF BB BF"},
        {"invalid Shift_JIS to UTF-8", {ShiftJis, Utf8}, "82", nullptr},
        {"UTF-8 to Shift_JIS", {Utf8, ShiftJis, CrLf}, "EF BB BF E3 81 82 0A EF BD B1",
         "82 A0 0D 0A B1"},
        {"UTF-8 to JIS widened", {Utf8, Jis, Lf, 1}, "EF BD B6 EF BE 9E", "1B 24 42 25 2C"},
        {"UTF-8 to EUC-JP", {Utf8, EucJp}, "E3 81 82", "A4 A2"},
        {"UTF-8 mark only", {Utf8, ShiftJis}, "EF BB BF", ""},
    });
}

// Nothing the code page cannot hold is replaced or approximated: the file is refused.
TEST(UnicodeConverters, ACharacterOutsideTheCodePageRefusesTheFile) {
    for (std::u16string text : {u"é", u"¥", u"😀", u"𠮷"}) {
        for (Codes codes : {Codes{Unicode, Jis}, Codes{Unicode, ShiftJis}, Codes{Unicode, EucJp},
                            Codes{Utf8, Jis}, Codes{Utf8, ShiftJis}, Codes{Utf8, EucJp}}) {
            SCOPED_TRACE(testing::Message() << Utf8Bytes(text) << codes.input << "->"
                                            << codes.output);
            std::u16string input = u"a" + text;
            test::Outcome outcome = test::Convert(
                codes.input == Utf8 ? Utf8Bytes(input) : Utf16(input), codes);
            EXPECT_FALSE(outcome.converted);
            EXPECT_EQ(outcome.output, "");
        }
    }
}

// A failure after whole blocks have gone through refuses the file all the same.
TEST(UnicodeConverters, AFailureFarIntoTheFileRefusesIt) {
    const std::string ascii(3 * kInputBlock + 5, 'a');
    const std::string units = Utf16(std::u16string(ascii.begin(), ascii.end()));
    struct Late {
        Codes codes;
        std::string input;
    };
    const Late cases[] = {
        {{ShiftJis, Unicode}, ascii + Hex("85 40")},  // not in the code page
        {{EucJp, Utf8}, ascii + Hex("AD A1 AD A1")},  // Shift_JIS 87 40 twice: in it
        {{ShiftJis, Utf8}, ascii + Hex("85 40")},
        {{Unicode, ShiftJis}, units + Hex("E9 00")},  // é
        {{Utf8, EucJp}, ascii + Hex("C3 A9")},
        {{Utf8, ShiftJis}, ascii + Hex("E3 81 41")},  // malformed
        {{Utf8, Jis}, ascii + Hex("E3 81")},          // cut by the end
    };
    for (const Late& late : cases) {
        SCOPED_TRACE(testing::Message() << late.codes.input << "->" << late.codes.output);
        test::Outcome outcome = test::Convert(late.input, late.codes);
        EXPECT_EQ(outcome.converted, late.codes.input == EucJp);
    }
}

// Every form that is no UTF-8, to each kind of output.
TEST(UnicodeConverters, MalformedUtf8IsRefused) {
    const char* const forms[] = {
        "C0 AF",        "C1 BF",       "E0 80 AF",     "E0 9F BF",  // overlong
        "F0 80 80 AF",  "F0 8F BF BF",                              // overlong
        "ED A0 80",     "ED BF BF",                                 // surrogates
        "F4 90 80 80",  "F5 80 80 80", "FF",                        // above U+10FFFF
        "80",           "41 BF",       "C3 A9 A9",                  // stray continuation
        "C3 41",        "E3 81 41",    "F0 9F 98 41",  "E3 C3 A9",  // truncated
        "C3",           "E3 81",       "F0 9F 98",                  // cut by the end
    };
    for (const char* form : forms) {
        for (Codes codes : {Codes{Utf8, Utf8}, Codes{Utf8, Unicode}, Codes{Utf8, ShiftJis}}) {
            SCOPED_TRACE(testing::Message() << form << " -> " << codes.output);
            EXPECT_FALSE(test::Convert(Hex(form), codes).converted);
        }
    }
}

TEST(UnicodeConverters, AClearedRunningFlagStops) {
    for (Codes codes : {Codes{ShiftJis, Unicode}, Codes{Jis, Unicode}, Codes{EucJp, Unicode},
                        Codes{Unicode, ShiftJis}, Codes{Unicode, Jis}, Codes{Unicode, EucJp},
                        Codes{Unicode, Unicode}, Codes{Plain, Unicode}, Codes{ShiftJis, Utf8},
                        Codes{Utf8, ShiftJis}, Codes{Utf8, Utf8}, Codes{Unicode, Utf8}}) {
        SCOPED_TRACE(testing::Message() << codes.input << "->" << codes.output);
        test::Outcome outcome = test::Convert(std::string("a\0b\0", 4), codes, nullptr, 0);
        EXPECT_FALSE(outcome.converted);
        EXPECT_EQ(outcome.output, "");
    }
}

// The code-page pass converts stretches of whole characters into exactly the free part
// of the output buffer; these inputs put a character, or the buffer's end, on the edge
// of an input block.
TEST(UnicodeConverters, BlockEdgesOfTheCodePagePass) {
    struct Edge {
        const char* name;
        std::string input;
        std::string expected;
    };
    std::string a(kInputBlock, 'a');
    std::u16string ua(kInputBlock, u'a');
    const Edge edges[] = {
        {"character split by the first block's end", a.substr(1) + "\x82\xA0" "b",
         kMark + Utf16(ua.substr(1) + u"あb")},
        {"character split by the second block's end", a + a.substr(1) + "\x88\x9F",
         kMark + Utf16(ua + ua.substr(1) + u"亜")},
        {"output buffer full at the block's last character", "\x82\xA0" + a.substr(2),
         kMark + Utf16(u"あ" + ua.substr(2))},
        {"output buffer full at a split character", "\x82\xA0" + a.substr(3) + "\x93\xFA" "c",
         kMark + Utf16(u"あ" + ua.substr(3) + u"日c")},
    };
    for (const Edge& edge : edges) {
        SCOPED_TRACE(edge.name);
        test::Outcome outcome = test::Convert(edge.input, {ShiftJis, Unicode, KeepNewline});
        EXPECT_TRUE(outcome.converted);
        EXPECT_EQ(outcome.output.size(), edge.expected.size());
        EXPECT_TRUE(outcome.output == edge.expected);
        test::Outcome utf8 = test::Convert(edge.input, {ShiftJis, Utf8, KeepNewline});
        EXPECT_TRUE(utf8.converted);
        EXPECT_TRUE(test::Convert(utf8.output, {Utf8, Unicode, KeepNewline}).output ==
                    edge.expected);
    }
}

// A sequence of each length cut at each of its bytes by the end of a read: the reads of
// UTF-8 into UTF-16 fill the input block; those into the code page leave room for the
// bytes carried before them.
TEST(UnicodeConverters, Utf8SequencesAcrossTheBlockEdge) {
    for (std::u16string character : {u"é", u"あ", u"😀"}) {
        const std::string bytes = Utf8Bytes(character);
        for (int edge : {kInputBlock - 16, kInputBlock}) {
            for (int before = 1; before < static_cast<int>(bytes.size()); ++before) {
                SCOPED_TRACE(testing::Message() << bytes.size() << " bytes, " << before
                                                << " before " << edge);
                const std::u16string text =
                    std::u16string(edge - before, u'a') + character + u"b";
                const std::string utf8 = Utf8Bytes(text);
                test::Outcome outcome = test::Convert(utf8, {Utf8, Unicode, KeepNewline});
                EXPECT_TRUE(outcome.converted);
                EXPECT_TRUE(outcome.output == kMark + Utf16(text));
                if (character != u"あ") continue;  // the others are not in the code page
                outcome = test::Convert(utf8, {Utf8, ShiftJis, KeepNewline});
                EXPECT_TRUE(outcome.converted);
                EXPECT_TRUE(outcome.output == std::string(edge - before, 'a') + "\x82\xA0" "b");
            }
        }
    }
}

// Through the code page and back: every JIS X 0208 character, many blocks with line ends.
TEST(UnicodeConverters, EveryJisX0208CharacterRoundTrips) {
    std::string sjis;
    std::u16string text;
    int characters = 0;
    for (int row = 0x21; row <= 0x74; ++row) {
        if (row >= 0x29 && row <= 0x2F) continue;  // rows 9-15 are not JIS X 0208
        for (int cell = 0x21; cell <= 0x7E; ++cell) {
            code::BytePair pair = code::JisToShiftJis(row, cell);
            unsigned char bytes[2] = {static_cast<unsigned char>(pair.first),
                                      static_cast<unsigned char>(pair.second)};
            unsigned char unit[2];
            if (platform::AnsiToUtf16(bytes, 2, unit, 1) != 1) continue;  // unassigned cell
            sjis.append(reinterpret_cast<char*>(bytes), 2);
            text += static_cast<char16_t>(unit[0] | unit[1] << 8);
            if (++characters % 40 == 0) {
                sjis += "\r\n";
                text += u"\r\n";
            }
        }
    }
    ASSERT_EQ(characters, 6879);
    test::Outcome wide = test::Convert(sjis, {ShiftJis, Unicode, CrLf});
    ASSERT_TRUE(wide.converted);
    EXPECT_TRUE(wide.output == kMark + Utf16(text));
    test::Outcome back = test::Convert(wide.output, {Unicode, ShiftJis, CrLf});
    ASSERT_TRUE(back.converted);
    EXPECT_TRUE(back.output == sjis);
    test::Outcome viaJis = test::Convert(test::Convert(wide.output, {Unicode, Jis}).output,
                                         {Jis, Unicode});
    EXPECT_TRUE(viaJis.output == wide.output);
    test::Outcome utf8 = test::Convert(sjis, {ShiftJis, Utf8, CrLf});
    EXPECT_TRUE(utf8.output == Utf8Bytes(text));
    EXPECT_TRUE(test::Convert(utf8.output, {Utf8, ShiftJis, CrLf}).output == sjis);
}

}  // namespace
