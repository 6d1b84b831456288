// What the file list's and output folder's shortcut tests leave out: one level only, a
// missing file, and the caller's COM left as it was.
#include "framework/shell_link.h"

#include <gtest/gtest.h>

#include <cstring>
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

// A shortcut to a shortcut gives the inner shortcut, not its target; a missing shortcut
// is refused, never created, and leaves no stale target.
TEST(ShellLinkTest, ResolvesOneLevelOnlyAndNeverCreatesTheShortcut) {
    test::TempDir dir;
    test::WriteBytes(dir / "target.txt", "text");
    test::MakeShortcut(dir / "inner.lnk", dir / "target.txt");
    test::MakeShortcut(dir / "outer.lnk", dir / "inner.lnk");
    ShellLink outer, missing;
    char resolved[platform::kPathBuffer];
    ASSERT_TRUE(outer.LoadAndResolve((dir / "outer.lnk").c_str()));
    outer.GetTarget(resolved);
    EXPECT_EQ(resolved, dir / "inner.lnk");
    EXPECT_FALSE(missing.LoadAndResolve((dir / "missing.lnk").c_str()));
    EXPECT_FALSE(test::Exists(dir / "missing.lnk"));
    std::strcpy(resolved, "stale");
    missing.GetTarget(resolved);
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
