// The platform layer on Linux, for the native build of the portable core: the Win32
// calls emulated with POSIX ones, with the Win32 error codes.  Differences that the
// core does not depend on: sharing modes are not enforced (POSIX has none), a file
// opened with kFlagDeleteOnClose is unlinked at once, and '\' in a path is taken as
// a separator, since the core joins paths with it.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>

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

// The Win32 wildcard match: '*' any run, '?' one character, case-insensitive for ASCII;
// a final ".*" also matches a name without a dot, so "*.*" lists every name.
bool Matches(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*name == '\0' && std::strcmp(pattern, ".*") == 0) return true;
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

// A glibc converter, opened once and kept: opening loads the conversion module.
class Iconv {
public:
    Iconv(const char* to, const char* from) : id_(iconv_open(to, from)) {}
    ~Iconv() {
        if (Usable()) iconv_close(id_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool Usable() const { return id_ != reinterpret_cast<iconv_t>(-1); }
    // Converts one whole input; the bytes made, or -1 with errno set.
    int Run(const unsigned char* in, std::size_t inLength, unsigned char* out,
            std::size_t room) {
        iconv(id_, nullptr, nullptr, nullptr, nullptr);
        auto* from = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
        auto* to = reinterpret_cast<char*>(out);
        std::size_t outLeft = room;
        if (iconv(id_, &from, &inLength, &to, &outLeft) == static_cast<std::size_t>(-1))
            return -1;
        return static_cast<int>(room - outLeft);
    }

private:
    iconv_t id_;
};

// Code page 932 as glibc's "CP932" converter defines it.  The converter is asked about
// each character once per process, when a conversion first meets it, and its answer kept
// in tables that every thread shares: a character then costs one look-up, with exactly
// the converter's results (the code page is stateless: a character's answer does not
// depend on its neighbours).  Decoding looks up the two bytes at hand, which give the
// character that begins there and its length whichever it is.  An entry is written by
// whichever thread learns it first, always with the same value, so relaxed atomics (plain
// loads and stores on the machines served) keep the tables sound; the converters, which
// are not thread-safe, are asked under a lock.  An entry 0 is one not yet learnt.
class CodePage932 {
public:
    static constexpr std::int32_t kNoRoom = -1;
    static constexpr std::int32_t kNoCharacter = -2;

    CodePage932() : decoder_("UTF-16LE", "CP932"), encoder_("CP932", "UTF-16LE") {
        if (!Usable()) return;
        for (int b = 0; b < 256; ++b) {
            unsigned char in = static_cast<unsigned char>(b);
            std::uint32_t unit = DecodeOne(&in, 1);
            // A byte the converter finds incomplete is the first of two.
            leads_[b] = unit == kNone && errno == EINVAL;
            singles_[b] = static_cast<std::uint16_t>(unit);
        }
    }

    bool Usable() const { return decoder_.Usable() && encoder_.Usable(); }

    // Strict MultiByteToWideChar: the units made, kNoCharacter for a byte sequence that is
    // no character (a lead byte that ends the input too), kNoRoom when room is short.
    std::int32_t Decode(const unsigned char* bytes, std::int32_t count, unsigned char* units,
                        std::int32_t room) {
        const unsigned char* const end = bytes + count;
        unsigned char* out = units;
        unsigned char* const outEnd = units + 2 * static_cast<std::ptrdiff_t>(room);
        // Each character takes one byte or two and makes one unit: this many go without a
        // test of the ends, a second byte being at hand for each.
        for (std::ptrdiff_t safe; (safe = std::min((end - bytes) / 2, (outEnd - out) / 2)) > 0;) {
            for (unsigned char* const stop = out + 2 * safe; out < stop; out += 2) {
                // A branch on the first byte, not the length looked up, steps on: the
                // next character need not wait for this one's look-up.
                std::uint32_t unit = singles_[*bytes];
                if (unit == kNone) {
                    unit = Character(bytes);
                    if (unit == kNoWindow) return kNoCharacter;
                    ++bytes;
                }
                ++bytes;
                out[0] = static_cast<unsigned char>(unit);
                out[1] = static_cast<unsigned char>(unit >> 8);
            }
        }
        // The last byte, alone, or a character without room.
        if (bytes == end) return static_cast<std::int32_t>((out - units) / 2);
        const std::uint32_t unit = end - bytes >= 2 ? Character(bytes) : singles_[*bytes];
        if (unit == kNone || unit == kNoWindow) return kNoCharacter;
        if (out == outEnd) return kNoRoom;
        out[0] = static_cast<unsigned char>(unit);
        out[1] = static_cast<unsigned char>(unit >> 8);
        return static_cast<std::int32_t>((out + 2 - units) / 2);
    }

    // Strict WideCharToMultiByte: the bytes made, kNoCharacter for a unit the code page
    // cannot hold, kNoRoom when room is short.
    std::int32_t Encode(const unsigned char* units, std::int32_t count, unsigned char* bytes,
                        std::int32_t room) {
        const unsigned char* const end = units + 2 * static_cast<std::ptrdiff_t>(count);
        unsigned char* out = bytes;
        unsigned char* const outEnd = bytes + room;
        while (units < end) {
            // Each unit makes one byte or two: this many go without a test of room.  Both
            // bytes are stored; a single's second is overwritten or lies past the bytes made.
            const std::ptrdiff_t safe = std::min(end - units, outEnd - out) / 2;
            for (const unsigned char* const stop = units + 2 * safe; units < stop; units += 2) {
                const std::uint32_t written = Written(units);
                if (written == kUnheld) return kNoCharacter;
                out[0] = static_cast<unsigned char>(written);
                out[1] = static_cast<unsigned char>(written >> 8);
                out += written >> 16;
            }
            if (safe == 0) {  // less room than two bytes
                const std::uint32_t written = Written(units);
                if (written == kUnheld) return kNoCharacter;
                if (written >> 16 > static_cast<std::uint32_t>(outEnd - out)) return kNoRoom;
                *out++ = static_cast<unsigned char>(written);
                units += 2;
            }
        }
        return static_cast<std::int32_t>(out - bytes);
    }

private:
    // No character: U+FFFF is a noncharacter that no code page maps to.
    static constexpr std::uint32_t kNone = 0xFFFF;
    // A window entry whose first byte begins no character.
    static constexpr std::uint32_t kNoWindow = 0xFFFFFFFFu;
    // An encoded entry for a unit the code page cannot hold.
    static constexpr std::uint32_t kUnheld = 0xFFFFFFFFu;

    // The character that begins at bytes, a second byte being at hand: unit | length << 16,
    // or kNoWindow.
    std::uint32_t Character(const unsigned char* bytes) {
        std::atomic<std::uint32_t>& entry = windows_[bytes[0] | bytes[1] << 8];
        const std::uint32_t character = entry.load(std::memory_order_relaxed);
        return character != 0 ? character : LearnWindow(bytes, entry);
    }

    // The bytes that a unit makes: see LearnUnit.
    std::uint32_t Written(const unsigned char* unit) {
        std::atomic<std::uint32_t>& entry = encoded_[unit[0] | unit[1] << 8];
        const std::uint32_t written = entry.load(std::memory_order_relaxed);
        return written != 0 ? written : LearnUnit(unit, entry);
    }

    // The character at the start of two bytes: unit | length << 16, or kNoWindow.
    std::uint32_t LearnWindow(const unsigned char* bytes, std::atomic<std::uint32_t>& entry) {
        std::uint32_t unit = singles_[bytes[0]];
        std::uint32_t length = 1;
        if (leads_[bytes[0]]) {
            std::lock_guard<std::mutex> lock(mutex_);
            unit = DecodeOne(bytes, 2);
            length = 2;
        }
        const std::uint32_t character = unit == kNone ? kNoWindow : unit | length << 16;
        entry.store(character, std::memory_order_relaxed);
        return character;
    }

    // The bytes of a unit, first byte lowest, | their count << 16, or kUnheld for a unit
    // the code page cannot hold; a surrogate on its own is no character, so a pair is
    // refused too, as on Windows.  Bytes that read back as another unit are a look-alike
    // (the converter writes U+00A5 as 5C), which Windows is told not to use either.
    std::uint32_t LearnUnit(const unsigned char* unit, std::atomic<std::uint32_t>& entry) {
        unsigned char out[8];
        int made;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            made = encoder_.Run(unit, 2, out, sizeof out);
            const std::uint32_t asked = unit[0] | std::uint32_t{unit[1]} << 8;
            if ((made == 1 || made == 2) && DecodeOne(out, static_cast<std::size_t>(made)) != asked)
                made = 0;
        }
        const std::uint32_t written = made == 1   ? out[0] | 1u << 16
                                      : made == 2 ? (out[0] | out[1] << 8) | 2u << 16
                                                  : kUnheld;
        entry.store(written, std::memory_order_relaxed);
        return written;
    }

    // One character, whole: its unit, or kNone (errno tells EINVAL from EILSEQ).
    std::uint32_t DecodeOne(const unsigned char* in, std::size_t length) {
        unsigned char out[8];
        int made = decoder_.Run(in, length, out, sizeof out);
        return made == 2 ? std::uint32_t{out[0]} | std::uint32_t{out[1]} << 8 : kNone;
    }

    Iconv decoder_;
    Iconv encoder_;
    std::mutex mutex_;
    std::uint16_t singles_[256] = {};
    bool leads_[256] = {};
    // By the two bytes at hand, first byte lowest; by the unit.
    std::atomic<std::uint32_t> windows_[65536] = {};
    std::atomic<std::uint32_t> encoded_[65536] = {};
};

CodePage932& SharedCodePage() {
    static CodePage932 codePage;
    return codePage;
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
        struct stat info {}, link {};
        if (stat(full.c_str(), &info) != 0 || std::strlen(entry->d_name) >= kPathBuffer) continue;
        data->attributes = AttributesOf(info);
        // A symbolic link is listed as Windows lists a directory link: a reparse point.
        if (lstat(full.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            data->attributes |= kAttributeReparsePoint;
        data->size = static_cast<std::uint64_t>(info.st_size);
        std::strcpy(data->name, entry->d_name);
        return true;
    }
    lastError = kErrorNoMoreFiles;
    return false;
}

// An unnamed file in the folder of path, linked under path by Keep; where the file
// system has no unnamed files, an ordinary one made where nothing stands.
FileId OpenProvisional(const std::string& path, int mode) {
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0) {
        lastError = kErrorFileExists;
        return kInvalidFile;
    }
    std::string::size_type slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int unnamed = mode & ~(O_CREAT | O_EXCL | O_NONBLOCK);
    int fd = open(folder.c_str(), unnamed | O_TMPFILE, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        fd = open(path.c_str(), mode, 0666);
    if (fd < 0) return FailPath(path, kInvalidFile);
    lastError = kErrorSuccess;
    return fd;
}

}  // namespace

bool Keep(FileId file, const char* name) {
    struct stat info {};
    if (fstat(static_cast<int>(file), &info) != 0) return Fail(errno, false);
    if (info.st_nlink > 0) return true;  // made with its name
    std::string self = "/proc/self/fd/" + std::to_string(file);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, Native(name).c_str(), AT_SYMLINK_FOLLOW) != 0) {
        if (errno == EEXIST) {
            lastError = kErrorAlreadyExists;
            return false;
        }
        return Fail(errno, false);
    }
    return true;
}

std::uint32_t LastError() { return lastError; }
void SetLastError(std::uint32_t code) { lastError = code; }

FileId Open(const char* name, std::uint32_t access, std::uint32_t /*share*/,
            std::uint32_t disposition, std::uint32_t flags) {
    std::string path = Native(name);
    bool reads = access & kGenericRead, writes = access & kGenericWrite;
    int mode = writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
    // Non-blocking: opening a FIFO that has no writer returns at once, to be refused by
    // IsDiskFile; a regular file ignores the flag.
    mode |= O_CLOEXEC | O_NONBLOCK;
    switch (disposition) {
    case kCreateNew: mode |= O_CREAT | O_EXCL; break;
    case kCreateAlways: mode |= O_CREAT | O_TRUNC; break;
    case kOpenExisting: break;
    case kOpenAlways: mode |= O_CREAT; break;
    case kTruncateExisting: mode |= O_TRUNC; break;
    case kCreateProvisional: return OpenProvisional(path, mode | O_CREAT | O_EXCL);
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

bool Flush(FileId file) {
    if (fsync(static_cast<int>(file)) != 0) return FailIo(file, false);
    return true;
}

bool IsDiskFile(FileId file) {
    struct stat info {};
    return fstat(static_cast<int>(file), &info) == 0 && S_ISREG(info.st_mode);
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

bool RenameOpen(FileId, const char* from, const char* to) { return Rename(from, to); }

bool RenameReplacing(const char* from, const char* to) {
    std::string source = Native(from), target = Native(to);
    if (rename(source.c_str(), target.c_str()) != 0) return FailPath(source, false);
    return true;
}

// The replacement takes the target's permissions; the backup is a second name of the old
// target, made where nothing stands, so the target's name always holds a whole text.
bool ReplaceTarget(const char* target, const char* replacement, const char* backup) {
    std::string to = Native(target), from = Native(replacement);
    struct stat info {};
    if (stat(to.c_str(), &info) != 0) return FailPath(to, false);
    if (!S_ISREG(info.st_mode)) {  // Windows replaces no folder and no device
        lastError = kErrorAccessDenied;
        return false;
    }
    if (chmod(from.c_str(), info.st_mode & 07777) != 0) return FailPath(from, false);
    // Only a privileged process may give the file away; others keep it as their own.
    [[maybe_unused]] int owned = chown(from.c_str(), info.st_uid, info.st_gid);
    std::string kept = backup != nullptr ? Native(backup) : std::string();
    if (backup != nullptr && link(to.c_str(), kept.c_str()) != 0) {
        if (errno == EEXIST) {
            lastError = kErrorAlreadyExists;
            return false;
        }
        return FailPath(kept, false);
    }
    if (rename(from.c_str(), to.c_str()) != 0) {
        int error = errno;
        if (backup != nullptr) unlink(kept.c_str());
        return Fail(error, false);
    }
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

// As on Windows, "." and ".." and repeated separators are settled by the names alone,
// without asking the file system ('/' is never a trail byte).
std::uint32_t FullPathName(const char* name, std::uint32_t size, char* result) {
    std::string path = Native(name);
    if (path.empty()) {
        lastError = kErrorInvalidParameter;
        return 0;
    }
    if (path[0] != '/') {
        char folder[PATH_MAX];
        if (!getcwd(folder, sizeof folder)) return Fail(errno, 0u);
        std::string joined = folder;
        joined += '/';
        joined += path;
        path.swap(joined);
    }
    std::string full;
    for (std::size_t at = 0; at < path.size();) {
        std::size_t next = std::min(path.find('/', at), path.size());
        std::string_view part(path.data() + at, next - at);
        if (part == "..")
            full.resize(full.empty() ? 0 : full.rfind('/'));
        else if (!part.empty() && part != ".") {
            full += '/';
            full.append(part.data(), part.size());
        }
        at = next + 1;
    }
    if (full.empty()) full.push_back('/');
    std::uint32_t length = static_cast<std::uint32_t>(full.size());
    if (length >= size) return length + 1;
    std::memcpy(result, full.c_str(), length + 1);
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

std::string ShownPath(const char* path) { return Native(path); }

std::uint32_t TempFolder(std::uint32_t size, char* result) {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/') path += '/';
    std::uint32_t length = static_cast<std::uint32_t>(path.size());
    if (length >= size) return length + 1;
    std::memcpy(result, path.c_str(), length + 1);
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

bool SameFile(FileId first, FileId second) {
    struct stat a {}, b {};
    if (fstat(static_cast<int>(first), &a) != 0 || fstat(static_cast<int>(second), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool Identify(const char* path, FileIdentity* identity) {
    std::string native = Native(path);
    struct stat info {};
    if (stat(native.c_str(), &info) != 0) return FailPath(native, false);
    identity->volume = static_cast<std::uint64_t>(info.st_dev);
    identity->index = static_cast<std::uint64_t>(info.st_ino);
    return true;
}

// Code page 932 is glibc's "CP932", compared with the Windows table (as Wine has it) for
// every byte sequence and every unit.  Decoding is equally strict, except that Windows
// maps the single byte 0x80 to U+0080 where glibc refuses it; the byte converters refuse
// 0x80 before it gets here.  Encoding differs in 89 units that Windows writes with its
// "best fit" substitutes (U+00A5 as 5C, U+00E9 as 65, U+00AB as 81 E1, U+0080 as 80, ...),
// which the program asks it not to use: here, as there, they fail as every other unit
// outside the code page, and so do the few that glibc writes one way only.
std::int32_t AnsiToUtf16(const unsigned char* bytes, std::int32_t count, unsigned char* units,
                         std::int32_t room) {
    CodePage932& codePage = SharedCodePage();
    if (!codePage.Usable()) return Fail(errno, 0);
    std::int32_t made = count > 0 ? codePage.Decode(bytes, count, units, room) : 0;
    if (made > 0) return made;
    lastError = count <= 0                            ? kErrorInvalidParameter
                : made == CodePage932::kNoRoom ? kErrorInsufficientBuffer
                                                      : kErrorNoUnicodeTranslation;
    return 0;
}

std::int32_t Utf16ToAnsi(const unsigned char* units, std::int32_t count, unsigned char* bytes,
                         std::int32_t room) {
    CodePage932& codePage = SharedCodePage();
    if (!codePage.Usable()) return Fail(errno, 0);
    std::int32_t made = count > 0 ? codePage.Encode(units, count, bytes, room) : 0;
    if (made > 0) return made;
    lastError = count <= 0                            ? kErrorInvalidParameter
                : made == CodePage932::kNoRoom ? kErrorInsufficientBuffer
                                                      : kErrorNoUnicodeTranslation;
    return 0;
}

}  // namespace platform
