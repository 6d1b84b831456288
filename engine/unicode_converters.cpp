// The converters to and from UTF-16 little-endian and UTF-8.  The system has no
// Shift_JIS/Unicode tables of its own: the platform's code-page conversion is the only
// bridge, so JIS, EUC-JP and Shift_JIS (for its newline and katakana handling) go through
// a byte converter to or from Shift_JIS, which crosses the code page a block at a time in
// the same pass.  Between the two Unicode forms one pass goes character by character.
// UTF-16 output always begins with the mark.
#include <array>
#include <cstring>

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

// Writes code point c as UTF-16 little-endian at at, a surrogate pair above the basic
// plane; answers the units written, 1 or 2.
int StoreCharacter(unsigned char* at, int c) {
    if (c < kPlaneOne) {
        StoreUnit(at, c);
        return 1;
    }
    StoreUnit(at, kSurrogateFirst + ((c - kPlaneOne) >> 10));
    StoreUnit(at + 2, kLowSurrogateFirst + (c & 0x3FF));
    return 2;
}

// The code point of the sequence of lead.length bytes at at, whose first byte leads
// something; kBadSequence (-1) when its bytes are no sequence: a second byte outside
// the lead's range (overlong forms, surrogates, beyond U+10FFFF) or a later one that
// does not continue.
constexpr std::int32_t kBadSequence = -1;
int DecodeSequence(const unsigned char* at, const Utf8Lead& lead) {
    if (at[1] < lead.low || at[1] > lead.high) return kBadSequence;
    int c = (at[0] & 0x7F >> lead.length) << 6 | (at[1] & 0x3F);
    for (int i = 2; i < lead.length; ++i) {
        if ((at[i] & 0xC0) != 0x80) return kBadSequence;
        c = c << 6 | (at[i] & 0x3F);
    }
    return c;
}

// Writes code point c as UTF-8 at out; answers the byte after it.
unsigned char* EncodeUtf8(unsigned char* out, int c) {
    if (c < 0x80) {
        *out = static_cast<unsigned char>(c);
        return out + 1;
    }
    int tail = c < 0x800 ? 1 : c < kPlaneOne ? 2 : 3;
    *out++ = static_cast<unsigned char>((0xF00 >> (tail + 1) & 0xF0) | c >> 6 * tail);
    while (tail-- > 0) *out++ = static_cast<unsigned char>(0x80 | (c >> 6 * tail & 0x3F));
    return out;
}

// Writes count units of the basic plane (the code page makes no others) as UTF-8 at out;
// answers the byte after them.  Not through EncodeUtf8: without its loop this takes a
// quarter fewer instructions, and a third of a conversion into UTF-8 is spent here.
unsigned char* EncodeUnits(const unsigned char* units, std::int32_t count, unsigned char* out) {
    for (const unsigned char* const end = units + 2 * count; units < end; units += 2) {
        const int u = units[0] | units[1] << 8;
        if (u < 0x80) {
            *out++ = static_cast<unsigned char>(u);
        } else if (u < 0x800) {
            out[0] = static_cast<unsigned char>(0xC0 | u >> 6);
            out[1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
            out += 2;
        } else {
            out[0] = static_cast<unsigned char>(0xE0 | u >> 12);
            out[1] = static_cast<unsigned char>(0x80 | (u >> 6 & 0x3F));
            out[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
            out += 3;
        }
    }
    return out;
}

// Units as UTF-16 little-endian from the whole characters between *from and end, at most
// room of them (room >= 2): answers how many, and moves *from past the characters taken;
// a sequence that end cuts is left.  kBadSequence for a byte that begins no character or
// a sequence that is none.
std::int32_t DecodeUtf8(const unsigned char** from, const unsigned char* end,
                        unsigned char* units, std::int32_t room) {
    const unsigned char* at = *from;
    unsigned char* out = units;
    unsigned char* const outEnd = units + 2 * static_cast<std::ptrdiff_t>(room);
    while (at < end && outEnd - out >= 4) {
        // Text in ASCII goes eight bytes at a time.
        if (end - at >= 8 && outEnd - out >= 16) {
            const std::uint64_t eight = code::LoadEight(at);
            if ((eight & code::kLaneTops) == 0) {
                for (int i = 0; i < 8; ++i) StoreUnit(out + 2 * i, at[i]);
                at += 8;
                out += 16;
                continue;
            }
        }
        const int b = *at;
        if (b < 0x80) {
            StoreUnit(out, b);
            out += 2;
            ++at;
            continue;
        }
        const Utf8Lead lead = kUtf8Leads[b];
        if (lead.length == 0) return kBadSequence;
        if (end - at < lead.length) break;
        const int c = DecodeSequence(at, lead);
        if (c == kBadSequence) return kBadSequence;
        at += lead.length;
        out += 2 * StoreCharacter(out, c);
    }
    *from = at;
    return static_cast<std::int32_t>((out - units) / 2);
}

}  // namespace

// The sequence's bytes are gathered across the blocks and decoded as DecodeUtf8 decodes
// them; the end of the data reads as 0xFF, which continues nothing.
int ConversionEngine::ReadUtf8() {
    const int b = ReadByte();
    if (b < 0x80) return b;  // the end too
    const Utf8Lead lead = kUtf8Leads[b];
    if (lead.length == 0) return kMalformed;
    unsigned char sequence[4] = {static_cast<unsigned char>(b)};
    for (int i = 1; i < lead.length; ++i) sequence[i] = static_cast<unsigned char>(ReadByte());
    const int c = DecodeSequence(sequence, lead);
    return c == kBadSequence ? kMalformed : c;
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
    unsigned char bytes[4];
    const unsigned char* const end = EncodeUtf8(bytes, c);
    for (const unsigned char* at = bytes; at < end; ++at) PutByte(*at);
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
    source_ = nullptr;
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
        if (platform::Utf16ToAnsi(units, StoreCharacter(units, c), bytes, sizeof bytes) > 0)
            continue;
        *found = {static_cast<std::uint32_t>(c), line};
        return true;
    }
}

bool ConversionEngine::RunWithSource(Source source, Converter second) {
    source_ = source;
    rawEnded_ = false;
    rawFirst_ = true;
    rawCarried_ = 0;
    const bool converted = (this->*second)();
    source_ = nullptr;
    return converted && !stageFailed_;
}

bool ConversionEngine::RunWithSink(Converter first, Sink sink, kana::Form form) {
    unsigned char* markEnd = stage_;
    if (form == kana::FormUtf16) {
        markEnd += 2 * StoreCharacter(stage_, kByteOrderMark);
    } else if (utf8Mark_) {
        markEnd = EncodeUtf8(stage_, kByteOrderMark);
    }
    stageCount_ = static_cast<std::int32_t>(markEnd - stage_);
    sink_ = sink;
    sinkCarried_ = -1;
    bool converted = (this->*first)();
    if (converted) Flush();
    sink_ = nullptr;
    // A lead byte without its trail byte at the end of the data is no character.
    if (!converted || stageFailed_ || sinkCarried_ >= 0) return false;
    WriteBytes(stage_, stageCount_);  // the mark of an empty text
    stageCount_ = 0;
    return true;
}

// Each read takes whole units (a half unit at the end of a file that grew since its size
// was checked is dropped); each unit makes at most two bytes, so a read's units fit the
// input block.
std::int32_t ConversionEngine::Utf16Source(unsigned char* bytes) {
    while (!rawEnded_) {
        const std::int32_t read = ReadInput(raw_ + kReserve, kInputBlock);
        rawEnded_ = read != kInputBlock;
        const unsigned char* units = raw_ + kReserve;
        std::int32_t count = read / 2;
        if (rawFirst_ && count > 0 && (units[0] | units[1] << 8) == kByteOrderMark) {
            units += 2;
            --count;
        }
        rawFirst_ = false;
        if (count == 0) continue;
        const std::int32_t made = platform::Utf16ToAnsi(units, count, bytes, kInputBlock);
        if (made > 0) return made;
        stageFailed_ = rawEnded_ = true;
    }
    return 0;
}

// A read leaves room before it for the bytes of a sequence that the previous one cut.
// No character makes more Shift_JIS bytes than its UTF-8 has, so a read's characters fit
// the input block.
std::int32_t ConversionEngine::Utf8Source(unsigned char* bytes) {
    constexpr std::int32_t kRead = kInputBlock - kReserve;
    unsigned char* const start = raw_ + kReserve;
    auto fail = [this] {
        stageFailed_ = rawEnded_ = true;
        return 0;
    };
    while (!rawEnded_) {
        const std::int32_t read = ReadInput(start, kRead);
        rawEnded_ = read != kRead;
        const unsigned char* at = start - rawCarried_;
        const unsigned char* const end = start + read;
        std::int32_t made = 0;
        for (std::int32_t count; (count = DecodeUtf8(&at, end, units_, kUnits)) != 0;) {
            if (count == kBadSequence) return fail();
            const unsigned char* units = units_;
            if (rawFirst_ && (units[0] | units[1] << 8) == kByteOrderMark) {
                units += 2;
                --count;
            }
            rawFirst_ = false;
            if (count == 0) continue;
            const std::int32_t bytesMade =
                platform::Utf16ToAnsi(units, count, bytes + made, kInputBlock - made);
            if (bytesMade == 0) return fail();
            made += bytesMade;
        }
        // What is left is the start of a sequence, cut by the end of the read.
        rawCarried_ = static_cast<std::int32_t>(end - at);
        if (rawCarried_ != 0 && rawEnded_) return fail();
        std::memmove(start - rawCarried_, at, static_cast<std::size_t>(rawCarried_));
        if (made > 0) return made;
    }
    return 0;
}

// The block's whole characters go through the code page in one call; a lead byte that
// ends the block waits for its trail byte, the next block's first.
template <kana::Form Out>
void ConversionEngine::CodePageSink() {
    if (stageFailed_) return;
    const unsigned char* at = outputBuffer_;
    const unsigned char* const end = outputBuffer_ + outputCount_;
    unsigned char* const units = Out == kana::FormUtf16 ? stage_ + stageCount_ : units_;
    std::int32_t count = 0;
    if (sinkCarried_ >= 0 && at < end) {
        const unsigned char pair[2] = {static_cast<unsigned char>(sinkCarried_), *at++};
        sinkCarried_ = -1;
        if (platform::AnsiToUtf16(pair, 2, units, 1) != 1) {
            stageFailed_ = true;
            return;
        }
        count = 1;
    }
    std::int32_t characters = kBlock;
    const unsigned char* const stretchEnd = StepCharacters(at, end, &characters);
    if (characters > 0 &&
        platform::AnsiToUtf16(at, static_cast<std::int32_t>(stretchEnd - at), units + 2 * count,
                              characters) != characters) {
        stageFailed_ = true;
        return;
    }
    count += characters;
    if (stretchEnd != end) sinkCarried_ = *stretchEnd;
    if constexpr (Out == kana::FormUtf16) {
        stageCount_ += 2 * count;
    } else {
        stageCount_ = static_cast<std::int32_t>(EncodeUnits(units, count, stage_ + stageCount_) - stage_);
    }
    WriteBytes(stage_, stageCount_);
    stageCount_ = 0;
}

// The converter table, in conversion_engine.cpp, names both.
template void ConversionEngine::CodePageSink<kana::FormUtf16>();
template void ConversionEngine::CodePageSink<kana::FormUtf8>();
