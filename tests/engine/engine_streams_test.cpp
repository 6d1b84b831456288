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

// Codes outside their ranges, and a cleared running flag, stop before anything is written.
TEST(EngineCodes, BadCodesAndAClearedRunningFlagWriteNothing) {
    for (test::Codes c : std::initializer_list<test::Codes>{
             {Keep, ShiftJis}, {NotText, ShiftJis}, {Ambiguous, ShiftJis}, {-1, ShiftJis},
             {INT_MIN, ShiftJis}, {255, ShiftJis}, {ShiftJis, Plain}, {ShiftJis, -1},
             {ShiftJis, INT_MAX}, {ShiftJis, ShiftJis, 4}, {ShiftJis, ShiftJis, -1},
             {ShiftJis, ShiftJis, CrLf, 2}, {ShiftJis, ShiftJis, CrLf, -1}}) {
        test::Outcome refused = Convert("abc\r\n", c);
        EXPECT_TRUE(!refused.converted && refused.output.empty()) << c.input << "/" << c.output
                                                                  << "/" << c.newline << "/" << c.widenKana;
    }
    for (std::int32_t input : {Jis, ShiftJis, EucJp, Unicode, Plain, Utf8}) {
        for (std::int32_t output : {Jis, ShiftJis, EucJp, Unicode, Utf8}) {
            test::Outcome stopped = Convert(input == Unicode ? "a\0b\0"s : "ab", {input, output}, nullptr, 0);
            EXPECT_TRUE(!stopped.converted && stopped.output.empty()) << input << " to " << output;
        }
        EXPECT_TRUE(Convert("", {input, ShiftJis}, nullptr, 0).converted) << input;
    }
}

// Text whose bytes differ from block to block, so a byte read twice or lost shows.
TEST(EngineStreams, AFailureKeepsTheBlocksWrittenAndDropsWhatWasBuffered) {
    constexpr int kBlock = ConversionEngine::kBlock;
    std::string text;
    for (int i = 0; i < kBlock + 808; ++i) text += static_cast<char>('!' + i % 89);
    test::Outcome late = Convert(text + '\0' + "rest", {ShiftJis, ShiftJis});
    EXPECT_FALSE(late.converted);
    EXPECT_EQ(late.output, text.substr(0, kBlock));
    test::Outcome run = Convert(test::Repeat(Hex("82 A0"), 5000) + Hex("82 0A"), {ShiftJis, EucJp});
    EXPECT_FALSE(run.converted);
    EXPECT_EQ(run.output, test::Repeat(Hex("A4 A2"), kBlock / 2));
}

// A read failure raises FileHandle's E_FAIL and a write failure the Win32 code, unasked.
TEST(EngineErrors, ReadAndWriteFailuresPassThroughWithoutAQuestion) {
    test::TempDir dir;
    test::WriteBytes(dir / "in", "abc");
    test::WriteBytes(dir / "out", "old");
    test::ScriptedAsker asker;
    RunningFlag running{1};
    ConversionEngine engine;
    // What a conversion between the files, opened as asked, raises: its type and value.
    auto raised = [&](std::uint32_t inAccess, std::uint32_t outAccess) -> std::string {
        FileHandle in, out;
        EXPECT_TRUE(in.Open((dir / "in").c_str(), inAccess, platform::kShareRead, platform::kOpenExisting, 0) &&
                    out.Open((dir / "out").c_str(), outAccess, platform::kShareRead, platform::kOpenExisting, 0));
        try {
            engine.Convert(asker, &running, in, out, ShiftJis, CrLf, ShiftJis, 0);
        } catch (std::int32_t code) {
            return "int32 " + std::to_string(code);
        } catch (std::uint32_t code) {
            return "uint32 " + std::to_string(code);
        }
        return "nothing";
    };
    using platform::kGenericRead, platform::kGenericWrite;
    EXPECT_EQ(raised(kGenericWrite, kGenericWrite), "int32 " + std::to_string(platform::kEFail));
    EXPECT_EQ(raised(kGenericRead, kGenericRead), "uint32 " + std::to_string(platform::kErrorAccessDenied));
    EXPECT_TRUE(asker.Asked().empty());
    EXPECT_EQ(test::ReadBytes(dir / "in"), "abc");
    EXPECT_EQ(test::ReadBytes(dir / "out"), "old");
}

}  // namespace
