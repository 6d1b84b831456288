// The converters to and from UTF-16 little-endian.  The system has no Shift_JIS/Unicode
// tables of its own: the platform's code-page conversion is the only bridge, so JIS and
// EUC-JP (and Shift_JIS, for its newline and katakana handling) cross it in two passes
// through an intermediate Shift_JIS file.  UTF-16 output always begins with the mark.
#include <algorithm>
#include <array>

#include "engine/byte_lanes.h"
#include "engine/byte_table.h"
#include "engine/conversion_engine.h"
#include "framework/platform.h"

namespace {

constexpr int kCr = 0x0D;
constexpr int kLf = 0x0A;
constexpr int kHalfWidthFirst = 0xFF61;  // half-width katakana in UTF-16
constexpr int kHalfWidthLast = 0xFF9F;

constexpr std::uint8_t CharacterLength(int b) { return code::IsShiftJisLead(b) ? 2 : 1; }
constexpr code::ByteTable<std::uint8_t> kCharacterLengths = code::MakeByteTable(CharacterLength);

// Eight bytes that begin with a character, by the mask of their lead bytes (bit i for byte
// i): how many characters begin among them, and whether the last one runs on into the
// ninth byte.
struct EightBytes {
    std::uint8_t characters;
    std::uint8_t overrun;
};
constexpr auto kEightBytes = [] {
    std::array<EightBytes, 256> table{};
    for (int mask = 0; mask < 256; ++mask) {
        int at = 0, characters = 0;
        for (; at < 8; ++characters) at += (mask >> at & 1) + 1;
        table[mask] = {static_cast<std::uint8_t>(characters), static_cast<std::uint8_t>(at - 8)};
    }
    return table;
}();

// Steps over at most *characters whole characters from at, the first byte of one; stops
// early at end, or before a lead byte whose trail byte lies beyond it.  *characters
// becomes the number stepped over.  Eight bytes at a time while whole ones fit: their
// lead bytes are found side by side instead of one character after the other.
const unsigned char* StepCharacters(const unsigned char* at, const unsigned char* end,
                                    std::int32_t* characters) {
    std::int32_t left = *characters;
    while (left >= 8 && end - at > 8) {
        const EightBytes step = kEightBytes[code::LeadMask(code::LoadEight(at))];
        at += 8 + step.overrun;
        left -= step.characters;
    }
    for (; left > 0 && at < end; --left) {
        std::int32_t length = kCharacterLengths[*at];
        if (end - at < length) break;
        at += length;
    }
    *characters -= left;
    return at;
}

}  // namespace

// Nothing is invalid in UTF-16 here: U+0000, lone surrogates and later marks are copied.
bool ConversionEngine::UnicodeToUnicode() {
    int u = ReadUnit();
    if (u != kByteOrderMark) PutUnit(kByteOrderMark);  // an input mark is copied below
    while (u >= 0) {
        if (Stopped()) return false;
        if (u == kCr || u == kLf) {
            u = TranslateNewlineUnit(u);
        } else if (options_.widenKana && u >= kHalfWidthFirst && u <= kHalfWidthLast) {
            int next = ReadUnit();
            u = WidenKanaUnit(u, next) ? ReadUnit() : next;
        } else {
            PutUnit(u);
            u = ReadUnit();
        }
    }
    return true;
}

bool ConversionEngine::JisToUnicode() {
    return RunTwoPass(&ConversionEngine::JisToShiftJis, &ConversionEngine::ShiftJisToUtf16Pass);
}
bool ConversionEngine::ShiftJisToUnicode() {
    return RunTwoPass(&ConversionEngine::ShiftJisToShiftJis,
                      &ConversionEngine::ShiftJisToUtf16Pass);
}
bool ConversionEngine::EucToUnicode() {
    return RunTwoPass(&ConversionEngine::EucToShiftJis, &ConversionEngine::ShiftJisToUtf16Pass);
}
bool ConversionEngine::UnicodeToJis() {
    return RunTwoPass(&ConversionEngine::Utf16ToShiftJisPass, &ConversionEngine::ShiftJisToJis);
}
bool ConversionEngine::UnicodeToShiftJis() {
    return RunTwoPass(&ConversionEngine::Utf16ToShiftJisPass,
                      &ConversionEngine::ShiftJisToShiftJis);
}
bool ConversionEngine::UnicodeToEuc() {
    return RunTwoPass(&ConversionEngine::Utf16ToShiftJisPass, &ConversionEngine::ShiftJisToEuc);
}

// Each Shift_JIS character makes exactly one unit, so counting characters tells when the
// output buffer will be full: each code-page call converts a stretch of characters into
// exactly the free part of the buffer, and the buffer is written as soon as it is full.
// A lead byte that ends a block waits in the reserve before the input buffer, where it
// joins its trail byte, the next block's first byte, as one character.
bool ConversionEngine::ShiftJisToUtf16Pass() {
    PutUnit(kByteOrderMark);
    unsigned char* const block = inputArea_ + kReserve;
    std::int32_t carried = 0;
    while (RefillBlock()) {
        if (Stopped()) return false;
        const unsigned char* at = block - carried;
        const unsigned char* const end = block + inputCount_;
        for (;;) {
            const std::int32_t room = (kBlock - outputCount_) / 2;
            std::int32_t characters = room;
            const unsigned char* const stretchEnd = StepCharacters(at, end, &characters);
            if (characters > 0 &&
                !ConvertStretch(at, static_cast<std::int32_t>(stretchEnd - at), characters))
                return false;
            at = stretchEnd;
            if (characters < room) break;  // the block is used up
            Flush();
        }
        carried = static_cast<std::int32_t>(end - at);
        if (carried != 0) block[-1] = *at;
    }
    // A lead byte without its trail byte at the end of the data is no character.
    return carried == 0;
}

bool ConversionEngine::ConvertStretch(const unsigned char* stretch, std::int32_t bytes,
                                      std::int32_t characters) {
    std::int32_t made =
        platform::AnsiToUtf16(stretch, bytes, outputBuffer_ + outputCount_, characters);
    if (made != characters) return false;
    outputCount_ += 2 * made;
    return true;
}

// A kBlock of units makes at most one block of bytes, so each is one call, as the file's
// kBlock-sized pieces.  The running flag is left to the second pass.
bool ConversionEngine::Utf16ToShiftJisPass() {
    bool first = true;
    while (RefillBlock()) {
        for (std::int32_t piece = 0; piece < inputCount_; piece += kBlock) {
            const unsigned char* units = inputArea_ + kReserve + piece;
            std::int32_t count = std::min(kBlock, inputCount_ - piece) / 2;
            if (first && count > 0 && (units[0] | units[1] << 8) == kByteOrderMark) {
                units += 2;
                --count;
            }
            first = false;
            if (count == 0) continue;  // a file that holds only the mark
            outputCount_ = platform::Utf16ToAnsi(units, count, outputBuffer_, kBlock);
            if (outputCount_ == 0) return false;
            Flush();
        }
    }
    return true;
}
