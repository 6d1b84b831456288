// The code-page bridge between Shift_JIS (code page 932) and UTF-16, in both builds: natively
// checked against glibc's converter everywhere; the rows below are what the Win32 flags decide.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <iconv.h>
#endif

#include <string>
#include <vector>

#include "framework/platform.h"

namespace {

constexpr std::int32_t kFails = -1;

// The unit a byte sequence makes, kFails when the code page refuses it.
std::int32_t Decode(std::vector<unsigned char> bytes, std::int32_t room = 4) {
    unsigned char units[8] = {};
    std::int32_t made = platform::AnsiToUtf16(bytes.data(), static_cast<std::int32_t>(bytes.size()),
                                              units, room);
    if (made == 0) return kFails;
    EXPECT_EQ(made, 1) << "one unit per character";
    return units[0] | units[1] << 8;
}

std::string Encode(std::vector<std::uint16_t> units) {
    std::vector<unsigned char> bytes;
    for (std::uint16_t unit : units)
        bytes.insert(bytes.end(), {static_cast<unsigned char>(unit), static_cast<unsigned char>(unit >> 8)});
    unsigned char out[16] = {};
    std::int32_t made = platform::Utf16ToAnsi(bytes.data(), static_cast<std::int32_t>(units.size()),
                                              out, sizeof out);
    return std::string(reinterpret_cast<char*>(out), made);  // "" when refused
}

TEST(CodePage, ConvertsCodePage932StrictlyBothWays) {
    const std::pair<std::vector<unsigned char>, std::int32_t> decoded[] = {
        {{0x5C}, 0x5C}, {{0xB1}, 0xFF71}, {{0x82, 0xA0}, 0x3042}, {{0x81, 0x5F}, 0xFF3C},
        {{0x81, 0x60}, 0xFF5E}, {{0x81, 0x7C}, 0xFF0D}, {{0x87, 0x40}, 0x2460},
        {{0xED, 0x40}, 0x7E8A}, {{0xFA, 0x40}, 0x2170}, {{0xF0, 0x40}, 0xE000},
        {{0xF9, 0xFC}, 0xE757}, {{0xEA, 0xA5}, kFails}, {{0x81}, kFails}, {{0x81, 0x7F}, kFails},
#if defined(_WIN32)
        {{0xA0}, kFails}, {{0x80}, 0x80}};
#else
        {{0xA0}, kFails}, {{0x80}, kFails}};  // the documented difference of glibc's table
#endif
    for (const auto& [bytes, unit] : decoded)
        EXPECT_EQ(Decode(bytes), unit) << std::hex << int{bytes[0]};
    EXPECT_EQ(Decode({0x82, 0xA0, 0x82, 0xA2}, 1), kFails) << "room for one unit only";
    EXPECT_EQ(Encode({0x3042, 0x000D, 0x000A, 0xFF71}), "\x82\xA0\r\n\xB1");
    EXPECT_EQ(Encode({0x0000, 0x003F}), std::string("\0?", 2));
    EXPECT_EQ(Encode({0xE757}), "\xF9\xFC");
    // Thai, the euro sign, best-fit look-alikes (é, ¥, «), a surrogate pair, lone ones.
    for (std::vector<std::uint16_t> units :
         {std::vector<std::uint16_t>{0x0E01}, {0x20AC}, {0xFEFF}, {0xFFFD}, {0x41, 0x00E9},
          {0x00A5}, {0x00AB}, {0xD83D, 0xDE00}, {0xDE00}, {0x41, 0xD83D}})
        EXPECT_EQ(Encode(units), "") << std::hex << units.back();
}

// Room runs out, or the input ends, at every position of a short text.
TEST(CodePage, NeedsRoomForEveryCharacterAndEveryByte) {
    const unsigned char text[] = {0x41, 0x82, 0xA0, 0x42, 0xB1, 0x88, 0x9F};  // A あ B ｱ 亜
    const unsigned char units[] = {0x41, 0, 0x42, 0x30, 0x42, 0, 0x71, 0xFF, 0x9C, 0x4E};
    unsigned char out[16];
    // Room 0 asks Windows for the size needed, so it is left out.
    for (std::int32_t room = 1; room <= 5; ++room)
        EXPECT_EQ(platform::AnsiToUtf16(text, sizeof text, out, room), room == 5 ? 5 : 0) << room;
    EXPECT_EQ(platform::AnsiToUtf16(text, 2, out, 5), 0) << "a lead byte that ends the input";
    EXPECT_EQ(platform::AnsiToUtf16(text, 6, out, 5), 0);
    for (std::int32_t room = 1; room <= 7; ++room)
        EXPECT_EQ(platform::Utf16ToAnsi(units, 5, out, room), room == 7 ? 7 : 0) << room;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 7),
              std::string(reinterpret_cast<const char*>(text), sizeof text));
}

#if !defined(_WIN32)
// The whole input converted by glibc itself, or "" when it refuses.
std::string Direct(const char* to, const char* from, const std::string& in) {
    iconv_t id = iconv_open(to, from);
    EXPECT_NE(id, reinterpret_cast<iconv_t>(-1));
    char out[8];
    char *source = const_cast<char*>(in.data()), *target = out;
    std::size_t left = in.size(), room = sizeof out;
    bool refused = iconv(id, &source, &left, &target, &room) == static_cast<std::size_t>(-1);
    iconv_close(id);
    return refused ? "" : std::string(out, target);
}

// The native tables, learnt from glibc, give for every byte pair and unit what it gives.
TEST(CodePage, TablesAgreeWithTheConverterOnEveryPairAndUnit) {
    for (int first = 0; first < 256; ++first) {
        for (int second = -1; second < 256; ++second) {
            std::string bytes(1, static_cast<char>(first));
            if (second >= 0) bytes += static_cast<char>(second);
            unsigned char units[4];
            std::int32_t made = platform::AnsiToUtf16(
                reinterpret_cast<const unsigned char*>(bytes.data()),
                static_cast<std::int32_t>(bytes.size()), units, 2);
            ASSERT_EQ(std::string(reinterpret_cast<char*>(units), 2 * made),
                      Direct("UTF-16LE", "CP932", bytes)) << std::hex << first << " " << second;
        }
    }
    for (int unit = 0; unit < 0x10000; ++unit) {
        const std::string in{static_cast<char>(unit), static_cast<char>(unit >> 8)};
        // Bytes that read back as another unit are a look-alike, refused.
        std::string expected = Direct("CP932", "UTF-16LE", in);
        if (Direct("UTF-16LE", "CP932", expected) != in) expected.clear();
        ASSERT_EQ(Encode({static_cast<std::uint16_t>(unit)}), expected) << std::hex << unit;
    }
}
#endif

}  // namespace
