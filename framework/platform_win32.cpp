// The platform layer on Windows: each call is the Win32 function of the same meaning.
#include <windows.h>

#include <new>

#include "framework/platform.h"

namespace platform {
namespace {

HANDLE ToHandle(FileId file) { return reinterpret_cast<HANDLE>(file); }

// Only links (junctions and symbolic links) keep the reparse-point mark: cloud and
// deduplicated files carry it too, and they are ordinary files and folders to the user.
void Copy(const WIN32_FIND_DATAA& from, FindData* to) {
    to->attributes = from.dwFileAttributes;
    bool link = from.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT ||
                from.dwReserved0 == IO_REPARSE_TAG_SYMLINK;
    if (!link) to->attributes &= ~kAttributeReparsePoint;
    to->size = (static_cast<std::uint64_t>(from.nFileSizeHigh) << 32) | from.nFileSizeLow;
    lstrcpynA(to->name, from.cFileName, static_cast<int>(kPathBuffer));
}

bool IdentityOf(HANDLE h, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

// The full path of name, when it fits a path buffer.
bool FullPath(const char* name, char* result) {
    const std::uint32_t length = FullPathName(name, MAX_PATH, result);
    return length > 0 && length < MAX_PATH;
}

bool SetDeleteDisposition(HANDLE h, bool deletes) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(deletes)};
    return SetFileInformationByHandle(h, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

}  // namespace

static_assert(sizeof(FileId) == sizeof(HANDLE));

std::uint32_t LastError() { return GetLastError(); }
void SetLastError(std::uint32_t code) { ::SetLastError(code); }

FileId Open(const char* name, std::uint32_t access, std::uint32_t share,
            std::uint32_t disposition, std::uint32_t flags) {
    if (disposition != kCreateProvisional)
        return reinterpret_cast<FileId>(
            CreateFileA(name, access, share, nullptr, disposition, flags, nullptr));
    HANDLE h = CreateFileA(name, access | DELETE, share | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           flags, nullptr);
    // Where the disposition cannot be set, the file is an ordinary one, removed by name.
    if (h != INVALID_HANDLE_VALUE) SetDeleteDisposition(h, true);
    return reinterpret_cast<FileId>(h);
}

bool Keep(FileId file, const char*) { return SetDeleteDisposition(ToHandle(file), false); }

bool Close(FileId file) { return CloseHandle(ToHandle(file)) != FALSE; }

bool Read(FileId file, void* buffer, std::uint32_t count, std::uint32_t* read) {
    DWORD done = 0;
    BOOL ok = ReadFile(ToHandle(file), buffer, count, &done, nullptr);
    *read = done;
    return ok != FALSE;
}

bool Write(FileId file, const void* buffer, std::uint32_t count, std::uint32_t* written) {
    DWORD done = 0;
    BOOL ok = WriteFile(ToHandle(file), buffer, count, &done, nullptr);
    *written = done;
    return ok != FALSE;
}

std::uint32_t Seek(FileId file, std::int32_t distance, std::uint32_t method) {
    return SetFilePointer(ToHandle(file), distance, nullptr, method);
}

std::uint32_t SizeLow(FileId file) { return GetFileSize(ToHandle(file), nullptr); }

bool Size(FileId file, std::uint64_t* size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(ToHandle(file), &value)) return false;
    *size = static_cast<std::uint64_t>(value.QuadPart);
    return true;
}

bool Truncate(FileId file) { return SetEndOfFile(ToHandle(file)) != FALSE; }
bool Flush(FileId file) { return FlushFileBuffers(ToHandle(file)) != FALSE; }
bool IsDiskFile(FileId file) { return GetFileType(ToHandle(file)) == FILE_TYPE_DISK; }

bool Remove(const char* path) { return DeleteFileA(path) != FALSE; }
bool Rename(const char* from, const char* to) { return MoveFileA(from, to) != FALSE; }
bool RenameReplacing(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// The new name goes in the system's own full form (\??\C:\..., \??\UNC\server\...),
// the one form every system takes alike: a bare name is resolved against the file's
// folder or against the current directory depending on the system (Wine: the latter).
bool RenameOpen(FileId file, const char*, const char* to) {
    char full[MAX_PATH];
    if (!FullPath(to, full)) return false;
    const char* rest = full;
    const wchar_t* prefix = L"\\??\\";
    if (full[0] == '\\' && full[1] == '\\') {
        bool local = (full[2] == '?' || full[2] == '.') && full[3] == '\\';
        rest = full + (local ? 4 : 2);
        prefix = local ? L"\\??\\" : L"\\??\\UNC\\";
    }
    constexpr int kRoom = MAX_PATH + 8;
    alignas(FILE_RENAME_INFO) unsigned char
        buffer[sizeof(FILE_RENAME_INFO) + kRoom * sizeof(WCHAR)];
    auto* info = new (buffer) FILE_RENAME_INFO{};
    int prefixLength = lstrlenW(prefix);
    lstrcpyW(info->FileName, prefix);
    int made = MultiByteToWideChar(CP_ACP, 0, rest, -1, info->FileName + prefixLength,
                                   kRoom - prefixLength);
    if (made == 0) return false;
    info->FileNameLength = static_cast<DWORD>((prefixLength + made - 1) * sizeof(WCHAR));
    return SetFileInformationByHandle(ToHandle(file), FileRenameInfo, info,
                                      sizeof buffer) != FALSE;
}

// Wine's ReplaceFileA fails on relative names (error 267), so each name goes in full.
bool ReplaceTarget(const char* target, const char* replacement, const char* backup) {
    char fullTarget[MAX_PATH], fullReplacement[MAX_PATH], fullBackup[MAX_PATH];
    if (!FullPath(target, fullTarget) || !FullPath(replacement, fullReplacement) ||
        (backup != nullptr && !FullPath(backup, fullBackup)))
        return false;
    return ReplaceFileA(fullTarget, fullReplacement, backup != nullptr ? fullBackup : nullptr,
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE;
}

std::uint32_t MakeTempFile(const char* directory, const char* prefix, char* result) {
    return GetTempFileNameA(directory, prefix, 0, result);
}

std::uint32_t FullPathName(const char* name, std::uint32_t size, char* result) {
    return GetFullPathNameA(name, size, result, nullptr);
}

std::uint32_t Attributes(const char* path) { return GetFileAttributesA(path); }
bool MakeDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != FALSE; }
bool RemoveFolder(const char* path) { return RemoveDirectoryA(path) != FALSE; }
std::uint32_t CurrentDirectory(std::uint32_t size, char* result) {
    return GetCurrentDirectoryA(size, result);
}
bool ChangeDirectory(const char* path) { return SetCurrentDirectoryA(path) != FALSE; }
std::string ShownPath(const char* path) { return path; }
std::uint32_t TempFolder(std::uint32_t size, char* result) { return GetTempPathA(size, result); }
std::uint32_t DriveType(const char* root) { return GetDriveTypeA(root); }

bool SameFile(FileId first, FileId second) {
    FileIdentity a{}, b{};
    return IdentityOf(ToHandle(first), &a) && IdentityOf(ToHandle(second), &b) && a == b;
}

// A folder opens only with backup semantics; no access is asked, so no sharing refuses it.
bool Identify(const char* path, FileIdentity* identity) {
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool known = IdentityOf(h, identity);
    CloseHandle(h);
    return known;
}

// The engine's buffers are aligned for WCHAR; units are little-endian on every Windows.
std::int32_t AnsiToUtf16(const unsigned char* bytes, std::int32_t count, unsigned char* units,
                         std::int32_t room) {
    return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS,
                               reinterpret_cast<const char*>(bytes), count,
                               reinterpret_cast<LPWSTR>(units), room);
}

std::int32_t Utf16ToAnsi(const unsigned char* units, std::int32_t count, unsigned char* bytes,
                         std::int32_t room) {
    BOOL usedDefault = FALSE;
    int made = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, reinterpret_cast<LPCWSTR>(units),
                                   count, reinterpret_cast<char*>(bytes), room, nullptr,
                                   &usedDefault);
    if (!usedDefault) return made;
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
}

FindId FindFirst(const char* pattern, FindData* data) {
    WIN32_FIND_DATAA found{};
    HANDLE h = FindFirstFileA(pattern, &found);
    if (h != INVALID_HANDLE_VALUE) Copy(found, data);
    return reinterpret_cast<FindId>(h);
}

bool FindNext(FindId search, FindData* data) {
    WIN32_FIND_DATAA found{};
    if (!FindNextFileA(reinterpret_cast<HANDLE>(search), &found)) return false;
    Copy(found, data);
    return true;
}

bool FindEnd(FindId search) { return FindClose(reinterpret_cast<HANDLE>(search)) != FALSE; }

}  // namespace platform
