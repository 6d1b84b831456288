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

private:
    int ReadByte();
    void SkipPrintable();
    CharCode AfterKana();
    CharCode Settle(CharCode scanned);

    RunningFlag* running_ = nullptr;
    FileHandle* input_ = nullptr;
    unsigned char buffer_[kBlock] = {};
    std::int32_t count_ = kBlock;
    std::int32_t position_ = kBlock;
    std::uint8_t utf8_ = 0;                 // where the bytes read so far stand as UTF-8
    std::int32_t threeByteCharacters_ = 0;  // well-formed ones read so far
    bool wellFormedUtf8_ = false;
};
