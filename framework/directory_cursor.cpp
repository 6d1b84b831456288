#include "framework/directory_cursor.h"

#include <cstring>

#include "framework/path.h"

namespace {

bool ReadCurrentDirectory(char* result) {
    std::uint32_t length = platform::CurrentDirectory(platform::kPathBuffer, result);
    return length > 0 && length < platform::kPathBuffer;
}

}  // namespace

DirectoryCursor::DirectoryCursor() {
    if (!ReadCurrentDirectory(directory_)) directory_[0] = '\0';
}

bool DirectoryCursor::Join(char* destination, const char* name) const {
    std::size_t directoryLength = std::strlen(directory_), nameLength = std::strlen(name);
    if (directoryLength + nameLength + 1 > platform::kMaxPath) return false;
    std::memcpy(destination, directory_, directoryLength);
    // A byte-wise look at the last character would take the trail byte of "表" for '\'.
    if (!EndsWithSeparator(directory_)) destination[directoryLength++] = platform::kSeparator;
    std::memcpy(destination + directoryLength, name, nameLength + 1);
    return true;
}

bool DirectoryCursor::ChangeTo(const char* path) {
    char arrived[platform::kPathBuffer];
    if (!platform::ChangeDirectory(directory_) || !platform::ChangeDirectory(path) ||
        !ReadCurrentDirectory(arrived))
        return false;
    std::memcpy(directory_, arrived, sizeof directory_);
    return true;
}
