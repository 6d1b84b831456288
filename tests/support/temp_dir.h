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
std::string CurrentDirectory();  // the process's, or "" when it does not fit a path
void WriteBytes(const std::string& path, std::string_view bytes);
std::string Repeat(std::string_view piece, std::size_t times);
std::string ReadBytes(const std::string& path);  // the whole file; fails the test ("") if unreadable
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
// visit(relative, path) for every file under root, folder by folder; relative is the path
// below root with '\' (or '/' natively) between its names.
void WalkFiles(const std::string& root,
               const std::function<void(const std::string& relative, const std::string& path)>& visit);
std::vector<std::string> ListNames(const std::string& folder);  // sorted, without "." and ".."
void RemoveTree(const std::string& path);

// The small file system the fixture mounts (tools/small-disk.sh; X: under Wine), as
// ZEKO_SMALL_DISK names it; empty when it is not mounted.
std::string SmallDisk();
// Writes 4096-byte blocks into a new file until the file system refuses or limit bytes
// are written; the bytes written.
std::uint32_t FillFile(const std::string& path, std::uint32_t limit);
void FillDisk(const std::string& path, std::size_t room);  // fills path's disk, then frees ~room bytes

// The names in a folder that look like the job's or the engine's temporary files
// (Z….TMP, U….tmp, in either case).
std::vector<std::string> TemporaryFiles(const std::string& folder);
// What a run may leave behind by mistake anywhere under root, relative to it: temporary
// files and write probes (DUMMY…).
std::vector<std::string> LeftoverFiles(const std::string& root);

}  // namespace test
