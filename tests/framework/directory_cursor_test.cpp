#include "framework/directory_cursor.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace {

using platform::kPathBuffer;
using platform::kSeparator;

std::string CurrentDirectory() {
    char buffer[kPathBuffer] = {};
    platform::CurrentDirectory(kPathBuffer, buffer);
    return buffer;
}

// Every test moves the process; the next one starts where this one did.
class DirectoryCursorTest : public ::testing::Test {
protected:
    DirectoryCursorTest() : saved_(CurrentDirectory()) {}
    ~DirectoryCursorTest() override { platform::ChangeDirectory(saved_.c_str()); }

    // The cursor's own spelling of the scratch folder (natively it may be reached through
    // a link, so compare with what the cursor reads back).
    std::string Arrive(DirectoryCursor* cursor, const std::string& path) {
        EXPECT_TRUE(cursor->ChangeTo(path.c_str())) << path;
        return cursor->Directory();
    }

    std::string saved_;
    test::TempDir dir;
};

// The walk relies on the cursor, not on the process's current directory, which others move;
// a failed change keeps the remembered directory.
TEST_F(DirectoryCursorTest, RelativePathsAreTakenAgainstTheRememberedDirectory) {
    for (const std::string& sub : {dir / "a", test::Join(dir / "a", "b"), dir / "other"})
        ASSERT_TRUE(platform::MakeDirectory(sub.c_str()));
    test::WriteBytes(dir / "file", "x");
    DirectoryCursor cursor;
    EXPECT_EQ(cursor.Directory(), CurrentDirectory());
    std::string top = Arrive(&cursor, dir.Path());
    for (const char* refused : {"missing", "file"})
        EXPECT_TRUE(!cursor.ChangeTo(refused) && cursor.Directory() == top) << refused;
    ASSERT_TRUE(platform::ChangeDirectory((dir / "other").c_str()));  // the process wanders off
    ASSERT_TRUE(cursor.ChangeTo("a"));
    EXPECT_EQ(cursor.Directory(), test::Join(top, "a"));
    ASSERT_TRUE(platform::ChangeDirectory(saved_.c_str()));
    ASSERT_TRUE(cursor.ChangeTo("b"));
    EXPECT_EQ(cursor.Directory(), test::Join(test::Join(top, "a"), "b"));
    EXPECT_EQ(CurrentDirectory(), cursor.Directory());
    ASSERT_TRUE(cursor.ChangeTo(".."));
    ASSERT_TRUE(cursor.ChangeTo(".."));
    EXPECT_EQ(cursor.Directory(), top);
}

// "表" is 95 5C: its last byte is '\' though the name does not end in a separator; a root
// does end in one.
TEST_F(DirectoryCursorTest, JoinAddsOneSeparatorOnlyWhereNoneEndsTheDirectory) {
    ASSERT_TRUE(platform::MakeDirectory((dir / "表").c_str()));
    DirectoryCursor cursor;
    std::string folder = Arrive(&cursor, dir / "表");
    ASSERT_EQ(folder.substr(folder.size() - 3), std::string(1, kSeparator) + "表");
    char joined[kPathBuffer];
    ASSERT_TRUE(cursor.Join(joined, "a.txt"));
    EXPECT_EQ(std::string(joined), folder + kSeparator + "a.txt");
    test::WriteBytes(joined, "x");
    EXPECT_TRUE(test::Exists(dir / "表" + kSeparator + "a.txt"));
    const std::string root = kSeparator == '\\' ? "C:\\" : "/";
    ASSERT_EQ(Arrive(&cursor, root), root);
    ASSERT_TRUE(cursor.Join(joined, "name"));
    EXPECT_EQ(std::string(joined), root + "name");
}

TEST_F(DirectoryCursorTest, JoinRefusesResultsLongerThanAPath) {
    // A folder whose path is exactly 255 characters: 255 + 1 + 4 = 260 fits, 261 does not.
    DirectoryCursor cursor;
    std::string path = Arrive(&cursor, dir.Path());
    while (path.size() < 255) {
        std::size_t room = 255 - path.size() - 1;
        std::string name(room > 100 ? 100 : room, 'd');
        if (name.empty()) {  // one character short: lengthen the last folder instead
            ASSERT_TRUE(cursor.ChangeTo(".."));
            std::string last = path.substr(path.find_last_of(kSeparator) + 1);
            name = last + "d";
        }
        ASSERT_TRUE(platform::MakeDirectory(name.c_str())) << name;
        path = Arrive(&cursor, name);
    }
    ASSERT_EQ(path.size(), 255u);

    char joined[kPathBuffer] = "untouched";
    ASSERT_TRUE(cursor.Join(joined, "abcd"));
    EXPECT_EQ(std::string(joined), path + kSeparator + "abcd");
    std::string before = joined;
    EXPECT_FALSE(cursor.Join(joined, "abcde"));
    EXPECT_EQ(std::string(joined), before);
}

}  // namespace
