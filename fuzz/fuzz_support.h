// What the fuzz targets share: a scratch folder that is the process's current directory,
// whole-file helpers, and a check that
// reports a broken property as a crash, which is what libFuzzer records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/question.h"

namespace fuzz {

// Makes a fresh scratch folder (in /dev/shm when it exists, else TMPDIR or /tmp) the
// current directory for the rest of the process, and removes it at exit.  The support
// library's LLVMFuzzerInitialize calls it for every target.
void EnterScratchFolder();

void WriteFile(const char* name, std::string_view bytes);
std::string ReadFile(const char* name);


// Prints what failed and aborts: libFuzzer saves the input that did it.
[[noreturn]] void Fail(const char* file, int line, const char* what);

// No question is expected in a scratch folder with room to spare.
class RefusingAsker : public Asker {
public:
    int Ask(const Question& question) override;
};

}  // namespace fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::fuzz::Fail(__FILE__, __LINE__, #condition))
