// What the file list's shortcut tests leave out: a Japanese target, one level only, a
// missing file, and the caller's COM left as it was.
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

TEST(ShellLinkTest, ResolvesOneLevelToJapaneseTargetsAndNeverCreatesTheShortcut) {
    test::TempDir dir;
    ASSERT_TRUE(platform::MakeDirectory((dir / "表示").c_str()));
    const std::string target = dir / "表示" + "\\ソース.txt";
    test::WriteBytes(target, "text");
    test::MakeShortcut(dir / "inner.lnk", target);
    test::MakeShortcut(dir / "outer.lnk", dir / "inner.lnk");
    for (const auto& [link, wanted] : {std::pair{dir / "inner.lnk", target},
                                       {dir / "outer.lnk", dir / "inner.lnk"}}) {
        ShellLink shellLink;
        ASSERT_TRUE(shellLink.LoadAndResolve(link.c_str())) << link;
        char resolved[platform::kPathBuffer];
        shellLink.GetTarget(resolved);
        EXPECT_EQ(resolved, wanted);
    }
    EXPECT_TRUE(ComIsUninitialised());
    ShellLink shellLink;
    EXPECT_FALSE(shellLink.LoadAndResolve((dir / "missing.lnk").c_str()));
    EXPECT_FALSE(test::Exists(dir / "missing.lnk"));
    char resolved[platform::kPathBuffer] = "stale";
    shellLink.GetTarget(resolved);
    EXPECT_STREQ(resolved, "");
}

// COM set up by someone else on this thread stays set up: an apartment of the same kind
// is counted and balanced, one of the other kind is used but never torn down.
TEST(ShellLinkTest, LeavesTheCallersComAsItFoundIt) {
    test::TempDir dir;
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
