// Where each converted text goes, the opening of both files, and the commit or roll-back
// once the file is done.  No file of the user's is ever deleted or overwritten here: a
// target is replaced only by an atomic move once the converted text is complete, and
// every file the job deletes is one it created itself.
#include <cstdio>
#include <cstring>

#include "batch/ask.h"
#include "batch/conversion_job.h"
#include "framework/find_file.h"
#include "framework/path.h"
#include "settings/settings.h"

namespace {

constexpr std::uint32_t kOpenFlags = platform::kAttributeArchive | platform::kFlagSequentialScan;

bool Exists(const char* path) {
    FindFile find;
    return find.FindFirst(path);
}

// printf into a path buffer; false when the result would exceed a path.
template <typename... Arguments>
bool FormatPath(char* destination, const char* format, Arguments... arguments) {
    int length = std::snprintf(destination, platform::kPathBuffer, format, arguments...);
    return length >= 0 && static_cast<std::uint32_t>(length) <= platform::kMaxPath;
}

void CopyPath(char* destination, const char* path) {
    std::size_t length = strnlen(path, platform::kMaxPath);
    std::memcpy(destination, path, length);
    destination[length] = '\0';
}

}  // namespace

bool ConversionJob::UniqueName(char* destination, const char* path) {
    PathParts parts;
    if (!SplitPath(path, &parts)) return false;
    int affixLength = static_cast<int>(strnlen(settings_->affixText, kAffixBytes - 1));
    char stem[platform::kPathBuffer];
    bool stemFits =
        settings_->affixPosition == Prefix
            ? FormatPath(stem, "%s%s%.*s%s", parts.drive, parts.directory, affixLength,
                         settings_->affixText, parts.baseName)
            : FormatPath(stem, "%s%s%s%.*s", parts.drive, parts.directory, parts.baseName,
                         affixLength, settings_->affixText);
    char candidate[platform::kPathBuffer];
    if (!stemFits || !FormatPath(candidate, "%s%s", stem, parts.extension)) return false;
    for (int number = 2; Exists(candidate); ++number) {
        if (!KeepsRunning() || !FormatPath(candidate, "%s(%d)%s", stem, number, parts.extension))
            return false;
    }
    std::strcpy(destination, candidate);
    return true;
}

bool ConversionJob::UniqueNameOrAsk(char* destination, const char* path, const char* shownPath) {
    if (UniqueName(destination, path)) return true;
    if (!KeepsRunning()) return false;
    int answer = AskFormatted(*asker_, "自動ファイル名変換エラー",
                              question::kYesNo | question::kIconError,
                              "%s\n変換後のファイル名が長くなりすぎて、ファイルが作成できません！"
                              "　このファイルを飛ばします。\nこのまま変換を続けますか？",
                              shownPath);
    if (answer != question::kAnswerYes) StopRun();
    return false;
}

bool ConversionJob::MakeParentFolders(const char* path, char* folder) {
    PathParts parts;
    char made[platform::kPathBuffer];
    if (!SplitPath(path, &parts) || !FormatPath(made, "%s%s", parts.drive, parts.directory))
        return false;
    if (folder != nullptr) std::strcpy(folder, made);
    return CreateDirectoryPath(made);
}

bool ConversionJob::MakeTempFile(const char* path) {
    char folder[platform::kPathBuffer];
    if (!MakeParentFolders(path, folder)) return false;
    if (platform::MakeTempFile(folder, "Z", pendingPath_) != 0) return true;
    pendingPath_[0] = '\0';
    return false;
}

bool ConversionJob::AskRetryInput(const char* path) {
    int answer = AskFormatted(*asker_, "ファイルオープンエラー",
                              question::kAbortRetryIgnore | question::kIconError |
                                  question::kDefaultButton2,
                              "%s\n入力ファイルが現在使用できないか、それ以外の何らかの異常が"
                              "おきました。最トライしますか？",
                              path);
    if (answer == question::kAnswerRetry) return true;
    if (answer != question::kAnswerIgnore) StopRun();
    return false;
}

bool ConversionJob::Place(const char* input, const char* output) {
    ClearPlacement();
    char in[platform::kPathBuffer], out[platform::kPathBuffer];
    CopyPath(in, input);
    CopyPath(out, output);
    if (settings_->outputFolder[0] != '\0') {
        if (Exists(out)) {
            nameClash_.Prepare(out);
            if (nameClash_.RunModal(owner_) != DecisionDialog::kExecute) {
                StopRun();
                return false;
            }
            switch (nameClash_.Choice()) {
            case NameClashDialog::UniqueName:
                if (!UniqueNameOrAsk(out, out, in)) return false;
                break;
            case NameClashDialog::NewName:
                CopyPath(out, nameClash_.NewPath());
                break;
            case NameClashDialog::Overwrite:
                // The old output stays as it is until the new one is complete.
                if (!MakeTempFile(out)) {
                    tempFailed_ = true;
                    return false;
                }
                std::strcpy(out, pendingPath_);
                break;
            default:
                return false;
            }
        }
        return CreateFiles(in, out);
    }
    switch (settings_->noOutputAction) {
    case ReplaceOriginal:
        if (!MakeTempFile(out)) {
            tempFailed_ = true;
            return false;
        }
        std::strcpy(out, pendingPath_);
        break;
    case ReplaceWithBackup:
        for (;;) {
            if (!UniqueNameOrAsk(backupPath_, in, in)) {
                backupPath_[0] = '\0';
                return false;
            }
            if (platform::Rename(in, backupPath_)) break;
            backupPath_[0] = '\0';
            if (!AskRetryInput(in)) return false;
        }
        // The conversion reads the backup and writes a new file under the source's name.
        std::strcpy(pendingPath_, in);
        std::strcpy(in, backupPath_);
        break;
    case NewUniqueFile:
        if (!UniqueNameOrAsk(out, out, in)) return false;
        break;
    default:
        return false;
    }
    return CreateFiles(in, out);
}

// Every output but a temporary file is made where nothing stood a moment ago; it is
// created only if that is still so, so that nothing that appeared meanwhile is emptied.
bool ConversionJob::CreateFiles(const char* input, const char* output) {
    MakeParentFolders(output, nullptr);
    std::uint32_t disposition = ReplacesTarget() ? platform::kCreateAlways : platform::kCreateNew;
    while (!output_.Open(output, platform::kGenericWrite, platform::kShareRead, disposition,
                         kOpenFlags)) {
        int answer = AskFormatted(*asker_, "出力ファイルの作成エラー",
                                  question::kAbortRetryIgnore | question::kIconError |
                                      question::kDefaultButton3,
                                  "%s\n出力ファイルの作成で何らかの異常がおきました。\n"
                                  "このファイルを無視しますか？　再試行しますか？\n"
                                  "それとも変換処理全体を中止しますか？",
                                  output);
        if (answer == question::kAnswerRetry) continue;
        if (answer != question::kAnswerIgnore) StopRun();
        RollBack();
        return false;
    }
    while (!input_.Open(input, platform::kGenericRead, platform::kShareRead,
                        platform::kOpenExisting, kOpenFlags)) {
        if (!AskRetryInput(input)) {
            RollBack();
            return false;
        }
    }
    return true;
}

void ConversionJob::Finish(bool success, const char* /*input*/, const char* output) {
    if (!success) {
        RollBack();
        return;
    }
    input_.Close();
    output_.Close();
    // One atomic step: the target is never missing, and on failure it is untouched.
    if (ReplacesTarget() && !platform::RenameReplacing(pendingPath_, output)) {
        TellWhereKept("ファイルの置き換えエラー", output,
                      "変換したファイルでこのファイルを置き換えられませんでした。", "変換後の内容",
                      pendingPath_);
    }
    ClearPlacement();
}

void ConversionJob::RollBack() {
    input_.Close();
    if (output_.IsOpen())
        output_.CloseAndDelete();
    else if (ReplacesTarget())
        platform::Remove(pendingPath_);  // the empty temporary file nothing opened yet
    if (backupPath_[0] != '\0' && !platform::Rename(backupPath_, pendingPath_)) {
        TellWhereKept("ファイルの復元エラー", pendingPath_,
                      "元のファイルを元の名前に戻せませんでした。", "元のファイルの内容",
                      backupPath_);
    }
    ClearPlacement();
}

// A file operation after the conversion failed: the user learns which file now holds
// the text, since nothing is deleted to make the failure go away.
void ConversionJob::TellWhereKept(const char* caption, const char* path, const char* failure,
                                  const char* content, const char* keptIn) {
    AskFormatted(*asker_, caption, question::kOk | question::kIconError,
                 "%s\n%s\n%sは次のファイルに残っています。\n%s", path, failure, content, keptIn);
}

void ConversionJob::ClearPlacement() {
    pendingPath_[0] = backupPath_[0] = '\0';
    tempFailed_ = false;
}
