// Every cell of the converter table, run by the real engine over real files.
//
// Byte 0 of the input picks the input code (bits 0-2, of Jis ShiftJis EucJp Unicode
// Plain Utf8), the output code (bits 3-5, of Jis ShiftJis EucJp Unicode Keep Utf8) and
// the newline (bits 6-7).  Byte 1: bit 0 turns katakana widening on; bit 1 puts a filler
// before the rest so that it straddles the input blocks, of line ends (bit 2) or letters,
// ending 0-31 bytes (bits 3-7) before the boundary.  Byte 2 clears the running flag at
// that poll (0: never).  The rest is the text.
//
// Checked besides memory safety: the input is left as it was; a cleared flag ends the conversion with false at once; a conversion within
// one code with line ends and katakana kept reproduces its input byte for byte (or a
// prefix of whole blocks when it fails); the output of a successful conversion converts
// back, and exactly back where the codes hold the same characters.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/conversion_engine.h"
#include "framework/file_handle.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::int32_t kInputCodes[] = {Jis, ShiftJis, EucJp, Unicode, Plain, Utf8};
constexpr std::int32_t kOutputCodes[] = {Jis, ShiftJis, EucJp, Unicode, Keep, Utf8};
constexpr std::size_t kBlock = ConversionEngine::kBlock;
// A whole number of output blocks too: the text after the filler meets both edges.
constexpr std::size_t kInputBlock = ConversionEngine::kInputBlock;

struct Case {
    std::int32_t input;
    std::int32_t output;
    std::int32_t newline;
    std::int32_t widenKana;
};

struct Result {
    bool converted;
    std::string output;
};

Result Convert(const std::string& bytes, const Case& c, RunningFlag& running) {
    fuzz::WriteFile("in", bytes);
    bool converted = false;
    {
        FileHandle input;
        FileHandle output;
        FUZZ_CHECK(input.Open("in", platform::kGenericRead, platform::kShareRead,
                              platform::kOpenExisting, platform::kFlagSequentialScan));
        FUZZ_CHECK(output.Open("out", platform::kGenericWrite, 0, platform::kCreateAlways,
                               platform::kAttributeNormal));
        fuzz::RefusingAsker asker;
        auto engine = std::make_unique<ConversionEngine>();
        try {
            converted = engine->Convert(asker, &running, input, output, c.output, c.newline,
                                        c.input, c.widenKana);
        } catch (...) {
            fuzz::Fail(__FILE__, __LINE__, "the engine raised on a sound file system");
        }
    }
    FUZZ_CHECK(fuzz::ReadFile("in") == bytes);
    return {converted, fuzz::ReadFile("out")};
}

Result ConvertToEnd(const std::string& bytes, const Case& c) {
    RunningFlag running{1};
    return Convert(bytes, c, running);
}

std::string Filler(std::int32_t code, bool lineEnds, std::size_t shortfall) {
    std::string piece = lineEnds ? "\r\n" : "A";
    if (code == Unicode) piece = lineEnds ? std::string("\r\0\n\0", 4) : std::string("A\0", 2);
    std::size_t length = kInputBlock - shortfall;
    if (code == Unicode) length &= ~std::size_t{1};
    std::string filler;
    while (filler.size() < length) filler += piece;
    filler.resize(length);
    return filler;
}

// Bytes every byte code holds as themselves: TAB, CR, LF, 0x1A and the printable range.
bool IsAsciiText(const std::string& text) {
    for (unsigned char b : text)
        if (!(b == 0x09 || b == 0x0A || b == 0x0D || b == 0x1A || (b >= 0x20 && b <= 0x7E)))
            return false;
    return true;
}

// The input without the mark that a UTF-16 or UTF-8 text may begin with.
std::string Text(std::int32_t code, const std::string& input) {
    const std::string mark = code == Unicode ? "\xFF\xFE" : code == Utf8 ? "\xEF\xBB\xBF" : "";
    return !mark.empty() && input.starts_with(mark) ? input.substr(mark.size()) : input;
}

bool HasUserDefinedLeadBytes(const std::string& text) {
    for (unsigned char b : text)
        if (b >= 0xF0) return true;
    return false;
}

// What a same-code conversion with line ends and katakana kept must write; false when it
// may legitimately differ (JIS rewrites ESC $ @ as ESC $ B).
bool IdentityOutput(const Case& c, const std::string& input, std::string* expected) {
    if (c.newline != KeepNewline || c.widenKana) return false;
    bool sameCode = c.output == Keep || c.output == c.input ||
                    (c.input == Plain && c.output != Unicode && c.output != Utf8);
    if (!sameCode) return false;
    if (c.input == Jis && input.find("\x1b$@") != std::string::npos) return false;
    *expected = (c.input == Unicode ? "\xFF\xFE" : "") + Text(c.input, input);
    return true;
}

void CheckConvertsBack(const Case& c, const std::string& input, const std::string& output) {
    std::int32_t written = c.output == Keep ? c.input : c.output;
    std::int32_t back = c.input;
    if (c.input == Plain) {
        // Plain input may hold any byte; only plain text is valid in every code.
        if (!IsAsciiText(input)) return;
        if (written == Plain) written = ShiftJis;
        back = ShiftJis;
    }
    Result again = ConvertToEnd(output, {written, back, KeepNewline, 0});
    FUZZ_CHECK(again.converted);

    // Between these codes every character has one form in each, so the trip is exact.
    if (c.newline != KeepNewline || c.widenKana) return;
    bool exact = (c.input == ShiftJis && c.output == Jis) ||
                 (c.input == EucJp && (c.output == ShiftJis || c.output == Jis)) ||
                 (c.input == ShiftJis && c.output == EucJp && !HasUserDefinedLeadBytes(input));
    if (exact) FUZZ_CHECK(again.output == input);
    // Nothing that UTF-8 holds is written as a look-alike.
    if (c.input == Utf8 && (c.output == ShiftJis || c.output == Unicode))
        FUZZ_CHECK(again.output == Text(Utf8, input));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    Case c{kInputCodes[(data[0] & 7) % 6], kOutputCodes[(data[0] >> 3 & 7) % 6], data[0] >> 6,
           data[1] & 1};
    bool filled = data[1] & 2;
    std::string input(reinterpret_cast<const char*>(data + 3), size - 3);
    if (filled) input = Filler(c.input, data[1] & 4, data[1] >> 3) + input;

    RunningFlag running{1};
    running.ClearAtPoll(data[2]);
    Result result = Convert(input, c, running);
    if (c.output == Unicode && result.converted) {
        FUZZ_CHECK(result.output.size() % 2 == 0);
        FUZZ_CHECK(result.output.compare(0, 2, "\xFF\xFE") == 0);
    }

    bool stopped = running.PollsAtZero() > 0;
    if (stopped) {
        FUZZ_CHECK(!result.converted);
        FUZZ_CHECK(running.PollsAtZero() == 1);  // nothing reads on after a cleared flag
    }

    std::string expected;
    if (IdentityOutput(c, input, &expected)) {
        if (result.converted) {
            FUZZ_CHECK(result.output == expected);
        } else {
            // Only whole blocks are written before a failure or a stop.
            FUZZ_CHECK(result.output.size() % kBlock == 0);
            FUZZ_CHECK(expected.compare(0, result.output.size(), result.output) == 0);
        }
    }
    if (result.converted) CheckConvertsBack(c, input, result.output);
    return 0;
}
