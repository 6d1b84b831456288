// Where a UTF-8 or UTF-16LE text first holds a character that code page 932 cannot write,
// so that the console can say which character kept a file from being converted.  Looked
// for only after a conversion has failed, by reading the file once more.
#pragma once

#include <cstdint>

struct Unwritable {
    std::uint32_t codePoint;
    std::uint32_t line;  // from 1, counted by LF
};

// inputCode: Utf8 or Unicode.  False when every character can be written, the text is
// malformed before one that cannot, or the file cannot be read.
bool FindUnwritable(const char* path, std::int32_t inputCode, Unwritable* found);
