// The nine converters between JIS, Shift_JIS and EUC-JP: the forms of each character,
// the JIS shift states, the user-defined area, and the bytes that fail a file; and every
// double-byte code through every code.
#include <gtest/gtest.h>

#include <map>

#include "engine/byte_table.h"
#include "engine_harness.h"
#include "framework/platform.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using test::Convert;
using test::Hex;

TEST(ByteConverters, CharacterFormsAndShiftStates) {
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
    });
}

TEST(ByteConverters, InvalidInputFails) {
    test::Check({
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

// Same-code Shift_JIS checks runs of ASCII and of pairs eight bytes at a time: any other
// byte must end the eight wherever it falls among them, and any byte in a trail position
// must be judged as a trail byte, in every lane, after ASCII of either parity.
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
    int characters = 0;
    for (int i = 0; i < 1500; ++i) {
        for (int c = 0; c < i % 10; ++c) text += Hex(mixed[(i + c) % 9]);
        text += "\r\n";
    }
    std::string viaEuc = text;
    for (int lead = 0x81; lead <= 0xFC; lead = lead == 0x9F ? 0xE0 : lead + 1) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const unsigned char pair[] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            unsigned char unit[2];
            if (trail == 0x7F) continue;
            text.append(reinterpret_cast<const char*>(pair), 2);
            viaEuc.append(lead >= 0xF0 ? "\x81\x45" : reinterpret_cast<const char*>(pair), 2);  // no EUC-JP form
            if (lead > 0xEA || (lead >= 0x85 && lead <= 0x87) || platform::AnsiToUtf16(pair, 2, unit, 1) != 1)
                continue;
            jisX0208.append(reinterpret_cast<const char*>(pair), 2);
            units.append(reinterpret_cast<char*>(unit), 2);
            if (++characters % 40 == 0) {
                jisX0208 += "\r\n";
                units += "\r\0\n\0"s;
            }
        }
    }
    auto through = [](const std::string& bytes, std::int32_t from, std::int32_t via) {
        return Convert(Convert(bytes, {from, via}).output, {via, from}).output;
    };
    EXPECT_TRUE(through(text, ShiftJis, Jis) == text);
    EXPECT_TRUE(through(text, ShiftJis, EucJp) == viaEuc);
    const std::string euc = Convert(text, {ShiftJis, EucJp}).output;
    EXPECT_TRUE(through(euc, EucJp, Jis) == euc);

    ASSERT_EQ(characters, 6879);
    std::map<std::int32_t, std::string> forms = {{ShiftJis, jisX0208}, {Unicode, units}};
    for (std::int32_t code : {Jis, EucJp, Utf8}) forms[code] = Convert(jisX0208, {ShiftJis, code}).output;
    for (const auto& [from, bytes] : forms) {
        for (const auto& [to, expected] : forms) {
            test::Outcome outcome = Convert(bytes, {from, to});
            EXPECT_TRUE(outcome.converted && outcome.output == expected) << from << " to " << to;
        }
    }
}

}  // namespace
