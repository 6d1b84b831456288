#include "engine_harness.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

#include "framework/platform.h"
#include "support/scripted_asker.h"
#include "support/temp_dir.h"

namespace test {
namespace {

// The mark a text in code begins with, when it has one.
std::string_view Mark(std::int32_t code, bool utf8Mark) {
    if (code == Unicode) return "\xFF\xFE";
    return code == Utf8 && utf8Mark ? "\xEF\xBB\xBF" : "";
}

// Letters, which every code writes as they are (as units when wide), so that a byte read
// twice or lost shows.
std::string Letters(std::size_t count, bool wide) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text.append(std::string{char('a' + i % 26), '\0'}, 0, wide ? 2 : 1);
    return text;
}

}  // namespace

std::string Hex(std::string_view text) {
    std::string bytes, digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
        if (digits.size() == 2)
            bytes += static_cast<char>(std::stoi(std::exchange(digits, {}), nullptr, 16));
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
        struct Checks {  // also when the engine raises
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

// The case starts at every offset of a window around each edge of the engine's blocks
// (its output block, its input block, and the shorter UTF-8 read that leaves room for a
// sequence a read cuts), as long as the case and never shorter than the eight bytes the
// engine tests side by side; in the input, and in the output (their widths differ between
// UTF-16 and the others).  The letters go after the marks, which only begin a text.
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
        constexpr std::size_t kBlock = ConversionEngine::kBlock, kIn = ConversionEngine::kInputBlock;
        std::set<std::size_t> counts;
        const std::size_t utf8Read = kIn - ConversionEngine::kReserve;
        for (std::size_t edge : {kBlock, kIn, c.codes.input == Utf8 ? utf8Read : kBlock}) {
            for (std::size_t at = edge - window; at <= edge; ++at) {
                if ((at - inMark.size()) % inWidth == 0) counts.insert((at - inMark.size()) / inWidth);
                if ((at - outMark.size()) % outWidth == 0) counts.insert((at - outMark.size()) / outWidth);
            }
        }
        for (std::size_t count : counts) {
            const Outcome after = Convert(
                std::string(inMark) + Letters(count, inWidth == 2) + input.substr(inMark.size()), c.codes);
            EXPECT_EQ(after.converted, c.expected != nullptr) << "after " << count << " letters";
            EXPECT_TRUE(!c.expected || after.output == std::string(outMark) + Letters(count, outWidth == 2) +
                                                           expected.substr(outMark.size()))
                << "after " << count << " letters";
        }
    }
}

}  // namespace test
