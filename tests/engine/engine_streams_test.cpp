// The engine's frame: the codes it takes, the running flag, and what a failure leaves.
#include <gtest/gtest.h>

#include <climits>

#include "engine_harness.h"
#include "framework/platform.h"
#include "support/scripted_asker.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using test::Convert;
using test::Hex;
using test::Repeat;

constexpr int kBlock = ConversionEngine::kBlock;

TEST(EngineCodes, CodesOutsideTheirRangesAreRefusedBeforeAnythingIsDone) {
    const test::Codes cases[] = {
        {Keep, ShiftJis},       {NotText, ShiftJis},      {Ambiguous, ShiftJis},
        {-1, ShiftJis},         {INT_MIN, ShiftJis},      {255, ShiftJis},
        {ShiftJis, Plain},      {ShiftJis, -1},           {ShiftJis, INT_MAX},
        {ShiftJis, ShiftJis, 4}, {ShiftJis, ShiftJis, -1}, {ShiftJis, ShiftJis, CrLf, 2},
        {ShiftJis, ShiftJis, CrLf, -1},
    };
    for (const test::Codes& c : cases) {
        test::Outcome outcome = Convert("abc\r\n", c);
        EXPECT_FALSE(outcome.converted) << c.input << "/" << c.output << "/" << c.newline;
        EXPECT_EQ(outcome.output, "");
    }
}

TEST(EngineCodes, AClearedRunningFlagStopsBeforeTheFirstCharacter) {
    for (std::int32_t input : {Jis, ShiftJis, EucJp, Unicode, Plain, Utf8}) {
        for (std::int32_t output : {Jis, ShiftJis, EucJp, Unicode, Utf8}) {
            SCOPED_TRACE(testing::Message() << input << " to " << output);
            test::Outcome stopped = Convert(input == Unicode ? "a\0b\0"s : "ab", {input, output},
                                            nullptr, 0);
            EXPECT_FALSE(stopped.converted);
            EXPECT_EQ(stopped.output, "");
        }
        EXPECT_TRUE(Convert("", {input, ShiftJis}, nullptr, 0).converted) << input;
    }
}

// Text whose bytes differ from block to block, so a byte read twice or lost shows.
TEST(EngineStreams, AFailureKeepsTheBlocksWrittenAndDropsWhatWasBuffered) {
    std::string text;
    for (int i = 0; i < kBlock + 808; ++i) text += static_cast<char>('!' + i % 89);
    test::Outcome late = Convert(text + '\0' + "rest", {ShiftJis, ShiftJis});
    EXPECT_FALSE(late.converted);
    EXPECT_EQ(late.output, text.substr(0, kBlock));

    test::Outcome run = Convert(Repeat(Hex("82 A0"), 5000) + Hex("82 0A"), {ShiftJis, EucJp});
    EXPECT_FALSE(run.converted);
    EXPECT_EQ(run.output, Repeat(Hex("A4 A2"), kBlock / 2));
}

TEST(EngineErrors, ReadAndWriteFailuresPassThroughWithoutAQuestion) {
    test::TempDir dir;
    const std::string inPath = dir / "in", outPath = dir / "out";
    test::WriteBytes(inPath, "abc");
    test::WriteBytes(outPath, "old");
    test::ScriptedAsker asker;
    RunningFlag running{1};
    ConversionEngine engine;
    auto open = [](FileHandle& file, const std::string& path, std::uint32_t access) {
        ASSERT_TRUE(file.Open(path.c_str(), access, platform::kShareRead,
                              platform::kOpenExisting, 0));
    };
    {
        FileHandle unreadable, output;
        open(unreadable, inPath, platform::kGenericWrite);
        ASSERT_TRUE(output.Open((dir / "new").c_str(), platform::kGenericWrite, 0,
                                platform::kCreateAlways, 0));
        EXPECT_EQ([&] {
            try {
                engine.Convert(asker, &running, unreadable, output, ShiftJis, CrLf, ShiftJis, 0);
            } catch (std::int32_t code) {
                return code;
            }
            return 0;
        }(), platform::kEFail);
    }
    {
        FileHandle input, unwritable;
        open(input, inPath, platform::kGenericRead);
        open(unwritable, outPath, platform::kGenericRead);
        EXPECT_EQ([&] {
            try {
                engine.Convert(asker, &running, input, unwritable, ShiftJis, CrLf, ShiftJis, 0);
            } catch (std::uint32_t code) {
                return code;
            }
            return 0u;
        }(), platform::kErrorAccessDenied);
    }
    EXPECT_TRUE(asker.Asked().empty());
    EXPECT_EQ(test::ReadBytes(inPath), "abc");
    EXPECT_EQ(test::ReadBytes(outPath), "old");
}

}  // namespace
