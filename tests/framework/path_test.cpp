#include "framework/path.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace {

using platform::kSeparator;

TEST(PathTest, IsDrivePathWantsLetterColonSeparator) {
    struct Case {
        const char* path;
        bool drive;
    } cases[] = {
        {"C:\\", true}, {"z:/x", true}, {"C:", false},  {"C:x", false}, {"1:\\", false},
        {"\\\\server\\share", false}, {"", false}, {"@:\\", false}, {"[:\\", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsDrivePath(c.path), c.drive) << c.path;
}

TEST(PathTest, EqualIgnoringAsciiCaseFoldsOnlySingleByteLetters) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"C:\\A.TXT", "c:\\a.txt", true},
        {"", "", true},
        {"a", "", false},
        {"", "a", false},
        {"abc", "abd", false},
        {"ア.txt", "ア.TXT", true},
        {"ア", "ヂ", false},  // 83 41 and 83 61: trail bytes that look like A and a
        {"表\\X", "表\\x", true},
        {"\x83", "\x83", true},  // a lead byte cut off by the end
        {"\x83", "\x83x", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EqualIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " | " << c.b;
        EXPECT_EQ(EqualIgnoringAsciiCase(c.b, c.a), c.equal) << c.b << " | " << c.a;
    }
}

TEST(PathTest, SplitsIntoDriveDirectoryBaseAndExtension) {
    struct Case {
        const char* path;
        const char* drive;
        const char* directory;
        const char* base;
        const char* extension;
    } cases[] = {
        {"C:\\dir\\name.txt", "C:", "\\dir\\", "name", ".txt"},
        {"name", "", "", "name", ""},
        {"a.b.c", "", "", "a.b", ".c"},
        {"dir.x\\name", "", "dir.x\\", "name", ""},
        {"C:/a/b.", "C:", "/a/", "b", "."},
        {"C:\\a\\", "C:", "\\a\\", "", ""},
        {".profile", "", "", "", ".profile"},
        {"\\\\server\\share\\f.txt", "", "\\\\server\\share\\", "f", ".txt"},
        // 表 and ソ end in byte 0x5C: not separators.
        {"C:\\表\\ソ.txt", "C:", "\\表\\", "ソ", ".txt"},
        {"D:表示ソフト", "D:", "", "表示ソフト", ""},
    };
    for (const Case& c : cases) {
        PathParts parts;
        ASSERT_TRUE(SplitPath(c.path, &parts)) << c.path;
        EXPECT_STREQ(parts.drive, c.drive) << c.path;
        EXPECT_STREQ(parts.directory, c.directory) << c.path;
        EXPECT_STREQ(parts.baseName, c.base) << c.path;
        EXPECT_STREQ(parts.extension, c.extension) << c.path;
    }
}

TEST(PathTest, SplitRefusesAnOverlongPath) {
    std::string longest = "C:\\" + std::string(257, 'a');
    PathParts parts;
    EXPECT_TRUE(SplitPath(longest.c_str(), &parts));
    EXPECT_FALSE(SplitPath((longest + "b").c_str(), &parts));
    EXPECT_STREQ(parts.baseName, "");
}

class CreateDirectoryPathTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(CreateDirectoryPathTest, CreatesEveryMissingLevel) {
    std::string path = test::Join(test::Join(test::Join(dir.Path(), "a"), "表"), "c");
    std::string text = path;
    EXPECT_TRUE(CreateDirectoryPath(text.data()));
    EXPECT_EQ(text, path);  // restored after the temporary cuts
    EXPECT_TRUE(platform::Attributes(path.c_str()) & platform::kAttributeDirectory);
    EXPECT_EQ(test::ListNames(dir / "a"), std::vector<std::string>{"表"});
    // Existing: true again; a trailing separator names the same folder.
    EXPECT_TRUE(CreateDirectoryPath(text.data()));
    std::string trailing = path + kSeparator;
    EXPECT_TRUE(CreateDirectoryPath(trailing.data()));
}

TEST_F(CreateDirectoryPathTest, FailsUnderAFileOrAMissingDriveAndLeavesThePathAlone) {
    test::WriteBytes(dir / "file", "data");
    std::string path = test::Join(test::Join(dir / "file", "x"), "y");
    EXPECT_FALSE(CreateDirectoryPath(path.data()));
    EXPECT_EQ(test::ReadBytes(dir / "file"), "data");
#if defined(_WIN32)
    ASSERT_EQ(platform::DriveType("Q:\\"), platform::kDriveNoRootDir);
    char missing[] = "Q:\\x\\y";
    EXPECT_FALSE(CreateDirectoryPath(missing));
    EXPECT_STREQ(missing, "Q:\\x\\y");
    char noSeparator[] = "Q:x";  // path not found, and no parent to make
    EXPECT_FALSE(CreateDirectoryPath(noSeparator));
#endif
}

}  // namespace
