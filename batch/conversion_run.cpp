// The run itself, on the worker thread: the list becomes pairs, each pair is placed,
// converted and committed or rolled back, and a raised file error costs only its file.
#include <cstring>

#include "batch/ask.h"
#include "batch/conversion_job.h"
#include "batch/progress_dialog.h"
#include "engine/code_detector.h"
#include "framework/path.h"
#include "settings/settings.h"

CharCode DetectCode(FileHandle& input, RunningFlag* running) {
    CodeDetector detector;
    return detector.Detect(input, running);
}

void ConversionJob::SetProgress(ProgressDialog* progress, HWND fileList) {
    progress_ = progress;
    fileList_ = fileList;
}

void ConversionJob::StartRun() {
    PrepareRun();
    if (Start()) return;
    MessageBoxA(progress_->Handle(), "エラーが発生しました！　変換できません！",
                "スレッドの作成エラー", MB_OK | MB_ICONERROR);
    SendMessageA(progress_->Handle(), WM_CLOSE, 0, 0);
}

DWORD ConversionJob::ThreadMain() {
    HWND window = progress_->Handle();
    if (settings_->outputFolder[0] != '\0' || settings_->noOutputAction != DoNotConvert) {
        SetWindowTextA(window, "入力ファイルをチェック中...");
        enumerator_.Collect(*asker_, &Running(), fileList_, *settings_, settings_->outputFolder,
                            settings_->extensions);
        if (KeepsRunning()) {
            SetWindowTextA(window, "ファイルを変換中...");
            char input[platform::kPathBuffer];
            char output[platform::kPathBuffer];
            while (KeepsRunning() && enumerator_.Next(input, output)) ConvertOne(input, output);
        }
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

void ConversionJob::ConvertOne(const char* input, const char* output) {
    if (!KeepsRunning()) return;
    std::uint32_t error;
    try {
        progress_->ShowPair(input, output);
        if (!Place(input, output)) {
            if (TempFileFailed() &&
                AskFormatted(*asker_, "ファイル名作成のエラー",
                             question::kYesNo | question::kIconWarning,
                             "%s\n出力ファイル名が長くなりすぎて作成できません！　"
                             "このファイルを飛ばします。\nこのまま変換を続けますか",
                             input) != question::kAnswerYes)
                StopRun();
            return;
        }
        progress_->ShowPair(input, output_.FullPath());
        Finish(ConvertFile(), input, output);
        return;
    } catch (std::int32_t) {
        // The code of the failed call; unwinding may have changed the thread's last error.
        error = FileHandle::RaisedError();
    } catch (std::uint32_t code) {
        error = code;
    }
    Running().store(AskAfterError(error, input) ? 1 : 0, std::memory_order_relaxed);
}

bool ConversionJob::ConvertFile() {
    std::int32_t code = DecideInputCode();
    if (code == SettledCopied) return KeepsRunning();
    if (code == SettledIgnored || code == SettledStopped) return false;
    if (platform::Seek(input_.Handle(), 0, platform::kFileBegin) == platform::kInvalidPosition)
        throw platform::LastError();
    if (code == NotText) return DecideCannotConvert();
    // Beside the output, where placement has just created a file: the current directory
    // may be a read-only input folder.
    char folder[platform::kPathBuffer] = ".";
    if (const char* separator = LastSeparator(output_.FullPath())) {
        std::size_t length = static_cast<std::size_t>(separator - output_.FullPath()) + 1;
        std::memcpy(folder, output_.FullPath(), length);
        folder[length] = '\0';
    }
    engine_.SetIntermediateFolder(folder);
    bool ok = engine_.Convert(*asker_, &Running(), input_, output_, settings_->outputCode,
                              settings_->newline, code, settings_->widenKana);
    if (!KeepsRunning()) return false;
    return ok || DecideCannotConvert();
}

bool ConversionJob::AskAfterError(std::uint32_t code, const char* input) {
    RollBack();
    if (code == platform::kErrorDiskFull)
        return asker_->Ask({"このまま変換作業を続けますか？", "変換継続の確認",
                            question::kYesNo | question::kIconInformation}) ==
               question::kAnswerYes;
    return AskFormatted(*asker_, "ファイル操作の異常",
                        question::kYesNo | question::kIconError | question::kDefaultButton2,
                        "%s\nファイル操作で何らかの異常が発生しました！ このファイルは飛ばしますが、"
                        "一旦変換作業全体を中断しますか？",
                        input) == question::kAnswerNo;
}
