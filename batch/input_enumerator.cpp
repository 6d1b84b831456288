#include "batch/input_enumerator.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "batch/ask.h"
#include "framework/find_file.h"
#include "framework/path.h"
#include "settings/settings.h"

namespace {

constexpr std::uint32_t kYesNoError = question::kYesNo | question::kIconError;

// The row's item parameter: the full path the file list keeps for it.
bool ReadRowPath(HWND fileList, int row, char* path) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(fileList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ||
        item.lParam == 0)
        return false;
    const char* text = reinterpret_cast<const char*>(item.lParam);
    std::size_t length = strnlen(text, platform::kPathBuffer);
    if (length > platform::kMaxPath) return false;
    std::memcpy(path, text, length + 1);
    return true;
}

const char* NameOf(const char* path) {
    const char* separator = LastSeparator(path);
    return separator != nullptr ? separator + 1 : path;
}

}  // namespace

void InputEnumerator::Collect(Asker& asker, RunningFlag* running, HWND fileList,
                              const Settings& settings, const char* outputFolder,
                              const StringList& extensions) {
    if (running->load(std::memory_order_relaxed) == 0) return;
    inputs_.Clear();
    outputs_.Clear();
    count_ = next_ = 0;
    asker_ = &asker;
    running_ = running;
    settings_ = &settings;
    extensions_ = &extensions;

    // '/' is never the trail byte of a double-byte character, so it can be replaced byte
    // by byte; the final separator is looked for character-wise ("表" ends in 0x5C).
    std::size_t length = strnlen(outputFolder, platform::kMaxPath);
    std::memcpy(outputFolder_, outputFolder, length);
    outputFolder_[length] = '\0';
    std::replace(outputFolder_, outputFolder_ + length, '/', '\\');
    if (length > 0 && !EndsWithSeparator(outputFolder_)) {
        outputFolder_[length] = '\\';
        outputFolder_[length + 1] = '\0';
    }

    int rows = static_cast<int>(SendMessageA(fileList, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows && Running(); ++row) {
        char path[platform::kPathBuffer];
        if (ReadRowPath(fileList, row, path)) WalkRow(path);
    }
}

bool InputEnumerator::Next(char* input, char* output) {
    if (next_ >= count_) return false;
    std::strcpy(input, inputs_[next_]);
    std::strcpy(output, outputs_[next_]);
    ++next_;
    return true;
}

void InputEnumerator::WalkRow(const char* path) {
    // A drive root (and a folder written with a final separator) is not found by the
    // listing call, but its attributes can be read: it is walked like any folder.
    for (;;) {
        if (!Running()) return;
        FindFile find;
        if (find.FindFirst(path) || platform::Attributes(path) != platform::kInvalidAttributes)
            break;
        int answer = AskFormatted(
            *asker_, "ファイルが見つかりません",
            question::kAbortRetryIgnore | question::kIconError | question::kDefaultButton3,
            "%s\n上記のファイルが見つかりません。無視しますか？", path);
        if (answer == question::kAnswerRetry) continue;
        if (answer != question::kAnswerIgnore) Stop();
        return;
    }
    std::uint32_t attributes = platform::Attributes(path);
    bool isFolder = attributes != platform::kInvalidAttributes &&
                    (attributes & platform::kAttributeDirectory) != 0;
    if (!isFolder) {
        nameOffset_ = static_cast<std::size_t>(NameOf(path) - path);
        if (Accepts(path)) TakeFile(path);
        return;
    }
    if (!MayEnter(0) || !cursor_.ChangeTo(path)) return;
    // Paths below are spelled from the cursor's directory, so the offset is taken there.
    nameOffset_ = static_cast<std::size_t>(NameOf(cursor_.Directory()) - cursor_.Directory());
    WalkFolder(0);
}

// The cursor is in the folder.  Every name is resolved against the cursor's directory;
// a folder that cannot be entered is skipped, and when the cursor cannot get back from a
// sub-folder the rest of this folder is given up rather than taken from elsewhere.
void InputEnumerator::WalkFolder(int depth) {
    char folder[platform::kPathBuffer];
    std::strcpy(folder, cursor_.Directory());
    char path[platform::kPathBuffer];
    if (!cursor_.Join(path, "*.*")) return;
    FindFile find;
    for (bool found = find.FindFirst(path); found && Running(); found = find.FindNext()) {
        const char* name = find.Name();
        if (name[0] == '.') continue;
        bool isFolder = find.IsDirectory();
        if (isFolder ? !MayEnter(depth + 1) : !Accepts(name)) continue;
        if (!cursor_.Join(path, name)) {
            SkipOverlong(folder, name, isFolder);
            continue;
        }
        if (!isFolder) {
            TakeFile(path);
            continue;
        }
        if (!cursor_.ChangeTo(path)) continue;
        WalkFolder(depth + 1);
        if (!cursor_.ChangeTo(folder)) return;
    }
}

bool InputEnumerator::MayEnter(int depth) const {
    if (settings_->folderMode == IgnoreFolders) return false;
    return settings_->folderMode != LimitedDepth || depth < settings_->depthLimit;
}

bool InputEnumerator::Accepts(const char* name) const {
    if (settings_->anyExtension) return true;
    PathParts parts;
    if (!SplitPath(name, &parts)) return false;
    const char* key = parts.extension[0] != '\0' ? parts.extension + 1 : kNoExtension;
    return extensions_->Find(key, 0, true) >= 0;
}

void InputEnumerator::TakeFile(const char* path) {
    const char* output = path;
    char formed[platform::kPathBuffer];
    if (outputFolder_[0] != '\0') {
        std::size_t length = std::strlen(path);
        const char* relative =
            settings_->mirrorFolders ? path + std::min(nameOffset_, length) : NameOf(path);
        std::size_t folderLength = std::strlen(outputFolder_);
        if (folderLength + std::strlen(relative) > platform::kMaxPath) {
            int answer = AskFormatted(*asker_, "ファイル名の長さのエラー", kYesNoError,
                                      "%s\n出力ファイル名が長すぎます！　このファイルは飛ばします。"
                                      "\n変換作業を続けますか？",
                                      path);
            if (answer != question::kAnswerYes) Stop();
            return;
        }
        std::memcpy(formed, outputFolder_, folderLength);
        std::strcpy(formed + folderLength, relative);
        output = formed;
    }
    if (!outputs_.Add(output) || !inputs_.Add(path)) {
        OutOfMemory();
        return;
    }
    ++count_;
}

void InputEnumerator::SkipOverlong(const char* folder, const char* name, bool isFolder) {
    const char* separator = EndsWithSeparator(folder) ? "" : "\\";
    const char* format =
        isFolder ? "%s%s%s\n入力フォルダのパス名が長すぎます！　このフォルダは飛ばします。"
                   "\n変換作業を続けますか？"
                 : "%s%s%s\n入力ファイルのパス名が長すぎます！　このファイルは飛ばします。"
                   "\n変換作業を続けますか？";
    int answer = AskFormatted(*asker_, "ファイル名の長さのエラー", kYesNoError, format, folder,
                              separator, name);
    if (answer != question::kAnswerYes) Stop();
}

void InputEnumerator::OutOfMemory() {
    Stop();
    AskFormatted(*asker_, "メモリが足りません！", question::kOk | question::kIconError, "%s",
                 "作業を行うだけのメモリが足りなくなりました。\n"
                 "他のアプリケーションなどを終了するか、\n"
                 "なるべくならシステムを再起動するかしてください。");
}
