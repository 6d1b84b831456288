// The code detector over real files.
//
// Byte 0 of the input: bit 0 puts a filler of neutral letters before the rest so that it
// straddles the detector's 1024-byte blocks, ending 0-127 bytes (bits 1-7) before the
// boundary.  Byte 1 clears the running flag at that poll (0: never; times 8 with a
// filler).  The rest is the file.
//
// Checked besides memory safety: the answer is a detection result; Unicode exactly when
// the file begins FF FE; Utf8 when it begins EF BB BF, and otherwise exactly when it is
// well-formed UTF-8 text throughout holding a three-byte character, or up to its sixteenth
// three-byte character; a cleared flag gives Plain at once; every other answer is backed
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

// Decodes the characters of UTF-8 text (shortest forms only, no surrogates, nothing past
// U+10FFFF, no control but the neutral ones) up to the first that is not, and says whether
// the text is UTF-8 as the detector must find: throughout with a three-byte character, or
// up to sixteen of them.
bool IsUtf8(const std::string& text) {
    int threeBytes = 0;
    for (std::size_t i = 0; i < text.size() && threeBytes < 16;) {
        unsigned char b = text[i];
        std::size_t tails = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 4;
        if (tails > 3 || tails >= text.size() - i || (tails == 0 && !IsNeutral(b))) return false;
        std::uint32_t point = b & (0x7F >> tails);
        for (std::size_t k = 1; k <= tails; ++k) {
            unsigned char tail = text[i + k];
            if ((tail & 0xC0) != 0x80) return false;
            point = point << 6 | (tail & 0x3F);
        }
        const std::uint32_t lowest[] = {0, 0x80, 0x800, 0x10000};
        if (point < lowest[tails] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        threeBytes += tails == 2;
        i += tails + 1;
    }
    return threeBytes > 0;
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

    bool bom = file.starts_with("\xFF\xFE");
    bool utf8Bom = file.starts_with("\xEF\xBB\xBF");
    FUZZ_CHECK((code == Unicode) == bom);
    if (utf8Bom) FUZZ_CHECK(code == Utf8);
    if (running.PollsAtZero() > 0) {
        FUZZ_CHECK(code == Plain);
        FUZZ_CHECK(running.PollsAtZero() == 1);
        return 0;
    }
    FUZZ_CHECK(utf8Bom || (code == Utf8) == IsUtf8(file));
    auto any = [&](bool (*test)(unsigned char)) { return Any(file, test); };
    switch (code) {
    case Unicode: break;
    case Utf8: break;
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
