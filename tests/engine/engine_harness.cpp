#include "engine_harness.h"

#include <cctype>
#include <cstdlib>

#include "framework/platform.h"
#include "support/scripted_asker.h"
#include "support/temp_dir.h"

namespace test {

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

int DiskFullAsker::Ask(const Question& question) {
    asked_.push_back(question);
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected question: " << question.text;
        return question::kAnswerCancel;
    }
    int answer = answers_.front();
    answers_.erase(answers_.begin());
    if (answer == question::kAnswerRetry && !freeSpace_.empty()) {
        EXPECT_TRUE(platform::Remove(freeSpace_.c_str())) << "cannot free " << freeSpace_;
        freeSpace_.clear();
    }
    return answer;
}

Outcome Convert(std::string_view input, Codes codes, Asker* asker, std::int32_t running,
                const std::string& outputPath) {
    TempDir dir;
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
            ~Checks() { EXPECT_EQ(ReadBytes(path), input) << "the input changed"; }
        } checks{input, inputPath};
        engine.SetUtf8Mark(codes.utf8Mark);
        converted = engine.Convert(asker ? *asker : none, &flag, in, out, codes.output,
                                   codes.newline, codes.input, codes.widenKana);
    }
    EXPECT_EQ(flag.load(), running) << "the engine never writes the running flag";
    return {converted, ReadBytes(outPath)};
}

}  // namespace test
