// The platform layer of the portable core: the few file-system calls the core needs,
// with the Win32 names' meaning, flags and error codes.  The Win32 build forwards each
// call to the system function of the same meaning; the native (Linux) build emulates
// it with POSIX calls so the core can run under the sanitizers and fuzzers.  Nothing
// outside framework/platform_*.cpp includes <windows.h> for these calls.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

inline constexpr std::uint32_t kPathBuffer = 261;  // 260 characters and the NUL
inline constexpr std::uint32_t kMaxPath = kPathBuffer - 1;

#if defined(_WIN32)
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

using FileId = std::intptr_t;
inline constexpr FileId kInvalidFile = -1;

// Access, sharing, disposition and flags: the Win32 values.
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kShareRead = 0x1;
inline constexpr std::uint32_t kShareWrite = 0x2;
inline constexpr std::uint32_t kShareDelete = 0x4;
inline constexpr std::uint32_t kCreateNew = 1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kOpenAlways = 4;
inline constexpr std::uint32_t kTruncateExisting = 5;
// Not a Win32 value: CREATE_NEW for a file that the system deletes when it is closed or
// its process ends, until Keep is called; a partial output then never outlives a crash.
inline constexpr std::uint32_t kCreateProvisional = 6;
inline constexpr std::uint32_t kAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kAttributeHidden = 0x2;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeArchive = 0x20;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;  // listed: a link or junction
inline constexpr std::uint32_t kAttributeNormal = 0x80;
inline constexpr std::uint32_t kAttributeTemporary = 0x100;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kFlagDeleteOnClose = 0x04000000u;
inline constexpr std::uint32_t kFlagSequentialScan = 0x08000000u;

inline constexpr std::uint32_t kFileBegin = 0;
inline constexpr std::uint32_t kFileCurrent = 1;
inline constexpr std::uint32_t kFileEnd = 2;
inline constexpr std::uint32_t kInvalidPosition = 0xFFFFFFFFu;

// Win32 error codes the system reads back (GetLastError).
inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorNoMoreFiles = 18;
inline constexpr std::uint32_t kErrorWriteProtect = 19;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorHandleDiskFull = 39;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorDirNotEmpty = 145;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorFilenameTooLong = 206;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorNoUnicodeTranslation = 1113;

// The error value FileHandle's Read and Write raise (E_FAIL, signed).
inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);

inline constexpr std::uint32_t kDriveUnknown = 0;
inline constexpr std::uint32_t kDriveNoRootDir = 1;
inline constexpr std::uint32_t kDriveRemovable = 2;
inline constexpr std::uint32_t kDriveFixed = 3;
inline constexpr std::uint32_t kDriveRemote = 4;
inline constexpr std::uint32_t kDriveCdRom = 5;
inline constexpr std::uint32_t kDriveRamDisk = 6;

std::uint32_t LastError();
void SetLastError(std::uint32_t code);

// CreateFileA / CloseHandle / ReadFile / WriteFile / SetFilePointer / GetFileSize.
// Open returns kInvalidFile on failure.  Write may report success with fewer bytes
// written than asked (a full disk does that on Windows); the next call then fails.
FileId Open(const char* name, std::uint32_t access, std::uint32_t share,
            std::uint32_t disposition, std::uint32_t flags);
bool Close(FileId file);
bool Read(FileId file, void* buffer, std::uint32_t count, std::uint32_t* read);
bool Write(FileId file, const void* buffer, std::uint32_t count, std::uint32_t* written);
std::uint32_t Seek(FileId file, std::int32_t distance, std::uint32_t method);
std::uint32_t SizeLow(FileId file);  // low 32 bits; kInvalidPosition on failure
bool Size(FileId file, std::uint64_t* size);  // GetFileSizeEx: all 64 bits
bool Truncate(FileId file);  // SetEndOfFile: the file ends at its current position
bool Flush(FileId file);     // FlushFileBuffers: the written text is on the disk
// A file opened kCreateProvisional stays under name (the name it was opened with) once
// closed.  The Win32 build clears the file's delete disposition
// (SetFileInformationByHandle); natively the unnamed file is linked under its name.
bool Keep(FileId file, const char* name);
// GetFileType is FILE_TYPE_DISK: a file that holds its bytes, not a pipe, FIFO or device
// (natively every open is non-blocking, so opening a FIFO without a writer cannot hang).
bool IsDiskFile(FileId file);

// DeleteFileA, MoveFileA (fails with kErrorAlreadyExists onto an existing name),
// MoveFileExA with MOVEFILE_REPLACE_EXISTING.
bool Remove(const char* path);
bool Rename(const char* from, const char* to);
bool RenameReplacing(const char* from, const char* to);
// Rename for the open file named from, without opening it again: the Win32 build renames
// through the handle (SetFileInformationByHandle), which needs the DELETE access that a
// kCreateProvisional open has.
bool RenameOpen(FileId file, const char* from, const char* to);
// ReplaceFileA: replacement's text takes target's name in one step, keeping target's
// attributes; with a backup name (which must name nothing yet) the old target is kept
// under it.  On failure target is as it was.
bool ReplaceTarget(const char* target, const char* replacement, const char* backup);

// GetTempFileNameA: creates the empty file "<dir><sep><prefix><hex>.tmp" and writes its
// name (at most kMaxPath characters) to result.  Returns the unique number, 0 on failure.
std::uint32_t MakeTempFile(const char* directory, const char* prefix, char* result);

// GetFullPathNameA(name, size, result, no file part): the full path of name against the
// current directory, made from the names alone; 0 on failure, more than size when the
// buffer is too small.
std::uint32_t FullPathName(const char* name, std::uint32_t size, char* result);

// path as the system's own tools write it (natively with slashes), for messages.
std::string ShownPath(const char* path);

std::uint32_t Attributes(const char* path);  // GetFileAttributesA
bool MakeDirectory(const char* path);        // CreateDirectoryA, default security
bool RemoveFolder(const char* path);         // RemoveDirectoryA (empty folders only)
std::uint32_t CurrentDirectory(std::uint32_t size, char* result);  // GetCurrentDirectoryA
// GetTempPathA: the folder for temporary files, with its final separator; natively
// $TMPDIR or /tmp.  0 on failure, more than size when the buffer is too small.
std::uint32_t TempFolder(std::uint32_t size, char* result);
bool ChangeDirectory(const char* path);                            // SetCurrentDirectoryA
std::uint32_t DriveType(const char* root);                         // GetDriveTypeA

// Whether two open files are the same file (GetFileInformationByHandle: volume and index).
bool SameFile(FileId first, FileId second);
// The volume and index of the file or folder at path, the same for every name it has.
struct FileIdentity {
    std::uint64_t volume;
    std::uint64_t index;
    bool operator==(const FileIdentity&) const = default;
};
bool Identify(const char* path, FileIdentity* identity);

// The only bridge between Shift_JIS and UTF-16: the ANSI code page (932 on the Japanese
// systems the program serves).  Units are held as bytes, low byte first.  Both answer
// the number of units or bytes made, 0 on failure (with the last error set).
// AnsiToUtf16 is MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS):
// strict, failing on any sequence the code page does not define and when the units do
// not fit in room; every character makes exactly one unit.
std::int32_t AnsiToUtf16(const unsigned char* bytes, std::int32_t count, unsigned char* units,
                         std::int32_t room);
// Utf16ToAnsi is WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, ...) asked whether the
// default character was used: as strict, failing (ERROR_NO_UNICODE_TRANSLATION) on any
// unit the code page cannot hold exactly, a lone surrogate or a pair included, and when
// the bytes do not fit in room.
std::int32_t Utf16ToAnsi(const unsigned char* units, std::int32_t count, unsigned char* bytes,
                         std::int32_t room);

// FindFirstFileA / FindNextFileA / FindClose.  The name is the bare name of the match.
struct FindData {
    std::uint32_t attributes;
    std::uint64_t size;
    char name[kPathBuffer];
};
using FindId = std::intptr_t;
inline constexpr FindId kInvalidFind = -1;
FindId FindFirst(const char* pattern, FindData* data);
bool FindNext(FindId search, FindData* data);
bool FindEnd(FindId search);

}  // namespace platform
