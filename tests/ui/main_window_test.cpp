// Start-up and shutdown through the real main window, with ZEKO.CFG in a scratch folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/resource_ids.h"
#include "settings/config_store.h"
#include "settings/settings.h"
#include "support/gui_script.h"
#include "support/program.h"
#include "support/temp_dir.h"
#include "ui/converter_app.h"

namespace {

// A way to close a dialog: its button (a control id), a key pressed on `control`, or the
// close box (0).
void Close(test::UiWindow& window, int way, int control) {
    if (way == VK_RETURN || way == VK_ESCAPE) {
        SetFocus(window.Control(control));
        PostMessageA(window.Control(control), WM_KEYDOWN, way, 0);
    } else if (way != 0) {
        window.Click(way);
    } else {
        PostMessageA(window.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

// Each run closes the About box, opened from the system menu, and then the main window
// after typing a folder, one way each.
TEST(MainWindowAppTest, ShowsTheLoadedFolderOpensAboutAndSavesTheTypedFolderHoweverItCloses) {
    test::TempDir dir;
    Settings settings;
    ConfigStore store;
    RegisterSettings(&settings, &store);
    const struct {
        int about, main;
    } cases[] = {{IDC_ABOUT_CLOSE, IDC_MAIN_EXIT}, {VK_RETURN, VK_ESCAPE}, {VK_ESCAPE, 0}, {0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::strcpy(settings.outputFolder, "C:\\元の出力");
        ASSERT_TRUE(store.Save((dir / ConfigStore::kFileName).c_str()));
        HWND main = nullptr;
        test::GuiScript script;
        script.OnWindow({"#32770", "Morvane", IDC_MAIN_FILE_LIST}, [&main](test::UiWindow& w) {
            main = w.Handle();
            EXPECT_EQ(w.Text(IDC_MAIN_OUTPUT_FOLDER), "C:\\元の出力");
            // The system menu offers minimize or restore, whichever applies, and the About box.
            HMENU menu = GetSystemMenu(main, FALSE);
            auto state = [menu](UINT item) { return GetMenuState(menu, item, MF_BYCOMMAND); };
            EXPECT_NE(state(ID_SYS_ABOUT), ~0u);
            EXPECT_EQ(state(SC_SIZE) & state(SC_MAXIMIZE), ~0u);
            for (int command : {0, SC_MINIMIZE, SC_RESTORE}) {
                if (command != 0) SendMessageA(main, WM_SYSCOMMAND, command, 0);
                const bool iconic = IsIconic(main) != 0;
                EXPECT_EQ(iconic, command == SC_MINIMIZE);
                EXPECT_EQ((state(SC_MINIMIZE) & MF_GRAYED) != 0, iconic);
                EXPECT_EQ((state(SC_RESTORE) & MF_GRAYED) != 0, !iconic);
            }
            PostMessageA(main, WM_SYSCOMMAND, ID_SYS_ABOUT, 0);
        });
        script.OnWindow({"#32770", "ヴァージョン情報", IDC_ABOUT_CLOSE}, [&](test::UiWindow& w) {
            EXPECT_EQ(GetWindow(w.Handle(), GW_OWNER), main);
            EXPECT_FALSE(IsWindowEnabled(main)) << "modal";
            Close(w, c.about, IDC_ABOUT_CLOSE);
        });
        // Found only once the About box has closed and the main window is enabled.
        script.OnWindow({"#32770", "Morvane", IDC_MAIN_FILE_LIST}, [&c](test::UiWindow& w) {
            w.SetText(IDC_MAIN_OUTPUT_FOLDER, "D:\\表示ソフト");
            Close(w, c.main, IDC_MAIN_OUTPUT_FOLDER);
        });
        EXPECT_EQ(test::RunProgram(dir.Path() + "\\"), 0);
        EXPECT_TRUE(script.Finished());
        EXPECT_TRUE(store.Load((dir / ConfigStore::kFileName).c_str()));
        EXPECT_STREQ(settings.outputFolder, "D:\\表示ソフト");
    }
}

// Refuses every window of the thread: neither the main dialog nor the fatal box can appear.
LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(MainWindowAppTest, AMainWindowThatCannotBeShownEndsWithTheFatalExitCode) {
    test::TempDir dir;
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    {
        ConverterApp app((dir.Path() + "\\").c_str());
        EXPECT_EQ(RunApplicationMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW), 1);
    }
    UnhookWindowsHookEx(hook);
}

}  // namespace
