// Windows are real under the test prefix's null graphics driver: a window is created and
// destroyed, and a message box is answered by the test itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/message_box_asker.h"

namespace {

HHOOK hook;
HWND activeBox;

LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        char className[32] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className);
        if (std::string(className) == "#32770") activeBox = reinterpret_cast<HWND>(wParam);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

std::string seenText, seenCaption;

void CALLBACK AnswerNo(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!activeBox) return;
    KillTimer(nullptr, timer);
    char text[256] = {}, caption[256] = {};
    GetDlgItemTextA(activeBox, 0xFFFF, text, sizeof text);
    GetWindowTextA(activeBox, caption, sizeof caption);
    seenText = text;
    seenCaption = caption;
    SendMessageA(GetDlgItem(activeBox, IDNO), BM_CLICK, 0, 0);
}

TEST(GuiSmokeTest, CreatesAndDestroysAWindow) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ZekoSmoke";
    ASSERT_TRUE(RegisterClassA(&windowClass));
    HWND window = CreateWindowExA(0, "ZekoSmoke", "煙", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    char title[16] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "煙");
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
}

TEST(GuiSmokeTest, AMessageBoxAskerQuestionIsAnsweredByTheTest) {
    activeBox = nullptr;
    hook = SetWindowsHookExA(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    UINT_PTR timer = SetTimer(nullptr, 0, 10, AnswerNo);
    MessageBoxAsker asker;
    int answer = asker.Ask({"続けますか？", "確認", question::kYesNo | question::kIconQuestion});
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(answer, question::kAnswerNo);
    EXPECT_EQ(seenText, "続けますか？");
    EXPECT_EQ(seenCaption, "確認");
}

}  // namespace
