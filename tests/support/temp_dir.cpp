#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "framework/path.h"
#include "framework/platform.h"

namespace test {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return text;
}

bool IsTemporaryName(const std::string& name) {
    std::string upper = Upper(name);
    return upper.size() > 4 && upper.ends_with(".TMP") && (upper[0] == 'Z' || upper[0] == 'U');
}

}  // namespace

std::string Join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && !EndsWithSeparator(path.c_str())) path += platform::kSeparator;
    return path += name;
}

std::string CurrentDirectory() {
    char path[platform::kPathBuffer] = {};
    std::uint32_t length = platform::CurrentDirectory(sizeof path, path);
    return length < sizeof path ? path : "";
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const std::string base = CurrentDirectory();
    if (base.empty()) throw std::runtime_error("no current directory");
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string testName = test ? test->name() : "run";
    std::replace(testName.begin(), testName.end(), '/', '-');  // a parameterised test's "/<index>"
    for (int attempt = 0; attempt < 1000; ++attempt) {
        // The number first: a long test name is cut, and the cut must keep the names apart.
        char name[64];
        std::snprintf(name, sizeof name, "zt-%d-%s", counter++, testName.c_str());
        if (platform::MakeDirectory((path_ = Join(base, name)).c_str())) return;
    }
    throw std::runtime_error("cannot create a scratch folder in " + base);
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string TempDir::operator/(std::string_view name) const { return Join(path_, name); }

void WriteBytes(const std::string& path, std::string_view bytes) {
    platform::FileId file = platform::Open(path.c_str(), platform::kGenericWrite, 0, platform::kCreateAlways,
                                           platform::kAttributeNormal);
    ASSERT_NE(file, platform::kInvalidFile) << "cannot create " << path;
    std::uint32_t written = 0;
    bool ok = platform::Write(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
    platform::Close(file);
    ASSERT_TRUE(ok && written == bytes.size()) << "cannot write " << path;
}

std::string ReadBytes(const std::string& path) {
    platform::FileId file = platform::Open(path.c_str(), platform::kGenericRead, platform::kShareRead,
                                           platform::kOpenExisting, platform::kAttributeNormal);
    if (file == platform::kInvalidFile) {
        ADD_FAILURE() << "cannot open " << path;
        return {};
    }
    std::string bytes;
    char block[65536];
    std::uint32_t got = 0;
    while (platform::Read(file, block, sizeof block, &got) && got > 0) bytes.append(block, got);
    platform::Close(file);
    return bytes;
}

std::string Repeat(std::string_view piece, std::size_t times) {
    std::string text;
    while (times-- > 0) text += piece;
    return text;
}

bool Exists(const std::string& path) {
    return platform::Attributes(path.c_str()) != platform::kInvalidAttributes;
}

bool IsFolder(const std::string& path) { return ::IsFolder(path.c_str()); }

void WalkFiles(const std::string& root,
               const std::function<void(const std::string&, const std::string&)>& visit) {
    for (const std::string& name : IsFolder(root) ? ListNames(root) : std::vector<std::string>()) {
        std::string path = Join(root, name);
        if (!IsFolder(path)) {
            visit(name, path);
            continue;
        }
        WalkFiles(path, [&](const std::string& relative, const std::string& below) {
            visit(Join(name, relative), below);
        });
    }
}

std::vector<std::string> ListNames(const std::string& folder) {
    std::vector<std::string> names;
    platform::FindData data{};
    platform::FindId search = platform::FindFirst(Join(folder, "*").c_str(), &data);
    if (search == platform::kInvalidFind) return names;
    do {
        if (std::string name = data.name; name != "." && name != "..") names.push_back(name);
    } while (platform::FindNext(search, &data));
    platform::FindEnd(search);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& path) {
    if (!IsFolder(path)) {
        if (Exists(path)) platform::Remove(path.c_str());
        return;
    }
    for (const std::string& name : ListNames(path)) RemoveTree(Join(path, name));
    platform::RemoveFolder(path.c_str());
}

std::string SmallDisk() {
    const char* disk = std::getenv("ZEKO_SMALL_DISK");
    return disk != nullptr && Exists(Join(disk, "small-disk.ok")) ? disk : "";
}

std::uint32_t FillFile(const std::string& path, std::uint32_t limit) {
    constexpr std::uint32_t kBlock = 4096;
    platform::FileId file = platform::Open(path.c_str(), platform::kGenericWrite, 0, platform::kCreateAlways,
                                           platform::kAttributeNormal);
    EXPECT_NE(file, platform::kInvalidFile) << "cannot create " << path;
    std::string chunk(kBlock, 'f');
    std::uint32_t total = 0, written = kBlock;
    while (written == kBlock && total < limit && platform::Write(file, chunk.data(), kBlock, &written))
        total += written;
    platform::Close(file);
    return total;
}

void FillDisk(const std::string& path, std::size_t room) {
    FillFile(path, UINT32_MAX);
    std::string filled = ReadBytes(path);
    WriteBytes(path, filled.substr(0, filled.size() > room ? filled.size() - room : 0));
}

std::vector<std::string> TemporaryFiles(const std::string& folder) {
    std::vector<std::string> found = ListNames(folder);
    std::erase_if(found, [](const std::string& name) { return !IsTemporaryName(name); });
    return found;
}

std::vector<std::string> LeftoverFiles(const std::string& root) {
    std::vector<std::string> found;
    WalkFiles(root, [&found](const std::string& relative, const std::string& path) {
        std::string name = LastSeparator(path.c_str()) + 1;
        if (IsTemporaryName(name) || Upper(name).starts_with("DUMMY")) found.push_back(relative);
    });
    return found;
}

}  // namespace test
