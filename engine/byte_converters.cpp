// The nine converters between JIS, Shift_JIS and EUC-JP.  One loop serves them all: the
// input code classifies each first byte through a table, and the pair of codes, fixed at
// compile time, decides how each character is written.  Invalid input ends the
// conversion with false; nothing is repaired.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "engine/byte_lanes.h"
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
constexpr int kCr = 0x0D;
constexpr int kLf = 0x0A;

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

// Double-byte characters travel as JIS X 0208 row and cell, packed j1 << 8 | j2.  From
// Shift_JIS, whose arithmetic takes a dozen operations per pair, each output code has a
// table made at compile time, indexed by the lead byte's row and the trail byte; 0 marks
// a pair whose second byte is no trail byte.  The leads 0x81-0x9F and 0xE0-0xFC have
// distinct low six bits, 1-60, which serve as the row without a look-up.
constexpr int ShiftJisRow(int lead) { return lead & 0x3F; }
constexpr int kShiftJisRows = 61;
constexpr int kJisFirst = 0x21;
constexpr int kJisRows = 0x98 - kJisFirst + 1;   // first bytes 0x21-0x98

constexpr std::uint16_t Pack(code::BytePair pair) {
    return static_cast<std::uint16_t>(pair.first << 8 | pair.second);
}

constexpr std::uint16_t JisToEucPair(std::uint16_t jis) {
    return Pack(code::JisToEuc(jis >> 8, jis & 0xFF));
}

template <CharCode Out>
constexpr auto MakeShiftJisPairs() {
    std::array<std::array<std::uint16_t, 256>, kShiftJisRows> table{};
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!code::IsShiftJisLead(lead)) continue;
        for (int trail = 0; trail < 256; ++trail) {
            if (!code::IsShiftJisTrail(trail)) continue;
            std::uint16_t jis = Pack(code::ShiftJisToJis(lead, trail));
            table[ShiftJisRow(lead)][trail] = Out == ShiftJis ? Pack({lead, trail})
                                              : Out == EucJp  ? JisToEucPair(jis)
                                                              : jis;
        }
    }
    return table;
}

template <CharCode Out>
constexpr auto kShiftJisPairs = MakeShiftJisPairs<Out>();

constexpr auto kJisToShiftJis = [] {
    std::array<std::array<std::uint16_t, 128>, kJisRows> table{};
    for (int j1 = kJisFirst; j1 <= 0x98; ++j1)
        for (int j2 = 0x21; j2 <= 0x7E; ++j2)
            table[j1 - kJisFirst][j2] = Pack(code::JisToShiftJis(j1, j2));
    return table;
}();

template <CharCode Out>
std::uint16_t FromJisPair(std::uint16_t jis) {
    if constexpr (Out == ShiftJis) return kJisToShiftJis[(jis >> 8) - kJisFirst][jis & 0x7F];
    if constexpr (Out == EucJp) return JisToEucPair(jis);
    return jis;
}

// The double-byte character first second (first is a lead byte of the input code, as its
// class says) in the output code; 0 when second is no trail byte.
template <CharCode In, CharCode Out>
std::uint16_t ConvertPair(int first, int second) {
    if constexpr (In == ShiftJis) {
        return kShiftJisPairs<Out>[ShiftJisRow(first)][second];
    } else if constexpr (In == EucJp) {
        if (!Within(second, 0xA1, 0xFE)) return 0;
        if constexpr (Out == EucJp) return Pack({first, second});
        return FromJisPair<Out>(Pack({first - 0x80, second - 0x80}));
    } else {
        if (!Within(second, 0x21, 0x7E)) return 0;
        return FromJisPair<Out>(Pack({first, second}));
    }
}

template <CharCode In>
ByteClass Classify(int b, int jisState) {
    if constexpr (In == ShiftJis) return kShiftJisClasses[b];
    if constexpr (In == EucJp) return kEucClasses[b];
    return kJisClasses[jisState][b];
}

// ConvertRun's answers besides the next byte.
constexpr int kInvalidPair = -2;
constexpr int kNothingTaken = -3;

// Output room a run keeps free for one character: an escape sequence and a pair.
constexpr std::int32_t kRunRoom = 5;

// The line ends of the newline codes but Keep, as the byte newline writers write them.
struct LineEnd {
    std::int32_t length;
    unsigned char bytes[2];
};
constexpr LineEnd kLineEnds[3] = {{2, {'\r', '\n'}}, {1, {'\r', 0}}, {1, {'\n', 0}}};

// How many of eight bytes that begin with a character are Shift_JIS pairs (a lead byte in
// an even lane, a trail byte in the odd one after it) or printable ASCII, whichever of the
// two runs longer from the first byte: 0 to 8.
int PairsOrPrintable(std::uint64_t eight) {
    constexpr std::uint64_t kEvenTops = 0x0080008000800080u;
    const std::uint64_t pairFaults = (~code::LeadLanes(eight) & kEvenTops) |
                                     (code::NonTrailLanes(eight) & kEvenTops << 8);
    // No fault counts as 64 bits: all eight bytes.
    const int pairBytes = std::countr_zero(pairFaults) >> 3 & ~1;
    const int printableBytes = std::countr_zero(code::NonPrintableLanes(eight)) >> 3;
    return std::max(pairBytes, printableBytes);
}

// Same-code Shift_JIS writes most characters exactly as they stand, so a run of them is
// only checked, and copied at once.  By [newline Keep][widening on]: the
// length of a character that begins with the byte and stays as it is, 0 for one that is
// translated, widened or invalid (a pair's trail byte is checked apart).
constexpr std::uint8_t UnchangedLength(ByteClass kind, bool keepsLineEnds, bool widens) {
    switch (kind) {
    case kSingleByte: return 1;
    case kLeadByte: return 2;
    case kLineEnd: return keepsLineEnds ? 1 : 0;
    case kKanaByte: return widens ? 0 : 1;
    default: return 0;
    }
}

constexpr auto kUnchangedLengths = [] {
    std::array<std::array<code::ByteTable<std::uint8_t>, 2>, 2> tables{};
    for (int keeps = 0; keeps < 2; ++keeps)
        for (int widens = 0; widens < 2; ++widens)
            for (int b = 0; b < 256; ++b)
                tables[keeps][widens][b] = UnchangedLength(kShiftJisClasses[b], keeps, widens);
    return tables;
}();

constexpr auto kShiftJisTrails = MakeByteTable(code::IsShiftJisTrail);

// Steps over the characters from in that stay as they are, while they begin before stop
// (a pair's trail byte may lie at stop); returns the first one that does not.  Runs of
// pairs or of ASCII are measured eight bytes at a time, so that the next load need not
// wait for each character's length; anything else goes one character at a time.
const unsigned char* SkipUnchanged(const unsigned char* in, const unsigned char* stop,
                                   const code::ByteTable<std::uint8_t>& lengths) {
    while (in < stop) {
        if (stop - in >= 8) {
            const int bytes = PairsOrPrintable(code::LoadEight(in));
            if (bytes != 0) {
                in += bytes;
                continue;
            }
        }
        const std::uint8_t length = lengths[*in];
        if (length == 0 || (length == 2 && !kShiftJisTrails[in[1]])) break;
        in += length;
    }
    return in;
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
        ByteClass kind = Classify<In>(c, jisState_);
        // Most characters go by the run, straight between the buffers; the cases below
        // take the rest and whatever lies at the edges of the blocks.
        if (kind != kInvalidByte && kind != kKanaByte && kind != kSs2Byte &&
            inputPosition_ < inputCount_ && outputCount_ <= kBlock - kRunRoom) {
            int next = ConvertRun<In, Out>();
            if (next == kInvalidPair) return false;
            if (next != kNothingTaken) {
                c = next;
                continue;
            }
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
            std::uint16_t pair = trail < 0 ? 0 : ConvertPair<In, Out>(c, trail);
            if (pair == 0) return false;
            WriteDouble<In, Out>(pair);
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

// The run of characters that begins with the byte just read, converted with pointers
// straight between the buffers while the input block holds a whole pair and the output
// block has room for a character; nearly all of a text goes this way: single-byte and
// double-byte characters, the line ends that need no more look-ahead than the pair, and
// (between other codes) the escape sequences of JIS input.  The bytes written and the
// blocks flushed are those of the loop.  The loop polled the running flag before the
// run's first character; the run, bounded by the blocks, does not poll again.  Answers
// the first byte not taken, read as by ReadByte, or kInvalidPair, or kNothingTaken when
// the first character is one for the loop (all is then as before).
template <CharCode In, CharCode Out>
int ConversionEngine::ConvertRun() {
    constexpr bool kManagesJis = Out == Jis && In != Jis;
    constexpr bool kEscapesInRun = In == Jis && Out != Jis;
    const unsigned char* const block = inputArea_ + kReserve;
    const unsigned char* const pairEnd = block + inputCount_ - 1;  // a whole pair before it
    const unsigned char* const first = block + inputPosition_ - 1;
    const unsigned char* in = first;
    unsigned char* out = outputBuffer_ + outputCount_;
    unsigned char* const outLimit = outputBuffer_ + kBlock - kRunRoom;
    // Kept in locals: the stores through out could otherwise alias the members.
    const std::int32_t newline = options_.newline;
    JisState state = jisState_;
    [[maybe_unused]] const auto& unchanged =
        kUnchangedLengths[newline == KeepNewline][options_.widenKana != 0];
    auto enter = [&](JisState to, unsigned char designator, unsigned char final) {
        if (state == to) return;
        state = to;
        out[0] = kEsc;
        out[1] = designator;
        out[2] = final;
        out += 3;
    };
    bool converted = true;
    for (;;) {
        if constexpr (In == ShiftJis && Out == ShiftJis) {
            // What stays as it is goes first; the cases below take the character after it.
            const unsigned char* const from = in;
            in = SkipUnchanged(in, std::min(pairEnd, in + (outLimit - out)), unchanged);
            std::memcpy(out, from, static_cast<std::size_t>(in - from));
            out += in - from;
            if (in >= pairEnd || out > outLimit) break;
        }
        const int b = *in;
        const ByteClass kind = Classify<In>(b, state);
        if (kind == kSingleByte) {
            if constexpr (kManagesJis) enter(Ascii, '(', 'B');
            *out++ = *in++;
            // Text in ASCII goes eight bytes at a time.
            while (pairEnd - in >= 8 && outLimit - out >= 8) {
                const std::uint64_t eight = code::LoadEight(in);
                if (!code::AllPrintable(eight)) break;
                std::memcpy(out, &eight, 8);
                in += 8;
                out += 8;
            }
        } else if (kind == kLeadByte) {
            std::uint16_t pair = ConvertPair<In, Out>(in[0], in[1]);
            if (pair == 0) {
                converted = false;
                break;
            }
            if constexpr (kManagesJis) enter(Kanji, '$', 'B');
            out[0] = static_cast<unsigned char>(pair >> 8);
            out[1] = static_cast<unsigned char>(pair);
            out += 2;
            in += 2;
        } else if (kEscapesInRun && kind == kEscapeByte) {
            // Only the shift state changes; JisToJis, which rewrites the sequences, and a
            // sequence cut by the block's end are left to the loop.
            if (pairEnd - in < 2) break;
            int to = EscapeState(in[1], in[2]);
            if (to < 0) break;
            state = static_cast<JisState>(to);
            in += 3;
        } else if (kind == kLineEnd) {
            // LF, CR LF and a CR before any other byte are one line end each; CR CR needs
            // more look-ahead than the pair and is left to TranslateNewline.
            std::int32_t taken = newline == KeepNewline || b == kLf ? 1
                                 : in[1] == kLf                     ? 2
                                 : in[1] == kCr                     ? 0
                                                                    : 1;
            if (taken == 0) break;
            if constexpr (kManagesJis) enter(Ascii, '(', 'B');
            if (newline == KeepNewline) {
                *out++ = static_cast<unsigned char>(b);
            } else {
                const LineEnd& end = kLineEnds[newline];
                out[0] = end.bytes[0];
                out[1] = end.bytes[1];
                out += end.length;
            }
            in += taken;
        } else {
            break;
        }
        if (in >= pairEnd || out > outLimit) break;
    }
    if (!converted) return kInvalidPair;
    if (in == first) return kNothingTaken;
    jisState_ = state;
    outputCount_ = static_cast<std::int32_t>(out - outputBuffer_);
    inputPosition_ = static_cast<std::int32_t>(in - block);
    return ReadByte();
}

template <CharCode In, CharCode Out>
void ConversionEngine::WriteDouble(std::uint16_t pair) {
    if constexpr (Out == Jis && In != Jis) SwitchJis(Kanji);
    PutByte(pair >> 8);
    PutByte(pair & 0xFF);
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

int ConversionEngine::EscapeState(int designator, int final) {
    if (designator == '(') return final == 'B' ? Ascii : final == 'I' ? Kana : -1;
    if (designator == '$') return final == 'B' || final == '@' ? Kanji : -1;
    return -1;
}

int ConversionEngine::ReadEscape() {
    JisState before = jisState_;
    int designator = ReadByte();
    int final = designator == '(' || designator == '$' ? ReadByte() : -1;
    int state = EscapeState(designator, final);
    if (state < 0) return kEscapeInvalid;
    jisState_ = static_cast<JisState>(state);
    if (state == Ascii) return kEscapeCopy;
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
