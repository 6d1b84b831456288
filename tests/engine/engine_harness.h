// Runs the engine over bytes held in memory, through real files in a scratch folder, and
// checks on every run what must hold whatever the result: the input is byte-identical
// afterwards and the running flag untouched.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/codes.h"
#include "engine/conversion_engine.h"
#include "framework/question.h"

namespace test {

struct Codes { std::int32_t input, output, newline = CrLf, widenKana = 0; bool utf8Mark = false; };
struct Outcome { bool converted; std::string output; };

// "82 A0 0D 0A" -> the bytes.
std::string Hex(std::string_view text);

// Converts input with the codes; the output file is created in a scratch folder unless
// outputPath names one.  Write failures propagate as the engine raises them.
Outcome Convert(std::string_view input, Codes codes, Asker* asker = nullptr, std::int32_t running = 1,
                const std::string& outputPath = {});

// Input and output in hex; expected is nullptr when the file cannot be converted.
struct Case { Codes codes; const char *input, *expected; };

// Converts each case alone (a failed one writes nothing: its output is still buffered),
// then after ASCII text so that its bytes straddle each edge of the engine's blocks.
void Check(std::initializer_list<Case> cases);

}  // namespace test
