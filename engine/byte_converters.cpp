// The nine converters between JIS, Shift_JIS and EUC-JP.  One loop serves them all: the
// input code classifies each first byte through a table, and the pair of codes, fixed at
// compile time, decides how each character is written.  Invalid input ends the
// conversion with false; nothing is repaired.
#include <array>

#include "engine/byte_table.h"
#include "engine/code_arithmetic.h"
#include "engine/conversion_engine.h"

namespace {

enum ByteClass : std::uint8_t {
    kInvalidByte,
    kSingleByte,
    kLineEnd,
    kLeadByte,
    kKanaByte,
    kSs2Byte,
    kEscapeByte,
};

constexpr int kEsc = 0x1B;
constexpr int kSs2 = 0x8E;

// ReadEscape's answers: what JisToJis does with the sequence.
constexpr int kEscapeInvalid = 0;
constexpr int kEscapeDrop = 1;
constexpr int kEscapeCopy = 2;

using code::Within;

// TAB, the end-of-file mark 0x1A and the printable range; CR and LF are line ends.
constexpr ByteClass AsciiClass(int b) {
    if (b == 0x0D || b == 0x0A) return kLineEnd;
    if (b == 0x09 || b == 0x1A || Within(b, 0x20, 0x7E)) return kSingleByte;
    return kInvalidByte;
}

constexpr ByteClass ShiftJisClass(int b) {
    if (code::IsShiftJisLead(b)) return kLeadByte;
    if (Within(b, 0xA0, 0xDF)) return kKanaByte;
    return AsciiClass(b);
}

constexpr ByteClass EucClass(int b) {
    if (Within(b, 0xA1, 0xFE)) return kLeadByte;
    if (b == kSs2) return kSs2Byte;
    return AsciiClass(b);
}

constexpr ByteClass JisAsciiClass(int b) { return b == kEsc ? kEscapeByte : AsciiClass(b); }
// Line ends are invalid outside the Ascii state: a JIS line returns to ASCII first.
constexpr ByteClass JisKanjiClass(int b) {
    return b == kEsc ? kEscapeByte : Within(b, 0x21, 0x98) ? kLeadByte : kInvalidByte;
}
constexpr ByteClass JisKanaClass(int b) {
    return b == kEsc ? kEscapeByte : Within(b, 0x20, 0x5F) ? kKanaByte : kInvalidByte;
}

using code::MakeByteTable;
using Table = code::ByteTable<ByteClass>;

constexpr Table kShiftJisClasses = MakeByteTable(ShiftJisClass);
constexpr Table kEucClasses = MakeByteTable(EucClass);
// Indexed by the JIS shift state.
constexpr std::array<Table, 3> kJisClasses = {
    MakeByteTable(JisAsciiClass), MakeByteTable(JisKanjiClass), MakeByteTable(JisKanaClass)};

template <CharCode Code>
bool ValidTrail(int t) {
    if constexpr (Code == ShiftJis) return Within(t, 0x40, 0x7E) || Within(t, 0x80, 0xFC);
    if constexpr (Code == EucJp) return Within(t, 0xA1, 0xFE);
    return Within(t, 0x21, 0x7E);
}

template <CharCode Code>
code::BytePair ToJis(int first, int second) {
    if constexpr (Code == ShiftJis) return code::ShiftJisToJis(first, second);
    if constexpr (Code == EucJp) return {first - 0x80, second - 0x80};
    return {first, second};
}

template <CharCode Code>
code::BytePair FromJis(code::BytePair jis) {
    if constexpr (Code == ShiftJis) return code::JisToShiftJis(jis.first, jis.second);
    if constexpr (Code == EucJp) return code::JisToEuc(jis.first, jis.second);
    return jis;
}

static_assert(int{kana::FormJis} == int{Jis} && int{kana::FormShiftJis} == int{ShiftJis} &&
                  int{kana::FormEuc} == int{EucJp},
              "the byte codes name their katakana forms");

}  // namespace

// The output's JIS state is managed here only when a converter writes JIS from another
// code; JisToJis copies the input's own sequences instead.
template <CharCode In, CharCode Out>
bool ConversionEngine::ConvertBytes() {
    constexpr bool kManagesJis = Out == Jis && In != Jis;
    jisState_ = Ascii;
    int c = ReadByte();
    while (c >= 0) {
        if (Stopped()) return false;
        ByteClass kind;
        if constexpr (In == ShiftJis)
            kind = kShiftJisClasses[c];
        else if constexpr (In == EucJp)
            kind = kEucClasses[c];
        else
            kind = kJisClasses[jisState_][c];
        switch (kind) {
        case kSingleByte:
            if constexpr (kManagesJis) SwitchJis(Ascii);
            PutByte(c);
            c = ReadByte();
            break;
        case kLineEnd:
            if constexpr (kManagesJis) SwitchJis(Ascii);
            c = TranslateNewline(c);
            break;
        case kLeadByte: {
            int trail = ReadByte();
            if (!ValidTrail<In>(trail)) return false;
            WriteDouble<In, Out>(c, trail);
            c = ReadByte();
            break;
        }
        case kKanaByte: {
            // JIS carries katakana 0x80 lower, its sound marks included.
            constexpr int kShift = In == Jis ? 0x80 : 0;
            if (!options_.widenKana) {
                WriteKana<In, Out>(c + kShift);
                c = ReadByte();
                break;
            }
            int next = ReadByte();
            c = WidenKanaInto<In, Out>(c + kShift, next + kShift) ? ReadByte() : next;
            break;
        }
        case kSs2Byte: {
            int k = ReadByte();
            if (!Within(k, 0xA0, 0xDF)) return false;
            if (!options_.widenKana) {
                WriteKana<In, Out>(k);
                c = ReadByte();
            } else if (!WidenEucKana<Out>(k, &c)) {
                return false;
            }
            break;
        }
        case kEscapeByte: {
            int answer = ReadEscape();
            if (answer == kEscapeInvalid) return false;
            if constexpr (In == Jis && Out == Jis) {
                // Widened katakana are JIS X 0208 characters, so Kana is written as Kanji.
                if (answer == kEscapeCopy)
                    Enter(options_.widenKana && jisState_ == Kana ? Kanji : jisState_);
            }
            c = ReadByte();
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

template <CharCode In, CharCode Out>
void ConversionEngine::WriteDouble(int first, int second) {
    if constexpr (In == Out) {
        PutByte(first);
        PutByte(second);
    } else {
        code::BytePair pair = FromJis<Out>(ToJis<In>(first, second));
        if constexpr (Out == Jis) SwitchJis(Kanji);
        PutByte(pair.first);
        PutByte(pair.second);
    }
}

template <CharCode In, CharCode Out>
void ConversionEngine::WriteKana(int k) {
    if constexpr (Out == ShiftJis) {
        PutByte(k);
    } else if constexpr (Out == EucJp) {
        PutByte(kSs2);
        PutByte(k);
    } else {
        if constexpr (In != Jis) SwitchJis(Kana);
        PutByte(k - 0x80);
    }
}

template <CharCode In, CharCode Out>
bool ConversionEngine::WidenKanaInto(int k, int n) {
    if constexpr (Out == Jis && In != Jis) SwitchJis(Kanji);
    return WidenKana(k, n, static_cast<kana::Form>(Out));
}

// EUC-JP puts SS2 before each katakana, so the sound mark that may follow k is the byte
// after the next SS2.  *next receives the first byte not consumed.
template <CharCode Out>
bool ConversionEngine::WidenEucKana(int k, int* next) {
    constexpr auto kForm = static_cast<kana::Form>(Out);
    if constexpr (Out == Jis) SwitchJis(Kanji);
    for (;;) {
        int c = ReadByte();
        if (c != kSs2) {
            WidenKana(k, -1, kForm);
            *next = c;
            return true;
        }
        int m = ReadByte();
        if (!Within(m, 0xA0, 0xDF)) return false;
        if (WidenKana(k, m, kForm)) {
            *next = ReadByte();
            return true;
        }
        if (Stopped()) return false;  // m is the next character
        k = m;
    }
}

int ConversionEngine::ReadEscape() {
    JisState before = jisState_;
    int designator = ReadByte();
    int final = designator == '(' || designator == '$' ? ReadByte() : -1;
    if (designator == '(' && final == 'B') {
        jisState_ = Ascii;
        return kEscapeCopy;
    }
    if (designator == '(' && final == 'I')
        jisState_ = Kana;
    else if (designator == '$' && (final == 'B' || final == '@'))
        jisState_ = Kanji;
    else
        return kEscapeInvalid;
    // With widening on, Kana and Kanji are both written in the JIS X 0208 set: moving
    // between them writes nothing.
    return !options_.widenKana || before == Ascii ? kEscapeCopy : kEscapeDrop;
}

void ConversionEngine::EnterAscii() {
    PutByte(kEsc);
    PutByte('(');
    PutByte('B');
}

void ConversionEngine::EnterKanji() {
    PutByte(kEsc);
    PutByte('$');
    PutByte('B');
}

void ConversionEngine::EnterKana() {
    PutByte(kEsc);
    PutByte('(');
    PutByte('I');
}

void ConversionEngine::Enter(JisState state) {
    switch (state) {
    case Ascii: EnterAscii(); break;
    case Kanji: EnterKanji(); break;
    case Kana: EnterKana(); break;
    }
}

void ConversionEngine::SwitchJis(JisState state) {
    if (jisState_ == state) return;
    jisState_ = state;
    Enter(state);
}

bool ConversionEngine::JisToJis() { return ConvertBytes<Jis, Jis>(); }
bool ConversionEngine::JisToShiftJis() { return ConvertBytes<Jis, ShiftJis>(); }
bool ConversionEngine::JisToEuc() { return ConvertBytes<Jis, EucJp>(); }
bool ConversionEngine::ShiftJisToJis() { return ConvertBytes<ShiftJis, Jis>(); }
bool ConversionEngine::ShiftJisToShiftJis() { return ConvertBytes<ShiftJis, ShiftJis>(); }
bool ConversionEngine::ShiftJisToEuc() { return ConvertBytes<ShiftJis, EucJp>(); }
bool ConversionEngine::EucToJis() { return ConvertBytes<EucJp, Jis>(); }
bool ConversionEngine::EucToShiftJis() { return ConvertBytes<EucJp, ShiftJis>(); }
bool ConversionEngine::EucToEuc() { return ConvertBytes<EucJp, EucJp>(); }
