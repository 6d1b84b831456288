// The detector: its three class tables byte by byte, the rules that read past a byte, the
// byte-order marks, UTF-8, the 1024-byte reader's edges, the running flag, and a corpus of
// prose in every code.
#include "engine/code_detector.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/code_arithmetic.h"
#include "engine_harness.h"
#include "framework/platform.h"
#include "support/temp_dir.h"

namespace {

using test::Hex;

struct Detection {
    CharCode code;
    std::uint32_t position;  // where the scan left the file
};

Detection DetectAt(const std::string& path, const std::string& bytes, std::int32_t running) {
    test::WriteBytes(path, bytes);
    FileHandle input;
    EXPECT_TRUE(input.Open(path.c_str(), platform::kGenericRead, platform::kShareRead,
                           platform::kOpenExisting, 0));
    RunningFlag flag{running};
    CharCode code = CodeDetector().Detect(input, &flag);
    EXPECT_EQ(flag.load(), running) << "the detector never writes the flag";
    return {code, platform::Seek(input.Handle(), 0, platform::kFileCurrent)};
}

Detection DetectWith(const std::string& bytes, std::int32_t running) {
    test::TempDir dir;
    return DetectAt(dir / "in.txt", bytes, running);
}

CharCode Detect(const std::string& bytes) { return DetectWith(bytes, 1).code; }

struct Case {
    const char* input;  // hex
    CharCode expected;
};

void Check(std::initializer_list<Case> cases) {
    for (const Case& c : cases) EXPECT_EQ(Detect(Hex(c.input)), c.expected) << c.input;
}

TEST(CodeDetector, ByteOrderMarkEscapeAndDecisiveBytes) {
    Check({
        {"", Plain},
        {"41", Plain},
        {"FF", NotText},
        {"81", ShiftJis},
        {"FF FE", Unicode},
        {"FF FE 41 00 80 00", Unicode},
        {"FE FF 41 00", EucJp},  // big-endian mark: scanned as bytes
        {"41 09 42 0D 0A 43 1A 7F", Plain},
        {"41 0D 0A 0C", NotText},
        {"41 1B 24 42 30 21 1B 28 42", Jis},
        {"1B 28 4A 80", Jis},     // any escape, before anything else is decisive
        {"9C E6 31 0D 0A", ShiftJis},
        {"8C EA", ShiftJis},
        {"93 41", ShiftJis},
        {"9D 41", ShiftJis},
        {"41 FD", EucJp},
        {"A4 A2 A4 A4", Ambiguous},
        {"A4 A2 A4 A4 FD", EucJp},
        {"A4 A2 82 A0", ShiftJis},
        {"A4 A2 1B", NotText},  // an escape after an ambiguous pair
        {"8E B1 0C", NotText},
    });
}

TEST(CodeDetector, PairRules) {
    Check({
        // After 0x8E.
        {"8E", NotText}, {"8E 3F", NotText}, {"8E 40", ShiftJis}, {"8E 7F", NotText},
        {"8E 9F", ShiftJis}, {"8E A0", Ambiguous}, {"8E B1", Ambiguous}, {"8E E0", Ambiguous},
        {"8E E1", ShiftJis}, {"8E FC", ShiftJis}, {"8E FD", NotText}, {"8E 41", ShiftJis},
        {"8E 20", NotText},
        // After 0xE0-0xFC.
        {"E0", NotText}, {"FC 3F", NotText}, {"E0 40", ShiftJis}, {"E0 7F", NotText},
        {"E0 A0", ShiftJis}, {"E0 A1", Ambiguous}, {"FC FE", Ambiguous}, {"E0 FF", NotText},
        // After 0xA1-0xDF.
        {"B1", ShiftJis}, {"B1 41", ShiftJis}, {"B1 0D", ShiftJis}, {"B1 81", ShiftJis},
        {"B1 FD", EucJp}, {"B1 1B", NotText}, {"B1 80", NotText}, {"B1 A1", Ambiguous},
        {"A5 C6 A5 AD A5 B9 A5 C8 0D 0A", Ambiguous},
        {"B1 E0", EucJp}, {"B8 EC 0D 0A", EucJp}, {"B1 E0 80", ShiftJis},
        {"B1 E0 94", ShiftJis}, {"B1 E0 41", Ambiguous}, {"B1 E0 7F", EucJp},
        {"B1 E0 FF", NotText},
        // Kana pairs that go on: each new pair is read as the second byte of the last.
        {"B1 E0 A1", ShiftJis}, {"B1 E0 A1 41", ShiftJis}, {"B1 E0 A1 A1", Ambiguous},
        {"B1 E0 A1 E0 0D", EucJp}, {"B1 E0 A1 E0 A1 E0 41", Ambiguous},
        // 0x8E after kana and a byte 0xE0-0xFC.
        {"B1 E0 8E", ShiftJis}, {"B1 E0 8E 0A", ShiftJis}, {"B1 E0 8E 1A", ShiftJis},
        {"B1 E0 8E 0C", NotText}, {"B1 E0 8E 80", NotText}, {"B1 E0 8E FD", NotText},
        {"B1 E0 8E 20", ShiftJis}, {"B1 E0 8E 9F", ShiftJis}, {"B1 E0 8E A0", Ambiguous},
        {"B1 E0 8E DF", Ambiguous}, {"B1 E0 8E E0", ShiftJis}, {"B1 E0 8E FC", ShiftJis},
        // The bytes a rule reads are consumed: the scan goes on after them.
        {"8E B1 41 81", ShiftJis}, {"E0 A1 FD", EucJp}, {"B1 A1 B1 A1", Ambiguous},
    });
}

// Each table checked byte by byte through the answers that tell its classes apart; the
// classes are written here as ranges, independently of the detector's own.
struct Range {
    int low, high;
    char cls;
};

char ClassOf(const std::vector<Range>& table, int b) {
    for (const Range& range : table)
        if (b >= range.low && b <= range.high) return range.cls;
    ADD_FAILURE() << "no class for " << b;
    return '?';
}

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

std::string Repeat(const std::string& bytes, int times) {
    std::string repeated;
    while (times-- > 0) repeated += bytes;
    return repeated;
}

TEST(CodeDetector, FirstByteTable) {
    const std::vector<Range> table = {
        {0x00, 0x08, '6'}, {0x09, 0x0A, '5'}, {0x0B, 0x0C, '6'}, {0x0D, 0x0D, '5'},
        {0x0E, 0x19, '6'}, {0x1A, 0x1A, '5'}, {0x1B, 0x1B, '0'}, {0x1C, 0x1F, '6'},
        {0x20, 0x7F, '5'}, {0x80, 0x80, '6'}, {0x81, 0x8D, '1'}, {0x8E, 0x8E, '8'},
        {0x8F, 0x9F, '1'}, {0xA0, 0xA0, '6'},
        {0xA1, 0xDF, 'K'}, {0xE0, 0xFC, '9'}, {0xFD, 0xFE, '2'}, {0xFF, 0xFF, '6'},
    };
    struct Signature {
        char cls;
        CharCode alone, beforeB1, beforeA0;
    };
    const Signature signatures[] = {
        {'0', Jis, Jis, Jis},
        {'1', ShiftJis, ShiftJis, ShiftJis},
        {'2', EucJp, EucJp, EucJp},
        {'5', Plain, ShiftJis, NotText},
        {'6', NotText, NotText, NotText},
        {'8', NotText, Ambiguous, Ambiguous},
        {'9', NotText, Ambiguous, ShiftJis},
        {'K', ShiftJis, Ambiguous, NotText},
    };
    for (int b = 0; b < 256; ++b) {
        char cls = ClassOf(table, b);
        for (const Signature& s : signatures) {
            if (s.cls != cls) continue;
            SCOPED_TRACE(testing::Message() << "byte " << std::hex << b);
            EXPECT_EQ(Detect(Byte(b)), s.alone);
            EXPECT_EQ(Detect(Byte(b) + "\xB1"), s.beforeB1);
            EXPECT_EQ(Detect(Byte(b) + "\xA0"), s.beforeA0);
        }
    }
}

TEST(CodeDetector, SecondAndThirdTables) {
    // The byte after kana: every class gives its own answer at the end of the data.
    const std::vector<Range> second = {
        {0x00, 0x08, '6'}, {0x09, 0x0A, '1'}, {0x0B, 0x0C, '6'}, {0x0D, 0x0D, '1'},
        {0x0E, 0x19, '6'}, {0x1A, 0x1A, '1'}, {0x1B, 0x1F, '6'}, {0x20, 0x7F, '1'},
        {0x80, 0x80, '6'}, {0x81, 0x9F, '1'}, {0xA0, 0xA0, '6'}, {0xA1, 0xDF, '7'},
        {0xE0, 0xFC, '8'}, {0xFD, 0xFE, '2'}, {0xFF, 0xFF, '6'},
    };
    const std::map<char, CharCode> secondAnswers = {
        {'1', ShiftJis}, {'2', EucJp}, {'6', NotText}, {'7', Ambiguous}, {'8', EucJp}};
    // The byte after kana and 0xE0-0xFC, told apart by what follows it.
    const std::vector<Range> third = {
        {0x00, 0x08, '6'}, {0x09, 0x0A, '2'}, {0x0B, 0x0C, '6'}, {0x0D, 0x0D, '2'},
        {0x0E, 0x19, '6'}, {0x1A, 0x1A, '2'}, {0x1B, 0x1F, '6'}, {0x20, 0x3F, '2'},
        {0x40, 0x7E, '7'}, {0x7F, 0x7F, '2'}, {0x80, 0x8D, '1'}, {0x8E, 0x8E, 'S'},
        {0x8F, 0xA0, '1'}, {0xA1, 0xFC, '9'},
        {0xFD, 0xFE, '2'}, {0xFF, 0xFF, '6'},
    };
    struct Signature {
        CharCode alone, beforeE0, beforeA1;
    };
    const std::map<char, Signature> thirdAnswers = {
        {'1', {ShiftJis, ShiftJis, ShiftJis}}, {'2', {EucJp, EucJp, EucJp}},
        {'6', {NotText, NotText, NotText}},    {'7', {Ambiguous, NotText, ShiftJis}},
        {'9', {ShiftJis, EucJp, Ambiguous}},   {'S', {ShiftJis, ShiftJis, Ambiguous}},
    };
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(testing::Message() << "byte " << std::hex << b);
        EXPECT_EQ(Detect("\xB1" + Byte(b)), secondAnswers.at(ClassOf(second, b)));
        const Signature& s = thirdAnswers.at(ClassOf(third, b));
        EXPECT_EQ(Detect("\xB1\xE0" + Byte(b)), s.alone);
        EXPECT_EQ(Detect("\xB1\xE0" + Byte(b) + "\xE0"), s.beforeE0);
        EXPECT_EQ(Detect("\xB1\xE0" + Byte(b) + "\xA1"), s.beforeA1);
    }
}

TEST(CodeDetector, Utf8) {
    Check({
        {"EF BB BF", Utf8}, {"EF BB BF 82 A0 FF", Utf8}, {"EF BB", Ambiguous},
        {"E3 83 97 E3 83 AD E3 82 B0 E3 83 A9 E3 83 A0", Utf8},  // also Shift_JIS
        {"41 E3 81 82 0D 0A", Utf8}, {"C2 80 E3 81 82", Utf8}, {"C3 A9", Ambiguous},
        // Well-formed only up to a byte: the scan's answer.
        {"E3 81", ShiftJis}, {"E3 81 82 82 A0", ShiftJis}, {"E3 81 82 0C", ShiftJis},
        {"E3 81 82 C3", ShiftJis}, {"C1 81 E3 81 82", ShiftJis},
        {"E4 A1 61 61 61 61 61 61 61 61 A1", ShiftJis},  // ASCII inside a character
        {"F5 80 80 80 E3 81 82", ShiftJis}, {"F1 AB A1 A2", Ambiguous},  // four bytes prove nothing
        // The ranges after E0, ED, F0 and F4 leave out overlong forms, surrogates and
        // code points past U+10FFFF.
        {"E0 A0 80", Utf8}, {"E0 9F BF", ShiftJis}, {"ED 9F BF", Utf8}, {"ED A0 80", ShiftJis},
        {"F0 90 80 80 E3 81 82", Utf8}, {"F0 8F BF BF E3 81 82", ShiftJis},
        {"F1 80 80 80 E3 81 82", Utf8}, {"F4 8F BF BF E3 81 82", Utf8},
        {"F4 90 80 80 E3 81 82", ShiftJis},
    });
}

TEST(CodeDetector, ReadsWholeBlocksAndNoFurtherThanTheAnswer) {
    constexpr int kBlock = CodeDetector::kBlock;
    struct Case {
        std::string bytes;
        CharCode expected;
        std::uint32_t position;
    };
    std::string text(3 * kBlock, 'a');
    const Case cases[] = {
        {"", Plain, 0},
        {std::string(kBlock, 'a'), Plain, kBlock},
        {std::string(2 * kBlock, 'a'), Plain, 2 * kBlock},
        {std::string(kBlock + 1, 'a'), Plain, kBlock + 1},
        {std::string(kBlock - 1, 'a') + "\x81" + text, ShiftJis, kBlock},
        {std::string(kBlock, 'a') + "\x81" + text, ShiftJis, 2 * kBlock},
        {std::string(kBlock - 1, 'a') + "\x8E\xB1", Ambiguous, kBlock + 1},
        {std::string(kBlock - 1, 'a') + "\x8E\x41" + text, ShiftJis, 2 * kBlock},
        {std::string(kBlock - 2, 'a') + "\xB8\xEC\x0D" + text, EucJp, 2 * kBlock},
        {"\xFF\xFE" + text, Unicode, 2},
        {"\x81" + text, ShiftJis, kBlock},
        // UTF-8 is read on until it breaks, or until sixteen three-byte characters decide it.
        {"\xE3\x81\x82" + text + "\x82", ShiftJis, 3 * kBlock + 4},
        {"\xE3\x81\x82" + text, Utf8, 3 * kBlock + 3},
        {Repeat("\xE3\x81\x82", 15) + "\x82" + text, ShiftJis, kBlock},
        {Repeat("\xE3\x81\x82", 16) + "\x82" + text, Utf8, kBlock},
        {Repeat("\xE4\xA1\xA1", 16) + text, Utf8, kBlock},  // the scan stays undecided
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        Detection detection = DetectWith(c.bytes, 1);
        EXPECT_EQ(detection.code, c.expected);
        EXPECT_EQ(detection.position, c.position);
    }
}

TEST(CodeDetector, AClearedRunningFlagAnswersPlainAfterTheFirstByte) {
    for (const char* input : {"41 42", "81", "FF", "1B", "A4 A2", "", "FE FF"}) {
        Detection detection = DetectWith(Hex(input), 0);
        EXPECT_EQ(detection.code, Plain) << input;
        EXPECT_LE(detection.position, 2u);
    }
    EXPECT_EQ(DetectWith(Hex("FF FE 81"), 0).code, Unicode);
    EXPECT_EQ(DetectWith(Hex("EF BB BF 81"), 0).code, Utf8);
}

TEST(CodeDetector, AReadErrorIsRaised) {
    test::TempDir dir;
    std::string path = dir / "in.txt";
    test::WriteBytes(path, "abc");
    FileHandle unreadable;
    ASSERT_TRUE(unreadable.Open(path.c_str(), platform::kGenericWrite, 0,
                                platform::kOpenExisting, 0));
    RunningFlag running{1};
    EXPECT_THROW(CodeDetector().Detect(unreadable, &running), std::int32_t);
}

// Prose with common and rare kanji, kana, half-width katakana, full-width and plain ASCII,
// punctuation and symbols.
constexpr std::u16string_view kProse =
    u"今日は朝から雨が降っていた。駅前の喫茶店で珈琲と檸檬のケーキを頼み、友人の田中さんと"
    u"「新しいプログラム」について話した。\r\n"
    u"彼はZEKO.EXEを使い、古いﾃｷｽﾄﾌｧｲﾙ（約1,200件）を一晩で変換したという。"
    u"文字化けは一つもなかったそうだ！\r\n"
    u"次は全角のＡＢＣ１２３や記号※★♪、半角の\"ｶﾀｶﾅ\"も試したい。昼は饂飩、庭には薔薇。\r\n";

std::string Utf16Of(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

// Shift_JIS through the code page, EUC-JP and JIS from it by row and cell.
struct Encoded {
    std::string sjis, euc, jis;
};

Encoded Encode(std::u16string_view text) {
    Encoded e;
    std::string_view mode = "\x1B(B";
    auto shift = [&](std::string_view to) {
        if (to != mode) e.jis += mode = to;
    };
    for (char16_t c : text) {
        unsigned char s[2];
        std::int32_t size = platform::Utf16ToAnsi(
            reinterpret_cast<const unsigned char*>(Utf16Of({&c, 1}).c_str()) + 2, 1, s, 2);
        e.sjis.append(reinterpret_cast<char*>(s), size);
        if (size == 2) {
            auto [j1, j2] = code::ShiftJisToJis(s[0], s[1]);
            shift("\x1B$B");
            e.jis += {char(j1), char(j2)};
            e.euc += {char(j1 + 0x80), char(j2 + 0x80)};
        } else if (s[0] >= 0xA1) {
            shift("\x1B(I");
            e.jis += char(s[0] - 0x80);
            e.euc += {'\x8E', char(s[0])};
        } else {
            shift("\x1B(B");
            e.jis += char(s[0]);
            e.euc += char(s[0]);
        }
    }
    shift("\x1B(B");
    return e;
}

std::string Utf8Of(std::u16string_view text) {  // the prose stays within the BMP
    std::string bytes;
    for (int c : text) {
        if (c < 0x80) bytes += static_cast<char>(c);
        else if (c < 0x800) bytes += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
        else bytes += {char(0xE0 | c >> 12),
                       char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
    }
    return bytes;
}

// Cuts of the prose at many places, from one character to some thousands (up to
// ZEKO_CORPUS_CHARS for a larger run), in every code.  Each must be detected as its own
// code, or Ambiguous between Shift_JIS and EUC-JP, or Plain when it is ASCII without a
// mark.  The answers are printed per length.
TEST(CodeDetector, ProseInEveryCodeAndLength) {
    const char* chars = std::getenv("ZEKO_CORPUS_CHARS");
    const std::size_t longest = chars ? std::stoul(chars) : 4096;
    const char* names[] = {"JIS", "SJIS", "EUC", "UTF-16", "", "Plain", "NotText", "Ambig",
                           "UTF-8"};
    for (std::size_t length = 1; length <= longest; length += length < 8 ? 1 : length) {
        std::u16string prose;
        while (prose.size() < kProse.size() + length) prose += kProse;
        std::map<std::string, std::map<CharCode, int>> answers;
        test::TempDir dir;
        const std::string path = dir / "in.txt";
        for (std::size_t start = 0; start < kProse.size(); start += length < 8 ? 3 : 17) {
            std::u16string_view cut = std::u16string_view(prose).substr(start, length);
            std::string utf16 = Utf16Of(cut);
            std::string utf8 = Utf8Of(cut);
            Encoded encoded = Encode(cut);
            const std::pair<CharCode, std::string> files[] = {
                {ShiftJis, encoded.sjis},
                {EucJp, encoded.euc},
                {Jis, encoded.jis},
                {Unicode, utf16},
                {Utf8, utf8},
                {Utf8, "\xEF\xBB\xBF" + utf8},
            };
            bool ascii = utf8.size() == cut.size();
            for (const auto& [code, bytes] : files) {
                CharCode answer = DetectAt(path, bytes, 1).code;
                bool marked = code == Unicode || bytes.starts_with("\xEF\xBB\xBF");
                EXPECT_TRUE(answer == code || (answer == Plain && ascii && !marked) ||
                            (answer == Ambiguous && (code == ShiftJis || code == EucJp)))
                    << names[code] << " as " << names[answer] << ", " << length << " at "
                    << start;
                std::string row = std::string(names[code]) + (marked && code == Utf8 ? "+BOM" : "");
                ++answers[row][answer];
            }
        }
        std::cout << length << " chars:";
        for (const auto& [code, tally] : answers) {
            std::cout << "  " << code;
            for (const auto& [answer, count] : tally)
                std::cout << " " << names[answer] << "=" << count;
        }
        std::cout << "\n";
    }
}

}  // namespace
