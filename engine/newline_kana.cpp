// Newline translation, katakana widening and the plain copy: the pieces every converter
// shares.
#include "engine/conversion_engine.h"

namespace {

constexpr int kCr = 0x0D;
constexpr int kLf = 0x0A;

}  // namespace

// CR, LF, CR LF and CR CR LF are one line end each; CR CR is two and CR CR CR three.
// Longer runs follow as the converter calls again with the character returned.
template <int (ConversionEngine::*Read)()>
int ConversionEngine::TranslateNewlineWith(int c) {
    if (c == kLf || options_.newline == KeepNewline) {
        (this->*newlineWriter_)(c);
        return (this->*Read)();
    }
    int lines = 1;
    int next = (this->*Read)();
    if (next == kLf) {
        next = (this->*Read)();
    } else if (next == kCr) {
        next = (this->*Read)();
        if (next == kLf || next == kCr) {
            lines = next == kLf ? 1 : 3;
            next = (this->*Read)();
        } else {
            lines = 2;
        }
    }
    for (; lines > 0; --lines) (this->*newlineWriter_)(c);
    return next;
}

int ConversionEngine::TranslateNewline(int c) {
    return TranslateNewlineWith<&ConversionEngine::ReadByte>(c);
}

// The character-by-character converters read units or code points.
template int ConversionEngine::TranslateNewlineWith<&ConversionEngine::ReadUnit>(int c);
template int ConversionEngine::TranslateNewlineWith<&ConversionEngine::ReadUtf8>(int c);
template int ConversionEngine::TranslateNewlineWith<&ConversionEngine::ReadUtf16>(int c);

bool ConversionEngine::WidenKana(int k, int n, kana::Form form) {
    const kana::Codes& codes = kana::kWide[form];
    int position = k - kana::kFirst;
    std::uint16_t wide = codes[position];
    std::uint8_t mark = n == kana::kVoicedMark       ? kana::kVoiced
                        : n == kana::kSemiVoicedMark ? kana::kSemiVoiced
                                                     : 0;
    if (mark != 0) {
        std::uint8_t takes = kana::kSoundMarks[position];
        if (takes & mark) {
            wide = static_cast<std::uint16_t>(wide + mark);  // the flag values are the steps
        } else if (mark == kana::kVoiced && (takes & kana::kTakesVu)) {
            wide = kana::kVu[form];
        } else {
            // The mark cannot be folded: it stands as its own full-width mark.
            PutWide(form, wide);
            wide = codes[n - kana::kFirst];
        }
    }
    PutWide(form, wide);
    return mark != 0;
}

bool ConversionEngine::WidenKanaUnit(int k, int n, kana::Form form) {
    return WidenKana(k - kana::kUnitOffset, n - kana::kUnitOffset, form);
}

void ConversionEngine::PutWide(kana::Form form, std::uint16_t code) {
    if (form == kana::FormUtf16) {
        PutUnit(code);
        return;
    }
    if (form == kana::FormUtf8) {
        PutUtf8(code);
        return;
    }
    PutByte(code >> 8);
    PutByte(code & 0xFF);
}

// Text without code-specific bytes: everything is copied, only the newlines change.  Into
// UTF-16 each byte becomes the unit of the same value.
template <void (ConversionEngine::*Put)(int)>
bool ConversionEngine::CopyPlain() {
    int c = ReadByte();
    while (c >= 0) {
        if (Stopped()) return false;
        if (c == kCr || c == kLf) {
            c = TranslateNewline(c);
        } else {
            (this->*Put)(c);
            c = ReadByte();
        }
    }
    return true;
}

bool ConversionEngine::PlainCopy() { return CopyPlain<&ConversionEngine::PutByte>(); }

bool ConversionEngine::PlainToUnicode() {
    PutUnit(kByteOrderMark);
    return CopyPlain<&ConversionEngine::PutUnit>();
}

// As into UTF-16, each byte becomes the character of the same value.
bool ConversionEngine::PlainToUtf8() {
    if (utf8Mark_) PutUtf8(kByteOrderMark);
    return CopyPlain<&ConversionEngine::PutUtf8>();
}
