// The program's start-up and shutdown driven through the real main window: ZEKO.CFG in a
// scratch folder instead of beside the executable, the system menu, the About box and
// the ways of closing the window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/platform.h"
#include "resources/resource_ids.h"
#include "settings/config_store.h"
#include "settings/settings.h"
#include "support/gui_script.h"
#include "support/program.h"
#include "support/temp_dir.h"
#include "ui/converter_app.h"

namespace {

const test::WindowQuery kMain = {"#32770", "Morvane", IDC_MAIN_FILE_LIST};
const test::WindowQuery kAbout = {"#32770", "ヴァージョン情報", IDC_ABOUT_CLOSE};

// ZEKO.CFG with the defaults: ten one-byte records (8 bytes each), the affix "Z_" (10),
// the empty folder (8), the default extension list (49) and two more one-byte records.
constexpr std::size_t kDefaultFileSize = 163;

// One way a user closes a dialog: a button, a key pressed on a control, or the close box.
struct Closing {
    const char* way;
    int button;  // clicked when nonzero
    WPARAM key;  // else pressed when nonzero
};

void Close(test::UiWindow& window, const Closing& closing, int keyControl) {
    if (closing.button != 0) {
        window.Click(closing.button);
    } else if (closing.key != 0) {
        SetFocus(window.Control(keyControl));
        PostMessageA(window.Control(keyControl), WM_KEYDOWN, closing.key, 0);
    } else {
        PostMessageA(window.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

class MainWindowAppTest : public testing::Test {
protected:
    std::string Folder() const { return dir.Path() + "\\"; }
    std::string ConfigPath() const { return dir / ConfigStore::kFileName; }

    // Runs the program's start-up as WinMain would; the exit code.
    int RunProgram() { return test::RunProgram(Folder()); }

    void WriteConfig(const char* folder) {
        Settings settings;
        ConfigStore store;
        RegisterSettings(&settings, &store);
        std::strcpy(settings.outputFolder, folder);
        ASSERT_TRUE(store.Save(ConfigPath().c_str()));
    }

    std::string SavedFolder() {
        Settings settings;
        ConfigStore store;
        RegisterSettings(&settings, &store);
        EXPECT_TRUE(store.Load(ConfigPath().c_str()));
        return settings.outputFolder;
    }

    test::TempDir dir;
};

TEST_F(MainWindowAppTest, StartsWithoutConfigFileAndSavesTheSettingsAtExit) {
    test::GuiScript script;
    script.OnWindow(kMain, [this](test::UiWindow& main) {
        EXPECT_TRUE(test::Exists(ConfigPath())) << "created at start";
        EXPECT_EQ(test::ReadBytes(ConfigPath()), "");
        EXPECT_EQ(main.Text(IDC_MAIN_OUTPUT_FOLDER), "");
        EXPECT_FALSE(main.IsEnabled(IDC_MAIN_CONVERT));
        EXPECT_EQ(SendMessageA(main.Control(IDC_MAIN_FILE_LIST), LVM_GETITEMCOUNT, 0, 0), 0);
        main.Click(IDC_MAIN_EXIT);
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(test::ReadBytes(ConfigPath()).size(), kDefaultFileSize);
    EXPECT_EQ(SavedFolder(), "");
}

TEST_F(MainWindowAppTest, ShowsTheLoadedFolderAndSavesTheTypedOneHoweverItCloses) {
    const Closing closings[] = {
        {"exit button", IDC_MAIN_EXIT, 0}, {"Esc", 0, VK_ESCAPE}, {"close box", 0, 0}};
    for (const auto& closing : closings) {
        SCOPED_TRACE(closing.way);
        WriteConfig("C:\\元の出力");
        test::GuiScript script;
        script.OnWindow(kMain, [&closing](test::UiWindow& main) {
            EXPECT_EQ(main.Text(IDC_MAIN_OUTPUT_FOLDER), "C:\\元の出力");
            main.SetText(IDC_MAIN_OUTPUT_FOLDER, "D:\\表示ソフト");
            Close(main, closing, IDC_MAIN_OUTPUT_FOLDER);
        });
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(SavedFolder(), "D:\\表示ソフト");
    }
}

TEST_F(MainWindowAppTest, SystemMenuHasAboutAndFollowsMinimizeAndRestore) {
    auto state = [](HMENU menu, UINT command) {
        return GetMenuState(menu, command, MF_BYCOMMAND);
    };
    test::GuiScript script;
    script.OnWindow(kMain, [&state](test::UiWindow& main) {
        HMENU menu = GetSystemMenu(main.Handle(), FALSE);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(state(menu, SC_SIZE), static_cast<UINT>(-1)) << "no size item";
        EXPECT_EQ(state(menu, SC_MAXIMIZE), static_cast<UINT>(-1)) << "no maximize item";
        EXPECT_TRUE(state(menu, SC_RESTORE) & MF_GRAYED);
        EXPECT_FALSE(state(menu, SC_MINIMIZE) & MF_GRAYED);

        int close = 0;
        while (close < GetMenuItemCount(menu) && GetMenuItemID(menu, close) != SC_CLOSE) ++close;
        ASSERT_GE(close, 1);
        EXPECT_EQ(GetMenuItemID(menu, close - 1), static_cast<UINT>(ID_SYS_ABOUT));
        char text[64] = {};
        GetMenuStringA(menu, ID_SYS_ABOUT, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, "ヴァージョン情報");

        EXPECT_NE(SendMessageA(main.Handle(), WM_GETICON, ICON_SMALL, 0), 0);
        EXPECT_NE(SendMessageA(main.Handle(), WM_GETICON, ICON_BIG, 0), 0);

        SendMessageA(main.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(IsIconic(main.Handle()));
        EXPECT_TRUE(state(menu, SC_MINIMIZE) & MF_GRAYED);
        EXPECT_FALSE(state(menu, SC_RESTORE) & MF_GRAYED);
        SendMessageA(main.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_FALSE(IsIconic(main.Handle()));
        EXPECT_TRUE(state(menu, SC_RESTORE) & MF_GRAYED);
        EXPECT_FALSE(state(menu, SC_MINIMIZE) & MF_GRAYED);
        main.Click(IDC_MAIN_EXIT);
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(script.Finished());
}

TEST_F(MainWindowAppTest, AboutBoxOpensFromTheSystemMenuAndClosesEveryWay) {
    const Closing closings[] = {{"its button", IDC_ABOUT_CLOSE, 0},
                                {"Enter", 0, VK_RETURN},
                                {"Esc", 0, VK_ESCAPE},
                                {"close box", 0, 0}};
    for (const auto& closing : closings) {
        SCOPED_TRACE(closing.way);
        test::GuiScript script;
        HWND mainHandle = nullptr;
        script
            .OnWindow(kMain,
                      [&mainHandle](test::UiWindow& main) {
                          mainHandle = main.Handle();
                          PostMessageA(main.Handle(), WM_SYSCOMMAND, ID_SYS_ABOUT, 0);
                      })
            .OnWindow(kAbout,
                      [&closing, &mainHandle](test::UiWindow& about) {
                          EXPECT_EQ(GetWindow(about.Handle(), GW_OWNER), mainHandle);
                          EXPECT_FALSE(IsWindowEnabled(mainHandle)) << "modal";
                          Close(about, closing, IDC_ABOUT_CLOSE);
                      })
            .OnWindow(kMain, [](test::UiWindow& main) {
                // Found only once the About box has closed and the main window is enabled.
                main.Click(IDC_MAIN_EXIT);
            });
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_TRUE(script.Finished());
    }
}

// A thread hook that refuses to create any window: neither the main dialog nor the
// fatal message box can appear.
LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainWindowAppTest, AMainWindowThatCannotBeShownEndsWithTheFatalExitCode) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    {
        ConverterApp app(Folder().c_str());
        EXPECT_EQ(RunApplicationMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 1);
    }
    UnhookWindowsHookEx(hook);
}

}  // namespace
