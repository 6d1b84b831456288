// The detector: the rules that read past a byte, the byte-order marks, UTF-8, the reader's
// block edges, the running flag, and prose in every code.
#include "engine/code_detector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "engine/byte_table.h"
#include "engine_harness.h"
#include "framework/platform.h"
#include "support/temp_dir.h"

namespace {

using test::Hex;
using test::Repeat;

struct Detection { CharCode code; std::uint32_t position; };  // position: where the scan left the file

Detection Scan(const std::string& bytes, std::int32_t running = 1) {
    static test::TempDir dir;
    const std::string path = dir / "in.txt";
    test::WriteBytes(path, bytes);
    FileHandle input;
    EXPECT_TRUE(input.Open(path.c_str(), platform::kGenericRead, platform::kShareRead, platform::kOpenExisting, 0));
    RunningFlag flag{running};
    const CharCode code = CodeDetector().Detect(input, &flag);
    EXPECT_EQ(flag.load(), running) << "the detector never writes the flag";
    const Detection detection{code, platform::Seek(input.Handle(), 0, platform::kFileCurrent)};
    input.Close();
    platform::Remove(path.c_str());  // a file cut short and written again is flushed on close
    return detection;
}

CharCode Detect(const std::string& bytes) { return Scan(bytes).code; }

// Cases "hex=answer, ...", the answer a letter: JIS, Shift_JIS, EUC-JP, UTF-16, Plain,
// NotText, Ambiguous, 8 for UTF-8.
void Check(std::string_view cases) {
    for (std::size_t at = 0; at < cases.size(); at = std::min(cases.find(',', at), cases.size()) + 1) {
        const std::string_view input = cases.substr(at, cases.find('=', at) - at);
        EXPECT_EQ(Detect(Hex(input)), int(std::string_view("JSEU?PNA8").find(cases[at + input.size() + 1]))) << input;
    }
}

// The byte-order marks, escapes and decisive bytes; the rules that read past a byte; UTF-8.
TEST(CodeDetector, AnswersForShortTexts) {
    Check("=P, 41=P, FF=N, 81=S, FF FE=U, FF FE 41 00 80 00=U, FE FF 41 00=E, 41 09 42 0D 0A 43 1A 7F=P, "
          "41 0D 0A 0C=N, 41 1B 24 42 30 21 1B 28 42=J, 1B 28 4A 80=J, 9C E6 31 0D 0A=S, 8C EA=S, "
          "93 41=S, 9D 41=S, 41 FD=E, A4 A2 A4 A4=A, A4 A2 A4 A4 FD=E, A4 A2 82 A0=S, 8E B1 0C=N, "
          "A4 A2 1B=N");  // a big-endian mark is read as bytes; any escape, first, is decisive
    // After 0x8E; after 0xE0-0xFC; after 0xA1-0xDF.
    Check("8E=N, 8E 3F=N, 8E 40=S, 8E 7F=N, 8E 9F=S, 8E A0=A, 8E B1=A, 8E E0=A, 8E E1=S, 8E FC=S, "
          "8E FD=N, 8E 41=S, 8E 20=N, E0=N, FC 3F=N, E0 40=S, E0 7F=N, E0 A0=S, E0 A1=A, FC FE=A, "
          "E0 FF=N, B1=S, B1 41=S, B1 0D=S, B1 81=S, B1 FD=E, B1 1B=N, B1 80=N, B1 A1=A, "
          "A5 C6 A5 AD A5 B9 A5 C8 0D 0A=A, B1 E0=E, B8 EC 0D 0A=E, B1 E0 80=S, B1 E0 94=S, "
          "B1 E0 41=A, B1 E0 7F=E, B1 E0 FF=N");
    // Kana pairs that go on: each new pair is read as the second byte of the last.
    Check("B1 E0 A1=S, B1 E0 A1 41=S, B1 E0 A1 A1=A, B1 E0 A1 E0 0D=E, B1 E0 A1 E0 A1 E0 41=A");
    // 0x8E after kana and a byte 0xE0-0xFC.
    Check("B1 E0 8E=S, B1 E0 8E 0A=S, B1 E0 8E 1A=S, B1 E0 8E 0C=N, B1 E0 8E 80=N, B1 E0 8E FD=N, "
          "B1 E0 8E 20=S, B1 E0 8E 9F=S, B1 E0 8E A0=A, B1 E0 8E DF=A, B1 E0 8E E0=S, B1 E0 8E FC=S");
    // The bytes a rule reads are consumed: the scan goes on after them.
    Check("8E B1 41 81=S, E0 A1 FD=E, B1 A1 B1 A1=A");
    // UTF-8, with and without a mark.
    Check("EF BB BF=8, EF BB BF 82 A0 FF=8, EF BB=A, E3 83 97 E3 83 AD E3 82 B0 E3 83 A9 E3 83 A0=8, "
          "41 E3 81 82 0D 0A=8, C2 80 E3 81 82=8, C3 A9=A, F1 AB A1 A2=A");  // four bytes prove nothing
    // Well-formed only up to a byte: the scan's answer; ASCII inside a character.
    Check("E3 81=S, E3 81 82 82 A0=S, E3 81 82 0C=S, E3 81 82 C3=S, C1 81 E3 81 82=S, "
          "F5 80 80 80 E3 81 82=S, E4 A1 61 61 61 61 61 61 61 61 A1=S");
    // After E0, ED, F0 and F4: no overlong forms, surrogates or code points past U+10FFFF.
    Check("E0 A0 80=8, E0 9F BF=S, ED 9F BF=8, ED A0 80=S, F0 90 80 80 E3 81 82=8, "
          "F0 8F BF BF E3 81 82=S, F1 80 80 80 E3 81 82=8, F4 8F BF BF E3 81 82=8, F4 90 80 80 E3 81 82=S");
}

// The bytes at the edges of the byte classes, wherever a class is read: first (alone, before
// B1 or A0), after kana, after kana and E0 (alone, before E0 or A1); answers as CharCode digits.
TEST(CodeDetector, EveryClassEdge) {
    const std::string edges = Hex("00 08 09 0A 0B 0C 0D 0E 19 1A 1B 1C 1F 20 3F 40 7E 7F 80 81 8D 8E 8F "
                                  "9F A0 A1 DF E0 FC FD FE FF");
    for (const auto& [before, after, answers] : {std::tuple{"", "", "66556656650665555561161161166226"},
             {"", "\xB1", "66116616610661111161171167777226"}, {"", "\xA0", "66666666660666666661171166611226"},
             {"\xB1", "", "66116616616661111161111167722226"}, {"\xB1\xE0", "", "66226626626662277211111111111226"},
             {"\xB1\xE0", "\xE0", "66226626626662266211111112222226"},
             {"\xB1\xE0", "\xA1", "66226626626662211211171117777226"}}) {
        for (std::size_t i = 0; i < edges.size(); ++i) {
            const std::string bytes = before + std::string(1, edges[i]) + after;
            EXPECT_EQ(Detect(bytes), answers[i] - '0') << testing::PrintToString(bytes);
        }
    }
}

TEST(CodeDetector, ReadsWholeBlocksAndNoFurtherThanTheAnswer) {
    constexpr int kBlock = CodeDetector::kBlock;
    const std::string text(3 * kBlock, 'a'), kana = "\xE3\x81\x82";
    auto as = [](int count) { return std::string(count, 'a'); };
    for (const auto& [bytes, expected, position] : std::initializer_list<std::tuple<std::string, CharCode, int>>{
             {"", Plain, 0}, {as(kBlock), Plain, kBlock}, {as(2 * kBlock), Plain, 2 * kBlock},
             {as(kBlock + 1), Plain, kBlock + 1}, {as(kBlock - 1) + "\x81" + text, ShiftJis, kBlock},
             {as(kBlock) + "\x81" + text, ShiftJis, 2 * kBlock}, {as(kBlock - 1) + "\x8E\xB1", Ambiguous, kBlock + 1},
             {as(kBlock - 1) + "\x8E\x41" + text, ShiftJis, 2 * kBlock},
             {as(kBlock - 2) + "\xB8\xEC\x0D" + text, EucJp, 2 * kBlock}, {"\xFF\xFE" + text, Unicode, 2},
             {"\x81" + text, ShiftJis, kBlock},
             // UTF-8 is read on until it breaks, or until sixteen three-byte characters decide it.
             {kana + text + "\x82", ShiftJis, 3 * kBlock + 4}, {kana + text, Utf8, 3 * kBlock + 3},
             {Repeat(kana, 15) + "\x82" + text, ShiftJis, kBlock}, {Repeat(kana, 16) + "\x82" + text, Utf8, kBlock},
             {Repeat("\xE4\xA1\xA1", 16) + text, Utf8, kBlock}}) {  // the scan stays undecided
        const Detection detection = Scan(bytes);
        EXPECT_TRUE(detection.code == expected && detection.position == std::uint32_t(position))
            << bytes.size() << ": " << detection.code << " at " << detection.position;
    }
}

// A cleared running flag answers Plain after the first byte, unless a mark decided.
TEST(CodeDetector, AClearedRunningFlagAnswersPlain) {
    for (const char* input : {"41 42", "81", "FF", "1B", "A4 A2", "", "FE FF"}) {
        Detection detection = Scan(Hex(input), 0);
        EXPECT_EQ(detection.code, Plain) << input;
        EXPECT_LE(detection.position, 2u);
    }
    EXPECT_EQ(Scan(Hex("FF FE 81"), 0).code, Unicode);
    EXPECT_EQ(Scan(Hex("EF BB BF 81"), 0).code, Utf8);
}

// Prose with common and rare kanji, kana, half-width katakana, full-width and plain ASCII,
// punctuation and symbols, cut at a few places and lengths, in every code as the engine writes
// it: its own code, or Ambiguous between Shift_JIS and EUC-JP, or Plain for unmarked ASCII.
TEST(CodeDetector, ProseInEveryCode) {
    const std::string prose = Repeat(
        "今日は朝から雨が降っていた。駅前の喫茶店で珈琲と檸檬のケーキを頼み、友人の田中さんと"
        "「新しいプログラム」について話した。\r\n彼はZEKO.EXEを使い、古いﾃｷｽﾄﾌｧｲﾙ（約1,200件）を一晩で"
        "変換したという。文字化けは一つもなかったそうだ！\r\n"
        "次は全角のＡＢＣ１２３や記号※★♪、半角の\"ｶﾀｶﾅ\"も試したい。昼は饂飩、庭には薔薇。\r\n", 30);
    std::vector<std::size_t> starts;  // of the characters, in bytes
    for (std::size_t at = 0; at < prose.size(); at += code::IsShiftJisLead(prose[at] & 0xFF) ? 2 : 1)
        starts.push_back(at);
    const std::size_t period = starts.size() / 30;
    for (std::size_t length : {1, 2, 3, 5, 8, 16, 64, 512, 4096}) {
        for (std::size_t start = 0; start < period; start += length < 8 ? 3 : 17) {
            const std::string cut = prose.substr(starts[start], starts[start + length] - starts[start]);
            const bool ascii = std::all_of(cut.begin(), cut.end(), [](char c) { return c > 0; });
            for (const auto& [code, mark] : {std::pair{ShiftJis, false}, {EucJp, false}, {Jis, false},
                                             {Unicode, false}, {Utf8, false}, {Utf8, true}}) {
                const CharCode answer = Detect(test::Convert(cut, {ShiftJis, code, KeepNewline, 0, mark}).output);
                EXPECT_TRUE(answer == code || (answer == Plain && ascii && !mark && code != Unicode) ||
                            (answer == Ambiguous && (code == ShiftJis || code == EucJp)))
                    << code << " as " << answer << ", " << length << " at " << start;
            }
        }
    }
}

}  // namespace
