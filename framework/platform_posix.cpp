// The platform layer on Linux, for the native build of the portable core: the Win32
// calls emulated with POSIX ones, with the Win32 error codes.  Differences that the
// core does not depend on: sharing modes are not enforced (POSIX has none), a file
// opened with kFlagDeleteOnClose is unlinked at once, and '\' in a path is taken as
// a separator, since the core joins paths with it.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "framework/path.h"
#include "framework/platform.h"

namespace platform {
namespace {

thread_local std::uint32_t lastError = kErrorSuccess;

std::uint32_t FromErrno(int error) {
    switch (error) {
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case EEXIST: return kErrorFileExists;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case EROFS: return kErrorWriteProtect;
    case EBUSY:
    case ETXTBSY: return kErrorSharingViolation;
    case ENOMEM: return kErrorNotEnoughMemory;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case EBADF: return kErrorInvalidHandle;
    case EINVAL: return kErrorInvalidParameter;
    default: return kErrorGenFailure;
    }
}

template <typename T>
T Fail(int error, T result) {
    lastError = FromErrno(error);
    return result;
}

// Reading a write-only file (or the reverse) is "access denied" on Windows.
template <typename T>
T FailIo(FileId file, T result) {
    int error = errno;
    if (error == EBADF && fcntl(static_cast<int>(file), F_GETFL) != -1) error = EACCES;
    return Fail(error, result);
}

// '\' becomes '/', except where it is the trail byte of a double-byte character.
std::string Native(const char* path) {
    std::string text(path);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(text[i])))
            ++i;
        else if (text[i] == '\\')
            text[i] = '/';
    }
    return text;
}

// ENOENT means "file not found" when the folder exists and "path not found" when it
// does not, as Windows tells them apart.
std::uint32_t MissingError(const std::string& path) {
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return kErrorFileNotFound;
    struct stat info {};
    if (stat(path.substr(0, slash).c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return kErrorPathNotFound;
    return kErrorFileNotFound;
}

template <typename T>
T FailPath(const std::string& path, T result) {
    int error = errno;
    lastError = error == ENOENT ? MissingError(path) : FromErrno(error);
    return result;
}

std::uint32_t AttributesOf(const struct stat& info) {
    std::uint32_t attributes = S_ISDIR(info.st_mode) ? kAttributeDirectory : kAttributeArchive;
    if (!(info.st_mode & S_IWUSR)) attributes |= kAttributeReadOnly;
    return attributes;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The Win32 wildcard match: '*' any run, '?' one character, case-insensitive for ASCII.
bool Matches(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') {
        for (const char* rest = name;; ++rest) {
            if (Matches(pattern + 1, rest)) return true;
            if (*rest == '\0') return false;
        }
    }
    if (*name == '\0') return false;
    if (*pattern != '?' && Lower(*pattern) != Lower(*name)) return false;
    return Matches(pattern + 1, name + 1);
}

struct Search {
    DIR* directory;
    std::string folder;
    std::string pattern;
};

bool NextMatch(Search* search, FindData* data) {
    while (dirent* entry = readdir(search->directory)) {
        if (!Matches(search->pattern.c_str(), entry->d_name)) continue;
        std::string full = search->folder + "/" + entry->d_name;
        struct stat info {};
        if (stat(full.c_str(), &info) != 0 || std::strlen(entry->d_name) >= kPathBuffer) continue;
        data->attributes = AttributesOf(info);
        data->size = static_cast<std::uint64_t>(info.st_size);
        std::strcpy(data->name, entry->d_name);
        return true;
    }
    lastError = kErrorNoMoreFiles;
    return false;
}

}  // namespace

std::uint32_t LastError() { return lastError; }
void SetLastError(std::uint32_t code) { lastError = code; }

FileId Open(const char* name, std::uint32_t access, std::uint32_t /*share*/,
            std::uint32_t disposition, std::uint32_t flags) {
    std::string path = Native(name);
    bool reads = access & kGenericRead, writes = access & kGenericWrite;
    int mode = writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
    mode |= O_CLOEXEC;
    switch (disposition) {
    case kCreateNew: mode |= O_CREAT | O_EXCL; break;
    case kCreateAlways: mode |= O_CREAT | O_TRUNC; break;
    case kOpenExisting: break;
    case kOpenAlways: mode |= O_CREAT; break;
    case kTruncateExisting: mode |= O_TRUNC; break;
    default: lastError = kErrorInvalidParameter; return kInvalidFile;
    }
    struct stat before {};
    bool existed = stat(path.c_str(), &before) == 0;
    if (existed && S_ISDIR(before.st_mode)) {
        lastError = kErrorAccessDenied;  // Windows does not open folders as files
        return kInvalidFile;
    }
    int fd = open(path.c_str(), mode, 0666);
    if (fd < 0) {
        if (errno == EEXIST) {
            lastError = kErrorFileExists;
            return kInvalidFile;
        }
        return FailPath(path, kInvalidFile);
    }
    if (flags & kFlagDeleteOnClose) unlink(path.c_str());
    // Windows reports an existing file on the always-dispositions this way.
    bool always = disposition == kOpenAlways || disposition == kCreateAlways;
    lastError = always && existed ? kErrorAlreadyExists : kErrorSuccess;
    return fd;
}

bool Close(FileId file) {
    if (close(static_cast<int>(file)) != 0) return Fail(errno, false);
    return true;
}

bool Read(FileId file, void* buffer, std::uint32_t count, std::uint32_t* read) {
    ssize_t done;
    do done = ::read(static_cast<int>(file), buffer, count);
    while (done < 0 && errno == EINTR);
    if (done < 0) {
        *read = 0;
        return FailIo(file, false);
    }
    *read = static_cast<std::uint32_t>(done);
    return true;
}

bool Write(FileId file, const void* buffer, std::uint32_t count, std::uint32_t* written) {
    const char* bytes = static_cast<const char*>(buffer);
    std::uint32_t total = 0;
    while (total < count) {
        ssize_t done = ::write(static_cast<int>(file), bytes + total, count - total);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            *written = total;
            // Like Windows on a full disk: a partial write succeeds, the next call fails.
            if (total > 0) return true;
            if (done == 0) errno = ENOSPC;
            return FailIo(file, false);
        }
        total += static_cast<std::uint32_t>(done);
    }
    *written = total;
    return true;
}

std::uint32_t Seek(FileId file, std::int32_t distance, std::uint32_t method) {
    int whence = method == kFileBegin ? SEEK_SET : method == kFileCurrent ? SEEK_CUR : SEEK_END;
    off_t at = lseek(static_cast<int>(file), distance, whence);
    if (at < 0) return Fail(errno, kInvalidPosition);
    return static_cast<std::uint32_t>(at);
}

std::uint32_t SizeLow(FileId file) {
    struct stat info {};
    if (fstat(static_cast<int>(file), &info) != 0) return Fail(errno, kInvalidPosition);
    return static_cast<std::uint32_t>(info.st_size);
}

bool Size(FileId file, std::uint64_t* size) {
    struct stat info {};
    if (fstat(static_cast<int>(file), &info) != 0) return Fail(errno, false);
    *size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool Truncate(FileId file) {
    off_t at = lseek(static_cast<int>(file), 0, SEEK_CUR);
    if (at < 0 || ftruncate(static_cast<int>(file), at) != 0) return FailIo(file, false);
    return true;
}

bool Remove(const char* path) {
    std::string native = Native(path);
    struct stat info {};
    if (stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        lastError = kErrorAccessDenied;
        return false;
    }
    if (unlink(native.c_str()) != 0) return FailPath(native, false);
    return true;
}

bool Rename(const char* from, const char* to) {
    std::string source = Native(from), target = Native(to);
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST) {
            lastError = kErrorAlreadyExists;
            return false;
        }
        return FailPath(source, false);
    }
    return true;
}

bool RenameReplacing(const char* from, const char* to) {
    std::string source = Native(from), target = Native(to);
    if (rename(source.c_str(), target.c_str()) != 0) return FailPath(source, false);
    return true;
}

std::uint32_t MakeTempFile(const char* directory, const char* prefix, char* result) {
    std::string folder = Native(directory);
    std::string start(prefix, strnlen(prefix, 3));  // Windows uses up to three characters
    std::uint32_t seed = static_cast<std::uint32_t>(std::time(nullptr)) ^
                         static_cast<std::uint32_t>(getpid());
    for (std::uint32_t i = 0; i < 0x10000; ++i) {
        std::uint32_t unique = ((seed + i) & 0xFFFF) ? ((seed + i) & 0xFFFF) : 1;
        char name[32];
        std::snprintf(name, sizeof name, "%s%x.tmp", start.c_str(), unique);
        std::string path = folder + "/" + name;
        if (path.size() > kMaxPath) {
            lastError = kErrorFilenameTooLong;
            return 0;
        }
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            std::strcpy(result, path.c_str());
            return unique;
        }
        if (errno != EEXIST) return FailPath(path, 0u);
    }
    lastError = kErrorFileExists;
    return 0;
}

std::uint32_t FindFullPath(const char* directory, const char* name, std::uint32_t size,
                           char* result) {
    std::string path = Native(name);
    if (path.empty() || path[0] != '/') path = Native(directory) + "/" + path;
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) return FailPath(path, 0u);
    std::uint32_t length = static_cast<std::uint32_t>(std::strlen(resolved));
    if (length >= size) return length + 1;
    std::memcpy(result, resolved, length + 1);
    return length;
}

std::uint32_t Attributes(const char* path) {
    std::string native = Native(path);
    struct stat info {};
    if (stat(native.c_str(), &info) != 0) return FailPath(native, kInvalidAttributes);
    return AttributesOf(info);
}

bool MakeDirectory(const char* path) {
    std::string native = Native(path);
    if (mkdir(native.c_str(), 0777) != 0) {
        if (errno == EEXIST) {
            lastError = kErrorAlreadyExists;
            return false;
        }
        return FailPath(native, false);
    }
    return true;
}

bool RemoveFolder(const char* path) {
    std::string native = Native(path);
    if (rmdir(native.c_str()) != 0) return FailPath(native, false);
    return true;
}

std::uint32_t CurrentDirectory(std::uint32_t size, char* result) {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer)) return Fail(errno, 0u);
    std::uint32_t length = static_cast<std::uint32_t>(std::strlen(buffer));
    if (length >= size) return length + 1;
    std::memcpy(result, buffer, length + 1);
    return length;
}

bool ChangeDirectory(const char* path) {
    std::string native = Native(path);
    if (chdir(native.c_str()) != 0) return FailPath(native, false);
    return true;
}

std::uint32_t DriveType(const char* root) {
    struct stat info {};
    if (root[0] != '/' || stat(Native(root).c_str(), &info) != 0) return kDriveNoRootDir;
    return kDriveFixed;
}

FindId FindFirst(const char* pattern, FindData* data) {
    std::string native = Native(pattern);
    std::string::size_type slash = native.find_last_of('/');
    // Like Windows: a pattern that ends in a separator names no entry.
    if (native.empty() || slash == native.size() - 1) {
        lastError = kErrorFileNotFound;
        return kInvalidFind;
    }
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
    std::string last = slash == std::string::npos ? native : native.substr(slash + 1);
    DIR* directory = opendir(folder.c_str());
    if (!directory) {
        lastError = errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : FromErrno(errno);
        return kInvalidFind;
    }
    auto* search = new Search{directory, folder, last};
    if (!NextMatch(search, data)) {
        closedir(directory);
        delete search;
        lastError = kErrorFileNotFound;
        return kInvalidFind;
    }
    return reinterpret_cast<FindId>(search);
}

bool FindNext(FindId search, FindData* data) {
    return NextMatch(reinterpret_cast<Search*>(search), data);
}

bool FindEnd(FindId search) {
    auto* open = reinterpret_cast<Search*>(search);
    closedir(open->directory);
    delete open;
    return true;
}

}  // namespace platform
