// An open file that remembers the full path it was opened under, so that it can later
// be deleted, moved or shown by name.  Read and Write raise platform::kEFail (a signed
// 32-bit value) when the system call fails.  Unwinding may change the thread's last-error
// code (it does on Windows for a thread's first exception), so the code of the failed
// call is kept for the catcher in RaisedError().
#pragma once

#include <cstdint>

#include "framework/platform.h"

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Closes any open file first.  Never raises; false leaves the handle closed.
    bool Open(const char* name, std::uint32_t access, std::uint32_t share,
              std::uint32_t disposition, std::uint32_t flags);
    void Close();
    void CloseAndDelete();
    // Takes other's open file and name, leaving other closed.
    void Adopt(FileHandle& other);

    std::uint32_t Read(void* buffer, std::uint32_t count);
    std::uint32_t Write(const void* buffer, std::uint32_t count);
    // Writes every byte: a full disk first takes part of a block and only refuses the
    // next write, so the rest is written again until it is all taken or the system
    // reports the failure (a write that takes nothing raises kErrorHandleDiskFull).
    void WriteAll(const void* buffer, std::uint32_t count);
    // Back to the first byte; raises the system's error code when the file cannot seek.
    void Rewind();

    bool IsOpen() const { return handle_ != platform::kInvalidFile; }
    platform::FileId Handle() const { return handle_; }
    const char* FullPath() const { return fullPath_; }

    // The last-error code of this thread's most recent failed Read or Write.
    static std::uint32_t RaisedError();

private:
    platform::FileId handle_ = platform::kInvalidFile;
    char fullPath_[platform::kPathBuffer] = {};
};
