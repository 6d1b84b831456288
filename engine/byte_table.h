// Fixed 256-entry tables that classify a byte, filled at compile time from a function
// that states the ranges, so the hot loops do one look-up per byte.
#pragma once

#include <array>
#include <cstdint>

namespace code {

template <typename T>
using ByteTable = std::array<T, 256>;

template <typename T>
constexpr ByteTable<T> MakeByteTable(T (*classify)(int)) {
    ByteTable<T> table{};
    for (int b = 0; b < 256; ++b) table[b] = classify(b);
    return table;
}

constexpr bool Within(int b, int low, int high) { return b >= low && b <= high; }

// The first byte of a two-byte Shift_JIS character.
constexpr bool IsShiftJisLead(int b) { return Within(b, 0x81, 0x9F) || Within(b, 0xE0, 0xFC); }
// The second byte of a two-byte Shift_JIS character.
constexpr bool IsShiftJisTrail(int b) { return Within(b, 0x40, 0x7E) || Within(b, 0x80, 0xFC); }

}  // namespace code
