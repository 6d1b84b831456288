#include "batch/conversion_job.h"

#include "engine/code_detector.h"
#include "settings/settings.h"

CharCode ConversionJob::DetectCode(FileHandle& input, RunningFlag* running) {
    CodeDetector detector;
    return detector.Detect(input, running);
}

void ConversionJob::Configure(Window* owner, Asker* asker, const Settings* settings) {
    owner_ = owner;
    asker_ = asker;
    settings_ = settings;
}

void ConversionJob::PrepareRun() {
    nameClash_.ClearApplyToAll();
    cannotConvert_.ClearApplyToAll();
    detectionFailed_.ClearApplyToAll();
    // Copying a file onto itself in place keeps nothing the user does not have already.
    bool inPlaceWithoutCopy =
        settings_->noOutputAction == ReplaceOriginal && settings_->outputFolder[0] == '\0';
    cannotConvert_.SetCopyDisabled(inPlaceWithoutCopy);
    detectionFailed_.SetCopyDisabled(inPlaceWithoutCopy);
    detectionFailed_.Preset(settings_->inputCode);
}

std::int32_t ConversionJob::DecideInputCode() {
    if (settings_->inputCode == Unicode) return Unicode;
    CharCode code = detect_(input_, &Running());
    if (code != Ambiguous) return code;
    detectionFailed_.SetShownPath(input_.FullPath());
    if (detectionFailed_.RunModal(owner_) != DecisionDialog::kExecute) {
        StopRun();
        return SettledStopped;
    }
    switch (detectionFailed_.Choice()) {
    case DetectionFailedDialog::AsShiftJis: return ShiftJis;
    case DetectionFailedDialog::AsEuc: return EucJp;
    case DetectionFailedDialog::Copy: return CopyFile() ? SettledCopied : SettledStopped;
    default: return SettledIgnored;
    }
}

bool ConversionJob::DecideCannotConvert() {
    cannotConvert_.SetShownPath(input_.FullPath());
    if (cannotConvert_.RunModal(owner_) != DecisionDialog::kExecute) {
        StopRun();
        return false;
    }
    return cannotConvert_.Choice() == CannotConvertDialog::Copy && CopyFile();
}

// The output is emptied in place rather than opened again, so a failure cannot leave a
// partial file the job no longer holds (and could no longer delete on roll-back).
bool ConversionJob::CopyFile() {
    if (platform::Seek(input_.Handle(), 0, platform::kFileBegin) == platform::kInvalidPosition ||
        platform::Seek(output_.Handle(), 0, platform::kFileBegin) == platform::kInvalidPosition ||
        !platform::Truncate(output_.Handle()))
        throw platform::LastError();
    constexpr std::uint32_t kChunk = 1024;
    char buffer[kChunk];
    while (KeepsRunning()) {
        std::uint32_t read = input_.Read(buffer, kChunk);
        WriteAll(buffer, read);
        if (read < kChunk) return true;
    }
    return false;
}

// A full disk first takes part of a block and only refuses the next write, so the rest
// is written again until it is all taken or the system reports the failure.
void ConversionJob::WriteAll(const char* bytes, std::uint32_t count) {
    while (count > 0) {
        std::uint32_t written = output_.Write(bytes, count);
        if (written == 0) throw platform::kErrorHandleDiskFull;
        bytes += written;
        count -= written;
    }
}
