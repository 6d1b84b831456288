// The small integer codes every part of the system shares: character codes, newline
// conventions and what one conversion is told.  The values are stored in ZEKO.CFG and
// index the engine's tables, so they are fixed.
#pragma once

#include <atomic>
#include <cstdint>

enum CharCode : std::int32_t {
    Jis = 0,
    ShiftJis = 1,
    EucJp = 2,
    Unicode = 3,
    Keep = 4,       // output only: the input's own code
    Plain = 5,      // input without code-specific bytes
    NotText = 6,    // detection result only
    Ambiguous = 7,  // detection result only
    Utf8 = 8,       // input and output; on output with or without a byte-order mark
};

enum NewlineCode : std::int32_t {
    CrLf = 0,
    Cr = 1,
    Lf = 2,
    KeepNewline = 3,  // every CR and LF copied as it stands
};

struct ConvertOptions {
    std::int32_t outputCode;  // CharCode 0-4 or 8
    std::int32_t newline;     // NewlineCode 0-3
    std::int32_t inputCode;   // CharCode 0, 1, 2, 3, 5 or 8
    std::int32_t widenKana;   // 0 or 1
};

// The conversion job's running flag (nonzero = go on).  The user-interface thread clears
// it while the worker polls it through a pointer, so it is atomic; relaxed loads cost the
// same as plain ones.  The engine polls before each character that its loops take one by
// one and before each run of characters converted straight between its blocks (at most a
// block's worth), so a stop takes effect within microseconds.  The fuzz tree swaps in a
// flag with the same operations that counts its polls, to stop a conversion at a chosen
// poll.
#if defined(ZEKO_FUZZ_RUNNING_FLAG)
#include "fuzz/polled_flag.h"
using RunningFlag = fuzz::PolledFlag;
#else
using RunningFlag = std::atomic<std::int32_t>;
static_assert(sizeof(RunningFlag) == 4 && RunningFlag::is_always_lock_free);
#endif
