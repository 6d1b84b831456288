// The conversion engine: converts one open input file into one open output file, from
// one character code to another, translating newlines and optionally widening half-width
// katakana.  It streams through one 64 KiB input block and one 8192-byte output block and
// allocates nothing per file or per character.
//
// Convert answers false for input that is not valid in its code, for a character the
// output code cannot hold (nothing is replaced or approximated), for a cleared running
// flag (the caller tells the two apart by the flag) and for codes outside their ranges.
// A write failure raises the Win32 error code as std::uint32_t (after the disk-full
// question, when that is the cause); a read failure raises FileHandle's std::int32_t
// E_FAIL.  Output written before a failure stays; output still buffered is dropped.
#pragma once

#include <cstdint>

#include "engine/codes.h"
#include "engine/kana_tables.h"
#include "framework/file_handle.h"
#include "framework/platform.h"
#include "framework/question.h"

class ConversionEngine {
public:
    // Output is written a block at a time; a failure leaves whole blocks written.
    static constexpr std::int32_t kBlock = 8192;
    // Input is read in larger blocks, whole multiples of kBlock: each read is a system call
    // (a dearer one under Wine), and eight blocks per call cost one eighth of the calls.
    static constexpr std::int32_t kInputBlock = 8 * kBlock;
    // Room before the input block for the first byte of a character split between blocks.
    static constexpr std::int32_t kReserve = 16;
    // Every UTF-16 output begins with it (bytes FF FE); UTF-8 output when asked (EF BB BF).
    // A mark that begins a UTF-16 or UTF-8 input is no text.
    static constexpr int kByteOrderMark = 0xFEFF;

    ConversionEngine() = default;
    virtual ~ConversionEngine() = default;
    ConversionEngine(const ConversionEngine&) = delete;
    ConversionEngine& operator=(const ConversionEngine&) = delete;

    bool Convert(Asker& asker, RunningFlag* running, FileHandle& input, FileHandle& output,
                 std::int32_t outputCode, std::int32_t newline, std::int32_t inputCode,
                 std::int32_t widenKana);

    // Whether UTF-8 output begins with the mark (not until set).
    void SetUtf8Mark(bool mark) { utf8Mark_ = mark; }

    // Told the size of each read from the input, for a display of the progress.
    class ReadObserver {
    public:
        virtual void Read(std::uint32_t bytes) = 0;

    protected:
        ~ReadObserver() = default;
    };
    void SetReadObserver(ReadObserver* observer) { observer_ = observer; }

    // A character that code page 932 cannot hold, and its line (from 1, counted by LF).
    struct Unwritable {
        std::uint32_t codePoint;
        std::uint32_t line;
    };
    // Reads a UTF-8 or UTF-16 input (inputCode Utf8 or Unicode) from its start for the
    // first character that no code-page output can take, after such a conversion failed.
    // False when there is none before the end or a malformed character.  A read failure
    // raises, as in Convert.
    bool FindUnwritable(FileHandle& input, std::int32_t inputCode, Unwritable* found);

protected:
    using Converter = bool (ConversionEngine::*)();

    // Stores what one conversion needs and resets the streams; Convert calls it after
    // checking the codes.  writesUnits picks the 16-bit newline writers.
    void Begin(Asker& asker, RunningFlag* running, FileHandle& input, FileHandle& output,
               const ConvertOptions& options, bool writesUnits);

    // Readers: the next byte or little-endian unit, -1 at the end of the data (for ever
    // after).  RefillBlock loads the next whole block; false when there is none.
    int ReadByte();
    int ReadUnit();
    // Characters as code points, -1 at the end, kMalformed for bytes or units that are
    // none (a sequence cut by the end of the data too).  ReadUtf16 joins surrogate pairs.
    static constexpr int kMalformed = -2;
    int ReadUtf8();
    int ReadUtf16();
    bool RefillBlock();
    // input_'s Read, told to the observer.
    std::int32_t ReadInput(unsigned char* bytes, std::int32_t size);

    // Writers.  Flush writes what the output buffer holds.
    void PutByte(int byte);
    void PutUnit(int unit);
    void PutUtf8(int c);
    void PutUtf16(int c);
    void Flush();

    // The Unicode conversions cross the code page in the same pass as a byte converter,
    // which sees Shift_JIS on one side: a source makes it from the input as each block is
    // read, a sink turns it into the output as each block is written.  A source answers
    // the bytes it made, 0 at the end of the data; either marks the conversion failed
    // where the input is malformed or the code page refuses a character.
    using Source = std::int32_t (ConversionEngine::*)(unsigned char* bytes);
    using Sink = void (ConversionEngine::*)();
    bool RunWithSource(Source source, Converter second);
    bool RunWithSink(Converter first, Sink sink, kana::Form form);
    std::int32_t Utf16Source(unsigned char* bytes);
    std::int32_t Utf8Source(unsigned char* bytes);
    template <kana::Form Out>
    void CodePageSink();
    // The converters between Unicode and the byte codes: a byte converter into Shift_JIS
    // whose blocks the sink writes in Out, or the source's Shift_JIS through a byte
    // converter.
    template <Converter First, kana::Form Out>
    bool IntoUnicode() {
        return RunWithSink(First, &ConversionEngine::CodePageSink<Out>, Out);
    }
    template <Source From, Converter Second>
    bool FromUnicode() {
        return RunWithSource(From, Second);
    }

    // A failed source or sink stops the byte converter as a cleared running flag does;
    // the caller still tells the two apart by the flag.
    bool Stopped() const {
        return stageFailed_ || running_->load(std::memory_order_relaxed) == 0;
    }

    // c is a CR or LF just read; writes the line ends it begins and returns the first
    // character not consumed, read with Read.
    int TranslateNewline(int c);
    template <int (ConversionEngine::*Read)()>
    int TranslateNewlineWith(int c);
    // Writes katakana k (a byte 0xA0-0xDF, or a unit 0xFF61-0xFF9F) full-width, folding
    // n into it when n is a sound mark it takes; answers whether n was consumed.
    bool WidenKana(int k, int n, kana::Form form);
    bool WidenKanaUnit(int k, int n, kana::Form form = kana::FormUtf16);

    bool PlainCopy();
    bool JisToJis();
    bool JisToShiftJis();
    bool JisToEuc();
    bool ShiftJisToJis();
    bool ShiftJisToShiftJis();
    bool ShiftJisToEuc();
    bool EucToJis();
    bool EucToShiftJis();
    bool EucToEuc();
    bool PlainToUnicode();
    bool UnicodeToUnicode();
    bool PlainToUtf8();
    bool Utf8ToUtf8();
    bool Utf8ToUnicode();
    bool UnicodeToUtf8();

private:
    using NewlineWriter = void (ConversionEngine::*)(int c);
    struct ConverterEntry {
        Converter run;
        bool writesUnits;
    };
    static const ConverterEntry kConverters[Utf8 + 1][Utf8 + 1];
    static const NewlineWriter kNewlineWriters[2][4];

    enum JisState : std::int32_t { Ascii = 0, Kanji = 1, Kana = 2 };

    void WriteBlock();
    void WriteBytes(const unsigned char* bytes, std::int32_t count);
    int AskDiskFull();
    void WriteCrLfBytes(int c);
    void WriteCrBytes(int c);
    void WriteLfBytes(int c);
    void WriteCrLfUnits(int c);
    void WriteCrUnits(int c);
    void WriteLfUnits(int c);
    void PutWide(kana::Form form, std::uint16_t code);
    template <void (ConversionEngine::*Put)(int)>
    bool CopyPlain();
    // Input to output character by character, through code points: newlines translated,
    // katakana widened, the input's mark dropped and the output's written when mark.
    template <int (ConversionEngine::*Read)(), void (ConversionEngine::*Put)(int)>
    bool CopyCharacters(kana::Form form, bool mark);

    template <CharCode In, CharCode Out>
    bool ConvertBytes();
    template <CharCode In, CharCode Out>
    int ConvertRun();
    template <CharCode In, CharCode Out>
    void WriteDouble(std::uint16_t pair);
    template <CharCode In, CharCode Out>
    void WriteKana(int k);
    template <CharCode In, CharCode Out>
    bool WidenKanaInto(int k, int n);
    template <CharCode Out>
    bool WidenEucKana(int k, int* next);
    // The JisState that ESC designator final selects; -1 for a sequence not accepted.
    static int EscapeState(int designator, int final);
    int ReadEscape();
    void EnterAscii();
    void EnterKanji();
    void EnterKana();
    void Enter(JisState state);
    void SwitchJis(JisState state);

    Asker* asker_ = nullptr;
    RunningFlag* running_ = nullptr;
    FileHandle* input_ = nullptr;
    FileHandle* output_ = nullptr;
    ConvertOptions options_{};
    std::int32_t inputCount_ = kInputBlock;
    std::int32_t inputPosition_ = kInputBlock;
    std::int32_t outputCount_ = 0;
    // Aligned so that the code-page conversion can take their units in place.
    alignas(4) unsigned char inputArea_[kReserve + kInputBlock] = {};
    alignas(4) unsigned char outputBuffer_[kBlock] = {};
    // The source's reads, with room before them for a UTF-8 sequence cut by the last one.
    alignas(4) unsigned char raw_[kReserve + kInputBlock] = {};
    // Units between UTF-8 and the code page: those of a whole output block and one more.
    static constexpr std::int32_t kUnits = kBlock + 2;
    alignas(4) unsigned char units_[2 * kUnits] = {};
    // The sink's output: a block's characters in UTF-8, three bytes each at most, and a mark.
    alignas(4) unsigned char stage_[3 * kUnits + 3] = {};
    ReadObserver* observer_ = nullptr;
    Source source_ = nullptr;
    Sink sink_ = nullptr;
    bool stageFailed_ = false;
    bool rawEnded_ = false;
    bool rawFirst_ = false;
    std::int32_t rawCarried_ = 0;  // bytes of a UTF-8 sequence cut by the end of a read
    std::int32_t stageCount_ = 0;
    int sinkCarried_ = -1;  // a lead byte whose trail byte begins the next block, or -1
    bool utf8Mark_ = false;
    JisState jisState_ = Ascii;
    NewlineWriter newlineWriter_ = nullptr;
};

inline int ConversionEngine::ReadByte() {
    if (inputPosition_ == inputCount_ && !RefillBlock()) return -1;
    return inputArea_[kReserve + inputPosition_++];
}

inline int ConversionEngine::ReadUnit() {
    if (inputPosition_ == inputCount_ && !RefillBlock()) return -1;
    // Only a file that grew an odd tail since its size was checked ends in half a unit.
    if (inputCount_ - inputPosition_ < 2) {
        inputPosition_ = inputCount_;
        return -1;
    }
    const unsigned char* at = inputArea_ + kReserve + inputPosition_;
    inputPosition_ += 2;
    return at[0] | at[1] << 8;
}

inline void ConversionEngine::PutByte(int byte) {
    if (outputCount_ == kBlock) {
        WriteBlock();
        outputCount_ = 0;
    }
    outputBuffer_[outputCount_++] = static_cast<unsigned char>(byte);
}

inline void ConversionEngine::PutUnit(int unit) {
    if (outputCount_ > kBlock - 2) {
        WriteBlock();
        outputCount_ = 0;
    }
    outputBuffer_[outputCount_] = static_cast<unsigned char>(unit);
    outputBuffer_[outputCount_ + 1] = static_cast<unsigned char>(unit >> 8);
    outputCount_ += 2;
}
