#include "tools/unwritable_character.h"

#include "engine/codes.h"
#include "framework/file_handle.h"
#include "framework/platform.h"

namespace {

// Whether code page 932 holds the code point exactly.
bool Writable(std::uint32_t codePoint) {
    unsigned char units[4];
    std::int32_t count = 1;
    if (codePoint >= 0x10000) {
        std::uint32_t high = 0xD800 + ((codePoint - 0x10000) >> 10);
        std::uint32_t low = 0xDC00 + ((codePoint - 0x10000) & 0x3FF);
        units[0] = static_cast<unsigned char>(high);
        units[1] = static_cast<unsigned char>(high >> 8);
        units[2] = static_cast<unsigned char>(low);
        units[3] = static_cast<unsigned char>(low >> 8);
        count = 2;
    } else {
        units[0] = static_cast<unsigned char>(codePoint);
        units[1] = static_cast<unsigned char>(codePoint >> 8);
    }
    unsigned char bytes[8];
    return platform::Utf16ToAnsi(units, count, bytes, sizeof bytes) > 0;
}

// Decodes one code point at a time from bytes fed in any pieces; -1 while a character is
// incomplete, -2 for a malformed one.
class Decoder {
public:
    explicit Decoder(bool utf8) : utf8_(utf8) {}

    std::int64_t Feed(unsigned char byte) {
        return utf8_ ? FeedUtf8(byte) : FeedUtf16(byte);
    }

private:
    std::int64_t FeedUtf8(unsigned char byte) {
        if (left_ == 0) {
            if (byte < 0x80) return byte;
            if (byte >= 0xC2 && byte <= 0xDF) return Start(byte & 0x1F, 1, 0x80);
            if (byte >= 0xE0 && byte <= 0xEF) return Start(byte & 0x0F, 2, 0x800);
            if (byte >= 0xF0 && byte <= 0xF4) return Start(byte & 0x07, 3, 0x10000);
            return -2;
        }
        if ((byte & 0xC0) != 0x80) return -2;
        value_ = value_ << 6 | (byte & 0x3F);
        if (--left_ > 0) return -1;
        bool surrogate = value_ >= 0xD800 && value_ <= 0xDFFF;
        return value_ < minimum_ || value_ > 0x10FFFF || surrogate ? -2 : value_;
    }

    std::int64_t Start(std::uint32_t bits, int left, std::uint32_t minimum) {
        value_ = bits;
        left_ = left;
        minimum_ = minimum;
        return -1;
    }

    std::int64_t FeedUtf16(unsigned char byte) {
        if (!halfUnit_) {
            low_ = byte;
            halfUnit_ = true;
            return -1;
        }
        halfUnit_ = false;
        std::uint32_t unit = low_ | static_cast<std::uint32_t>(byte) << 8;
        if (high_ != 0) {
            std::uint32_t high = high_;
            high_ = 0;
            if (unit < 0xDC00 || unit > 0xDFFF) return -2;
            return 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00);
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            high_ = unit;
            return -1;
        }
        return unit >= 0xDC00 && unit <= 0xDFFF ? -2 : unit;
    }

    bool utf8_;
    std::uint32_t value_ = 0;
    std::uint32_t minimum_ = 0;
    int left_ = 0;
    bool halfUnit_ = false;
    std::uint32_t low_ = 0;
    std::uint32_t high_ = 0;
};

}  // namespace

bool FindUnwritable(const char* path, std::int32_t inputCode, Unwritable* found) {
    FileHandle input;
    if (!input.Open(path, platform::kGenericRead, platform::kShareRead, platform::kOpenExisting,
                    platform::kFlagSequentialScan))
        return false;
    Decoder decoder(inputCode == Utf8);
    std::uint32_t line = 1;
    bool first = true;
    unsigned char block[8192];
    try {
        while (std::uint32_t read = input.Read(block, sizeof block)) {
            for (std::uint32_t i = 0; i < read; ++i) {
                std::int64_t codePoint = decoder.Feed(block[i]);
                if (codePoint == -2) return false;
                if (codePoint < 0) continue;
                // A leading byte-order mark is no text.
                bool mark = first && codePoint == 0xFEFF;
                first = false;
                if (codePoint == '\n') ++line;
                if (mark || codePoint < 0x80 || Writable(static_cast<std::uint32_t>(codePoint)))
                    continue;
                *found = {static_cast<std::uint32_t>(codePoint), line};
                return true;
            }
        }
    } catch (std::int32_t) {
    }
    return false;
}
