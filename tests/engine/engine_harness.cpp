#include "engine_harness.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <utility>

#include "framework/platform.h"
#include "support/silent_asker.h"
#include "support/temp_dir.h"

namespace test {

std::string Hex(std::string_view text) {
    std::string bytes, digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
        if (digits.size() == 2) bytes += static_cast<char>(std::stoi(std::exchange(digits, {}), nullptr, 16));
    }
    EXPECT_TRUE(digits.empty()) << "odd hex digits in " << text;
    return bytes;
}

Outcome Convert(std::string_view input, Codes codes, Asker* asker, std::int32_t running,
                const std::string& outputPath) {
    static TempDir dir;              // one for the run: folders are dear to make under Wine
    static ConversionEngine engine;  // reused, as the job reuses its one engine
    const std::string inPath = dir / "in.txt", outPath = outputPath.empty() ? dir / "out.txt" : outputPath;
    WriteBytes(inPath, input);
    SilentAsker none;  // the engine asks nothing unless a disk is full
    RunningFlag flag{running};
    bool converted = false;
    {
        FileHandle in, out;
        EXPECT_TRUE(in.Open(inPath.c_str(), platform::kGenericRead, platform::kShareRead, platform::kOpenExisting,
                            platform::kAttributeNormal) &&
                    out.Open(outPath.c_str(), platform::kGenericWrite, 0, platform::kCreateAlways,
                             platform::kAttributeNormal));
        const std::shared_ptr<void> check(nullptr, [&](void*) {  // also when the engine raises
            EXPECT_TRUE(ReadBytes(inPath) == input) << "the input changed";
        });
        engine.SetUtf8Mark(codes.utf8Mark);
        converted = engine.Convert(asker ? *asker : none, &flag, in, out, codes.output, codes.newline, codes.input,
                                   codes.widenKana);
    }
    EXPECT_EQ(flag.load(), running) << "the engine never writes the running flag";
    Outcome outcome{converted, ReadBytes(outPath)};
    // New files each time: a file cut short and written again is flushed to disk on close.
    platform::Remove(inPath.c_str());
    if (outputPath.empty()) platform::Remove(outPath.c_str());
    return outcome;
}

// The case starts at every offset of a window around each edge of the engine's blocks (its
// output and input blocks, and the shorter UTF-8 read that leaves room for a cut sequence),
// as long as the case and never under the eight bytes the engine tests side by side; in the
// input and in the output (UTF-16 differs in width).  Before it go letters, which every code
// writes as they are (as units when wide), after the marks, which only begin a text.
void Check(std::initializer_list<Case> cases) {
    auto mark = [](std::int32_t code, bool utf8Mark) {
        return std::string_view(code == Unicode ? "\xFF\xFE" : code == Utf8 && utf8Mark ? "\xEF\xBB\xBF" : "");
    };
    auto letters = [](std::size_t count, std::size_t width) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) text.append(std::string{char('a' + i % 26), '\0'}, 0, width);
        return text;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.input << " from " << c.codes.input << " to " << c.codes.output);
        const std::string input = Hex(c.input), expected = Hex(c.expected ? c.expected : "");
        const Outcome alone = Convert(input, c.codes);
        EXPECT_EQ(alone.converted, c.expected != nullptr);
        EXPECT_EQ(alone.output, expected);

        const std::int32_t outCode = c.codes.output == Keep ? c.codes.input : c.codes.output;
        const std::string_view inMark = input.starts_with(mark(c.codes.input, true)) ? mark(c.codes.input, true) : "",
                               outMark = mark(outCode, c.codes.utf8Mark);
        const std::size_t inWidth = c.codes.input == Unicode ? 2 : 1, outWidth = outCode == Unicode ? 2 : 1;
        const std::size_t window = std::max({std::size_t{8}, input.size(), expected.size()});
        constexpr std::size_t kBlock = ConversionEngine::kBlock, kIn = ConversionEngine::kInputBlock;
        std::set<std::size_t> counts;
        for (std::size_t edge : {kBlock, kIn, c.codes.input == Utf8 ? kIn - ConversionEngine::kReserve : kBlock}) {
            for (std::size_t at = edge - window; at <= edge; ++at) {
                if ((at - inMark.size()) % inWidth == 0) counts.insert((at - inMark.size()) / inWidth);
                if ((at - outMark.size()) % outWidth == 0) counts.insert((at - outMark.size()) / outWidth);
            }
        }
        for (std::size_t count : counts) {
            const Outcome after =
                Convert(std::string(inMark) + letters(count, inWidth) + input.substr(inMark.size()), c.codes);
            EXPECT_EQ(after.converted, c.expected != nullptr) << "after " << count << " letters";
            EXPECT_TRUE(!c.expected || after.output == std::string(outMark) + letters(count, outWidth) +
                                                           expected.substr(outMark.size()))
                << "after " << count << " letters";
        }
    }
}

}  // namespace test
