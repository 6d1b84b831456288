#include "framework/file_handle.h"

#include <cstring>

namespace {

thread_local std::uint32_t raisedError = platform::kErrorSuccess;

[[noreturn]] void RaiseFailure() {
    raisedError = platform::LastError();
    throw platform::kEFail;
}

}  // namespace

std::uint32_t FileHandle::RaisedError() { return raisedError; }

bool FileHandle::Open(const char* name, std::uint32_t access, std::uint32_t share,
                      std::uint32_t disposition, std::uint32_t flags) {
    Close();
    // A name that could not be recorded whole is refused rather than cut.
    if (std::strlen(name) > platform::kMaxPath) {
        platform::SetLastError(platform::kErrorFilenameTooLong);
        return false;
    }
    platform::FileId opened = platform::Open(name, access, share, disposition, flags);
    if (opened == platform::kInvalidFile) return false;
    std::uint32_t error = platform::LastError();  // kept: callers read ERROR_ALREADY_EXISTS
    handle_ = opened;
    // The file exists now, so its full path follows from the name and the current
    // directory alone, without another search of the file system.
    std::uint32_t length = 0;
    if (name[0] != '\0' && name[1] != ':')
        length = platform::FullPathName(name, platform::kPathBuffer, fullPath_);
    if (length == 0 || length >= platform::kPathBuffer) std::strcpy(fullPath_, name);
    platform::SetLastError(error);
    return true;
}

void FileHandle::Close() {
    if (!IsOpen()) return;
    platform::Close(handle_);
    handle_ = platform::kInvalidFile;
    fullPath_[0] = '\0';
}

void FileHandle::WriteAll(const void* buffer, std::uint32_t count) {
    const char* bytes = static_cast<const char*>(buffer);
    while (count > 0) {
        std::uint32_t written = Write(bytes, count);
        if (written == 0) throw platform::kErrorHandleDiskFull;
        bytes += written;
        count -= written;
    }
}

void FileHandle::Rewind() {
    if (platform::Seek(handle_, 0, platform::kFileBegin) == platform::kInvalidPosition)
        throw platform::LastError();
}

void FileHandle::Adopt(FileHandle& other) {
    if (&other == this) return;
    Close();
    handle_ = other.handle_;
    std::memcpy(fullPath_, other.fullPath_, sizeof fullPath_);
    other.handle_ = platform::kInvalidFile;
    other.fullPath_[0] = '\0';
}

void FileHandle::CloseAndDelete() {
    if (!IsOpen()) return;
    platform::Close(handle_);
    handle_ = platform::kInvalidFile;
    platform::Remove(fullPath_);
    fullPath_[0] = '\0';
}

std::uint32_t FileHandle::Read(void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    if (!platform::Read(handle_, buffer, count, &done)) RaiseFailure();
    return done;
}

std::uint32_t FileHandle::Write(const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    if (!platform::Write(handle_, buffer, count, &done)) RaiseFailure();
    return done;
}
