// The application's run, the window registry and the shared window procedure, with real
// windows under the test prefix's null graphics driver.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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
    bool RegisterWindowClass() override {
        ++registrations;
        return Application::RegisterWindowClass();
    }
    int MessageLoop() override {
        ++loops;
        return Application::MessageLoop();
    }
    int registrations = 0;
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

TEST(ApplicationTest, KnowsTheExecutablesFolderWithItsFinalBackslash) {
    TestApplication application(Application::kFinished);
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    std::string folder = application.ExeFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(std::string(path).rfind('\\') + 1, folder.size());
    EXPECT_EQ(std::string(path).substr(0, folder.size()), folder);
    EXPECT_EQ(Application::Current(), &application);
}

TEST(ApplicationTest, ActsOnEachInitInstanceResult) {
    const struct {
        int initResult;
        bool withMainWindow;
        int exitCode;
        int registrations;
        int loops;
    } cases[] = {
        {Application::kFinished, false, 0, 0, 0},
        {Application::kFailed, false, 1, 0, 0},
        {Application::kEnded, false, 0, 0, 0},
        {Application::kRunWindowed, true, 0, 1, 1},
        {Application::kRunWindowed, false, 1, 0, 0},
        {4, true, 1, 0, 0},
        {99, true, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.initResult);
        TestApplication application(c.initResult);
        SelfClosingWindow window;
        if (c.withMainWindow) application.SetMainWindow(&window);
        EXPECT_EQ(RunWithModule(application), c.exitCode);
        EXPECT_EQ(application.registrations, c.registrations);
        EXPECT_EQ(application.loops, c.loops);
        EXPECT_EQ(window.Handle(), nullptr);
        EXPECT_EQ(WindowRegistry::Global().Count(), 0);
    }
}

TEST(ApplicationTest, TheMainWindowsDestructionEndsTheLoopWithCodeZero) {
    TestApplication application(Application::kRunWindowed);
    SelfClosingWindow main;
    application.SetMainWindow(&main);
    EXPECT_EQ(RunWithModule(application), 0);
    EXPECT_EQ(application.loops, 1);
    // The loop ended because of the WM_QUIT the destruction posted: none is left over.
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(WindowClassTest, AnotherWindowsDestructionDoesNotEndTheLoop) {
    SelfClosingWindow other;
    ASSERT_TRUE(other.Create(nullptr, SW_HIDE));
    MSG message;
    while (other.Handle() != nullptr && GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    EXPECT_EQ(other.Handle(), nullptr);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
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

TEST(WindowRegistryTest, GrowsBySixteenAndKeepsEveryObjectFindable) {
    WindowRegistry registry;
    std::array<Window, 33> windows;
    for (int i = 0; i < 33; ++i) {
        EXPECT_EQ(registry.Register(&windows[i]), i);
        EXPECT_EQ(registry.Capacity(), (i / 16 + 1) * 16) << i;
        ASSERT_EQ(registry.FindOrBind(FakeHandle(0x1000 + i)), &windows[i]);
    }
    EXPECT_EQ(registry.Count(), 33);
    for (int i = 0; i < 33; ++i) {
        EXPECT_EQ(registry.IndexOf(&windows[i]), i);
        EXPECT_EQ(registry.Find(FakeHandle(0x1000 + i)), &windows[i]);
    }
    for (Window& window : windows) registry.Unregister(&window);
    EXPECT_EQ(registry.Count(), 0);
    EXPECT_EQ(registry.Capacity(), 48);
}

TEST(WindowRegistryTest, ReusesTheFirstEmptySlot) {
    WindowRegistry registry;
    std::array<Window, 20> windows;
    for (Window& window : windows) registry.Register(&window);
    EXPECT_EQ(registry.Unregister(&windows[17]), 17);
    EXPECT_EQ(registry.Unregister(&windows[5]), 5);
    EXPECT_EQ(registry.Unregister(&windows[5]), -1);
    EXPECT_EQ(registry.Count(), 18);
    Window later, latest;
    EXPECT_EQ(registry.Register(&later), 5);
    EXPECT_EQ(registry.Register(&latest), 17);
    EXPECT_EQ(registry.Capacity(), 32);
    for (Window& window : windows) registry.Unregister(&window);
    registry.Unregister(&later);
    registry.Unregister(&latest);
}

TEST(WindowRegistryTest, APendingObjectTakesTheFirstUnclaimedHandleOfItsOwnThread) {
    WindowRegistry registry;
    Window attached, mine, theirs;
    registry.Register(&attached);
    ASSERT_EQ(registry.FindOrBind(FakeHandle(0x10)), &attached);
    EXPECT_EQ(registry.FindOrBind(FakeHandle(0x20)), nullptr) << "nothing pending";

    // Another thread's pending object, bound on that thread once this one has looked.
    std::promise<void> registered, looked;
    Window* boundThere = nullptr;
    std::thread other([&] {
        registry.Register(&theirs);
        registered.set_value();
        looked.get_future().wait();
        boundThere = registry.FindOrBind(FakeHandle(0x40));
    });
    registered.get_future().wait();
    registry.Register(&mine);
    EXPECT_EQ(registry.Find(FakeHandle(0x30)), nullptr) << "Find never binds";
    EXPECT_EQ(registry.FindOrBind(FakeHandle(0x10)), &attached);
    EXPECT_EQ(registry.FindOrBind(FakeHandle(0x30)), &mine);
    EXPECT_EQ(mine.Handle(), FakeHandle(0x30));
    EXPECT_EQ(registry.FindOrBind(FakeHandle(0x40)), nullptr) << "pending only once";
    looked.set_value();
    other.join();
    EXPECT_EQ(boundThere, &theirs);

    EXPECT_GE(registry.Unregister(&mine), 0);
    EXPECT_EQ(mine.Handle(), nullptr);
    registry.Unregister(&attached);
    registry.Unregister(&theirs);
}

// Records which object each new window was bound to; the creation parameter names the
// object that asked for the window.
class BindingCheckWindow : public Window {
public:
    void PreCreate(CreateParams& params) override {
        params.style = WS_POPUP;
        params.param = this;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (create->lpCreateParams != this) ++swapped;
            // Gives the other thread time to register its own object meanwhile.
            Sleep(1);
        }
        return Window::WindowProc(message, wParam, lParam);
    }
    std::atomic<int> swapped{0};
};

TEST_F(WindowClassTest, TwoThreadsCreatingWindowsAtOnceKeepTheirOwnObjects) {
    constexpr int kWindows = 40;
    std::atomic<int> ready{0};
    std::atomic<int> failures{0};
    auto create = [&] {
        ++ready;
        while (ready < 2) std::this_thread::yield();
        for (int i = 0; i < kWindows; ++i) {
            BindingCheckWindow window;
            if (!window.Create(nullptr, SW_HIDE) || window.swapped != 0 ||
                WindowRegistry::Global().Find(window.Handle()) != &window) {
                ++failures;
            }
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

TEST(WindowTest, SubclassesAndGivesTheWindowBack) {
    HWND control = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(control, nullptr);
    LONG_PTR original = GetWindowLongPtrA(control, GWLP_WNDPROC);
    CountingWindow object;
    EXPECT_FALSE(object.Unsubclass());
    ASSERT_TRUE(object.Subclass(control));
    EXPECT_FALSE(object.Subclass(control)) << "one window per object";
    EXPECT_EQ(WindowRegistry::Global().Find(control), &object);

    SetWindowTextA(control, "表示");
    EXPECT_EQ(object.textsSet, 1);
    char text[16] = {};
    GetWindowTextA(control, text, sizeof text);
    EXPECT_STREQ(text, "表示") << "the control's own procedure still runs";

    EXPECT_TRUE(object.Unsubclass());
    EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), original);
    EXPECT_EQ(object.Handle(), nullptr);
    EXPECT_EQ(WindowRegistry::Global().Find(control), nullptr);
    SetWindowTextA(control, "x");
    EXPECT_EQ(object.textsSet, 1);
    EXPECT_FALSE(object.Unsubclass());
    DestroyWindow(control);
}

TEST(WindowTest, LeavesItsWindowWhenTheWindowOrTheObjectGoes) {
    HWND first = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    HWND second = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    LONG_PTR original = GetWindowLongPtrA(second, GWLP_WNDPROC);
    CountingWindow survivor;
    ASSERT_TRUE(survivor.Subclass(first));
    DestroyWindow(first);
    EXPECT_EQ(survivor.Handle(), nullptr);
    EXPECT_EQ(WindowRegistry::Global().IndexOf(&survivor), -1);
    {
        CountingWindow shortLived;
        ASSERT_TRUE(shortLived.Subclass(second));
    }
    EXPECT_TRUE(IsWindow(second)) << "the object never destroys its window";
    EXPECT_EQ(GetWindowLongPtrA(second, GWLP_WNDPROC), original);
    EXPECT_EQ(WindowRegistry::Global().Count(), 0);
    DestroyWindow(second);
}

TEST_F(WindowClassTest, FindsTheObjectOfItsParentWindow) {
    Window parent;
    ASSERT_TRUE(parent.Create(nullptr, SW_HIDE));
    char title[32] = {};
    GetWindowTextA(parent.Handle(), title, sizeof title);
    EXPECT_STREQ(title, "ウィンドウ");
    HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, parent.Handle(),
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    CountingWindow child;
    ASSERT_TRUE(child.Subclass(control));
    EXPECT_EQ(child.ParentObject(), &parent);
    EXPECT_EQ(child.ParentHandle(), parent.Handle());
    EXPECT_EQ(parent.ParentObject(), nullptr);
    DestroyWindow(parent.Handle());
    EXPECT_EQ(child.Handle(), nullptr);
    EXPECT_EQ(parent.Handle(), nullptr);
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
