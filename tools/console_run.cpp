#include "tools/console_run.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "framework/platform.h"
#include "settings/settings.h"

namespace {

constexpr const char* kCodeNames[] = {"Jis",  "ShiftJis", "EucJp",     "Unicode", "Keep",
                                      "Plain", "NotText",  "Ambiguous", "Utf8"};

constexpr const char* kSkipReasons[] = {
    "the backup's name would be too long",
    "cannot make a temporary file beside the output",
    "the output path is too long",
    "the path is too long",
    "the folder's path is too long",
    "not a regular file",
    "the name holds characters the system's code page cannot write",
    "disk full",
    "I/O error",
};
static_assert(std::size(kSkipReasons) == static_cast<std::size_t>(SkipReason::FileError) + 1);

std::string WithError(const char* what, std::uint32_t error) {
    return std::string(what) + " (error " + std::to_string(error) + ")";
}

}  // namespace

const char* CodeName(std::int32_t code) {
    return code == BatchRun::kDetect ? "-" : kCodeNames[code];
}

ConsoleRun::ConsoleRun(const Settings& settings, bool interactive)
    : settings_(settings), asker_(interactive) {
    run_.Configure(settings, *this, *this, &running_);
}

int ConsoleRun::ConvertPair(const char* input, const char* output, std::int32_t code,
                            bool replaceOutput) {
    replaceOutput_ = replaceOutput;
    status_ = kExitConverted;
    reason_.clear();
    run_.SetInputCode(code);
    run_.ConvertPair(input, output);
    return status_;
}

void ConsoleRun::ConvertInPlace(const StringList& rows, std::int32_t code) {
    replaceOutput_ = false;
    run_.SetInputCode(code);
    run_.Run(rows);
    // Left out without a question: said here, so that no file goes unmentioned.
    const RunSummary& summary = run_.Summary();
    for (std::int32_t i = 0; i < summary.Count(); ++i) {
        if (summary.Note(i).decision == Decision::EarlierOutput)
            Tell(kExitConverted, summary.Path(i), "skipped: an earlier run made it beside its source");
    }
}

void ConsoleRun::Refuse(const char* path, const std::string& reason, int status) {
    status_ = kExitConverted;
    Tell(status, path, reason);
    ++refused_;
}

void ConsoleRun::PrintSummary() const {
    const RunCounts& counts = run_.Counts();
    std::fprintf(stderr, "zekocli: %d converted, %d copied, %d skipped, %d failed\n",
                 static_cast<int>(counts.converted), static_cast<int>(counts.copied),
                 static_cast<int>(counts.skipped + refused_), static_cast<int>(counts.failed));
}

void ConsoleRun::Tell(int status, const char* path, const std::string& reason) {
    std::fprintf(stderr, "zekocli: %s: %s\n", path, reason.c_str());
    if (status > status_) {
        status_ = status;
        reason_ = reason;
    }
    worst_ = std::max(worst_, status);
}

bool ConsoleRun::NameClash(const char* output, ClashChoice* choice, char*) {
    *choice = replaceOutput_ ? ClashChoice::Overwrite : ClashChoice::DoNotConvert;
    if (!replaceOutput_) Tell(kExitIo, output, "the output exists; it is not replaced");
    return true;
}

bool ConsoleRun::Undecided(const char* input, bool wellFormedUtf8, UndecidedChoice* choice) {
    Tell(kExitCannotConvert, input,
         wellFormedUtf8 ? "cannot convert: detected Ambiguous (it reads as UTF-8: --from utf8)"
                        : "cannot convert: detected Ambiguous");
    *choice = UndecidedChoice::Ignore;
    return true;
}

bool ConsoleRun::Unconvertible(const char* input, UnconvertibleChoice* choice) {
    std::int32_t code = run_.LastInputCode();
    std::string reason =
        std::string(code == NotText ? "cannot convert: detected " : "cannot convert from ") +
        CodeName(code);
    // A Unicode text fails on a character the output code cannot hold, or on bad bytes.
    ConversionEngine::Unwritable found{};
    if (run_.FindUnwritable(&found)) {
        char where[80];
        std::snprintf(where, sizeof where, ": U+%04X on line %u cannot be written in %s",
                      static_cast<unsigned>(found.codePoint), static_cast<unsigned>(found.line),
                      CodeName(settings_.outputCode));
        reason += where;
    }
    Tell(kExitCannotConvert, input, reason);
    *choice = UnconvertibleChoice::Ignore;
    return true;
}

RetryAnswer ConsoleRun::MissingInput(const char* path) {
    Tell(kExitIo, path, "no such file");
    return RetryAnswer::Skip;
}

RetryAnswer ConsoleRun::InputUnusable(const char* path) {
    Tell(kExitIo, path, WithError("cannot open the input", platform::LastError()));
    return RetryAnswer::Skip;
}

RetryAnswer ConsoleRun::OutputUnusable(const char* path) {
    Tell(kExitIo, path, WithError("cannot create the output", platform::LastError()));
    return RetryAnswer::Skip;
}

bool ConsoleRun::GoOnAfterSkip(SkipReason reason, const char* path, std::uint32_t error) {
    const char* what = kSkipReasons[static_cast<std::size_t>(reason)];
    bool coded = reason == SkipReason::DiskFull || reason == SkipReason::FileError;
    Tell(kExitIo, path, coded ? WithError(what, error) : std::string(what));
    return true;
}

// Nothing is deleted to make the failure go away: the user learns where the text is.
void ConsoleRun::Kept(const char* target, const char* keptIn) {
    Tell(kExitIo, target, std::string("cannot be replaced; the converted text is in ") + keptIn);
}

void ConsoleRun::OutOfMemory() {
    std::fputs("zekocli: out of memory\n", stderr);
    worst_ = kExitIo;
}
