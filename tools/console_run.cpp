#include "tools/console_run.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include <cstring>

#include "batch/placement.h"
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

bool IsStream(const char* path) { return std::strcmp(path, kStream) == 0; }

}  // namespace

const char* CodeName(std::int32_t code) {
    return code == BatchRun::kDetect ? "-" : kCodeNames[code];
}

bool OpenInput(const char* path, FileHandle* file, std::string* why) {
    if (!file->Open(path, platform::kGenericRead, platform::kShareRead, platform::kOpenExisting,
                    platform::kFlagSequentialScan)) {
        std::uint32_t error = platform::LastError();
        *why = error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound
                   ? "no such file"
                   : WithError("cannot open the input", error);
        return false;
    }
    if (platform::IsDiskFile(file->Handle())) return true;
    file->Close();
    *why = kSkipReasons[static_cast<std::size_t>(SkipReason::NotAFile)];
    return false;
}

ConsoleRun::ConsoleRun(const Settings& settings, bool interactive, const Decisions& decisions)
    : settings_(settings), decisions_(decisions), asker_(interactive) {
    run_.Configure(settings, *this, *this, &running_);
}

int ConsoleRun::ConvertPair(const char* input, const char* output, std::int32_t code,
                            bool replaceOutput) {
    replaceOutput_ = replaceOutput;
    status_ = kExitConverted;
    reason_.clear();
    run_.SetInputCode(code);
    FileHandle in;
    if (IsStream(input) && !Spool(&in)) return status_;
    if (!IsStream(output)) {
        run_.ConvertPair(input, output, in.IsOpen() ? &in : nullptr);
        return status_;
    }
    std::string why;
    if (!in.IsOpen() && !OpenInput(input, &in, &why)) {
        Refuse(input, why, kExitIo);
        return status_;
    }
    FileHandle out;
    if (!Placement::MakeSpool(&out)) {
        Refuse(output, WithError("cannot make a temporary file", platform::LastError()), kExitIo);
        return status_;
    }
    FileOutcome outcome = run_.ConvertOpen(input, in, out);
    if (outcome == FileOutcome::Converted || outcome == FileOutcome::Copied) WriteOut(out);
    return status_;
}

// Written in full before the conversion starts: detection reads the text twice, and a
// failed conversion must leave nothing on the way out.
bool ConsoleRun::Spool(FileHandle* spool) {
    if (!Placement::MakeSpool(spool)) {
        Refuse(kStream, WithError("cannot make a temporary file", platform::LastError()), kExitIo);
        return false;
    }
    try {
        char buffer[65536];
        std::size_t read;
        while ((read = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
            spool->WriteAll(buffer, static_cast<std::uint32_t>(read));
        if (std::ferror(stdin)) {
            Refuse(kStream, "cannot read standard input", kExitIo);
            return false;
        }
        spool->Rewind();
        return true;
    } catch (std::int32_t) {
        Refuse(kStream, WithError("cannot hold standard input", FileHandle::RaisedError()),
               kExitIo);
    } catch (std::uint32_t error) {
        Refuse(kStream, WithError("cannot hold standard input", error), kExitIo);
    }
    return false;
}

void ConsoleRun::WriteOut(FileHandle& spool) {
    bool written = true;
    try {
        spool.Rewind();
        char buffer[65536];
        std::uint32_t read;
        while (written && (read = spool.Read(buffer, sizeof buffer)) > 0)
            written = std::fwrite(buffer, 1, read, stdout) == read;
        written = written && std::fflush(stdout) == 0;
    } catch (std::int32_t) {
        written = false;
    } catch (std::uint32_t) {
        written = false;
    }
    if (!written) Tell(kExitIo, kStream, "cannot write standard output");
}

void ConsoleRun::ConvertFiles(const StringList& rows, std::int32_t code) {
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
    if (std::int32_t leftOut = run_.Summary().leftOutByExtension)
        std::fprintf(stderr, "zekocli: %d files left out by their extension (--extensions)\n",
                     static_cast<int>(leftOut));
    std::fprintf(stderr, "zekocli: %d converted, %d copied, %d skipped, %d failed\n",
                 static_cast<int>(counts.converted), static_cast<int>(counts.copied),
                 static_cast<int>(counts.skipped + refused_), static_cast<int>(counts.failed));
}

void ConsoleRun::Tell(int status, const char* path, const std::string& reason) {
    std::fprintf(stderr, "zekocli: %s: %s\n", platform::ShownPath(path).c_str(), reason.c_str());
    if (status > status_) {
        status_ = status;
        reason_ = reason;
    }
    worst_ = std::max(worst_, status);
}

bool ConsoleRun::NameClash(const char* output, ClashChoice* choice, char*) {
    *choice = replaceOutput_ ? ClashChoice::Overwrite : decisions_.clash;
    if (replaceOutput_) return true;
    switch (*choice) {
    case ClashChoice::Overwrite: Tell(kExitConverted, output, "the output exists; replaced"); break;
    case ClashChoice::UniqueName:
        Tell(kExitConverted, output, "the output exists; written under a new name beside it");
        break;
    default: Tell(kExitIo, output, "the output exists; it is not replaced"); break;
    }
    return true;
}

bool ConsoleRun::Undecided(const char* input, bool wellFormedUtf8, UndecidedChoice* choice) {
    // By UndecidedChoice.
    static constexpr const char* kTaken[] = {
        "detected Ambiguous; read as ShiftJis", "detected Ambiguous; read as EucJp",
        "detected Ambiguous; copied unchanged", nullptr, "detected Ambiguous; read as Utf8"};
    *choice = decisions_.undecided;
    if (*choice == UndecidedChoice::AsUtf8 && !wellFormedUtf8) *choice = UndecidedChoice::Ignore;
    if (*choice != UndecidedChoice::Ignore)
        Tell(kExitConverted, input, kTaken[static_cast<std::size_t>(*choice)]);
    else
        Tell(kExitCannotConvert, input,
             wellFormedUtf8 ? "cannot convert: detected Ambiguous (it reads as UTF-8: --from utf8)"
                            : "cannot convert: detected Ambiguous");
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
    *choice = decisions_.unconvertible;
    if (*choice == UnconvertibleChoice::Copy)
        Tell(kExitConverted, input, reason + "; copied unchanged");
    else
        Tell(kExitCannotConvert, input, reason);
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
