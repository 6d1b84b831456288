// The application's run, the window registry and the shared window procedure, on real windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "framework/application.h"
#include "framework/window.h"
#include "support/gui_script.h"

namespace {

HWND FakeHandle(std::uintptr_t value) { return reinterpret_cast<HWND>(value); }

class TestApplication : public Application {
public:
    explicit TestApplication(int initResult) : initResult_(initResult) { SetClassName("ZekoTestClass"); }
    int InitInstance() override {
        if (initResult_ < 0) throw std::runtime_error("start-up failed");
        return initResult_;
    }

private:
    int initResult_;
};

int RunWithModule(Application& application) {
    return application.Run(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""),
                           SW_SHOWNORMAL);
}

// The settings file is found next to the program.
TEST(ApplicationTest, KnowsTheProgramsFolder) {
    TestApplication application(Application::kEnded);
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    EXPECT_EQ(application.ExeFolder() + std::string(std::strrchr(path, '\\') + 1), path);
    EXPECT_EQ(Application::Current(), &application);
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
    EXPECT_EQ(box.text + "|" + box.caption,
              "致命的なエラーが発生しました！　プログラムを終了します。|プログラムのシャットダウン");
    EXPECT_TRUE(box.icon == MB_ICONERROR && box.owner == nullptr);
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

TEST(WindowTest, TwoThreadsCreatingWindowsAtOnceKeepTheirOwnObjects) {
    TestApplication application(Application::kFinished);
    RunWithModule(application);
    ASSERT_TRUE(application.RegisterWindowClass());
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
        textsSet += message == WM_SETTEXT;
        return Window::WindowProc(message, wParam, lParam);
    }
    int textsSet = 0;
};

// A subclassed control gets its own procedure back when the object lets go or goes out of
// scope, and keeps its window; its destruction frees the object (the file list's tests
// cover the routing).
TEST(WindowTest, SubclassesAndGivesTheWindowBack) {
    HWND control = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    LONG_PTR original = GetWindowLongPtrA(control, GWLP_WNDPROC);
    CountingWindow object;
    EXPECT_FALSE(object.Unsubclass());
    ASSERT_TRUE(object.Subclass(control));
    EXPECT_FALSE(object.Subclass(control)) << "one window per object";
    SetWindowTextA(control, "表示");
    EXPECT_TRUE(object.Unsubclass());
    EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), original);
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
    EXPECT_TRUE(object.Handle() == nullptr && WindowRegistry::Global().Count() == 0);
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
