// The code detector over real files.
//
// Byte 0 of the input: bit 0 puts a filler of neutral letters before the rest so that it
// straddles the detector's 1024-byte blocks, ending 0-127 bytes (bits 1-7) before the
// boundary.  Byte 1 clears the running flag at that poll (0: never; times 8 with a
// filler).  The rest is the file.
//
// Checked besides memory safety: the answer is a detection result; Unicode exactly when
// the file begins FF FE; a cleared flag gives Plain at once; every other answer is backed
// by a byte that can give it (Plain only for files of neutral bytes); the file is left as
// it was and a second scan of it answers the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/code_detector.h"
#include "framework/file_handle.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kBlock = CodeDetector::kBlock;

CharCode Detect(RunningFlag& running) {
    FileHandle input;
    FUZZ_CHECK(input.Open("in", platform::kGenericRead, platform::kShareRead,
                          platform::kOpenExisting, platform::kFlagSequentialScan));
    try {
        return CodeDetector().Detect(input, &running);
    } catch (...) {
        fuzz::Fail(__FILE__, __LINE__, "the detector raised on a sound file system");
    }
}

// The bytes the scan skips: TAB, LF, CR, 0x1A and 0x20-0x7F.
bool IsNeutral(unsigned char b) {
    return b == 0x09 || b == 0x0A || b == 0x0D || b == 0x1A || (b >= 0x20 && b <= 0x7F);
}

bool Any(const std::string& text, bool (*test)(unsigned char)) {
    for (unsigned char b : text)
        if (test(b)) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    bool filled = data[0] & 1;
    std::string file(reinterpret_cast<const char*>(data + 2), size - 2);
    if (filled) file = std::string(kBlock - (data[0] >> 1), 'a') + file;
    fuzz::WriteFile("in", file);

    RunningFlag running{1};
    running.ClearAtPoll(filled ? data[1] * 8 : data[1]);
    CharCode code = Detect(running);
    FUZZ_CHECK(fuzz::ReadFile("in") == file);

    bool bom = file.size() >= 2 && file.compare(0, 2, "\xFF\xFE") == 0;
    FUZZ_CHECK((code == Unicode) == bom);
    if (running.PollsAtZero() > 0) {
        FUZZ_CHECK(code == Plain);
        FUZZ_CHECK(running.PollsAtZero() == 1);
        return 0;
    }
    auto any = [&](bool (*test)(unsigned char)) { return Any(file, test); };
    switch (code) {
    case Unicode: break;
    case Plain: FUZZ_CHECK(!any([](unsigned char b) { return !IsNeutral(b); })); break;
    case Jis: FUZZ_CHECK(any([](unsigned char b) { return b == 0x1B; })); break;
    case ShiftJis: FUZZ_CHECK(any([](unsigned char b) { return b >= 0x81 && b <= 0xFC; })); break;
    case EucJp: FUZZ_CHECK(any([](unsigned char b) { return b >= 0xA1 && b <= 0xFE; })); break;
    case NotText: FUZZ_CHECK(any([](unsigned char b) { return !IsNeutral(b); })); break;
    case Ambiguous: FUZZ_CHECK(any([](unsigned char b) { return b >= 0xA0 && b <= 0xFE; })); break;
    default: fuzz::Fail(__FILE__, __LINE__, "not a detection result");
    }

    RunningFlag again{1};
    FUZZ_CHECK(Detect(again) == code);
    return 0;
}
