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

// Double-byte characters travel as JIS X 0208 row and cell, packed j1 << 8 | j2.  The two
// directions of the arithmetic that take a dozen operations per pair are tabled at compile
// time from it; 0 marks a pair whose second byte is no trail byte.
constexpr std::uint8_t ShiftJisRowOf(int lead) {
    return static_cast<std::uint8_t>(lead <= 0x9F ? lead - 0x81 : lead - 0xC1);
}
constexpr code::ByteTable<std::uint8_t> kShiftJisRows = code::MakeByteTable(ShiftJisRowOf);
constexpr int kShiftJisRowCount = 60;  // leads 0x81-0x9F and 0xE0-0xFC
constexpr int kJisFirst = 0x21;
constexpr int kJisRows = 0x98 - kJisFirst + 1;   // first bytes 0x21-0x98

constexpr std::uint16_t Pack(code::BytePair pair) {
    return static_cast<std::uint16_t>(pair.first << 8 | pair.second);
}

constexpr auto kShiftJisToJis = [] {
    std::array<std::array<std::uint16_t, 256>, kShiftJisRowCount> table{};
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!code::IsShiftJisLead(lead)) continue;
        for (int trail = 0; trail < 256; ++trail)
            if (Within(trail, 0x40, 0x7E) || Within(trail, 0x80, 0xFC))
                table[ShiftJisRowOf(lead)][trail] = Pack(code::ShiftJisToJis(lead, trail));
    }
    return table;
}();

constexpr auto kJisToShiftJis = [] {
    std::array<std::array<std::uint16_t, 128>, kJisRows> table{};
    for (int j1 = kJisFirst; j1 <= 0x98; ++j1)
        for (int j2 = 0x21; j2 <= 0x7E; ++j2)
            table[j1 - kJisFirst][j2] = Pack(code::JisToShiftJis(j1, j2));
    return table;
}();

// first is a lead byte of the input code (its class says so); 0 when second is no trail.
template <CharCode Code>
std::uint16_t ToJisPair(int first, int second) {
    if constexpr (Code == ShiftJis) return kShiftJisToJis[kShiftJisRows[first]][second];
    if constexpr (Code == EucJp)
        return Within(second, 0xA1, 0xFE) ? Pack({first - 0x80, second - 0x80}) : 0;
    return Within(second, 0x21, 0x7E) ? Pack({first, second}) : 0;
}

template <CharCode Code>
std::uint16_t FromJisPair(std::uint16_t jis) {
    if constexpr (Code == ShiftJis) return kJisToShiftJis[(jis >> 8) - kJisFirst][jis & 0x7F];
    if constexpr (Code == EucJp)
        return jis >= code::kJisUserFirst << 8 ? Pack(code::kEucSubstitute) : jis | 0x8080;
    return jis;
}

template <CharCode In>
ByteClass Classify(int b, int jisState) {
    if constexpr (In == ShiftJis) return kShiftJisClasses[b];
    if constexpr (In == EucJp) return kEucClasses[b];
    return kJisClasses[jisState][b];
}

// Output room a run keeps free for one character: an escape sequence and a pair.
constexpr std::int32_t kRunRoom = 5;

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
        ByteClass kind = Classify<In>(c, jisState_);
        // Most characters go by the run, straight between the buffers; the cases below
        // take the rest and whatever lies at the edges of the blocks.
        if ((kind == kSingleByte || kind == kLeadByte) && inputPosition_ < inputCount_ &&
            outputCount_ <= kBlock - kRunRoom) {
            if (!ConvertRun<In, Out>(&c)) return false;
            continue;
        }
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
            std::uint16_t jis = trail < 0 ? 0 : ToJisPair<In>(c, trail);
            if (jis == 0) return false;
            WriteDouble<In, Out>(c, trail, jis);
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

// The run of single-byte and double-byte characters that begins with c, the byte just
// read, converted with pointers straight between the buffers while the input block holds
// a whole pair and the output block has room for a character; nearly all of a text goes
// this way.  The flag is polled before each character after c (the loop polled c).  The
// bytes written and the blocks flushed are those of the loop.  False for a cleared flag
// or an invalid trail byte; otherwise c becomes the first byte not taken, read as by
// ReadByte, for the loop.
template <CharCode In, CharCode Out>
bool ConversionEngine::ConvertRun(int* c) {
    constexpr bool kManagesJis = Out == Jis && In != Jis;
    const unsigned char* const block = inputArea_ + kReserve;
    const unsigned char* const pairEnd = block + inputCount_ - 1;  // a whole pair before it
    const unsigned char* in = block + inputPosition_ - 1;
    unsigned char* out = outputBuffer_ + outputCount_;
    unsigned char* const outLimit = outputBuffer_ + kBlock - kRunRoom;
    // Kept in locals: the stores through out could otherwise alias the members.
    const RunningFlag* const running = running_;
    JisState state = jisState_;
    auto enter = [&](JisState to, unsigned char designator, unsigned char final) {
        if (state == to) return;
        state = to;
        out[0] = kEsc;
        out[1] = designator;
        out[2] = final;
        out += 3;
    };
    bool converted = true;
    ByteClass kind = Classify<In>(*in, state);
    for (;;) {
        if (kind == kSingleByte) {
            if constexpr (kManagesJis) enter(Ascii, '(', 'B');
            *out++ = *in++;
        } else {
            std::uint16_t jis = ToJisPair<In>(in[0], in[1]);
            if (jis == 0) {
                converted = false;
                break;
            }
            if constexpr (In == Out) {
                out[0] = in[0];
                out[1] = in[1];
            } else {
                std::uint16_t pair = FromJisPair<Out>(jis);
                if constexpr (kManagesJis) enter(Kanji, '$', 'B');
                out[0] = static_cast<unsigned char>(pair >> 8);
                out[1] = static_cast<unsigned char>(pair);
            }
            out += 2;
            in += 2;
        }
        if (in >= pairEnd || out > outLimit) break;
        kind = Classify<In>(*in, state);
        if (kind != kSingleByte && kind != kLeadByte) break;
        if (running->load(std::memory_order_relaxed) == 0) {
            converted = false;
            break;
        }
    }
    jisState_ = state;
    outputCount_ = static_cast<std::int32_t>(out - outputBuffer_);
    inputPosition_ = static_cast<std::int32_t>(in - block);
    if (converted) *c = ReadByte();
    return converted;
}

template <CharCode In, CharCode Out>
void ConversionEngine::WriteDouble(int first, int second, std::uint16_t jis) {
    if constexpr (In == Out) {
        PutByte(first);
        PutByte(second);
    } else {
        std::uint16_t pair = FromJisPair<Out>(jis);
        if constexpr (Out == Jis) SwitchJis(Kanji);
        PutByte(pair >> 8);
        PutByte(pair & 0xFF);
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
