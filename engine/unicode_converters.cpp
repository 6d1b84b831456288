// The converters to and from UTF-16 little-endian and UTF-8.  The system has no
// Shift_JIS/Unicode tables of its own: the platform's code-page conversion is the only
// bridge, so JIS and EUC-JP (and Shift_JIS, for its newline and katakana handling) cross
// it in two passes through an intermediate Shift_JIS file.  Between the two Unicode forms
// one pass goes character by character.  UTF-16 output always begins with the mark.
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

// What a UTF-8 lead byte allows: the sequence's length and the range of its second byte,
// which shuts out overlong forms, surrogates and code points above U+10FFFF.  A byte that
// leads nothing admits no second byte.
struct Utf8Lead {
    std::uint8_t length;
    std::uint8_t low;
    std::uint8_t high;
};
constexpr Utf8Lead LeadOf(int b) {
    if (b < 0xC2 || b > 0xF4) return {0, 0xFF, 0};
    if (b < 0xE0) return {2, 0x80, 0xBF};
    if (b < 0xF0)
        return {3, std::uint8_t(b == 0xE0 ? 0xA0 : 0x80), std::uint8_t(b == 0xED ? 0x9F : 0xBF)};
    return {4, std::uint8_t(b == 0xF0 ? 0x90 : 0x80), std::uint8_t(b == 0xF4 ? 0x8F : 0xBF)};
}
constexpr code::ByteTable<Utf8Lead> kUtf8Leads = code::MakeByteTable(LeadOf);

constexpr int kSurrogateFirst = 0xD800;
constexpr int kLowSurrogateFirst = 0xDC00;
constexpr int kSurrogateLast = 0xDFFF;
constexpr int kPlaneOne = 0x10000;

void StoreUnit(unsigned char* at, int unit) {
    at[0] = static_cast<unsigned char>(unit);
    at[1] = static_cast<unsigned char>(unit >> 8);
}

}  // namespace

int ConversionEngine::ReadUtf8() {
    const int b = ReadByte();
    if (b < 0x80) return b;  // the end too
    const Utf8Lead lead = kUtf8Leads[b];
    int next = ReadByte();
    if (next < lead.low || next > lead.high) return kMalformed;
    int c = (b & 0x7F >> lead.length) << 6 | (next & 0x3F);
    for (int i = 2; i < lead.length; ++i) {
        next = ReadByte();
        if ((next & 0xC0) != 0x80) return kMalformed;  // the end is all ones
        c = c << 6 | (next & 0x3F);
    }
    return c;
}

int ConversionEngine::ReadUtf16() {
    const int u = ReadUnit();
    if (u < kSurrogateFirst || u > kSurrogateLast) return u;
    if (u >= kLowSurrogateFirst) return kMalformed;
    const int low = ReadUnit();
    if (low < kLowSurrogateFirst || low > kSurrogateLast) return kMalformed;
    return kPlaneOne + ((u - kSurrogateFirst) << 10) + (low - kLowSurrogateFirst);
}

void ConversionEngine::PutUtf8(int c) {
    if (c < 0x80) {
        PutByte(c);
        return;
    }
    if (c < 0x800) {
        PutByte(0xC0 | c >> 6);
    } else {
        if (c < kPlaneOne) {
            PutByte(0xE0 | c >> 12);
        } else {
            PutByte(0xF0 | c >> 18);
            PutByte(0x80 | (c >> 12 & 0x3F));
        }
        PutByte(0x80 | (c >> 6 & 0x3F));
    }
    PutByte(0x80 | (c & 0x3F));
}

void ConversionEngine::PutUtf16(int c) {
    if (c >= kPlaneOne) {
        PutUnit(kSurrogateFirst + ((c - kPlaneOne) >> 10));
        c = kLowSurrogateFirst + (c & 0x3FF);
    }
    PutUnit(c);
}

template <int (ConversionEngine::*Read)(), void (ConversionEngine::*Put)(int)>
bool ConversionEngine::CopyCharacters(kana::Form form, bool mark) {
    int c = (this->*Read)();
    if (c == kByteOrderMark) c = (this->*Read)();
    if (mark) (this->*Put)(kByteOrderMark);
    while (c >= 0) {
        if (Stopped()) return false;
        if (c == kCr || c == kLf) {
            c = TranslateNewlineWith<Read>(c);
        } else if (options_.widenKana && c >= kHalfWidthFirst && c <= kHalfWidthLast) {
            int next = (this->*Read)();
            c = WidenKanaUnit(c, next, form) ? (this->*Read)() : next;
        } else {
            (this->*Put)(c);
            c = (this->*Read)();
        }
    }
    return c != kMalformed;
}

// Nothing is invalid in UTF-16 here: U+0000, lone surrogates and later marks are copied.
bool ConversionEngine::UnicodeToUnicode() {
    return CopyCharacters<&ConversionEngine::ReadUnit, &ConversionEngine::PutUnit>(
        kana::FormUtf16, true);
}
bool ConversionEngine::Utf8ToUtf8() {
    return CopyCharacters<&ConversionEngine::ReadUtf8, &ConversionEngine::PutUtf8>(
        kana::FormUtf8, utf8Mark_);
}
bool ConversionEngine::Utf8ToUnicode() {
    return CopyCharacters<&ConversionEngine::ReadUtf8, &ConversionEngine::PutUtf16>(
        kana::FormUtf16, true);
}
// UTF-8 has no form for a lone surrogate.
bool ConversionEngine::UnicodeToUtf8() {
    return CopyCharacters<&ConversionEngine::ReadUtf16, &ConversionEngine::PutUtf8>(
        kana::FormUtf8, utf8Mark_);
}

bool ConversionEngine::FindUnwritable(FileHandle& input, std::int32_t inputCode,
                                      Unwritable* found) {
    if (platform::Seek(input.Handle(), 0, platform::kFileBegin) != 0) return false;
    input_ = &input;
    inputCount_ = kInputBlock;
    inputPosition_ = kInputBlock;
    const bool utf8 = inputCode == Utf8;
    std::uint32_t line = 1;
    for (bool first = true;; first = false) {
        const int c = utf8 ? ReadUtf8() : ReadUtf16();
        if (c < 0) return false;
        if (c == kLf) ++line;
        if (c < 0x80 || (first && c == kByteOrderMark)) continue;
        unsigned char units[4], bytes[8];
        StoreUnit(units, c >= kPlaneOne ? kSurrogateFirst + ((c - kPlaneOne) >> 10) : c);
        StoreUnit(units + 2, kLowSurrogateFirst + (c & 0x3FF));
        if (platform::Utf16ToAnsi(units, c >= kPlaneOne ? 2 : 1, bytes, sizeof bytes) > 0)
            continue;
        *found = {static_cast<std::uint32_t>(c), line};
        return true;
    }
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
bool ConversionEngine::JisToUtf8() {
    return RunTwoPass(&ConversionEngine::JisToShiftJis, &ConversionEngine::ShiftJisToUtf8Pass);
}
bool ConversionEngine::ShiftJisToUtf8() {
    return RunTwoPass(&ConversionEngine::ShiftJisToShiftJis,
                      &ConversionEngine::ShiftJisToUtf8Pass);
}
bool ConversionEngine::EucToUtf8() {
    return RunTwoPass(&ConversionEngine::EucToShiftJis, &ConversionEngine::ShiftJisToUtf8Pass);
}
bool ConversionEngine::Utf8ToJis() {
    return RunTwoPass(&ConversionEngine::Utf8ToShiftJisPass, &ConversionEngine::ShiftJisToJis);
}
bool ConversionEngine::Utf8ToShiftJis() {
    return RunTwoPass(&ConversionEngine::Utf8ToShiftJisPass,
                      &ConversionEngine::ShiftJisToShiftJis);
}
bool ConversionEngine::Utf8ToEuc() {
    return RunTwoPass(&ConversionEngine::Utf8ToShiftJisPass, &ConversionEngine::ShiftJisToEuc);
}

bool ConversionEngine::ShiftJisToUtf16Pass() { return ShiftJisToCodePass<kana::FormUtf16>(); }
bool ConversionEngine::ShiftJisToUtf8Pass() { return ShiftJisToCodePass<kana::FormUtf8>(); }

// Each Shift_JIS character makes exactly one unit, so counting characters tells when the
// units' buffer will be full: each code-page call converts a stretch of characters into
// exactly its free part.  UTF-16 goes straight into the output buffer, which is written
// as soon as it is full; for UTF-8 the units' buffer is encoded after each call.  A lead
// byte that ends a block waits in the reserve before the input buffer, where it joins its
// trail byte, the next block's first byte, as one character.
template <kana::Form Out>
bool ConversionEngine::ShiftJisToCodePass() {
    constexpr bool kUtf8 = Out == kana::FormUtf8;
    if (!kUtf8 || utf8Mark_) PutWide(Out, kByteOrderMark);
    unsigned char* const block = inputArea_ + kReserve;
    std::int32_t carried = 0;
    while (RefillBlock()) {
        if (Stopped()) return false;
        const unsigned char* at = block - carried;
        const unsigned char* const end = block + inputCount_;
        for (;;) {
            const std::int32_t room = kUtf8 ? kUnits : (kBlock - outputCount_) / 2;
            std::int32_t characters = room;
            const unsigned char* const stretchEnd = StepCharacters(at, end, &characters);
            unsigned char* const units = kUtf8 ? units_ : outputBuffer_ + outputCount_;
            if (characters > 0 &&
                platform::AnsiToUtf16(at, static_cast<std::int32_t>(stretchEnd - at), units,
                                      characters) != characters)
                return false;
            if (kUtf8) {
                for (std::int32_t i = 0; i < 2 * characters; i += 2)
                    PutUtf8(units[i] | units[i + 1] << 8);
            } else {
                outputCount_ += 2 * characters;
            }
            at = stretchEnd;
            if (characters < room) break;  // the block is used up
            if (!kUtf8) Flush();
        }
        carried = static_cast<std::int32_t>(end - at);
        if (carried != 0) block[-1] = *at;
    }
    // A lead byte without its trail byte at the end of the data is no character.
    return carried == 0;
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

// Units gather until a pair might not fit, and each buffer of them is one code-page call,
// whose bytes fit the output buffer (a unit makes at most two).  The running flag is left
// to the second pass.
bool ConversionEngine::Utf8ToShiftJisPass() {
    int c = ReadUtf8();
    if (c == kByteOrderMark) c = ReadUtf8();
    while (c >= 0) {
        std::int32_t count = 0;
        for (; c >= 0 && count <= kUnits - 2; c = ReadUtf8()) {
            if (c >= kPlaneOne) {
                StoreUnit(units_ + 2 * count++, kSurrogateFirst + ((c - kPlaneOne) >> 10));
                c = kLowSurrogateFirst + (c & 0x3FF);
            }
            StoreUnit(units_ + 2 * count++, c);
        }
        if (c == kMalformed) return false;
        outputCount_ = platform::Utf16ToAnsi(units_, count, outputBuffer_, kBlock);
        if (outputCount_ == 0) return false;
        Flush();
    }
    return c != kMalformed;
}
