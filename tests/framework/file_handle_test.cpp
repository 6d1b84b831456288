#include "framework/file_handle.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/temp_dir.h"

namespace {

using namespace platform;
using namespace std::string_literals;

class FileHandleTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

// The full path (which CloseAndDelete removes) comes from the names alone, "." and ".."
// settled, whatever the current directory becomes later.
TEST_F(FileHandleTest, RecordsTheFullPathOfAnAbsoluteOrRelativeName) {
    std::string path = dir / "a.txt";
    test::WriteBytes(path, "x");
    ASSERT_TRUE(MakeDirectory((dir / "sub").c_str()));
    char saved[kPathBuffer], folder[kPathBuffer];
    ASSERT_GT(CurrentDirectory(sizeof saved, saved), 0u);
    ASSERT_TRUE(ChangeDirectory(dir.Path().c_str()));
    ASSERT_GT(CurrentDirectory(sizeof folder, folder), 0u);
    const std::string sep(1, kSeparator);
    for (const std::string& name :
         {"a.txt"s, "sub" + sep + ".." + sep + "a.txt", "." + sep + sep + "a.txt"}) {
        FileHandle file;
        EXPECT_TRUE(file.Open(name.c_str(), kGenericRead, kShareRead, kOpenExisting, 0)) << name;
        EXPECT_EQ(std::string(file.FullPath()), std::string(folder) + sep + "a.txt") << name;
    }
    ChangeDirectory(saved);
    FileHandle absolute;
    ASSERT_TRUE(absolute.Open(path.c_str(), kGenericRead, kShareRead, kOpenExisting, 0));
#if defined(_WIN32)
    EXPECT_STREQ(absolute.FullPath(), path.c_str());
#else
    EXPECT_TRUE(test::Exists(absolute.FullPath()));
#endif
}

// Nothing is created, cut or overwritten by an open that fails.
TEST_F(FileHandleTest, FailedOpenLeavesTheHandleClosedAndThePathEmpty) {
    test::WriteBytes(dir / "f.txt", "keep");
    const std::tuple<std::string, std::uint32_t, std::uint32_t> cases[] = {  // disposition, error
        {dir / "missing.txt", kOpenExisting, kErrorFileNotFound}, {dir / "f.txt", kCreateNew, kErrorFileExists},
        {dir / std::string(300, 'n'), kCreateAlways, kErrorFilenameTooLong}};
    for (const auto& [name, disposition, error] : cases) {
        FileHandle file;
        ASSERT_TRUE(file.Open((dir / "e.txt").c_str(), kGenericWrite, 0, kCreateAlways, 0));
        EXPECT_FALSE(file.Open(name.c_str(), kGenericWrite, 0, disposition, 0));
        EXPECT_EQ(LastError(), error);
        EXPECT_TRUE(!file.IsOpen() && *file.FullPath() == '\0') << name;
    }
    EXPECT_EQ(test::ReadBytes(dir / "f.txt"), "keep");
    EXPECT_EQ(test::ListNames(dir.Path()), (std::vector<std::string>{"e.txt", "f.txt"}));
}

TEST_F(FileHandleTest, CloseAndDeleteRemovesOnlyAnOpenFile) {
    std::string path = dir / "g.txt";
    FileHandle file;
    file.CloseAndDelete();  // closed: nothing happens
    ASSERT_TRUE(file.Open(path.c_str(), kGenericWrite, 0, kCreateAlways, 0));
    file.Close();
    file.CloseAndDelete();
    EXPECT_TRUE(test::Exists(path));
    ASSERT_TRUE(file.Open(path.c_str(), kGenericWrite, 0, kOpenExisting, 0));
    file.CloseAndDelete();
    EXPECT_FALSE(test::Exists(path));
    EXPECT_STREQ(file.FullPath(), "");
}

}  // namespace
