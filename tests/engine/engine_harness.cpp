#include "engine_harness.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

#include "framework/platform.h"
#include "support/scripted_asker.h"
#include "support/temp_dir.h"

namespace test {
namespace {

// Where the engine's first blocks end: its output block and its input block; UTF-8 is
// read short of the input block, with room before it for a sequence that a read cuts.
constexpr std::size_t kBlock = ConversionEngine::kBlock;
constexpr std::size_t kInputBlock = ConversionEngine::kInputBlock;
constexpr std::size_t kUtf8Read = kInputBlock - ConversionEngine::kReserve;

// The mark a text in code begins with, when it has one.
std::string_view Mark(std::int32_t code, bool utf8Mark) {
    if (code == Unicode) return "\xFF\xFE";
    return code == Utf8 && utf8Mark ? "\xEF\xBB\xBF" : "";
}

// Letters, which every code writes as they are (as units when wide), so that a byte read
// twice or lost shows.
std::string Letters(std::size_t count, bool wide) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += static_cast<char>('a' + i % 26);
        if (wide) text += '\0';
    }
    return text;
}

}  // namespace

std::string Hex(std::string_view text) {
    std::string bytes;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
        if (digits.size() == 2) {
            bytes += static_cast<char>(std::strtoul(digits.c_str(), nullptr, 16));
            digits.clear();
        }
    }
    EXPECT_TRUE(digits.empty()) << "odd hex digits in " << text;
    return bytes;
}

Outcome Convert(std::string_view input, Codes codes, Asker* asker, std::int32_t running,
                const std::string& outputPath) {
    static TempDir dir;  // one for the run: folders are dear to make under Wine
    std::string inputPath = dir / "in.txt";
    std::string outPath = outputPath.empty() ? dir / "out.txt" : outputPath;
    WriteBytes(inputPath, input);

    ScriptedAsker none;  // the engine asks nothing unless a disk is full
    static ConversionEngine engine;  // reused, as the job reuses its one engine
    RunningFlag flag{running};
    bool converted = false;
    {
        FileHandle in, out;
        EXPECT_TRUE(in.Open(inputPath.c_str(), platform::kGenericRead, platform::kShareRead,
                            platform::kOpenExisting, platform::kAttributeNormal));
        EXPECT_TRUE(out.Open(outPath.c_str(), platform::kGenericWrite, 0,
                             platform::kCreateAlways, platform::kAttributeNormal));
        struct Checks {
            std::string_view input;
            const std::string& path;
            ~Checks() { EXPECT_TRUE(ReadBytes(path) == input) << "the input changed"; }
        } checks{input, inputPath};
        engine.SetUtf8Mark(codes.utf8Mark);
        converted = engine.Convert(asker ? *asker : none, &flag, in, out, codes.output,
                                   codes.newline, codes.input, codes.widenKana);
    }
    EXPECT_EQ(flag.load(), running) << "the engine never writes the running flag";
    Outcome outcome{converted, ReadBytes(outPath)};
    // New files each time: a file cut short and written again is flushed to disk on close.
    platform::Remove(inputPath.c_str());
    if (outputPath.empty()) platform::Remove(outPath.c_str());
    return outcome;
}

// The case starts at every offset of a window around each edge, as long as the case and
// never shorter than the eight bytes the engine tests side by side; in the input, and in
// the output (their widths differ between UTF-16 and the others).  The letters go after
// the marks, which only begin a text.
void Check(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.input << " from " << c.codes.input << " to "
                                        << c.codes.output);
        const std::string input = Hex(c.input), expected = Hex(c.expected ? c.expected : "");
        const Outcome alone = Convert(input, c.codes);
        EXPECT_EQ(alone.converted, c.expected != nullptr);
        EXPECT_EQ(alone.output, expected);

        const std::int32_t outCode = c.codes.output == Keep ? c.codes.input : c.codes.output;
        std::string_view inMark = Mark(c.codes.input, true);
        const std::string_view outMark = Mark(outCode, c.codes.utf8Mark);
        if (!input.starts_with(inMark)) inMark = {};
        const std::size_t inWidth = c.codes.input == Unicode ? 2 : 1;
        const std::size_t outWidth = outCode == Unicode ? 2 : 1;
        const std::size_t window = std::max({std::size_t{8}, input.size(), expected.size()});
        std::set<std::size_t> counts;
        for (std::size_t edge : {kBlock, kInputBlock, c.codes.input == Utf8 ? kUtf8Read : kBlock}) {
            for (std::size_t at = edge - window; at <= edge; ++at) {
                if ((at - inMark.size()) % inWidth == 0)
                    counts.insert((at - inMark.size()) / inWidth);
                if ((at - outMark.size()) % outWidth == 0)
                    counts.insert((at - outMark.size()) / outWidth);
            }
        }
        for (std::size_t count : counts) {
            const Outcome after = Convert(std::string(inMark) + Letters(count, inWidth == 2) +
                                              input.substr(inMark.size()),
                                          c.codes);
            EXPECT_EQ(after.converted, c.expected != nullptr) << "after " << count << " letters";
            if (c.expected) {
                EXPECT_TRUE(after.output == std::string(outMark) + Letters(count, outWidth == 2) +
                                                expected.substr(outMark.size()))
                    << "after " << count << " letters";
            }
        }
    }
}

}  // namespace test
