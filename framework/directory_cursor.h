// A remembered current directory for walking folder trees: relative names are taken
// against it, whatever the process's current directory became in the meantime.
#pragma once

#include "framework/platform.h"

class DirectoryCursor {
public:
    // Starts at the process's current directory (empty if that cannot be read whole).
    DirectoryCursor();

    // destination (kPathBuffer bytes) = directory, a separator unless it already ends in
    // one, and name.  False, with destination untouched, when that would exceed kMaxPath.
    bool Join(char* destination, const char* name) const;

    // Moves the process into path, taken relative to the remembered directory, and
    // remembers where it arrived.  On failure the remembered directory is unchanged,
    // though the process's current directory may have moved.
    bool ChangeTo(const char* path);

    const char* Directory() const { return directory_; }

private:
    char directory_[platform::kPathBuffer] = {};
};
