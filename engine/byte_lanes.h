// Tests on eight bytes side by side, one byte per lane of a 64-bit word (the first byte in
// the lowest lane).  Each test leaves a lane's answer in the lane's top bit; the sums are
// kept below 0x100 per lane, so no carry reaches the next lane.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/byte_table.h"

namespace code {

inline constexpr std::uint64_t kLaneOnes = 0x0101010101010101u;
inline constexpr std::uint64_t kLaneTops = 0x80 * kLaneOnes;

static_assert(std::endian::native == std::endian::little, "eight bytes load first byte lowest");

// The eight bytes from at, the first in the lowest lane.
inline std::uint64_t LoadEight(const unsigned char* at) {
    std::uint64_t eight;
    std::memcpy(&eight, at, 8);
    return eight;
}

// The lanes that hold a Shift_JIS lead byte.  The leads 0x81-0x9F and 0xE0-0xFC are, with
// bit 5 flipped, the one range 0xA1-0xDC.
constexpr std::uint64_t LeadLanes(std::uint64_t eight) {
    const std::uint64_t flipped = eight ^ 0x20 * kLaneOnes;
    const std::uint64_t low = flipped & 0x7F * kLaneOnes;
    return flipped & (low + 0x5F * kLaneOnes) & ~(low + 0x23 * kLaneOnes) & kLaneTops;
}

// The lanes that hold no Shift_JIS trail byte: below 0x40, 0x7F, or above 0xFC.
constexpr std::uint64_t NonTrailLanes(std::uint64_t eight) {
    const std::uint64_t low = eight & 0x7F * kLaneOnes;
    const std::uint64_t belowHalf = (~(low + 0x40 * kLaneOnes) | (low + kLaneOnes)) & ~eight;
    const std::uint64_t aboveHalf = (low + 0x03 * kLaneOnes) & eight;
    return (belowHalf | aboveHalf) & kLaneTops;
}

// The lead bytes among eight bytes, bit i for byte i.
constexpr unsigned LeadMask(std::uint64_t eight) {
    // Gathers each lane's top bit into the top byte.
    return static_cast<unsigned>((LeadLanes(eight) >> 7) * 0x0102040810204080u >> 56);
}

// The lanes not printable ASCII, 0x20-0x7E, exact up to the lowest: that lane's top bit
// is set in one of the three terms, and its carries and borrows only reach the lanes above.
constexpr std::uint64_t NonPrintableLanes(std::uint64_t eight) {
    return (eight | (eight + kLaneOnes) | (eight - 0x20 * kLaneOnes)) & kLaneTops;
}

constexpr bool AllPrintable(std::uint64_t eight) { return NonPrintableLanes(eight) == 0; }

constexpr bool LanesAgreeWithTheByteTests() {
    for (int b = 0; b < 256; ++b)
        for (int lane = 0; lane < 8; ++lane) {
            const std::uint64_t eight = std::uint64_t(b) << 8 * lane;
            const std::uint64_t top = std::uint64_t{0x80} << 8 * lane;
            // The other lanes hold 0x40, a trail byte and no lead byte.
            const std::uint64_t others = 0x40 * kLaneOnes & ~(std::uint64_t{0xFF} << 8 * lane);
            if (LeadMask(eight) != (IsShiftJisLead(b) ? 1u << lane : 0)) return false;
            if (NonTrailLanes(eight | others) != (IsShiftJisTrail(b) ? 0 : top)) return false;
            if (AllPrintable(eight | others) != Within(b, 0x20, 0x7E)) return false;
        }
    return true;
}
static_assert(LanesAgreeWithTheByteTests());

}  // namespace code
