#include "framework/path.h"

#include <cstring>

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

void CutText(char* text, std::size_t length) {
    std::size_t i = 0;
    while (i < length) {
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 == length) break;
        i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    text[i] = '\0';
}

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualIgnoringAsciiCase(const char* a, const char* b) {
    for (; *a != '\0'; ++a, ++b) {
        if (IsLeadByte(static_cast<unsigned char>(*a))) {
            if (*a != *b) return false;
            ++a, ++b;
            if (*a != *b) return false;
            if (*a == '\0') return true;
        } else if (LowerAscii(*a) != LowerAscii(*b)) {
            return false;
        }
    }
    return *b == '\0';
}

void FoldAsciiCase(char* text) {
    for (; *text != '\0'; ++text) {
        if (!IsLeadByte(static_cast<unsigned char>(*text))) {
            *text = LowerAscii(*text);
        } else if (*++text == '\0') {
            return;
        }
    }
}

bool LostCharacters(const char* path) { return std::strchr(path, '?') != nullptr; }

const char* LastSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = path; *p; ++p) {
        if (IsLeadByte(static_cast<unsigned char>(*p))) {
            if (!p[1]) break;
            ++p;
        } else if (*p == '\\' || *p == '/') {
            last = p;
        }
    }
    return last;
}

char* LastSeparator(char* path) {
    return const_cast<char*>(LastSeparator(static_cast<const char*>(path)));
}

bool EndsWithSeparator(const char* path) {
    const char* last = LastSeparator(path);
    return last && last[1] == '\0';
}

bool IsDrivePath(const char* path) {
    char c = path[0];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return letter && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

bool IsFolder(const char* path) {
    std::uint32_t attributes = platform::Attributes(path);
    return attributes != platform::kInvalidAttributes &&
           (attributes & platform::kAttributeDirectory) != 0;
}

bool CreateDirectoryPath(char* path) {
    if (platform::MakeDirectory(path)) return true;
    std::uint32_t error = platform::LastError();
    if (error == platform::kErrorAlreadyExists) return true;
    if (error != platform::kErrorPathNotFound) return false;
    char* separator = LastSeparator(path);
    if (!separator) return false;
    char saved = *separator;
    *separator = '\0';
    bool parentMade = CreateDirectoryPath(path);
    *separator = saved;
    if (!parentMade) return false;
    // One more try once the parent exists; a second "path not found" ends it rather
    // than looping (a drive root reports itself as existing without being creatable).
    if (platform::MakeDirectory(path)) return true;
    return platform::LastError() == platform::kErrorAlreadyExists;
}

bool SplitPath(const char* path, PathParts* parts) {
    parts->drive[0] = parts->directory[0] = parts->baseName[0] = parts->extension[0] = '\0';
    std::size_t length = std::strlen(path);
    if (length > platform::kMaxPath) return false;
    const char* rest = path;
    if (path[0] && path[1] == ':') {
        std::memcpy(parts->drive, path, 2);
        parts->drive[2] = '\0';
        rest += 2;
    }
    const char* separator = LastSeparator(rest);
    const char* name = separator ? separator + 1 : rest;
    std::memcpy(parts->directory, rest, static_cast<std::size_t>(name - rest));
    parts->directory[name - rest] = '\0';
    const char* dot = nullptr;
    for (const char* p = name; *p; ++p) {
        if (IsLeadByte(static_cast<unsigned char>(*p))) {
            if (!p[1]) break;
            ++p;
        } else if (*p == '.') {
            dot = p;
        }
    }
    const char* end = path + length;
    const char* nameEnd = dot ? dot : end;
    std::memcpy(parts->baseName, name, static_cast<std::size_t>(nameEnd - name));
    parts->baseName[nameEnd - name] = '\0';
    std::strcpy(parts->extension, dot ? dot : "");
    return true;
}
