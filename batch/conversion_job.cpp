#include "batch/conversion_job.h"

#include <commctrl.h>

#include <cstring>

#include "batch/ask.h"
#include "framework/window.h"
#include "settings/settings.h"

namespace {

static_assert(static_cast<int>(ClashChoice::Overwrite) == NameClashDialog::Overwrite &&
              static_cast<int>(UndecidedChoice::Ignore) == DetectionFailedDialog::Ignore &&
              static_cast<int>(UndecidedChoice::AsUtf8) == DetectionFailedDialog::AsUtf8 &&
              static_cast<int>(UnconvertibleChoice::Copy) == CannotConvertDialog::Copy);

constexpr RetryQuestion kMissingInput = {
    "ファイルが見つかりません", question::kDefaultButton3,
    "%s\n上記のファイルが見つかりません。無視しますか？"};
constexpr RetryQuestion kInputUnusable = {
    "ファイルオープンエラー", question::kDefaultButton2,
    "%s\n入力ファイルが現在使用できないか、それ以外の何らかの異常がおきました。最トライしますか？"};
constexpr RetryQuestion kOutputUnusable = {
    "出力ファイルの作成エラー", question::kDefaultButton3,
    "%s\n出力ファイルの作成で何らかの異常がおきました。\n"
    "このファイルを無視しますか？　再試行しますか？\nそれとも変換処理全体を中止しますか？"};

// The question for each reason a file is skipped, and the answer that goes on.
struct SkipQuestion {
    const char* caption;
    std::uint32_t style;
    const char* format;  // %s: the path
    int goOn;
};

constexpr std::uint32_t kYesNoError = question::kYesNo | question::kIconError;
constexpr const char* kLengthError = "ファイル名の長さのエラー";

constexpr SkipQuestion kSkipQuestions[] = {
    {"自動ファイル名変換エラー", kYesNoError,
     "%s\n変換後のファイル名が長くなりすぎて、ファイルが作成できません！"
     "　このファイルを飛ばします。\nこのまま変換を続けますか？",
     question::kAnswerYes},
    {"ファイル名作成のエラー", question::kYesNo | question::kIconWarning,
     "%s\n出力ファイル名が長くなりすぎて作成できません！　このファイルを飛ばします。\n"
     "このまま変換を続けますか",
     question::kAnswerYes},
    {kLengthError, kYesNoError,
     "%s\n出力ファイル名が長すぎます！　このファイルは飛ばします。\n変換作業を続けますか？",
     question::kAnswerYes},
    {kLengthError, kYesNoError,
     "%s\n入力ファイルのパス名が長すぎます！　このファイルは飛ばします。\n変換作業を続けますか？",
     question::kAnswerYes},
    {kLengthError, kYesNoError,
     "%s\n入力フォルダのパス名が長すぎます！　このフォルダは飛ばします。\n変換作業を続けますか？",
     question::kAnswerYes},
    {"ファイルオープンエラー", kYesNoError,
     "%s\n通常のファイルではないので変換できません！　このファイルは飛ばします。\n"
     "変換作業を続けますか？",
     question::kAnswerYes},
    {"ファイル名のエラー", kYesNoError,
     "%s\nこの名前は扱えません（この環境の文字コードにない文字を含んでいます）！"
     "　これは飛ばします。\n変換作業を続けますか？",
     question::kAnswerYes},
    {"変換継続の確認", question::kYesNo | question::kIconInformation,
     "このまま変換作業を続けますか？", question::kAnswerYes},
    {"ファイル操作の異常", kYesNoError | question::kDefaultButton2,
     "%s\nファイル操作で何らかの異常が発生しました！ このファイルは飛ばしますが、"
     "一旦変換作業全体を中断しますか？",
     question::kAnswerNo},
};
static_assert(std::size(kSkipQuestions) == static_cast<std::size_t>(SkipReason::FileError) + 1);

// The row's item parameter: the full path the file list keeps for it.
const char* RowPath(HWND fileList, int row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(fileList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<const char*>(item.lParam);
}

}  // namespace

void ConversionJob::Configure(Window* owner, Asker* asker, RunProgress* progress,
                              const Settings* settings) {
    owner_ = owner;
    asker_ = asker;
    progress_ = progress;
    settings_ = settings;
}

void ConversionJob::TakeRows(HWND fileList) {
    rows_.Clear();
    rowsComplete_ = true;
    int rows = static_cast<int>(SendMessageA(fileList, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows && rowsComplete_; ++row) {
        const char* path = RowPath(fileList, row);
        if (path != nullptr) rowsComplete_ = rows_.Add(path);
    }
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

void ConversionJob::StartRun() {
    PrepareRun();
    if (Start()) return;
    MessageBoxA(owner_->Handle(), "エラーが発生しました！　変換できません！",
                "スレッドの作成エラー", MB_OK | MB_ICONERROR);
    SendMessageA(owner_->Handle(), WM_CLOSE, 0, 0);
}

// Every file rolls itself back on any error; nothing that escapes the run may end the
// process, so the dialog is closed whatever happened.
DWORD ConversionJob::ThreadMain() {
    try {
        run_.Configure(*settings_, *this, *progress_, &Running());
        if (rowsComplete_)
            run_.Run(rows_);
        else
            OutOfMemory();
    } catch (...) {
        // Each file catches its own errors; only memory can run out between files.
        Running().store(0, std::memory_order_relaxed);
        OutOfMemory();
    }
    PostMessageA(owner_->Handle(), WM_CLOSE, 0, 0);
    return 0;
}

bool ConversionJob::NameClash(const char* output, ClashChoice* choice, char* newPath) {
    nameClash_.Prepare(output);
    if (nameClash_.RunModal(owner_) != DecisionDialog::kExecute) return false;
    *choice = static_cast<ClashChoice>(nameClash_.Choice());
    if (*choice == ClashChoice::NewName) std::strcpy(newPath, nameClash_.NewPath());
    return true;
}

bool ConversionJob::Undecided(const char* input, bool wellFormedUtf8, UndecidedChoice* choice) {
    detectionFailed_.SetShownPath(input);
    detectionFailed_.OfferUtf8(wellFormedUtf8);
    if (detectionFailed_.RunModal(owner_) != DecisionDialog::kExecute) return false;
    *choice = static_cast<UndecidedChoice>(detectionFailed_.Choice());
    return true;
}

bool ConversionJob::Unconvertible(const char* input, UnconvertibleChoice* choice) {
    cannotConvert_.SetShownPath(input);
    if (cannotConvert_.RunModal(owner_) != DecisionDialog::kExecute) return false;
    *choice = static_cast<UnconvertibleChoice>(cannotConvert_.Choice());
    return true;
}

RetryAnswer ConversionJob::MissingInput(const char* path) {
    return AskRetry(kMissingInput, path);
}

RetryAnswer ConversionJob::InputUnusable(const char* path) {
    return AskRetry(kInputUnusable, path);
}

RetryAnswer ConversionJob::OutputUnusable(const char* path) {
    return AskRetry(kOutputUnusable, path);
}

RetryAnswer ConversionJob::AskRetry(const RetryQuestion& asked, const char* path) {
    int answer = AskFormatted(*asker_, asked.caption,
                              question::kAbortRetryIgnore | question::kIconError | asked.style,
                              asked.format, path);
    if (answer == question::kAnswerRetry) return RetryAnswer::Retry;
    return answer == question::kAnswerIgnore ? RetryAnswer::Skip : RetryAnswer::Stop;
}

bool ConversionJob::GoOnAfterSkip(SkipReason reason, const char* path, std::uint32_t) {
    const SkipQuestion& asked = kSkipQuestions[static_cast<std::size_t>(reason)];
    return AskFormatted(*asker_, asked.caption, asked.style, asked.format, path) == asked.goOn;
}

// The user learns which file now holds the text, since nothing is deleted to make the
// failure go away.
void ConversionJob::Kept(const char* target, const char* keptIn) {
    AskFormatted(*asker_, "ファイルの置き換えエラー", question::kOk | question::kIconError,
                 "%s\n変換したファイルでこのファイルを置き換えられませんでした。\n"
                 "変換後の内容は次のファイルに残っています。\n%s",
                 target, keptIn);
}

void ConversionJob::OutOfMemory() {
    AskFormatted(*asker_, "メモリが足りません！", question::kOk | question::kIconError, "%s",
                 "作業を行うだけのメモリが足りなくなりました。\n"
                 "他のアプリケーションなどを終了するか、\n"
                 "なるべくならシステムを再起動するかしてください。");
}
