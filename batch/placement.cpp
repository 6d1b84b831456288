#include "batch/placement.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

#include "framework/path.h"
#include "settings/settings.h"

namespace {

constexpr std::uint32_t kOpenFlags = platform::kAttributeArchive | platform::kFlagSequentialScan;

// One attribute query: a search would open the folder and read it for the same answer.
bool Exists(const char* path) {
    return platform::Attributes(path) != platform::kInvalidAttributes;
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

// The folder part of path with its separator ("" for a bare name).
bool FolderOf(const char* path, char* folder) {
    PathParts parts;
    return SplitPath(path, &parts) && FormatPath(folder, "%s%s", parts.drive, parts.directory);
}

}  // namespace

void FileTransaction::RollBack() {
    input_.Close();
    output_.CloseAndDelete();
    target_[0] = '\0';
}

void Placement::Configure(const Settings& settings, RunQuestions& questions,
                          RunningFlag* running) {
    settings_ = &settings;
    questions_ = &questions;
    running_ = running;
}

bool Placement::GoOn(SkipReason reason, const char* path) {
    if (!questions_->GoOnAfterSkip(reason, path, 0)) StopRun();
    return false;
}

bool Placement::UniqueName(char* destination, const char* path) const {
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

bool Placement::NameBeforeNaming(const Settings& settings, const char* name, char* original) {
    PathParts parts;
    if (!SplitPath(name, &parts)) return false;
    std::string_view base = parts.baseName;
    // "(2)", "(3)", ...: no byte of them is a trail byte, so they are found byte-wise.
    const std::size_t open = base.rfind('(');
    bool numbered = false;
    if (open != std::string_view::npos && base.size() - open >= 3 && base.back() == ')') {
        const std::string_view digits = base.substr(open + 1, base.size() - open - 2);
        numbered = digits.front() != '0' && digits != "1" &&
                   digits.find_first_not_of("0123456789") == std::string_view::npos;
        if (numbered) base = base.substr(0, open);
    }
    const std::string_view affix(settings.affixText, strnlen(settings.affixText, kAffixBytes - 1));
    if (affix.empty() && !numbered) return false;  // the name is its own
    if (settings.affixPosition == Prefix) {
        if (!base.starts_with(affix)) return false;
        base.remove_prefix(affix.size());
    } else {
        // The affix must begin where a character does, not on a trail byte.
        std::size_t at = 0;
        while (at < base.size() - std::min(base.size(), affix.size()))
            at += IsLeadByte(static_cast<unsigned char>(base[at])) ? 2 : 1;
        if (!base.ends_with(affix) || at != base.size() - affix.size()) return false;
        base.remove_suffix(affix.size());
    }
    return FormatPath(original, "%.*s%s", static_cast<int>(base.size()), base.data(),
                      parts.extension);
}

bool Placement::UniqueNameOrAsk(char* destination, const char* path, const char* shownPath) {
    if (UniqueName(destination, path)) return true;
    if (!KeepsRunning()) return false;
    return GoOn(SkipReason::OutputNameTooLong, shownPath);
}

bool Placement::Place(const char* input, const char* output, FileTransaction* file,
                      FileHandle* openInput) {
    file->RollBack();
    char in[platform::kPathBuffer], out[platform::kPathBuffer];
    CopyPath(in, input);
    CopyPath(out, output);
    FileTransaction::Mode mode = FileTransaction::Mode::NewName;
    if (settings_->outputFolder[0] != '\0') {
        if (Exists(out)) {
            ClashChoice choice = ClashChoice::DoNotConvert;
            char newPath[platform::kPathBuffer] = {};
            if (!questions_->NameClash(out, &choice, newPath)) {
                StopRun();
                return false;
            }
            switch (choice) {
            case ClashChoice::UniqueName:
                if (!UniqueNameOrAsk(out, out, in)) return false;
                break;
            case ClashChoice::NewName: CopyPath(out, newPath); break;
            case ClashChoice::Overwrite: mode = FileTransaction::Mode::Replace; break;
            default: return false;
            }
        }
        return Open(file, in, out, mode, openInput);
    }
    switch (settings_->noOutputAction) {
    case ReplaceOriginal: mode = FileTransaction::Mode::Replace; break;
    case ReplaceWithBackup: {
        // Named again when the file is committed; asked now, before any work is done.
        char backup[platform::kPathBuffer];
        if (!UniqueNameOrAsk(backup, in, in)) return false;
        mode = FileTransaction::Mode::KeepBackup;
        break;
    }
    case NewUniqueFile:
        if (!UniqueNameOrAsk(out, out, in)) return false;
        break;
    default: return false;
    }
    return Open(file, in, out, mode, openInput);
}

// The output is made before the input is opened, so that a folder that cannot take it
// is known before the input is locked.
bool Placement::Open(FileTransaction* file, const char* input, const char* target,
                     FileTransaction::Mode mode, FileHandle* openInput) {
    bool nameFailed = false;
    while (!MakeTempFile(&file->output_, target, platform::kGenericWrite, &nameFailed)) {
        if (nameFailed) return GoOn(SkipReason::TempFileFailed, input);
        RetryAnswer answer = questions_->OutputUnusable(target);
        if (answer == RetryAnswer::Retry) continue;
        if (answer == RetryAnswer::Stop) StopRun();
        return false;
    }
    CopyPath(file->target_, target);
    file->mode_ = mode;
    if (openInput) {
        file->input_.Adopt(*openInput);
        return true;
    }
    while (!file->input_.Open(input, platform::kGenericRead, platform::kShareRead,
                              platform::kOpenExisting, kOpenFlags)) {
        RetryAnswer answer = questions_->InputUnusable(input);
        if (answer == RetryAnswer::Retry) continue;
        if (answer == RetryAnswer::Stop) StopRun();
        file->RollBack();
        return false;
    }
    if (!platform::IsDiskFile(file->input_.Handle())) {
        file->RollBack();
        return GoOn(SkipReason::NotAFile, input);
    }
    return true;
}

// A new name in the target's folder, made where nothing stood, and deleted by the system
// if the process ends before the commit keeps it; nameFailed when the folder cannot be
// made or the name would be too long, rather than the file refused.  The folder is made
// only once the create has found it missing: the create answers that anyway.
bool Placement::MakeTempFile(FileHandle* output, const char* target, std::uint32_t access,
                             bool* nameFailed) {
    char folder[platform::kPathBuffer];
    // Seeded apart for processes started in the same second: the address of a local
    // differs with each process's stack.
    static std::atomic<std::uint32_t> counter{
        static_cast<std::uint32_t>(std::time(nullptr)) ^
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&folder) >> 4)};
    if (!FolderOf(target, folder)) {
        *nameFailed = true;
        return false;
    }
    bool folderMade = folder[0] == '\0';
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[platform::kPathBuffer];
        std::uint32_t unique = counter.fetch_add(0x9E37u, std::memory_order_relaxed);
        if (!FormatPath(name, "%s%s%08x.tmp", folder, kTempPrefix, unique)) {
            *nameFailed = true;
            return false;
        }
        if (output->Open(name, access, platform::kShareRead,
                         platform::kCreateProvisional, kOpenFlags))
            return true;
        std::uint32_t error = platform::LastError();
        if (error == platform::kErrorPathNotFound && !folderMade) {
            folderMade = true;
            if (!CreateDirectoryPath(folder)) {
                *nameFailed = true;
                return false;
            }
            continue;
        }
        if (error != platform::kErrorFileExists && error != platform::kErrorAlreadyExists)
            return false;
    }
    return false;
}

bool Placement::MakeSpool(FileHandle* file) {
    char folder[platform::kPathBuffer];
    std::uint32_t length = platform::TempFolder(platform::kPathBuffer, folder);
    char target[platform::kPathBuffer];
    bool nameFailed = false;
    return length > 0 && length < platform::kPathBuffer &&
           FormatPath(target, "%sspool", folder) &&
           MakeTempFile(file, target, platform::kGenericRead | platform::kGenericWrite,
                        &nameFailed);
}

bool Placement::Commit(FileTransaction* file) {
    file->input_.Close();
    bool replaces = file->mode_ != FileTransaction::Mode::NewName;
    char temp[platform::kPathBuffer];
    CopyPath(temp, file->output_.FullPath());
    // Flushed while still provisional, so that a crash during the wait leaves nothing.
    if ((replaces && !platform::Flush(file->output_.Handle())) ||
        !platform::Keep(file->output_.Handle(), temp))
        throw platform::LastError();
    const char* target = file->target_;
    // A new name is taken through the open file; ReplaceFileA opens the file by name.
    bool placed = !replaces && platform::RenameOpen(file->output_.Handle(), temp, target);
    file->output_.Close();
    switch (file->mode_) {
    case FileTransaction::Mode::NewName:
        // A system that takes no name through the handle still takes it by name; a name
        // in the way is refused either way, never replaced.
        if (!placed) placed = platform::Rename(temp, target);
        break;
    case FileTransaction::Mode::Replace:
        // A target removed meanwhile leaves nothing to replace or keep.
        placed = platform::ReplaceTarget(target, temp, nullptr) ||
                 (!Exists(target) && platform::Rename(temp, target));
        break;
    case FileTransaction::Mode::KeepBackup: {
        char backup[platform::kPathBuffer];
        placed = UniqueName(backup, target) && platform::ReplaceTarget(target, temp, backup);
        break;
    }
    }
    if (!placed) questions_->Kept(target, temp);
    file->target_[0] = '\0';
    return placed;
}
