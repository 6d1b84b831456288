// The program's start-up and shutdown driven through the real main window: ZEKO.CFG in a
// scratch folder instead of beside the executable, the system menu, the About box and
// the ways of closing the window.
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

// One way a user closes a dialog: a button, a key pressed on a control, or the close box.
struct Closing {
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

// Each run opens the About box from the system menu and closes it one way, then types
// another folder and closes the main window one way.
TEST(MainWindowAppTest, ShowsTheLoadedFolderOpensAboutAndSavesTheTypedFolderHoweverItCloses) {
    test::TempDir dir;
    Settings settings;
    ConfigStore store;
    RegisterSettings(&settings, &store);
    const struct {
        const char* ways;
        Closing about, main;
    } cases[] = {{"buttons", {IDC_ABOUT_CLOSE, 0}, {IDC_MAIN_EXIT, 0}},
                 {"Enter, Esc", {0, VK_RETURN}, {0, VK_ESCAPE}},
                 {"Esc, close box", {0, VK_ESCAPE}, {0, 0}},
                 {"close boxes", {0, 0}, {0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ways);
        std::strcpy(settings.outputFolder, "C:\\元の出力");
        ASSERT_TRUE(store.Save((dir / ConfigStore::kFileName).c_str()));
        HWND main = nullptr;
        test::GuiScript script;
        script.OnWindow({"#32770", "Morvane", IDC_MAIN_FILE_LIST}, [&main](test::UiWindow& w) {
            main = w.Handle();
            EXPECT_EQ(w.Text(IDC_MAIN_OUTPUT_FOLDER), "C:\\元の出力");
            // The system menu offers minimize or restore, whichever applies, and the About box.
            HMENU menu = GetSystemMenu(main, FALSE);
            auto grayed = [menu](UINT item) {
                return (GetMenuState(menu, item, MF_BYCOMMAND) & MF_GRAYED) != 0;
            };
            EXPECT_NE(GetMenuState(menu, ID_SYS_ABOUT, MF_BYCOMMAND), ~0u);
            EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), ~0u);
            EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), ~0u);
            for (int command : {0, SC_MINIMIZE, SC_RESTORE}) {
                if (command != 0) SendMessageA(main, WM_SYSCOMMAND, command, 0);
                const bool iconic = IsIconic(main) != 0;
                EXPECT_EQ(iconic, command == SC_MINIMIZE);
                EXPECT_EQ(grayed(SC_MINIMIZE), iconic);
                EXPECT_EQ(grayed(SC_RESTORE), !iconic);
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

// A thread hook that refuses to create any window: neither the main dialog nor the
// fatal message box can appear.
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
