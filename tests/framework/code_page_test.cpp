// The code-page bridge between Shift_JIS (code page 932) and UTF-16, in both builds: the
// Win32 calls are the reference, and the native glibc table must agree with them except
// where platform.h documents a difference.
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
    for (std::uint16_t unit : units) {
        bytes.push_back(static_cast<unsigned char>(unit));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    unsigned char out[16] = {};
    std::int32_t made = platform::Utf16ToAnsi(bytes.data(), static_cast<std::int32_t>(units.size()),
                                              out, sizeof out);
    return std::string(reinterpret_cast<char*>(out), made);  // "" when refused
}

TEST(CodePage, DecodesCodePage932Strictly) {
    struct Case {
        std::vector<unsigned char> bytes;
        std::int32_t unit;
    };
    const Case cases[] = {
        {{0x5C}, 0x5C},           {{0xB1}, 0xFF71},         {{0x82, 0xA0}, 0x3042},
        // The mappings that set 932 apart from plain JIS, NEC and IBM rows, user-defined area.
        {{0x81, 0x5F}, 0xFF3C},   {{0x81, 0x60}, 0xFF5E},   {{0x81, 0x7C}, 0xFF0D},
        {{0x87, 0x40}, 0x2460},   {{0xED, 0x40}, 0x7E8A},   {{0xFA, 0x40}, 0x2170},
        {{0xF0, 0x40}, 0xE000},   {{0xF9, 0xFC}, 0xE757},   {{0xEA, 0xA5}, kFails},
        {{0x81}, kFails},         {{0x81, 0x7F}, kFails},   {{0xA0}, kFails},
#if defined(_WIN32)
        {{0x80}, 0x80},
#else
        {{0x80}, kFails},  // the documented difference of glibc's table
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int{c.bytes[0]});
        EXPECT_EQ(Decode(c.bytes), c.unit);
    }
    EXPECT_EQ(Decode({0x82, 0xA0, 0x82, 0xA2}, 1), kFails) << "room for one unit only";
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

// Every defined character makes one unit; the character counts are those of Microsoft's
// table (JIS X 0208, NEC and IBM extensions, user-defined area); 398 characters are
// duplicates that return as their other form, the same ones in both builds.
TEST(CodePage, EveryCharacterMakesOneUnitAndReturnsOrHasAKnownTwin) {
    int singles = 0, doubles = 0, twins = 0;
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = -1; trail < 256; ++trail) {
            std::vector<unsigned char> bytes{static_cast<unsigned char>(lead)};
            if (trail >= 0) bytes.push_back(static_cast<unsigned char>(trail));
            unsigned char units[4];
            std::int32_t made = platform::AnsiToUtf16(bytes.data(), static_cast<std::int32_t>(bytes.size()),
                                                      units, 2);
            if (made == 0 || (trail >= 0 && made == 2)) continue;  // refused, or two singles
            ASSERT_EQ(made, 1);
            ++(trail < 0 ? singles : doubles);
            unsigned char back[4];
            std::int32_t length = platform::Utf16ToAnsi(units, 1, back, sizeof back);
            if (std::string(reinterpret_cast<char*>(back), length) !=
                std::string(reinterpret_cast<char*>(bytes.data()), bytes.size()))
                ++twins;
        }
    }
#if defined(_WIN32)
    EXPECT_EQ(singles, 192);
#else
    EXPECT_EQ(singles, 191);  // without 0x80
#endif
    EXPECT_EQ(doubles, 9604);
    EXPECT_EQ(twins, 398);
}

TEST(CodePage, RefusesWhatItCannotHoldExactly) {
    EXPECT_EQ(Encode({0x3042, 0x000D, 0x000A, 0xFF71}), "\x82\xA0\r\n\xB1");
    EXPECT_EQ(Encode({0x0000}), std::string(1, '\0'));
    EXPECT_EQ(Encode({0x003F}), "?");
    EXPECT_EQ(Encode({0xE757}), "\xF9\xFC");
    // Thai, the euro sign, best-fit look-alikes (é, ¥, «), a surrogate pair, lone ones.
    for (std::vector<std::uint16_t> units :
         {std::vector<std::uint16_t>{0x0E01}, {0x20AC}, {0xFEFF}, {0xFFFD}, {0x41, 0x00E9},
          {0x00A5}, {0x00AB}, {0xD83D, 0xDE00}, {0xDE00}, {0x41, 0xD83D}})
        EXPECT_EQ(Encode(units), "") << std::hex << units.back();
}

#if !defined(_WIN32)
// The native bridge answers from tables it learns from glibc's converter; they must give,
// for every byte pair and every unit, what the converter itself gives.
class Direct {
public:
    Direct(const char* to, const char* from) : id_(iconv_open(to, from)) {
        EXPECT_NE(id_, reinterpret_cast<iconv_t>(-1));
    }
    ~Direct() { iconv_close(id_); }

    // The whole input converted, or "" when the converter refuses it.
    std::string operator()(const std::string& in) {
        iconv(id_, nullptr, nullptr, nullptr, nullptr);
        char out[8];
        char* source = const_cast<char*>(in.data());
        char* target = out;
        std::size_t left = in.size(), room = sizeof out;
        if (iconv(id_, &source, &left, &target, &room) == static_cast<std::size_t>(-1)) return "";
        return std::string(out, target);
    }

private:
    iconv_t id_;
};

TEST(CodePage, TablesAgreeWithTheConverterOnEveryPairAndUnit) {
    Direct decode("UTF-16LE", "CP932"), encode("CP932", "UTF-16LE");
    for (int first = 0; first < 256; ++first) {
        for (int second = -1; second < 256; ++second) {
            std::string bytes(1, static_cast<char>(first));
            if (second >= 0) bytes += static_cast<char>(second);
            // What the converter makes of the bytes, unit by unit, or refuses.
            std::string expected = decode(bytes);
            unsigned char units[4];
            std::int32_t made = platform::AnsiToUtf16(
                reinterpret_cast<const unsigned char*>(bytes.data()),
                static_cast<std::int32_t>(bytes.size()), units, 2);
            ASSERT_EQ(std::string(reinterpret_cast<char*>(units), 2 * made), expected)
                << std::hex << first << " " << second;
        }
    }
    for (int unit = 0; unit < 0x10000; ++unit) {
        const std::string in{static_cast<char>(unit), static_cast<char>(unit >> 8)};
        // Bytes that read back as another unit are a look-alike, refused.
        std::string expected = encode(in);
        if (decode(expected) != in) expected.clear();
        ASSERT_EQ(Encode({static_cast<std::uint16_t>(unit)}), expected) << std::hex << unit;
    }
}
#endif

}  // namespace
