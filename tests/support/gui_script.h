// Drives real dialogs, property sheets and message boxes from a test, headless.
// Before the call that shows a modal window, a test scripts steps; each waits for a
// top-level window of the process and acts on it.  They run from a timer of the test's
// thread, which fires inside any modal loop, so the test stays on one thread as the program
// does; while it pumps, windows of other threads (the worker's questions) are answered too.
//
//     test::GuiScript script;
//     script.OnWindow({.caption = "設定"}, [](test::UiWindow& w) { w.Click(IDOK); });
//     script.AnswerMessageBox(IDOK);
//     dialog.RunModal(nullptr);
//     EXPECT_EQ(script.MessageBoxes()[0].caption, "値のエラー");
//
// A window that does not appear within the timeout fails the test with the step and the
// windows there, then every window is closed so the modal call returns.  Steps left when
// the script is destroyed fail the test; a thread that stops pumping while a step waits
// (a deadlock) ends the test program with a message.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace test {

// The first enabled, visible top-level window of the process that matches, topmost first
// (a window under a modal box is disabled, so the box is found); empty fields match anything.
struct WindowQuery {
    std::string className, caption;  // className "#32770": dialogs, sheets, message boxes
    int controlId = 0;  // a control the window must have (0: any)
    std::string controlText = {};  // that control's text, when not empty
};

// A window as the script sees it, with what a user does to it.  Controls are found by id
// in the window and in the dialogs it contains (property pages), visible ones first.
class UiWindow {
public:
    explicit UiWindow(HWND handle) : handle_(handle) {}
    HWND Handle() const { return handle_; }
    HWND Control(int id) const;  // fails the test and gives nullptr when there is none
    std::string Text(int id) const;
    // WM_SETTEXT: an edit control then reports EN_CHANGE as when typed.
    void SetText(int id, std::string_view text) const;
    // Posted, so whatever the click opens runs in the window's own loop.
    void Click(int id) const;
    void Command(int id) const;  // posts WM_COMMAND with BN_CLICKED, as the button would
    bool IsEnabled(int id) const;
    bool IsChecked(int id) const;
    bool HasFocus(int id) const;

private:
    HWND handle_;
};

struct MessageBoxSeen {
    std::string text, caption;
    UINT icon;  // MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION, MB_ICONQUESTION or 0
    // The focus when the box appeared (a check focuses its control first); known for boxes
    // of the script's own thread only.  Then the box's owner.
    HWND focusBefore, owner;
};

class GuiScript {
public:
    static constexpr DWORD kDefaultTimeout = 5000;
    explicit GuiScript(DWORD timeoutMs = kDefaultTimeout);
    ~GuiScript();
    GuiScript(const GuiScript&) = delete;
    GuiScript& operator=(const GuiScript&) = delete;

    // Waits for a window like the query and runs the action on it.
    GuiScript& OnWindow(WindowQuery query, std::function<void(UiWindow&)> action);
    // Waits for a message box (with the caption, when given), records it, presses button.
    GuiScript& AnswerMessageBox(int button, std::string caption = {});

    // From now on a window that appears while no step waits fails the test and is closed
    // (for code that must ask nothing); windows already shown (a modeless dialog) don't count.
    void FailOnAnyWindow();

    const std::vector<MessageBoxSeen>& MessageBoxes() const { return boxes_; }
    bool Finished() const { return steps_.empty(); }
private:
    struct Step {
        WindowQuery query;
        std::function<void(UiWindow&)> action;
        DWORD waitingSince = 0;
    };
    static LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void RunDueStep();
    void Fail(const std::string& why);
    void Watchdog();

    DWORD timeout_;
    std::deque<Step> steps_;
    std::vector<MessageBoxSeen> boxes_;
    std::map<HWND, HWND> focusAtActivation_;
    bool failed_ = false, strict_ = false;
    std::vector<HWND> shownBeforeStrict_;
    HHOOK hook_ = nullptr;
    UINT_PTR timer_ = 0;
    // The watchdog sees the steps left and the last time the thread pumped.
    std::atomic<std::size_t> stepsLeft_{0};
    std::atomic<DWORD> lastActivity_;
    std::mutex watchdogLock_;
    std::condition_variable watchdogWake_;
    bool stopping_ = false;
    std::thread watchdog_;
};

// Sends WM_DROPFILES with a real DROPFILES block of code page 932 paths, as the shell
// does (the receiver frees it with DragFinish); the window's answer.
LRESULT DropFiles(HWND target, const std::vector<std::string>& paths, POINT point = {0, 0});

}  // namespace test
