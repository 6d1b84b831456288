// The detector: the rules that read past a byte, the byte-order marks, UTF-8, the reader's
// block edges, the running flag, and a corpus of prose in every code.
#include "engine/code_detector.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/byte_table.h"
#include "engine_harness.h"
#include "framework/platform.h"
#include "support/temp_dir.h"

namespace {

using test::Hex;
using test::Repeat;

struct Detection {
    CharCode code;
    std::uint32_t position;  // where the scan left the file
};

Detection Scan(const std::string& bytes, std::int32_t running = 1) {
    static test::TempDir dir;
    const std::string path = dir / "in.txt";
    test::WriteBytes(path, bytes);
    FileHandle input;
    EXPECT_TRUE(input.Open(path.c_str(), platform::kGenericRead, platform::kShareRead,
                           platform::kOpenExisting, 0));
    RunningFlag flag{running};
    CharCode code = CodeDetector().Detect(input, &flag);
    EXPECT_EQ(flag.load(), running) << "the detector never writes the flag";
    Detection detection{code, platform::Seek(input.Handle(), 0, platform::kFileCurrent)};
    input.Close();
    platform::Remove(path.c_str());  // a file cut short and written again is flushed on close
    return detection;
}

CharCode Detect(const std::string& bytes) { return Scan(bytes).code; }

struct Case {
    const char* input;  // hex
    CharCode expected;
};

void Check(std::initializer_list<Case> cases) {
    for (const Case& c : cases) EXPECT_EQ(Detect(Hex(c.input)), c.expected) << c.input;
}

TEST(CodeDetector, ByteOrderMarkEscapeAndDecisiveBytes) {
    Check({
        {"", Plain}, {"41", Plain}, {"FF", NotText}, {"81", ShiftJis}, {"FF FE", Unicode},
        {"FF FE 41 00 80 00", Unicode},
        {"FE FF 41 00", EucJp},  // big-endian mark: scanned as bytes
        {"41 09 42 0D 0A 43 1A 7F", Plain}, {"41 0D 0A 0C", NotText},
        {"41 1B 24 42 30 21 1B 28 42", Jis},
        {"1B 28 4A 80", Jis},  // any escape, before anything else is decisive
        {"9C E6 31 0D 0A", ShiftJis}, {"8C EA", ShiftJis}, {"93 41", ShiftJis}, {"9D 41", ShiftJis},
        {"41 FD", EucJp}, {"A4 A2 A4 A4", Ambiguous}, {"A4 A2 A4 A4 FD", EucJp},
        {"A4 A2 82 A0", ShiftJis}, {"8E B1 0C", NotText},
        {"A4 A2 1B", NotText},  // an escape after an ambiguous pair
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
        {"A5 C6 A5 AD A5 B9 A5 C8 0D 0A", Ambiguous}, {"B1 E0", EucJp}, {"B8 EC 0D 0A", EucJp},
        {"B1 E0 80", ShiftJis}, {"B1 E0 94", ShiftJis}, {"B1 E0 41", Ambiguous},
        {"B1 E0 7F", EucJp}, {"B1 E0 FF", NotText},
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

// The bytes at the edges of the detector's byte classes, in each place a class is read:
// first (alone, before B1, before A0), after kana, and after kana and E0 (alone, before
// E0, before A1).  The answers are CharCode digits, one per byte.
TEST(CodeDetector, EveryClassEdge) {
    const std::string edges =
        Hex("00 08 09 0A 0B 0C 0D 0E 19 1A 1B 1C 1F 20 3F 40 7E 7F 80 81 8D 8E 8F 9F A0 A1 DF "
            "E0 FC FD FE FF");
    const struct {
        std::string before, after;
        const char* answers;
    } places[] = {
        {"", "", "66556656650665555561161161166226"},
        {"", "\xB1", "66116616610661111161171167777226"},
        {"", "\xA0", "66666666660666666661171166611226"},
        {"\xB1", "", "66116616616661111161111167722226"},
        {"\xB1\xE0", "", "66226626626662277211111111111226"},
        {"\xB1\xE0", "\xE0", "66226626626662266211111112222226"},
        {"\xB1\xE0", "\xA1", "66226626626662211211171117777226"},
    };
    for (const auto& place : places) {
        for (std::size_t i = 0; i < edges.size(); ++i) {
            EXPECT_EQ(Detect(place.before + edges[i] + place.after), place.answers[i] - '0')
                << testing::PrintToString(place.before + edges[i] + place.after);
        }
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
        {"F5 80 80 80 E3 81 82", ShiftJis},
        {"F1 AB A1 A2", Ambiguous},  // four bytes prove nothing
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
    const std::string text(3 * kBlock, 'a');
    const struct {
        std::string bytes;
        CharCode expected;
        std::uint32_t position;
    } cases[] = {
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
    for (const auto& c : cases) {
        Detection detection = Scan(c.bytes);
        EXPECT_EQ(detection.code, c.expected) << c.bytes.size();
        EXPECT_EQ(detection.position, c.position) << c.bytes.size();
    }
}

TEST(CodeDetector, AClearedRunningFlagAnswersPlainAfterTheFirstByte) {
    for (const char* input : {"41 42", "81", "FF", "1B", "A4 A2", "", "FE FF"}) {
        Detection detection = Scan(Hex(input), 0);
        EXPECT_EQ(detection.code, Plain) << input;
        EXPECT_LE(detection.position, 2u);
    }
    EXPECT_EQ(Scan(Hex("FF FE 81"), 0).code, Unicode);
    EXPECT_EQ(Scan(Hex("EF BB BF 81"), 0).code, Utf8);
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
// punctuation and symbols, in code page 932.
constexpr std::string_view kProse =
    "今日は朝から雨が降っていた。駅前の喫茶店で珈琲と檸檬のケーキを頼み、友人の田中さんと"
    "「新しいプログラム」について話した。\r\n"
    "彼はZEKO.EXEを使い、古いﾃｷｽﾄﾌｧｲﾙ（約1,200件）を一晩で変換したという。"
    "文字化けは一つもなかったそうだ！\r\n"
    "次は全角のＡＢＣ１２３や記号※★♪、半角の\"ｶﾀｶﾅ\"も試したい。昼は饂飩、庭には薔薇。\r\n";

// Cuts of the prose at many places, from one character to some thousands (up to
// ZEKO_CORPUS_CHARS for a larger run), in every code as the engine writes it.  Each must
// be detected as its own code, or Ambiguous between Shift_JIS and EUC-JP, or Plain when
// it is ASCII without a mark.
TEST(CodeDetector, ProseInEveryCodeAndLength) {
    const char* chars = std::getenv("ZEKO_CORPUS_CHARS");
    const std::size_t longest = chars ? std::stoul(chars) : 4096;
    const char* names[] = {"JIS", "SJIS", "EUC", "UTF-16", "", "Plain", "NotText", "Ambig", "UTF-8"};
    std::vector<std::size_t> starts;  // of the characters, in bytes
    for (std::size_t at = 0; at < kProse.size(); at += code::IsShiftJisLead(kProse[at] & 0xFF) ? 2 : 1)
        starts.push_back(at);
    auto boundary = [&](std::size_t character) {
        return character / starts.size() * kProse.size() + starts[character % starts.size()];
    };
    for (std::size_t length = 1; length <= longest; length += length < 8 ? 1 : length) {
        const std::string prose = Repeat(kProse, 2 + length / starts.size());
        for (std::size_t start = 0; start < starts.size(); start += length < 8 ? 3 : 17) {
            const std::string cut =
                prose.substr(boundary(start), boundary(start + length) - boundary(start));
            const bool ascii = std::all_of(cut.begin(), cut.end(), [](char c) { return c > 0; });
            const std::string utf8 = test::Convert(cut, {ShiftJis, Utf8, KeepNewline}).output;
            const std::pair<CharCode, std::string> files[] = {
                {ShiftJis, cut},
                {EucJp, test::Convert(cut, {ShiftJis, EucJp, KeepNewline}).output},
                {Jis, test::Convert(cut, {ShiftJis, Jis, KeepNewline}).output},
                {Unicode, test::Convert(cut, {ShiftJis, Unicode, KeepNewline}).output},
                {Utf8, utf8},
                {Utf8, "\xEF\xBB\xBF" + utf8},
            };
            for (const auto& [code, bytes] : files) {
                CharCode answer = Detect(bytes);
                bool marked = code == Unicode || bytes.starts_with("\xEF\xBB\xBF");
                EXPECT_TRUE(answer == code || (answer == Plain && ascii && !marked) ||
                            (answer == Ambiguous && (code == ShiftJis || code == EucJp)))
                    << names[code] << " as " << names[answer] << ", " << length << " at " << start;
            }
        }
    }
}

}  // namespace
