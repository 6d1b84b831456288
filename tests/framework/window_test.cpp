// The application's run, the window registry and the shared window procedure, with real
// windows under the test prefix's null graphics driver.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include "framework/application.h"
#include "framework/window.h"
#include "support/gui_script.h"

namespace {

HWND FakeHandle(std::uintptr_t value) { return reinterpret_cast<HWND>(value); }

// Ends itself as soon as it exists, as a main window closed by the user would.
class SelfClosingWindow : public Window {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) PostMessageA(Handle(), WM_CLOSE, 0, 0);
        return Window::WindowProc(message, wParam, lParam);
    }
};

class TestApplication : public Application {
public:
    explicit TestApplication(int initResult) : initResult_(initResult) {
        SetClassName("ZekoTestClass");
    }
    int InitInstance() override {
        if (initResult_ < 0) throw std::runtime_error("start-up failed");
        return initResult_;
    }
    int MessageLoop() override {
        ++loops;
        return Application::MessageLoop();
    }
    int loops = 0;

private:
    int initResult_;
};

int RunWithModule(Application& application) {
    return application.Run(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""),
                           SW_SHOWNORMAL);
}

// An application whose window class is registered, for tests of framework windows.
class WindowClassTest : public testing::Test {
protected:
    void SetUp() override {
        RunWithModule(application);
        ASSERT_TRUE(application.RegisterWindowClass());
    }
    TestApplication application{Application::kFinished};
};

// Every start-up result; a run that ends leaves no window, no registration and no WM_QUIT.
TEST(ApplicationTest, ActsOnEachInitInstanceResult) {
    const struct {
        int initResult;
        bool withMainWindow;
        int exitCode;
        int loops;
    } cases[] = {
        {Application::kFinished, false, 0, 0},   {Application::kFailed, false, 1, 0},
        {Application::kEnded, false, 0, 0},      {Application::kRunWindowed, true, 0, 1},
        {Application::kRunWindowed, false, 1, 0}, {4, true, 1, 0},
        {99, true, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.initResult);
        TestApplication application(c.initResult);
        SelfClosingWindow window;
        if (c.withMainWindow) application.SetMainWindow(&window);
        EXPECT_EQ(RunWithModule(application), c.exitCode);
        EXPECT_EQ(application.loops, c.loops);
        EXPECT_EQ(window.Handle(), nullptr);
        EXPECT_EQ(WindowRegistry::Global().Count(), 0);
        MSG message;
        EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        // The settings file is found next to the program.
        char path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
        std::string folder = path;
        EXPECT_EQ(application.ExeFolder(), folder.substr(0, folder.rfind('\\') + 1));
        EXPECT_EQ(Application::Current(), &application);
    }
}

TEST(ApplicationTest, AnExceptionThatEscapesTheRunEndsWithTheFatalMessage) {
    TestApplication application(-1);
    test::GuiScript script;
    script.AnswerMessageBox(IDOK);
    EXPECT_EQ(RunApplicationMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""),
                                 SW_SHOWNORMAL),
              1);
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    const test::MessageBoxSeen& box = script.MessageBoxes()[0];
    EXPECT_EQ(box.text, "致命的なエラーが発生しました！　プログラムを終了します。");
    EXPECT_EQ(box.caption, "プログラムのシャットダウン");
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(box.owner, nullptr);
}

TEST(ApplicationDeathTest, FatalCheckEndsTheProcessWithCodeTwo) {
    EXPECT_EXIT(
        {
            // The child can only report through its exit code: a wrong text gives 5.
            test::GuiScript script;
            script.OnWindow({"#32770", "", IDOK}, [](test::UiWindow& box) {
                if (box.Text(0xFFFF) != "致命的なエラーが発生しました！\n　　　 強制終了します！") {
                    std::_Exit(5);
                }
                box.Click(IDOK);
            });
            FatalCheck(true);
            FatalCheck(false);
        },
        testing::ExitedWithCode(2), "");
}

// A pending object takes the first unclaimed handle, once; every object stays findable as
// the registry grows and others leave.
TEST(WindowRegistryTest, BindsAPendingObjectOnceAndKeepsEveryObjectFindable) {
    WindowRegistry registry;
    std::array<Window, 40> windows;
    for (int i = 0; i < 40; ++i) {
        registry.Register(&windows[i]);
        ASSERT_EQ(registry.FindOrBind(FakeHandle(0x1000 + i)), &windows[i]);
    }
    EXPECT_EQ(registry.FindOrBind(FakeHandle(0x20)), nullptr) << "nothing pending";
    EXPECT_GE(registry.Unregister(&windows[5]), 0);
    EXPECT_EQ(registry.Unregister(&windows[5]), -1);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(registry.Find(FakeHandle(0x1000 + i)), i == 5 ? nullptr : &windows[i]) << i;

    Window mine;
    registry.Register(&mine);
    EXPECT_EQ(registry.Find(FakeHandle(0x30)), nullptr) << "Find never binds";
    EXPECT_EQ(registry.FindOrBind(FakeHandle(0x1000)), &windows[0]);
    EXPECT_EQ(registry.FindOrBind(FakeHandle(0x30)), &mine);
    EXPECT_EQ(mine.Handle(), FakeHandle(0x30));
    EXPECT_EQ(registry.FindOrBind(FakeHandle(0x40)), nullptr) << "pending only once";
    EXPECT_GE(registry.Unregister(&mine), 0);
    EXPECT_EQ(mine.Handle(), nullptr);
    for (Window& window : windows) registry.Unregister(&window);
    EXPECT_EQ(registry.Count(), 0);
}

// Records whether a new window was bound to an object other than the one that asked for it.
class BindingCheckWindow : public Window {
public:
    void PreCreate(CreateParams& params) override {
        params.style = WS_POPUP;
        params.param = this;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NCCREATE) {
            if (reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams != this) ++swapped;
            Sleep(1);  // gives the other thread time to register its own object meanwhile
        }
        return Window::WindowProc(message, wParam, lParam);
    }
    std::atomic<int> swapped{0};
};

TEST_F(WindowClassTest, TwoThreadsCreatingWindowsAtOnceKeepTheirOwnObjects) {
    std::atomic<int> ready{0}, failures{0};
    auto create = [&] {
        ++ready;
        while (ready < 2) std::this_thread::yield();
        for (int i = 0; i < 40; ++i) {
            BindingCheckWindow window;
            if (!window.Create(nullptr, SW_HIDE) || window.swapped != 0 ||
                WindowRegistry::Global().Find(window.Handle()) != &window)
                ++failures;
            DestroyWindow(window.Handle());
            if (window.Handle() != nullptr) ++failures;
        }
    };
    std::thread first(create), second(create);
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(WindowRegistry::Global().Count(), 0);
}

class CountingWindow : public Window {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SETTEXT) ++textsSet;
        return Window::WindowProc(message, wParam, lParam);
    }
    int textsSet = 0;
};

HWND Static() {
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// A subclassed control routes its messages through the object, then gets its own procedure
// back when the object lets go, goes out of scope, or the window is destroyed.
TEST(WindowTest, SubclassesAndGivesTheWindowBack) {
    HWND control = Static();
    LONG_PTR original = GetWindowLongPtrA(control, GWLP_WNDPROC);
    CountingWindow object;
    EXPECT_FALSE(object.Unsubclass());
    ASSERT_TRUE(object.Subclass(control));
    EXPECT_FALSE(object.Subclass(control)) << "one window per object";
    SetWindowTextA(control, "表示");
    EXPECT_EQ(object.textsSet, 1);
    char text[16] = {};
    GetWindowTextA(control, text, sizeof text);
    EXPECT_STREQ(text, "表示") << "the control's own procedure still runs";
    EXPECT_TRUE(object.Unsubclass());
    EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), original);
    EXPECT_EQ(WindowRegistry::Global().Find(control), nullptr);
    SetWindowTextA(control, "x");
    EXPECT_EQ(object.textsSet, 1);
    {
        CountingWindow shortLived;
        ASSERT_TRUE(shortLived.Subclass(control));
    }
    EXPECT_TRUE(IsWindow(control)) << "the object never destroys its window";
    EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), original);
    ASSERT_TRUE(object.Subclass(control));
    DestroyWindow(control);
    EXPECT_EQ(object.Handle(), nullptr);
    EXPECT_EQ(WindowRegistry::Global().Count(), 0);
}

TEST(WindowTest, ACreationThatFailsLeavesTheObjectUnregistered) {
    TestApplication application(Application::kFinished);
    RunWithModule(application);
    Window window;
    EXPECT_FALSE(window.Create(nullptr, SW_HIDE)) << "the class was never registered";
    EXPECT_EQ(WindowRegistry::Global().IndexOf(&window), -1);
    // Nothing is left pending to capture the next window of this thread.
    ASSERT_TRUE(application.RegisterWindowClass());
    HWND stray = CreateWindowExA(0, "ZekoTestClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(stray, nullptr) << "a window no object claims gets 0 for WM_NCCREATE";
    EXPECT_EQ(window.Handle(), nullptr);
}

}  // namespace
