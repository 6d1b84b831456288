// Path helpers shared by the whole system.  Paths are narrow strings in code page 932
// of at most 260 characters; a Shift_JIS trail byte may be 0x5C ('\', as in "表"), so
// every scan for a separator steps over double-byte characters.
#pragma once

#include <cstddef>

#include "framework/platform.h"

bool IsLeadByte(unsigned char c);

// Ends text (longer than length bytes) at length bytes, or one byte earlier when the cut
// would part a double-byte character.
void CutText(char* text, std::size_t length);

// Equal texts, ignoring the case of single-byte ASCII letters only: the trail byte of a
// double-byte character may look like a letter ("ア" is 83 41, "ヂ" 83 61) and is compared
// exactly, so two different Japanese names never count as the same.
bool EqualIgnoringAsciiCase(const char* a, const char* b);
// Puts the text's single-byte ASCII letters in lower case: two texts become the same
// exactly when EqualIgnoringAsciiCase finds them equal.
void FoldAsciiCase(char* text);

// Whether the system wrote '?' into the path for a character its code page has not: no
// name holds '?' (never a trail byte either), so such a path names nothing to open.
bool LostCharacters(const char* path);

// The last '\' or '/' of the path that is not a trail byte, or nullptr.
const char* LastSeparator(const char* path);
char* LastSeparator(char* path);
bool EndsWithSeparator(const char* path);

// A letter, ':' and a separator: "C:\...", "d:/...".
bool IsDrivePath(const char* path);

// Makes the directory and any missing parents.  The text is modified while the call
// runs and restored before it returns.
bool CreateDirectoryPath(char* path);

// Whether path names an existing folder (a path whose attributes cannot be read reports
// every flag set: it is no known folder).
bool IsFolder(const char* path);

// The four pieces of a path: drive ("C:"), directory with its trailing separator, base
// name, and extension from the last '.' of the last component (with the dot).
struct PathParts {
    char drive[3];
    char directory[platform::kPathBuffer];
    char baseName[platform::kPathBuffer];
    char extension[platform::kPathBuffer];
};

// False (and every piece empty) for a path longer than 260 characters.
bool SplitPath(const char* path, PathParts* parts);
