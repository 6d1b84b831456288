#include "batch/input_enumerator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "batch/placement.h"
#include "framework/find_file.h"
#include "framework/path.h"
#include "settings/settings.h"

namespace {

// The process's current directory, put back when the walk is over: a folder left
// current cannot be deleted or ejected on Windows.
class CurrentDirectoryKept {
public:
    CurrentDirectoryKept() {
        std::uint32_t length = platform::CurrentDirectory(platform::kPathBuffer, saved_);
        if (length == 0 || length >= platform::kPathBuffer) saved_[0] = '\0';
    }
    ~CurrentDirectoryKept() {
        if (saved_[0] != '\0') platform::ChangeDirectory(saved_);
    }
    CurrentDirectoryKept(const CurrentDirectoryKept&) = delete;
    CurrentDirectoryKept& operator=(const CurrentDirectoryKept&) = delete;

private:
    char saved_[platform::kPathBuffer];
};

const char* NameOf(const char* path) {
    const char* separator = LastSeparator(path);
    return separator != nullptr ? separator + 1 : path;
}

}  // namespace

void InputEnumerator::Collect(RunQuestions& questions, RunningFlag* running,
                              const StringList& rows, const Settings& settings) {
    if (running->load(std::memory_order_relaxed) == 0) return;
    CurrentDirectoryKept keep;
    inputs_.Clear();
    outputs_.Clear();
    visited_.clear();
    earlierOutputs_.Clear();
    count_ = next_ = leftOutByExtension_ = 0;
    questions_ = &questions;
    running_ = running;
    settings_ = &settings;
    extensions_ = &settings.extensions;
    const char* outputFolder = settings.outputFolder;

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

    for (std::int32_t row = 0; row < rows.Count() && Running(); ++row) {
        if (strnlen(rows[row], platform::kPathBuffer) <= platform::kMaxPath) WalkRow(rows[row]);
    }
}

bool InputEnumerator::Next(char* input, char* output) {
    if (next_ >= count_) return false;
    std::strcpy(input, inputs_[next_]);
    std::strcpy(output, outputs_[next_]);
    ++next_;
    return true;
}

bool InputEnumerator::SkipsName(const char* path) {
    if (!LostCharacters(path)) return false;
    if (!questions_->GoOnAfterSkip(SkipReason::NameNotInCodePage, path, 0)) Stop();
    return true;
}

void InputEnumerator::WalkRow(const char* path) {
    if (SkipsName(path)) return;
    // A drive root (and a folder written with a final separator) is not found by the
    // listing call, but its attributes can be read: it is walked like any folder.
    for (;;) {
        if (!Running()) return;
        FindFile find;
        if (find.FindFirst(path) || platform::Attributes(path) != platform::kInvalidAttributes)
            break;
        RetryAnswer answer = questions_->MissingInput(path);
        if (answer == RetryAnswer::Retry) continue;
        if (answer == RetryAnswer::Stop) Stop();
        return;
    }
    if (!IsFolder(path)) {
        nameOffset_ = static_cast<std::size_t>(NameOf(path) - path);
        if (Accepts(path)) TakeFile(path);
        return;
    }
    if (!MayEnter(0) || !cursor_.ChangeTo(path) || !FirstVisit()) return;
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
        // A link to a folder may lead back up the tree; its target is walked where it is.
        if (isFolder && (find.Data().attributes & platform::kAttributeReparsePoint) != 0) continue;
        if (isFolder ? !MayEnter(depth + 1) : !Accepts(name)) continue;
        if (!cursor_.Join(path, name)) {
            SkipOverlong(folder, name, isFolder);
            continue;
        }
        if (SkipsName(path)) continue;
        if (!isFolder) {
            TakeFile(path);
            continue;
        }
        if (!cursor_.ChangeTo(path)) continue;
        if (FirstVisit()) WalkFolder(depth + 1);
        if (!cursor_.ChangeTo(folder)) return;
    }
}

bool InputEnumerator::MayEnter(int depth) const {
    if (settings_->folderMode == IgnoreFolders) return false;
    return settings_->folderMode != LimitedDepth || depth < settings_->depthLimit;
}

bool InputEnumerator::Accepts(const char* name) {
    if (settings_->anyExtension) return true;
    PathParts parts;
    const bool accepted = SplitPath(name, &parts) &&
                          extensions_->Find(parts.extension[0] != '\0' ? parts.extension + 1
                                                                        : kNoExtension,
                                            0, true) >= 0;
    if (!accepted) ++leftOutByExtension_;
    return accepted;
}

bool InputEnumerator::IsEarlierOutput(const char* path) const {
    if (outputFolder_[0] != '\0' || (settings_->noOutputAction != ReplaceWithBackup &&
                                     settings_->noOutputAction != NewUniqueFile))
        return false;
    const char* name = NameOf(path);
    char original[platform::kPathBuffer];
    if (!Placement::NameBeforeNaming(*settings_, name, original)) return false;
    char source[platform::kPathBuffer];
    const int folderLength = static_cast<int>(name - path);
    if (std::snprintf(source, sizeof source, "%.*s%s", folderLength, path, original) >=
        static_cast<int>(sizeof source))
        return false;
    const std::uint32_t attributes = platform::Attributes(source);
    return attributes != platform::kInvalidAttributes &&
           (attributes & platform::kAttributeDirectory) == 0;
}

void InputEnumerator::TakeFile(const char* path) {
    if (IsEarlierOutput(path)) {
        if (!earlierOutputs_.Add(path)) OutOfMemory();
        return;
    }
    const char* output = path;
    char formed[platform::kPathBuffer];
    if (outputFolder_[0] != '\0') {
        std::size_t length = std::strlen(path);
        const char* relative =
            settings_->mirrorFolders ? path + std::min(nameOffset_, length) : NameOf(path);
        std::size_t folderLength = std::strlen(outputFolder_);
        if (folderLength + std::strlen(relative) > platform::kMaxPath) {
            if (!questions_->GoOnAfterSkip(SkipReason::OutputPathTooLong, path, 0)) Stop();
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

// The path is shown whole, though it is longer than a path may be.
void InputEnumerator::SkipOverlong(const char* folder, const char* name, bool isFolder) {
    char path[2 * platform::kPathBuffer + 1];
    std::snprintf(path, sizeof path, "%s%s%s", folder, EndsWithSeparator(folder) ? "" : "\\",
                  name);
    SkipReason reason = isFolder ? SkipReason::FolderPathTooLong : SkipReason::InputPathTooLong;
    if (!questions_->GoOnAfterSkip(reason, path, 0)) Stop();
}

bool InputEnumerator::FirstVisit() {
    platform::FileIdentity identity{};
    // A folder that cannot be identified is walked: links are not followed, so only an
    // unusual mount could bring it back, and a folder silently left out loses more.
    if (!platform::Identify(cursor_.Directory(), &identity)) return true;
    if (std::find(visited_.begin(), visited_.end(), identity) != visited_.end()) return false;
    try {
        visited_.push_back(identity);
    } catch (const std::bad_alloc&) {
        OutOfMemory();
        return false;
    }
    return true;
}

void InputEnumerator::OutOfMemory() {
    Stop();
    questions_->OutOfMemory();
}
