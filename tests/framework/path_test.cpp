#include "framework/path.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace {

using platform::kSeparator;

TEST(PathTest, IsDrivePathWantsLetterColonSeparator) {
    for (const char* path : {"C:\\", "z:/x"}) EXPECT_TRUE(IsDrivePath(path)) << path;
    for (const char* path : {"C:", "C:x", "1:\\", "\\\\server\\share", "", "@:\\", "[:\\"})
        EXPECT_FALSE(IsDrivePath(path)) << path;
}

TEST(PathTest, EqualIgnoringAsciiCaseFoldsOnlySingleByteLetters) {
    // ア and ヂ are 83 41 and 83 61: trail bytes that look like A and a; \x83 alone is a lead
    // byte cut off by the end.
    const struct {
        const char *a, *b;
        bool equal;
    } cases[] = {{"C:\\A.TXT", "c:\\a.txt", true}, {"", "", true}, {"ア.txt", "ア.TXT", true},
                 {"表\\X", "表\\x", true}, {"\x83", "\x83", true}, {"a", "", false},
                 {"abc", "abd", false}, {"ア", "ヂ", false}, {"\x83", "\x83x", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(EqualIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " | " << c.b;
        EXPECT_EQ(EqualIgnoringAsciiCase(c.b, c.a), c.equal) << c.b << " | " << c.a;
    }
}

TEST(PathTest, SplitsIntoDriveDirectoryBaseAndExtension) {
    const struct {
        const char *path, *drive, *directory, *base, *extension;
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
    for (const auto& c : cases) {
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

TEST(CreateDirectoryPathTest, CreatesEveryMissingLevelButNothingUnderAFileOrAMissingDrive) {
    test::TempDir dir;
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

    test::WriteBytes(dir / "file", "data");
    std::string underFile = test::Join(test::Join(dir / "file", "x"), "y");
    EXPECT_FALSE(CreateDirectoryPath(underFile.data()));
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
