#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fuzz {

namespace {

std::string scratch;

void RemoveScratch() {
    std::error_code ignored;
    if (!scratch.empty()) std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

void EnterScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    if (access("/dev/shm", W_OK) == 0) base = "/dev/shm";
    std::string pattern = std::string(base ? base : "/tmp") + "/zeko-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) {
        std::perror("zeko fuzz: scratch folder");
        std::abort();
    }
    scratch = pattern;
    std::atexit(RemoveScratch);
}

void WriteFile(const char* name, std::string_view bytes) {
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) Fail(__FILE__, __LINE__, name);
}

std::string ReadFile(const char* name) {
    std::ifstream file(name, std::ios::binary);
    if (!file) Fail(__FILE__, __LINE__, name);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void Fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

int RefusingAsker::Ask(const Question& question) {
    std::fprintf(stderr, "unexpected question: %s\n", question.text.c_str());
    std::abort();
}

}  // namespace fuzz

// Every target works in its own scratch folder.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::EnterScratchFolder();
    return 0;
}
