#include "framework/file_handle.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/find_file.h"
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
    const struct {
        std::string name;
        std::uint32_t disposition;
        std::uint32_t error;
    } cases[] = {
        {dir / "missing.txt", kOpenExisting, kErrorFileNotFound},
        {dir / "f.txt", kCreateNew, kErrorFileExists},
        {dir / std::string(300, 'n'), kCreateAlways, kErrorFilenameTooLong},
    };
    for (const auto& c : cases) {
        FileHandle file;
        ASSERT_TRUE(file.Open((dir / "e.txt").c_str(), kGenericWrite, 0, kCreateAlways, 0));
        EXPECT_FALSE(file.Open(c.name.c_str(), kGenericWrite, 0, c.disposition, 0));
        EXPECT_EQ(LastError(), c.error);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_STREQ(file.FullPath(), "");
    }
    EXPECT_EQ(test::ReadBytes(dir / "f.txt"), "keep");
    EXPECT_EQ(test::ListNames(dir.Path()), (std::vector<std::string>{"e.txt", "f.txt"}));
}

TEST_F(FileHandleTest, CloseAndDeleteRemovesOnlyAnOpenFileAndTheDestructorCloses) {
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
    {
        FileHandle open;
        ASSERT_TRUE(open.Open(path.c_str(), kGenericWrite, 0, kCreateAlways, 0));
    }
    EXPECT_TRUE(Remove(path.c_str()));
}

TEST_F(FileHandleTest, FindFileTellsExistenceAndListsMatches) {
    test::WriteBytes(dir / "one.txt", "1");
    test::WriteBytes(dir / "two.TXT", "2");
    test::WriteBytes(dir / "three.doc", "3");
    MakeDirectory((dir / "sub").c_str());

    FindFile find;
    EXPECT_FALSE(find.FindNext());  // no search open
    ASSERT_TRUE(find.FindFirst((dir / "one.txt").c_str()));
    EXPECT_STREQ(find.Name(), "one.txt");
    EXPECT_FALSE(find.IsDirectory());
    EXPECT_EQ(find.Data().size, 1u);
    ASSERT_TRUE(find.FindFirst((dir / "sub").c_str()));
    EXPECT_TRUE(find.IsDirectory());
    EXPECT_FALSE(find.FindFirst((dir / "none.txt").c_str()));
    // A folder written with a trailing separator names no entry, as on Windows.
    EXPECT_FALSE(find.FindFirst(((dir / "sub") + kSeparator).c_str()));

    std::vector<std::string> names;
    for (bool more = find.FindFirst((dir / "*.txt").c_str()); more; more = find.FindNext())
        names.push_back(find.Name());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"one.txt", "two.TXT"}));
}

}  // namespace
