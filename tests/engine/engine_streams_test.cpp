// The engine's frame: the choice of converter, the block streams and their edges, and
// what a failure leaves behind.
#include <gtest/gtest.h>

#include <climits>

#include "engine_harness.h"
#include "framework/platform.h"
#include "support/scripted_asker.h"
#include "support/temp_dir.h"

namespace {

using test::Codes;
using test::Hex;
using test::Repeat;

constexpr int kBlock = ConversionEngine::kBlock;
constexpr int kInputBlock = ConversionEngine::kInputBlock;

// Text whose bytes differ from block to block, so a byte read twice or lost shows.
std::string Pattern(int size) {
    std::string text;
    for (int i = 0; i < size; ++i) text += static_cast<char>('!' + i % 89);
    return text;
}

TEST(EngineCodes, CodesOutsideTheirRangesAreRefusedBeforeAnythingIsDone) {
    struct Case {
        std::int32_t input, output, newline, widen;
    };
    const Case cases[] = {
        {Keep, ShiftJis, CrLf, 0},     {NotText, ShiftJis, CrLf, 0},
        {Ambiguous, ShiftJis, CrLf, 0}, {-1, ShiftJis, CrLf, 0},
        {INT_MIN, ShiftJis, CrLf, 0},  {255, ShiftJis, CrLf, 0},
        {ShiftJis, Plain, CrLf, 0},    {ShiftJis, -1, CrLf, 0},
        {ShiftJis, INT_MAX, CrLf, 0},  {ShiftJis, ShiftJis, 4, 0},
        {ShiftJis, ShiftJis, -1, 0},   {ShiftJis, ShiftJis, CrLf, 2},
        {ShiftJis, ShiftJis, CrLf, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.input << "/" << c.output << "/" << c.newline
                                        << "/" << c.widen);
        test::Outcome outcome = test::Convert("abc\r\n", {c.input, c.output, c.newline, c.widen});
        EXPECT_FALSE(outcome.converted);
        EXPECT_EQ(outcome.output, "");
    }
}

TEST(EngineCodes, KeepOutputRunsTheSameCodeConverter) {
    // Newlines are still converted, katakana widened, invalid bytes still fail.
    EXPECT_EQ(test::Convert(Hex("B1 0D 0A"), {ShiftJis, Keep, Lf, 1}).output, Hex("83 41 0A"));
    EXPECT_EQ(test::Convert(Hex("8E B1 0D"), {EucJp, Keep, CrLf, 0}).output, Hex("8E B1 0D 0A"));
    EXPECT_EQ(test::Convert(Hex("1B 24 40 30 21 1B 28 42"), {Jis, Keep}).output,
              Hex("1B 24 42 30 21 1B 28 42"));
    EXPECT_EQ(test::Convert("a\rb", {Plain, Keep, Lf}).output, "a\nb");
    EXPECT_FALSE(test::Convert(Hex("41 80"), {ShiftJis, Keep}).converted);
}

TEST(EngineCodes, AClearedRunningFlagStopsBeforeTheFirstCharacter) {
    for (std::int32_t input : {Jis, ShiftJis, EucJp, Plain}) {
        test::Outcome stopped = test::Convert("abc", {input, ShiftJis}, nullptr, 0);
        EXPECT_FALSE(stopped.converted) << input;
        EXPECT_EQ(stopped.output, "");
        EXPECT_TRUE(test::Convert("", {input, ShiftJis}, nullptr, 0).converted) << input;
    }
}

TEST(EngineStreams, EmptyAndBlockSizedInputsEndCleanly) {
    for (int size : {0, 1, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock, 2 * kBlock + 7,
                     kInputBlock - 1, kInputBlock, kInputBlock + 1, 2 * kInputBlock}) {
        std::string text = Pattern(size);
        test::Outcome outcome = test::Convert(text, {ShiftJis, ShiftJis});
        EXPECT_TRUE(outcome.converted) << size;
        EXPECT_EQ(outcome.output, text) << size;  // no byte read twice or lost
    }
}

TEST(EngineStreams, OutputsOfOneBlockAndOneByteMoreAreWrittenWhole) {
    // 4096 line ends become exactly one block; one byte more spills into a second.
    for (const std::string& tail : {std::string(), std::string("z")}) {
        test::Outcome outcome = test::Convert(Repeat("\n", 4096) + tail, {Plain, ShiftJis, CrLf});
        EXPECT_TRUE(outcome.converted);
        EXPECT_EQ(outcome.output, Repeat("\r\n", 4096) + tail);
    }
}

TEST(EngineStreams, CharactersAndLineEndsSplitByTheBlockBoundaryAreWhole) {
    struct Case {
        const char* name;
        Codes codes;
        std::string input, expected;
    };
    // An input block's end, and an output block's end inside an input block.
    for (int edge : {kInputBlock, kBlock}) {
        SCOPED_TRACE(edge);
        const std::string before = Repeat("a", edge - 1);  // the next byte is the last before it
        const Case cases[] = {
            {"CR LF", {ShiftJis, ShiftJis, Lf}, before + "\r\nb", before + "\nb"},
            {"CR CR LF", {ShiftJis, ShiftJis, Lf}, before + "\r\r\nb", before + "\nb"},
            {"CR CR CR", {Plain, ShiftJis, Lf}, Repeat("a", edge - 2) + "\r\r\rb",
             Repeat("a", edge - 2) + "\n\n\nb"},
            {"Shift_JIS", {ShiftJis, EucJp}, before + Hex("82 A0"), before + Hex("A4 A2")},
            {"EUC-JP", {EucJp, ShiftJis}, before + Hex("A4 A2"), before + Hex("82 A0")},
            {"EUC-JP katakana", {EucJp, ShiftJis}, before + Hex("8E B1"), before + Hex("B1")},
            {"JIS escape", {Jis, ShiftJis}, Repeat("a", edge - 2) + Hex("1B 24 42 24 22"),
             Repeat("a", edge - 2) + Hex("82 A0")},
            {"widened mark", {ShiftJis, ShiftJis, CrLf, 1}, before + Hex("B6 DE"),
             before + Hex("83 4B")},
        };
        for (const Case& c : cases) {
            test::Outcome outcome = test::Convert(c.input, c.codes);
            EXPECT_TRUE(outcome.converted) << c.name;
            EXPECT_EQ(outcome.output, c.expected) << c.name;
        }
    }
}

// Most characters are converted in runs straight between the two blocks; wherever the
// blocks' edges fall in a text, it converts as its parts do.
TEST(EngineStreams, TextConvertsAlikeWhereverTheBlockEdgesFall) {
    struct Case {
        Codes codes;
        const char* text;  // hex; repeated, so the output crosses its edges too
        const char* expected;
    };
    const char* jisText = "1B 24 42 24 22 1B 28 42 41 1B 24 42 38 6C 1B 28 42 0D 0A";
    const Case cases[] = {
        {{ShiftJis, EucJp, KeepNewline}, "82 A0 41 8C EA F0 40 0D 0A",
         "A4 A2 41 B8 EC A1 A6 0D 0A"},
        {{ShiftJis, Jis, KeepNewline}, "82 A0 41 8C EA 0D 0A", jisText},
        {{EucJp, Jis, KeepNewline}, "A4 A2 41 B8 EC 0D 0A", jisText},
        {{EucJp, ShiftJis, CrLf}, "A4 A2 41 B8 EC FE FE 0A", "82 A0 41 8C EA EF FC 0D 0A"},
        {{Jis, ShiftJis, KeepNewline}, "1B 24 42 24 22 38 6C 1B 28 42 41", "82 A0 8C EA 41"},
        {{Jis, EucJp, KeepNewline}, "1B 24 40 24 22 7F 21 1B 28 42 41", "A4 A2 A1 A6 41"},
        {{Jis, Jis, KeepNewline}, "1B 24 42 24 22 98 7E 1B 28 42 41",
         "1B 24 42 24 22 98 7E 1B 28 42 41"},
        {{ShiftJis, ShiftJis, KeepNewline}, "82 A0 41 FC FC", "82 A0 41 FC FC"},
        {{EucJp, EucJp, KeepNewline}, "A4 A2 41 FE FE", "A4 A2 41 FE FE"},
    };
    for (const Case& c : cases) {
        for (int edge : {kBlock, kInputBlock}) {
            for (int lead = edge - 12; lead <= edge + 2; ++lead) {
                SCOPED_TRACE(std::string(c.text) + " after " + std::to_string(lead));
                test::Outcome outcome =
                    test::Convert(Repeat("a", lead) + Repeat(Hex(c.text), 1500), c.codes);
                EXPECT_TRUE(outcome.converted);
                EXPECT_EQ(outcome.output, Repeat("a", lead) + Repeat(Hex(c.expected), 1500));
            }
        }
    }
}

TEST(EngineStreams, AFailureKeepsTheBlocksWrittenAndDropsWhatWasBuffered) {
    std::string text = Pattern(kBlock + 808);
    test::Outcome late = test::Convert(text + '\0' + "rest", {ShiftJis, ShiftJis});
    EXPECT_FALSE(late.converted);
    EXPECT_EQ(late.output, text.substr(0, kBlock));

    test::Outcome run =
        test::Convert(Repeat(Hex("82 A0"), 5000) + Hex("82 0A"), {ShiftJis, EucJp});
    EXPECT_FALSE(run.converted);
    EXPECT_EQ(run.output, Repeat(Hex("A4 A2"), kBlock / 2));

    test::Outcome early = test::Convert("abc" + Hex("82 0A"), {ShiftJis, EucJp});
    EXPECT_FALSE(early.converted);
    EXPECT_EQ(early.output, "");
}

class EngineFiles : public ::testing::Test {
protected:
    void Open(const std::string& input) {
        in.Close();
        out.Close();
        test::WriteBytes(dir / "in", input);
        ASSERT_TRUE(in.Open((dir / "in").c_str(), platform::kGenericRead, platform::kShareRead,
                            platform::kOpenExisting, 0));
        ASSERT_TRUE(out.Open((dir / "out").c_str(), platform::kGenericWrite, 0,
                             platform::kCreateAlways, 0));
    }
    void Begin(ConvertOptions options, bool units) {
        engine.Begin(asker, &running, in, out, options, units);
    }
    std::string Output() {
        out.Close();
        return test::ReadBytes(dir / "out");
    }

    test::TempDir dir;
    test::ScriptedAsker asker;
    RunningFlag running{1};
    FileHandle in, out;
    test::EngineProbe engine;
};

TEST_F(EngineFiles, RefillBlockDeliversWholeBlocksUntilTheData) {
    std::string text = Pattern(2 * kBlock + 100);
    for (int size : {2 * kBlock + 100, 2 * kBlock}) {
        SCOPED_TRACE(size);
        Open(text.substr(0, size));
        Begin({ShiftJis, CrLf, Unicode, 0}, false);
        std::string seen;
        while (engine.RefillBlock()) {
            ASSERT_GT(engine.InputCount(), 0);
            seen.append(reinterpret_cast<const char*>(engine.InputBlock()), engine.InputCount());
        }
        EXPECT_EQ(seen, text.substr(0, size));
        EXPECT_FALSE(engine.RefillBlock());
    }
}

TEST_F(EngineFiles, UnitsAreReadAndWrittenLowByteFirstAcrossBlocks) {
    std::string units;
    for (int i = 0; i < kBlock; ++i) units += static_cast<char>(i), units += static_cast<char>(0x30 + i % 7);
    Open(units + "z");  // an odd tail is not half a unit
    Begin({Unicode, CrLf, Unicode, 0}, true);
    for (int unit; (unit = engine.ReadUnit()) != -1;) engine.PutUnit(unit);
    EXPECT_EQ(engine.ReadUnit(), -1);
    engine.Flush();
    EXPECT_EQ(Output(), units);
}

TEST(EngineErrors, ReadAndWriteFailuresPassThroughWithoutAQuestion) {
    test::TempDir dir;
    std::string inPath = dir / "in", outPath = dir / "out";
    test::WriteBytes(inPath, "abc");
    test::WriteBytes(outPath, "old");
    test::ScriptedAsker asker;
    RunningFlag running{1};
    ConversionEngine engine;

    FileHandle unreadable, output;
    ASSERT_TRUE(unreadable.Open(inPath.c_str(), platform::kGenericWrite, 0,
                                platform::kOpenExisting, 0));
    ASSERT_TRUE(output.Open((dir / "new").c_str(), platform::kGenericWrite, 0,
                            platform::kCreateAlways, 0));
    try {
        engine.Convert(asker, &running, unreadable, output, ShiftJis, CrLf, ShiftJis, 0);
        ADD_FAILURE() << "a read failure did not raise";
    } catch (std::int32_t code) {
        EXPECT_EQ(code, platform::kEFail);
    }
    unreadable.Close();

    FileHandle input, unwritable;
    ASSERT_TRUE(input.Open(inPath.c_str(), platform::kGenericRead, platform::kShareRead,
                           platform::kOpenExisting, 0));
    ASSERT_TRUE(unwritable.Open(outPath.c_str(), platform::kGenericRead, platform::kShareRead,
                                platform::kOpenExisting, 0));
    try {
        engine.Convert(asker, &running, input, unwritable, ShiftJis, CrLf, ShiftJis, 0);
        ADD_FAILURE() << "a write failure did not raise";
    } catch (std::uint32_t code) {
        EXPECT_EQ(code, platform::kErrorAccessDenied);
    }
    EXPECT_TRUE(asker.Asked().empty());
    input.Close();
    unwritable.Close();
    EXPECT_EQ(test::ReadBytes(inPath), "abc");
    EXPECT_EQ(test::ReadBytes(outPath), "old");
}

}  // namespace
