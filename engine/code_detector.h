// Finds the character code of one open file: a UTF-16 or UTF-8 byte-order mark, or else
// the first byte or byte pair that only one code allows.  The scan is greedy and one-pass;
// beside it the bytes are followed as UTF-8, and while they stay well-formed the scan's
// answer waits: enough three-byte characters, or a whole file of UTF-8 that holds one,
// answer Utf8.  Answers Plain when nothing code-specific was met (or the running flag was
// found cleared), NotText for bytes no supported text holds, Ambiguous when only pairs
// that Shift_JIS and EUC-JP both allow were met.
#pragma once

#include <cstdint>

#include "engine/codes.h"
#include "framework/file_handle.h"

class CodeDetector {
public:
    // As large as the engine's reads: each read is a system call, a dear one under Wine,
    // and a short file is read whole in one.
    static constexpr std::int32_t kBlock = 64 * 1024;

    CodeDetector() = default;
    virtual ~CodeDetector() = default;
    CodeDetector(const CodeDetector&) = delete;
    CodeDetector& operator=(const CodeDetector&) = delete;

    // Reads from the file's current position (the caller has it at the start) and leaves
    // it where the scan stopped.  A read error raises FileHandle's E_FAIL.
    CharCode Detect(FileHandle& input, RunningFlag* running);
    // Whether the last Detect read its data to the end as well-formed UTF-8; known for an
    // Ambiguous answer, which is given only at the end, and asked of it: its pairs may be
    // UTF-8 characters of two bytes (such as accented letters), which decide nothing alone.
    bool WellFormedUtf8() const { return wellFormedUtf8_; }

    // The bytes of the file that decided the last Detect's answer: the byte-order mark; the
    // escape; the byte, or the bytes from the first of a pair on, that only one code writes
    // or no text holds; the three-byte character that made UTF-8's evidence enough.  Empty,
    // at the end of the data, when the end decided (Plain, Ambiguous, a file of UTF-8
    // throughout), and where a cleared running flag stopped the scan.
    struct Span {
        std::int64_t offset;
        std::int64_t length;
    };
    Span Decision() const { return decision_; }

private:
    int ReadByte();
    void SkipPrintable();
    CharCode AfterKana();
    CharCode Settle(CharCode scanned, std::int64_t from);
    CharCode EnoughUtf8();
    CharCode Stopped();
    std::int64_t Offset() const { return blockOffset_ + position_; }  // of the next byte

    RunningFlag* running_ = nullptr;
    FileHandle* input_ = nullptr;
    unsigned char buffer_[kBlock] = {};
    std::int32_t count_ = kBlock;
    std::int32_t position_ = kBlock;
    std::int64_t blockOffset_ = -kBlock;    // of buffer_[0], so that Offset() starts at 0
    std::uint8_t utf8_ = 0;                 // where the bytes read so far stand as UTF-8
    std::int32_t threeByteCharacters_ = 0;  // well-formed ones read so far
    std::int64_t enoughAt_ = 0;             // the end of the one that made them enough
    bool wellFormedUtf8_ = false;
    Span decision_ = {};
};
