#include "batch/batch_run.h"

#include <algorithm>
#include <new>

#include "engine/code_detector.h"
#include "settings/settings.h"

CharCode BatchRun::DetectCode(FileHandle& input, RunningFlag* running, bool* wellFormedUtf8) {
    CodeDetector detector;
    const CharCode code = detector.Detect(input, running);
    *wellFormedUtf8 = detector.WellFormedUtf8();
    return code;
}

void BatchRun::Read(std::uint32_t bytes) {
    inputRead_ += bytes;
    const std::uint64_t percent =
        inputSize_ == 0 ? 100 : std::min<std::uint64_t>(100, inputRead_ * 100 / inputSize_);
    if (static_cast<std::int32_t>(percent) == percent_) return;
    percent_ = static_cast<std::int32_t>(percent);
    progress_->FilePercent(percent_);
}

void BatchRun::Configure(const Settings& settings, RunQuestions& questions,
                         RunProgress& progress, RunningFlag* running) {
    settings_ = &settings;
    noting_.Configure(questions, summary_);
    progress_ = &progress;
    running_ = running;
    placement_.Configure(settings, noting_, running);
}

void BatchRun::Run(const StringList& rows) {
    counts_ = {};
    summary_.Clear();
    completed_ = false;
    if (settings_->outputFolder[0] == '\0' && settings_->noOutputAction == DoNotConvert) return;
    progress_->Checking();
    noting_.SetListing(true);
    enumerator_.Collect(noting_, running_, rows, *settings_);
    noting_.SetListing(false);
    const StringList& earlier = enumerator_.EarlierOutputs();
    for (std::int32_t i = 0; i < earlier.Count(); ++i)
        summary_.Add(earlier[i], {FileOutcome::Skipped, Decision::EarlierOutput});
    counts_.skipped = earlier.Count();
    summary_.leftOutByExtension = enumerator_.LeftOutByExtension();
    if (!KeepsRunning()) return;
    progress_->Converting();
    char input[platform::kPathBuffer];
    char output[platform::kPathBuffer];
    for (std::int32_t number = 1; KeepsRunning() && enumerator_.Next(input, output); ++number) {
        progress_->FileNumber(number, enumerator_.Count());
        ConvertPair(input, output);
    }
    completed_ = KeepsRunning();
}

template <typename Convert>
FileOutcome BatchRun::Guarded(const char* input, const char* output, Convert convert) {
    lastInputCode_ = kDetect;
    if (!KeepsRunning()) return FileOutcome::Stopped;
    progress_->ShowPair(input, output);
    FileOutcome outcome = FileOutcome::Failed;
    bool raised = true;
    std::uint32_t error = platform::kErrorSuccess;
    try {
        outcome = convert();
        raised = false;
    } catch (std::int32_t) {
        // The code of the failed call; unwinding may have changed the thread's last error.
        error = FileHandle::RaisedError();
    } catch (std::uint32_t code) {
        error = code;
    } catch (const std::bad_alloc&) {
        error = platform::kErrorNotEnoughMemory;
    } catch (...) {
        error = platform::kErrorGenFailure;
    }
    if (raised) {
        file_.RollBack();
        // A failure after the stop button costs no question; nothing can re-arm the run.
        if (KeepsRunning()) {
            bool full = error == platform::kErrorDiskFull || error == platform::kErrorHandleDiskFull;
            SkipReason reason = full ? SkipReason::DiskFull : SkipReason::FileError;
            if (!questions_->GoOnAfterSkip(reason, input, error)) StopRun();
        }
    }
    Count(outcome);
    noting_.FileDone(input, outcome);
    progress_->Done(input, output, outcome);
    return outcome;
}

FileOutcome BatchRun::ConvertPair(const char* input, const char* output, FileHandle* openInput) {
    return Guarded(input, output, [&] { return ConvertPlaced(input, output, openInput); });
}

FileOutcome BatchRun::ConvertOpen(const char* name, FileHandle& input, FileHandle& output) {
    return Guarded(name, name, [&] {
        inputName_ = name;
        input_ = &input;
        output_ = &output;
        return ConvertFile();
    });
}

FileOutcome BatchRun::ConvertPlaced(const char* input, const char* output,
                                    FileHandle* openInput) {
    if (!placement_.Place(input, output, &file_, openInput))
        return KeepsRunning() ? FileOutcome::Skipped : FileOutcome::Stopped;
    progress_->ShowPair(input, file_.Target());
    inputName_ = openInput ? input : file_.Input().FullPath();
    input_ = &file_.Input();
    output_ = &file_.Output();
    FileOutcome outcome = ConvertFile();
    if (outcome != FileOutcome::Converted && outcome != FileOutcome::Copied) {
        file_.RollBack();
        return outcome;
    }
    // A text kept aside under a temporary name has not reached its place.
    return placement_.Commit(&file_) ? outcome : FileOutcome::Failed;
}

FileOutcome BatchRun::ConvertFile() {
    FileOutcome settled = FileOutcome::Converted;
    std::int32_t code = DecideInputCode(&settled);
    if (code < 0) return settled;
    FileHandle& input = *input_;
    input.Rewind();
    if (code == NotText) return DecideUnconvertible();
    inputRead_ = 0;
    if (!platform::Size(input.Handle(), &inputSize_)) inputSize_ = 0;
    percent_ = inputSize_ == 0 ? 100 : 0;  // an empty file is read whole at once
    progress_->FilePercent(percent_);
    engine_.SetUtf8Mark(settings_->utf8Mark != 0);
    bool ok = engine_.Convert(questions_->EngineAsker(), running_, input, *output_,
                              settings_->outputCode, settings_->newline, code,
                              settings_->widenKana);
    if (!KeepsRunning()) return FileOutcome::Stopped;
    return ok ? FileOutcome::Converted : DecideUnconvertible();
}

std::int32_t BatchRun::DecideInputCode(FileOutcome* outcome) {
    if (inputCode_ != kDetect) return lastInputCode_ = inputCode_;
    if (settings_->inputCode == Unicode) return lastInputCode_ = Unicode;
    bool utf8 = false;
    CharCode code = detect_(*input_, running_, &utf8);
    lastInputCode_ = code;
    if (!KeepsRunning()) {
        *outcome = FileOutcome::Stopped;
        return -1;
    }
    if (code != Ambiguous) return code;
    UndecidedChoice choice = UndecidedChoice::Ignore;
    if (!questions_->Undecided(inputName_, utf8, &choice)) {
        StopRun();
        *outcome = FileOutcome::Stopped;
        return -1;
    }
    switch (choice) {
    case UndecidedChoice::AsShiftJis: return lastInputCode_ = ShiftJis;
    case UndecidedChoice::AsEuc: return lastInputCode_ = EucJp;
    case UndecidedChoice::AsUtf8: return lastInputCode_ = Utf8;
    case UndecidedChoice::Copy: *outcome = CopyFile(); return -1;
    default: *outcome = FileOutcome::Skipped; return -1;
    }
}

FileOutcome BatchRun::DecideUnconvertible() {
    UnconvertibleChoice choice = UnconvertibleChoice::Ignore;
    if (!questions_->Unconvertible(inputName_, &choice)) {
        StopRun();
        return FileOutcome::Stopped;
    }
    return choice == UnconvertibleChoice::Copy ? CopyFile() : FileOutcome::Skipped;
}

bool BatchRun::FindUnwritable(ConversionEngine::Unwritable* found) {
    std::int32_t to = settings_->outputCode;
    if ((lastInputCode_ != Utf8 && lastInputCode_ != Unicode) || to == Unicode || to == Utf8 ||
        to == Keep)
        return false;
    try {
        return engine_.FindUnwritable(*input_, lastInputCode_, found);
    } catch (std::int32_t) {
        return false;  // the question is still asked, without the character
    }
}

// The output is emptied in place rather than opened again: it is the transaction's
// temporary file, which only the transaction may delete.
FileOutcome BatchRun::CopyFile() {
    FileHandle& input = *input_;
    FileHandle& output = *output_;
    input.Rewind();
    output.Rewind();
    if (!platform::Truncate(output.Handle())) throw platform::LastError();
    constexpr std::uint32_t kChunk = 8192;
    char buffer[kChunk];
    while (KeepsRunning()) {
        std::uint32_t read = input.Read(buffer, kChunk);
        output.WriteAll(buffer, read);
        if (read == 0) return FileOutcome::Copied;
    }
    return FileOutcome::Stopped;
}

void BatchRun::Count(FileOutcome outcome) {
    switch (outcome) {
    case FileOutcome::Converted: ++counts_.converted; break;
    case FileOutcome::Copied: ++counts_.copied; break;
    case FileOutcome::Skipped: ++counts_.skipped; break;
    case FileOutcome::Failed: ++counts_.failed; break;
    case FileOutcome::Stopped: break;
    }
}
