// Runs the engine over bytes held in memory, through real files in a scratch folder, and
// checks on every run what must hold whatever the result: the input is byte-identical
// afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/codes.h"
#include "engine/conversion_engine.h"
#include "framework/question.h"

namespace test {

struct Codes {
    std::int32_t input;
    std::int32_t output;
    std::int32_t newline = CrLf;
    std::int32_t widenKana = 0;
    bool utf8Mark = false;
};

struct Outcome {
    bool converted;
    std::string output;
};

// "82 A0 0D 0A" -> the bytes.
std::string Hex(std::string_view text);

// Answers Retry or Cancel from a script; before answering Retry it runs freeSpace (once),
// so a retry can find room on a disk that was full.
class DiskFullAsker : public Asker {
public:
    DiskFullAsker(std::vector<int> answers, std::string freeSpace = {})
        : answers_(std::move(answers)), freeSpace_(std::move(freeSpace)) {}
    int Ask(const Question& question) override;
    const std::vector<Question>& Asked() const { return asked_; }

private:
    std::vector<int> answers_;
    std::string freeSpace_;  // a file to delete before the first Retry
    std::vector<Question> asked_;
};

// Converts input with the codes; the output file is created in a scratch folder unless
// outputPath names one.  Write failures propagate as the engine raises them.
Outcome Convert(std::string_view input, Codes codes, Asker* asker = nullptr,
                std::int32_t running = 1, const std::string& outputPath = {});

// The engine's stream operations, opened up for the tests.
class EngineProbe : public ConversionEngine {
public:
    using ConversionEngine::Begin;
    using ConversionEngine::Converter;
    using ConversionEngine::Flush;
    using ConversionEngine::InputBlock;
    using ConversionEngine::InputCount;
    using ConversionEngine::PutByte;
    using ConversionEngine::PutUnit;
    using ConversionEngine::ReadByte;
    using ConversionEngine::ReadUnit;
    using ConversionEngine::RefillBlock;
    using ConversionEngine::ShiftJisToEuc;
    using ConversionEngine::ShiftJisToShiftJis;
    using ConversionEngine::WidenKanaUnit;
};

}  // namespace test
