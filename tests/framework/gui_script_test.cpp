// The GUI test driver itself: it answers and records message boxes, fails (without
// hanging) when a window does not come, and drops files as the shell does.  Windows are
// real under the test prefix's null graphics driver.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/message_box_asker.h"
#include "framework/window.h"
#include "support/gui_script.h"

namespace {

TEST(GuiScriptTest, AnswersMessageBoxesAndRecordsTheirTextCaptionAndIcon) {
    const struct {
        UINT style;
        int button;
        UINT icon;
    } cases[] = {
        {MB_YESNO | MB_ICONQUESTION, IDNO, MB_ICONQUESTION},
        {MB_RETRYCANCEL | MB_ICONERROR, IDRETRY, MB_ICONERROR},
        {MB_ABORTRETRYIGNORE | MB_ICONWARNING, IDIGNORE, MB_ICONWARNING},
        {MB_OK | MB_ICONINFORMATION, IDOK, MB_ICONINFORMATION},
        {MB_OKCANCEL, IDCANCEL, 0},
    };
    for (const auto& c : cases) {
        test::GuiScript script;
        script.AnswerMessageBox(c.button);
        MessageBoxAsker asker;
        EXPECT_EQ(asker.Ask({"続けますか？\n表示ソフト", "確認", c.style}), c.button);
        ASSERT_EQ(script.MessageBoxes().size(), 1u);
        EXPECT_EQ(script.MessageBoxes()[0].text, "続けますか？\n表示ソフト");
        EXPECT_EQ(script.MessageBoxes()[0].caption, "確認");
        EXPECT_EQ(script.MessageBoxes()[0].icon, c.icon);
        EXPECT_EQ(script.MessageBoxes()[0].owner, nullptr);
    }
}

TEST(GuiScriptTest, AWindowThatNeverComesFailsTheTestAndTheModalCallReturns) {
    EXPECT_NONFATAL_FAILURE(
        {
            test::GuiScript script(200);
            script.OnWindow({"#32770", "来ない窓"}, [](test::UiWindow&) {});
            MessageBoxA(nullptr, "待っています", "別の箱", MB_OK);
        },
        "no a window of class '#32770' captioned '来ない窓' within 200 ms; the windows:\n"
        "  #32770 '別の箱'");
}

// The conversion worker asks its questions from its own thread while the interface thread
// pumps the progress dialog.
TEST(GuiScriptTest, AnswersABoxOfAnotherThreadWhileThisOnePumps) {
    test::GuiScript script;
    script.AnswerMessageBox(IDNO, "作業");
    std::atomic<int> answer{0};
    std::thread worker([&] {
        answer = MessageBoxA(nullptr, "別のスレッドから", "作業", MB_YESNO | MB_ICONQUESTION);
    });
    DWORD started = GetTickCount();
    while (answer == 0 && GetTickCount() - started < 10000) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(5);
    }
    worker.join();
    EXPECT_EQ(answer, IDNO);
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    EXPECT_EQ(script.MessageBoxes()[0].text, "別のスレッドから");
    EXPECT_EQ(script.MessageBoxes()[0].icon, static_cast<UINT>(MB_ICONQUESTION));
}

TEST(GuiScriptTest, StepsThatNeverRanFailTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            test::GuiScript script;
            script.AnswerMessageBox(IDOK, "質問");
        },
        "GUI script ended before a window of class '#32770' captioned '質問' with control 1");
}

TEST(GuiScriptTest, AnUnexpectedWindowFailsAStrictScript) {
    EXPECT_NONFATAL_FAILURE(
        {
            test::GuiScript script;
            script.FailOnAnyWindow();
            MessageBoxA(nullptr, "想定外", "警告", MB_OK | MB_ICONWARNING);
        },
        "unexpected window");
}

// Collects what a drop hands over, as a file list or folder box does.
class DropTarget : public Window {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_DROPFILES) return Window::WindowProc(message, wParam, lParam);
        auto drop = reinterpret_cast<HDROP>(wParam);
        UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            char name[MAX_PATH] = {};
            DragQueryFileA(drop, i, name, sizeof name);
            dropped.push_back(name);
        }
        DragQueryPoint(drop, &point);
        DragFinish(drop);
        return 0;
    }
    std::vector<std::string> dropped;
    POINT point{};
};

TEST(GuiScriptTest, DropsCodePage932PathsAsTheShellDoes) {
    HWND window = CreateWindowExA(WS_EX_ACCEPTFILES, "STATIC", "", WS_POPUP, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    DropTarget target;
    ASSERT_TRUE(target.Subclass(window));
    const std::vector<std::string> paths = {"C:\\表\\ソフト.txt", "D:\\data", "E:\\a b\\c.lnk"};
    test::DropFiles(window, paths, {12, 34});
    EXPECT_EQ(target.dropped, paths);
    EXPECT_EQ(target.point.x, 12);
    EXPECT_EQ(target.point.y, 34);
    DestroyWindow(window);
}

}  // namespace
