// Full-width forms of the 64 half-width katakana positions 0xA0-0xDF, in the four output
// forms, and which positions fold a following sound mark into themselves.  The JIS and
// UTF-16 columns are written out; the Shift_JIS and EUC-JP columns are derived from the
// JIS one at compile time, so the four cannot disagree.
#pragma once

#include <array>
#include <cstdint>

#include "engine/code_arithmetic.h"

namespace kana {

// UTF-8 takes the UTF-16 codes, written as its bytes.
enum Form : int { FormJis = 0, FormShiftJis = 1, FormEuc = 2, FormUtf16 = 3, FormUtf8 = 4 };

inline constexpr int kFirst = 0xA0;  // byte of the first position
inline constexpr int kCount = 64;
inline constexpr int kVoicedMark = 0xDE;
inline constexpr int kSemiVoicedMark = 0xDF;
inline constexpr int kUnitOffset = 0xFF60 - kFirst;  // unit 0xFF61 is position 0xA1

// A sound mark seen after a katakana, and the flags of positions that take one.
inline constexpr std::uint8_t kVoiced = 1;      // voiced form = full-width code + 1
inline constexpr std::uint8_t kSemiVoiced = 2;  // semi-voiced form = full-width code + 2
inline constexpr std::uint8_t kTakesVu = 4;     // "ｳ" with the voiced mark is "ヴ"

using Codes = std::array<std::uint16_t, kCount>;

// Two-byte forms hold the first byte in the high half.
inline constexpr Codes kJis = {
    0x2126, 0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521,  // ・。「」、・ヲァ
    0x2523, 0x2525, 0x2527, 0x2529, 0x2563, 0x2565, 0x2567, 0x2543,  // ィゥェォャュョッ
    0x213C, 0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B, 0x252D,  // ーアイウエオカキ
    0x252F, 0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D,  // クケコサシスセソ
    0x253F, 0x2541, 0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C,  // タチツテトナニヌ
    0x254D, 0x254E, 0x254F, 0x2552, 0x2555, 0x2558, 0x255B, 0x255E,  // ネノハヒフヘホマ
    0x255F, 0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569,  // ミムメモヤユヨラ
    0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C,  // リルレロワン゛゜
};

inline constexpr Codes kUtf16 = {
    0x30FB, 0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1,
    0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3,
    0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD,
    0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD,
    0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC,
    0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE,
    0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,
};

inline constexpr std::uint16_t kJisVu = 0x2574;
inline constexpr std::uint16_t kUtf16Vu = 0x30F4;

constexpr std::uint16_t Pack(code::BytePair pair) {
    return static_cast<std::uint16_t>(pair.first << 8 | pair.second);
}
constexpr std::uint16_t JisCodeToShiftJis(std::uint16_t jis) {
    return Pack(code::JisToShiftJis(jis >> 8, jis & 0xFF));
}
constexpr std::uint16_t JisCodeToEuc(std::uint16_t jis) {
    return Pack(code::JisToEuc(jis >> 8, jis & 0xFF));
}

constexpr Codes Derive(std::uint16_t (*convert)(std::uint16_t)) {
    Codes codes{};
    for (int i = 0; i < kCount; ++i) codes[i] = convert(kJis[i]);
    return codes;
}

// Indexed [Form][position - 0xA0].
inline constexpr std::array<Codes, 5> kWide = {
    kJis, Derive(JisCodeToShiftJis), Derive(JisCodeToEuc), kUtf16, kUtf16};

inline constexpr std::array<std::uint16_t, 5> kVu = {
    kJisVu, JisCodeToShiftJis(kJisVu), JisCodeToEuc(kJisVu), kUtf16Vu, kUtf16Vu};

inline constexpr std::array<std::uint8_t, kCount> kSoundMarks = [] {
    std::array<std::uint8_t, kCount> flags{};
    flags[0xB3 - kFirst] = kTakesVu;
    for (int k = 0xB6; k <= 0xC4; ++k) flags[k - kFirst] = kVoiced;
    for (int k = 0xCA; k <= 0xCE; ++k) flags[k - kFirst] = kVoiced | kSemiVoiced;
    return flags;
}();

}  // namespace kana
