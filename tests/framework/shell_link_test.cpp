#include "framework/shell_link.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/platform.h"
#include "support/shortcut.h"
#include "support/temp_dir.h"

namespace {

// True when COM was not initialised on this thread (and leaves it so).
bool ComIsUninitialised() {
    HRESULT result = CoInitialize(nullptr);
    if (SUCCEEDED(result)) CoUninitialize();
    return result == S_OK;
}

class ShellLinkTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(ShellLinkTest, ResolvesShortcutsToTheirTargetsAndOnlyReadsThem) {
    ASSERT_TRUE(platform::MakeDirectory((dir / "folder").c_str()));
    ASSERT_TRUE(platform::MakeDirectory((dir / "表示").c_str()));
    test::WriteBytes(dir / "target.txt", "text");
    test::WriteBytes(dir / "表示" + "\\ソース.txt", "text");
    test::MakeShortcut(dir / "inner.lnk", dir / "target.txt");
    struct Case {
        const char* link;
        std::string target;
    };
    const Case cases[] = {
        {"file.lnk", dir / "target.txt"},
        {"folder.lnk", dir / "folder"},
        {"japanese.lnk", dir / "表示" + "\\ソース.txt"},
        {"outer.lnk", dir / "inner.lnk"},  // one level: the inner shortcut is the target
    };
    for (const Case& c : cases) {
        std::string link = dir / c.link;
        if (!test::Exists(link)) test::MakeShortcut(link, c.target);
        std::string before = test::ReadBytes(link);
        ASSERT_FALSE(before.empty());
        {
            ShellLink shellLink;
            ASSERT_TRUE(shellLink.LoadAndResolve(link.c_str())) << c.link;
            char target[platform::kPathBuffer];
            shellLink.GetTarget(target);
            EXPECT_STREQ(target, c.target.c_str()) << c.link;
        }
        EXPECT_EQ(test::ReadBytes(link), before) << c.link;
        EXPECT_TRUE(ComIsUninitialised());
    }
}

TEST_F(ShellLinkTest, FilesThatAreNotShortcutsDoNotResolve) {
    test::MakeShortcut(dir / "good.lnk", dir / "good.lnk");
    std::string shortcut = test::ReadBytes(dir / "good.lnk");
    const std::pair<const char*, std::string> files[] = {
        {"text.lnk", "just some text\r\n"},
        {"empty.lnk", ""},
        {"header.lnk", shortcut.substr(0, 20)},
        {"truncated.lnk", shortcut.substr(0, shortcut.size() / 2)},
        {"noise.lnk", shortcut.substr(0, 4) + std::string(200, '\xFF')},
    };
    for (const auto& [name, bytes] : files) {
        std::string path = dir / name;
        test::WriteBytes(path, bytes);
        {
            ShellLink shellLink;
            EXPECT_FALSE(shellLink.LoadAndResolve(path.c_str())) << name;
        }
        EXPECT_EQ(test::ReadBytes(path), bytes) << name;
    }
    ShellLink shellLink;
    EXPECT_FALSE(shellLink.LoadAndResolve((dir / "missing.lnk").c_str()));
    EXPECT_FALSE(test::Exists(dir / "missing.lnk"));
    char target[platform::kPathBuffer] = "stale";
    shellLink.GetTarget(target);
    EXPECT_STREQ(target, "");
}

// COM set up by someone else on this thread stays set up: an apartment of the same kind
// is counted and balanced, one of the other kind is used but never torn down.
TEST_F(ShellLinkTest, LeavesTheCallersComAsItFoundIt) {
    test::MakeShortcut(dir / "file.lnk", dir / "file.lnk");
    for (DWORD model : {COINIT_APARTMENTTHREADED, COINIT_MULTITHREADED}) {
        ASSERT_EQ(CoInitializeEx(nullptr, model), S_OK);
        {
            ShellLink shellLink;
            EXPECT_TRUE(shellLink.LoadAndResolve((dir / "file.lnk").c_str()));
        }
        EXPECT_EQ(CoInitializeEx(nullptr, model), S_FALSE) << "torn down under model " << model;
        CoUninitialize();
        CoUninitialize();
        EXPECT_TRUE(ComIsUninitialised());
    }
}

}  // namespace
