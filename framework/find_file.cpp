#include "framework/find_file.h"

bool FindFile::FindFirst(const char* pattern) {
    Close();
    search_ = platform::FindFirst(pattern, &data_);
    return search_ != platform::kInvalidFind;
}

bool FindFile::FindNext() {
    if (search_ == platform::kInvalidFind) return false;
    return platform::FindNext(search_, &data_);
}

void FindFile::Close() {
    if (search_ == platform::kInvalidFind) return;
    platform::FindEnd(search_);
    search_ = platform::kInvalidFind;
}
