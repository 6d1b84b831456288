// The detector: its three class tables byte by byte, the rules that read past a byte, the
// byte-order mark, the 1024-byte reader's edges, and the running flag.
#include "engine/code_detector.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine_harness.h"
#include "framework/platform.h"
#include "support/temp_dir.h"

namespace {

using test::Hex;

struct Detection {
    CharCode code;
    std::uint32_t position;  // where the scan left the file
};

Detection DetectWith(const std::string& bytes, std::int32_t running) {
    test::TempDir dir;
    std::string path = dir / "in.txt";
    test::WriteBytes(path, bytes);
    FileHandle input;
    EXPECT_TRUE(input.Open(path.c_str(), platform::kGenericRead, platform::kShareRead,
                           platform::kOpenExisting, 0));
    RunningFlag flag{running};
    CharCode code = CodeDetector().Detect(input, &flag);
    EXPECT_EQ(flag.load(), running) << "the detector never writes the flag";
    return {code, platform::Seek(input.Handle(), 0, platform::kFileCurrent)};
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

TEST(CodeDetector, ReadsInBlocksOf1024AndNoFurtherThanTheAnswer) {
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

}  // namespace
