#include "engine/code_detector.h"

#include <array>

#include "engine/byte_lanes.h"
#include "engine/byte_table.h"
#include "framework/platform.h"

namespace {

using code::Within;

// Each table's classes below 8 are themselves the answer (a CharCode); the others ask for
// more bytes.  Plain in the first table means a neutral byte, skipped.
constexpr std::uint8_t kEscape = 0;
constexpr std::uint8_t kAfterSs2 = 8;     // first table: 0x8E, rule 8
constexpr std::uint8_t kAfterHigh = 9;    // first table: 0xE0-0xFC, rule 9
constexpr std::uint8_t kAfterKana = 10;   // first table: 0xA1-0xDF, rule 10
constexpr std::uint8_t kHighAfterKana = 8;  // second table: a byte 0xE0-0xFC
constexpr std::uint8_t kKanaAgain = 9;      // third table: another pair may follow
constexpr std::uint8_t kSs2AfterHigh = 10;  // third table: 0x8E

constexpr bool IsTextControl(int b) { return b == 0x09 || b == 0x0A || b == 0x0D || b == 0x1A; }

constexpr std::uint8_t FirstClass(int b) {
    if (b == 0x1B) return kEscape;
    if (IsTextControl(b) || Within(b, 0x20, 0x7F)) return Plain;
    if (b == 0x8E) return kAfterSs2;
    if (Within(b, 0x81, 0x9F)) return ShiftJis;
    if (Within(b, 0xA1, 0xDF)) return kAfterKana;
    if (Within(b, 0xE0, 0xFC)) return kAfterHigh;
    if (Within(b, 0xFD, 0xFE)) return EucJp;
    return NotText;  // other controls, 0x80, 0xA0, 0xFF
}

// The byte after a byte 0xA1-0xDF.
constexpr std::uint8_t SecondClass(int b) {
    if (IsTextControl(b) || Within(b, 0x20, 0x7F) || Within(b, 0x81, 0x9F)) return ShiftJis;
    if (Within(b, 0xFD, 0xFE)) return EucJp;
    if (Within(b, 0xA1, 0xDF)) return Ambiguous;
    if (Within(b, 0xE0, 0xFC)) return kHighAfterKana;
    return NotText;  // controls (the escape too), 0x80, 0xA0, 0xFF
}

// The byte after a byte 0xA1-0xDF and a byte 0xE0-0xFC.
constexpr std::uint8_t ThirdClass(int b) {
    if (b == 0x8E) return kSs2AfterHigh;
    if (Within(b, 0x40, 0x7E)) return Ambiguous;
    if (Within(b, 0x80, 0xA0)) return ShiftJis;
    if (IsTextControl(b) || Within(b, 0x20, 0x3F) || b == 0x7F || Within(b, 0xFD, 0xFE))
        return EucJp;
    if (Within(b, 0xA1, 0xFC)) return kKanaAgain;
    return NotText;  // controls (the escape too), 0xFF
}

// Rule 8: the byte after 0x8E.
constexpr std::uint8_t AfterSs2(int n) {
    if (n < 0x40 || n == 0x7F || n > 0xFC) return NotText;
    if (n <= 0x9F || n >= 0xE1) return ShiftJis;
    return Ambiguous;  // 0xA0-0xE0: EUC-JP katakana, or Shift_JIS
}

// Rule 9: the byte after 0xE0-0xFC.
constexpr std::uint8_t AfterHigh(int n) {
    if (n < 0x40 || n == 0x7F || n == 0xFF) return NotText;
    if (n <= 0xA0) return ShiftJis;
    return Ambiguous;
}

// The byte after kana, a byte 0xE0-0xFC and 0x8E.
constexpr std::uint8_t AfterHighSs2(int d) {
    if (IsTextControl(d)) return ShiftJis;
    if (d < 0x20 || d == 0x80 || d > 0xFC) return NotText;
    if (Within(d, 0xA0, 0xDF)) return Ambiguous;
    return ShiftJis;
}

// UTF-8 is followed byte by byte alongside the scan.  Broken once a byte cannot be UTF-8
// text there (a control the scan rejects counts too); Completed marks the end of a
// three-byte character, the kind Japanese text is made of.  Four-byte characters are
// well-formed but no evidence: EUC-JP's rarest kanji and a punctuation mark make one.
// The other states say how many continuation bytes remain and, after E0, ED, F0 and F4,
// which range the next one must lie in.
enum Utf8State : std::uint8_t {
    kReady,
    kCompleted,
    kLastTail,
    kLastTailOfThree,
    kTwoTailsOfThree,
    kTwoTailsOfFour,
    kThreeTails,
    kAfterE0,
    kAfterED,
    kAfterF0,
    kAfterF4,
    kBroken,
    kUtf8States
};

constexpr std::uint8_t Utf8Next(int state, int b) {
    bool tail = Within(b, 0x80, 0xBF);
    switch (state) {
    case kReady:
    case kCompleted:
        if (IsTextControl(b) || Within(b, 0x20, 0x7F)) return kReady;
        if (Within(b, 0xC2, 0xDF)) return kLastTail;
        if (b == 0xE0) return kAfterE0;
        if (b == 0xED) return kAfterED;
        if (Within(b, 0xE1, 0xEF)) return kTwoTailsOfThree;
        if (b == 0xF0) return kAfterF0;
        if (Within(b, 0xF1, 0xF3)) return kThreeTails;
        if (b == 0xF4) return kAfterF4;
        return kBroken;
    case kLastTail: return tail ? kReady : kBroken;
    case kLastTailOfThree: return tail ? kCompleted : kBroken;
    case kTwoTailsOfThree: return tail ? kLastTailOfThree : kBroken;
    case kTwoTailsOfFour: return tail ? kLastTail : kBroken;
    case kThreeTails: return tail ? kTwoTailsOfFour : kBroken;
    case kAfterE0: return Within(b, 0xA0, 0xBF) ? kLastTailOfThree : kBroken;
    case kAfterED: return Within(b, 0x80, 0x9F) ? kLastTailOfThree : kBroken;  // no surrogates
    case kAfterF0: return Within(b, 0x90, 0xBF) ? kTwoTailsOfFour : kBroken;
    case kAfterF4: return Within(b, 0x80, 0x8F) ? kTwoTailsOfFour : kBroken;  // to U+10FFFF
    default: return kBroken;
    }
}

constexpr std::array<code::ByteTable<std::uint8_t>, kUtf8States> MakeUtf8Steps() {
    std::array<code::ByteTable<std::uint8_t>, kUtf8States> steps{};
    for (int state = 0; state < kUtf8States; ++state)
        for (int b = 0; b < 256; ++b) steps[state][b] = Utf8Next(state, b);
    return steps;
}
constexpr auto kUtf8Steps = MakeUtf8Steps();

// Shift_JIS or EUC-JP text stays well-formed UTF-8 only by chance, and seldom over a
// three-byte character: that needs a byte E0-EF where a character starts and two
// continuation bytes after it, while kana, punctuation and the common kanji put 0x81-0xC1
// there.  Sixteen of them with nothing against them leave no doubt, and cost 48 bytes.
constexpr std::int32_t kEnoughThreeByteCharacters = 16;

using Table = code::ByteTable<std::uint8_t>;
constexpr Table kFirstClasses = code::MakeByteTable(FirstClass);
constexpr Table kSecondClasses = code::MakeByteTable(SecondClass);
constexpr Table kThirdClasses = code::MakeByteTable(ThirdClass);
constexpr Table kAfterSs2Answers = code::MakeByteTable(AfterSs2);
constexpr Table kAfterHighAnswers = code::MakeByteTable(AfterHigh);
constexpr Table kAfterHighSs2Answers = code::MakeByteTable(AfterHighSs2);

// At the end of the data a pair cut short is no text.
CharCode Answer(const Table& table, int b, CharCode atEnd) {
    return b < 0 ? atEnd : static_cast<CharCode>(table[b]);
}

}  // namespace

CharCode CodeDetector::Detect(FileHandle& input, RunningFlag* running) {
    running_ = running;
    input_ = &input;
    count_ = kBlock;
    position_ = kBlock;
    blockOffset_ = -kBlock;
    utf8_ = kReady;
    threeByteCharacters_ = 0;
    wellFormedUtf8_ = false;

    unsigned char mark[2];
    if (input.Read(mark, sizeof mark) == sizeof mark) {
        if (mark[0] == 0xFF && mark[1] == 0xFE) {
            decision_ = {0, 2};
            return Unicode;
        }
        unsigned char third;
        if (mark[0] == 0xEF && mark[1] == 0xBB && input.Read(&third, 1) == 1 && third == 0xBF) {
            decision_ = {0, 3};
            return Utf8;
        }
    }
    input.Rewind();

    bool ambiguous = false;
    for (;;) {
        // Decided before the printable text after the last character is stepped over.
        if (threeByteCharacters_ >= kEnoughThreeByteCharacters) return EnoughUtf8();
        SkipPrintable();
        const int b = ReadByte();
        if (b < 0) break;
        if (running_->load(std::memory_order_relaxed) == 0) return Stopped();
        const std::uint8_t cls = kFirstClasses[b];
        if (cls == Plain) continue;
        const std::int64_t from = Offset() - 1;
        CharCode answer;
        switch (cls) {
        case kEscape: return Settle(ambiguous ? NotText : Jis, from);
        case kAfterSs2: answer = Answer(kAfterSs2Answers, ReadByte(), NotText); break;
        case kAfterHigh: answer = Answer(kAfterHighAnswers, ReadByte(), NotText); break;
        case kAfterKana: answer = AfterKana(); break;
        default: return Settle(static_cast<CharCode>(cls), from);
        }
        if (answer != Ambiguous) return Settle(answer, from);
        ambiguous = true;
    }
    return Settle(ambiguous ? Ambiguous : Plain, Offset());
}

// The scan's answer stands once the bytes stop being UTF-8.  Until then the bytes are read
// on: enough three-byte characters decide UTF-8, and so does the end of a file that is
// UTF-8 throughout and holds one.  from: where the bytes that decided the scan begin.
CharCode CodeDetector::Settle(CharCode scanned, std::int64_t from) {
    decision_ = {from, Offset() - from};
    for (;;) {
        if (threeByteCharacters_ >= kEnoughThreeByteCharacters) return EnoughUtf8();
        if (utf8_ == kBroken) return scanned;
        if (ReadByte() < 0) {
            const bool whole = utf8_ == kReady || utf8_ == kCompleted;
            wellFormedUtf8_ = whole;
            if (!whole || threeByteCharacters_ == 0) return scanned;
            decision_ = {Offset(), 0};
            return Utf8;
        }
        if (running_->load(std::memory_order_relaxed) == 0) return Stopped();
    }
}

CharCode CodeDetector::EnoughUtf8() {
    decision_ = {enoughAt_ - 3, 3};
    return Utf8;
}

CharCode CodeDetector::Stopped() {
    decision_ = {Offset(), 0};
    return Plain;
}

// Rule 10: after a byte 0xA1-0xDF, which is Shift_JIS katakana or the first half of an
// EUC-JP pair; the bytes that follow tell which, or that it stays open.
CharCode CodeDetector::AfterKana() {
    int b = ReadByte();
    for (;;) {
        if (b < 0) return ShiftJis;
        std::uint8_t second = kSecondClasses[b];
        if (second != kHighAfterKana) return static_cast<CharCode>(second);
        int c = ReadByte();
        if (c < 0) return EucJp;
        switch (std::uint8_t third = kThirdClasses[c]) {
        case kKanaAgain: b = ReadByte(); break;
        case kSs2AfterHigh: return Answer(kAfterHighSs2Answers, ReadByte(), ShiftJis);
        default: return static_cast<CharCode>(third);
        }
    }
}

// Steps over printable ASCII eight bytes at a time: between characters such bytes change
// nothing that ReadByte would keep, the scan's state nor UTF-8's.  Not inside a UTF-8
// sequence, which such a byte breaks.
void CodeDetector::SkipPrintable() {
    if (utf8_ != kReady && utf8_ != kCompleted && utf8_ != kBroken) return;
    while (count_ - position_ >= 8 && code::AllPrintable(code::LoadEight(buffer_ + position_)))
        position_ += 8;
}

int CodeDetector::ReadByte() {
    if (position_ == count_) {
        if (count_ != kBlock) return -1;  // the last block was short: the data has ended
        blockOffset_ += count_;
        count_ = static_cast<std::int32_t>(input_->Read(buffer_, kBlock));
        position_ = 0;
        if (count_ == 0) return -1;
    }
    int b = buffer_[position_++];
    utf8_ = kUtf8Steps[utf8_][b];
    if (utf8_ == kCompleted && ++threeByteCharacters_ == kEnoughThreeByteCharacters)
        enoughAt_ = Offset();
    return b;
}
