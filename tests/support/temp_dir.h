// A scratch folder per test, and whole-file helpers, over the platform layer (so paths
// stay code page 932 bytes on Windows, as the program sees them).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(std::string_view name) const;

private:
    std::string path_;
};

std::string Join(std::string_view folder, std::string_view name);
void WriteBytes(const std::string& path, std::string_view bytes);
// A text of times copies of piece.
std::string Repeat(std::string_view piece, std::size_t times);
// The whole file; fails the test (and returns "") when it cannot be read.
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
// Calls visit(relative, path) for every file under root, folder by folder; relative is
// the path below root with '\' (or '/' natively) between its names.
void WalkFiles(const std::string& root,
               const std::function<void(const std::string& relative, const std::string& path)>& visit);
// Bare names in a folder, sorted, without "." and "..".
std::vector<std::string> ListNames(const std::string& folder);
void RemoveTree(const std::string& path);

// The small file system the test fixture mounts (tools/small-disk.sh; drive X: under
// Wine), as ZEKO_SMALL_DISK names it; empty when it is not mounted.
std::string SmallDisk();
// Writes 4096-byte blocks into a new file at path until the file system refuses or limit
// bytes are written; the bytes written.
std::uint32_t FillFile(const std::string& path, std::uint32_t limit);
// Writes path until its disk is full, then gives back about room bytes.
void FillDisk(const std::string& path, std::size_t room);

// The names in a folder that look like the job's or the engine's temporary files
// (Z….TMP, U….tmp, in either case).
std::vector<std::string> TemporaryFiles(const std::string& folder);
// Everything a run may leave behind by mistake anywhere under root: temporary files and
// write probes (DUMMY…), as paths relative to root.
std::vector<std::string> LeftoverFiles(const std::string& root);

}  // namespace test
