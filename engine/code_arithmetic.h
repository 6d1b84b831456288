// The arithmetic mappings of JIS X 0208 row and cell between the three byte codes.  JIS
// first bytes 0x7F-0x98 stand for the Shift_JIS user-defined leads 0xF0-0xFC, so those
// survive a trip through JIS; EUC-JP has no room for them.
#pragma once

#include <cstdint>

namespace code {

struct BytePair {
    int first;
    int second;
};

// The middle dot, written in EUC-JP for what it cannot hold.
inline constexpr BytePair kEucSubstitute{0xA1, 0xA6};
inline constexpr int kJisUserFirst = 0x7F;  // JIS first bytes from here on are user-defined

// j1 0x21-0x98, j2 0x21-0x7E.
constexpr BytePair JisToShiftJis(int j1, int j2) {
    int s1 = ((j1 + 1) >> 1) + 0x70;
    if (s1 > 0x9F) s1 += 0x40;
    if (j1 & 1) return {s1, j2 + 0x1F + (j2 >= 0x60 ? 1 : 0)};
    return {s1, j2 + 0x7E};
}

// s1 0x81-0x9F or 0xE0-0xFC, s2 0x40-0x7E or 0x80-0xFC.
constexpr BytePair ShiftJisToJis(int s1, int s2) {
    int lead = s1 <= 0x9F ? s1 : s1 - 0x40;
    int trail = s2 >= 0x80 ? s2 - 1 : s2;
    if (trail >= 0x9E) return {2 * lead - 0xE0, trail - 0x7D};
    return {2 * lead - 0xE1, trail - 0x1F};
}

constexpr BytePair JisToEuc(int j1, int j2) {
    if (j1 >= kJisUserFirst) return kEucSubstitute;
    return {j1 + 0x80, j2 + 0x80};
}

}  // namespace code
