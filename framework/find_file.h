// A directory listing; with a plain path as the pattern, the system's existence test.
#pragma once

#include "framework/platform.h"

class FindFile {
public:
    FindFile() = default;
    ~FindFile() { Close(); }
    FindFile(const FindFile&) = delete;
    FindFile& operator=(const FindFile&) = delete;

    bool FindFirst(const char* pattern);
    bool FindNext();
    void Close();

    // The last match; its name is bare, without the folder.
    const platform::FindData& Data() const { return data_; }
    const char* Name() const { return data_.name; }
    bool IsDirectory() const { return (data_.attributes & platform::kAttributeDirectory) != 0; }

private:
    platform::FindId search_ = platform::kInvalidFind;
    platform::FindData data_ = {};
};
