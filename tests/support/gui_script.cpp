#include "support/gui_script.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace test {
namespace {

thread_local GuiScript* activeScript = nullptr;

// How long a step may wait with the thread not pumping messages at all (blocked in a wait
// or a deadlock) before the program is ended, beyond the step's own timeout.
constexpr DWORD kStallGrace = 10000;
constexpr UINT kTickMs = 10;

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM list) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
}

// The visible top-level windows of this process, topmost first (hidden helper windows are
// left out).
std::vector<HWND> ProcessWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Closes the windows so that the modal loops showing them return: this thread's are
// destroyed; another thread's can only be asked to close.
void CloseProcessWindows() {
    for (HWND window : ProcessWindows()) {
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
            DestroyWindow(window);
        } else {
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
    }
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindVisibleControl(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<ControlSearch*>(search);
    if (GetDlgCtrlID(window) != s->id || !IsWindowVisible(window)) return TRUE;
    s->found = window;
    return FALSE;
}

HWND FindControl(HWND window, int id) {
    if (HWND direct = GetDlgItem(window, id)) return direct;
    ControlSearch search{id, nullptr};
    EnumChildWindows(window, FindVisibleControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK FindIconStatic(HWND window, LPARAM found) {
    if ((GetWindowLongPtrA(window, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// A message box shows one of the system's icons; which one tells its MB_ICON style.
UINT IconStyleOf(HWND box) {
    HWND icon = nullptr;
    EnumChildWindows(box, FindIconStatic, reinterpret_cast<LPARAM>(&icon));
    if (icon == nullptr) return 0;
    auto shown = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0));
    const struct {
        LPCSTR resource;
        UINT style;
    } icons[] = {{IDI_HAND, MB_ICONERROR},
                 {IDI_EXCLAMATION, MB_ICONWARNING},
                 {IDI_ASTERISK, MB_ICONINFORMATION},
                 {IDI_QUESTION, MB_ICONQUESTION}};
    for (const auto& candidate : icons) {
        if (shown != nullptr && shown == LoadIconA(nullptr, candidate.resource)) {
            return candidate.style;
        }
    }
    return 0;
}

bool Matches(HWND window, const WindowQuery& query) {
    if (!IsWindowEnabled(window)) return false;
    if (!query.className.empty() && ClassOf(window) != query.className) return false;
    if (!query.caption.empty() && TextOf(window) != query.caption) return false;
    if (query.controlId == 0) return true;
    HWND control = FindControl(window, query.controlId);
    return control != nullptr && (query.controlText.empty() || TextOf(control) == query.controlText);
}

std::string Describe(const WindowQuery& query) {
    std::string text = "a window";
    if (!query.className.empty()) text += " of class '" + query.className + "'";
    if (!query.caption.empty()) text += " captioned '" + query.caption + "'";
    if (query.controlId != 0) text += " with control " + std::to_string(query.controlId);
    if (!query.controlText.empty()) text += " showing '" + query.controlText + "'";
    return text;
}

}  // namespace

HWND UiWindow::Control(int id) const {
    HWND control = FindControl(handle_, id);
    if (control == nullptr) {
        ADD_FAILURE() << "no control " << id << " in '" << TextOf(handle_) << "'";
    }
    return control;
}

std::string UiWindow::Caption() const { return TextOf(handle_); }

std::string UiWindow::Text(int id) const {
    HWND control = Control(id);
    return control != nullptr ? TextOf(control) : std::string();
}

void UiWindow::SetText(int id, std::string_view text) const {
    std::string copy(text);
    if (HWND control = Control(id)) {
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()));
    }
}

void UiWindow::Click(int id) const {
    if (HWND control = Control(id)) PostMessageA(control, BM_CLICK, 0, 0);
}

void UiWindow::Command(int id) const {
    HWND control = Control(id);
    HWND target = control != nullptr ? GetParent(control) : handle_;
    PostMessageA(target, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

bool UiWindow::IsEnabled(int id) const {
    HWND control = Control(id);
    return control != nullptr && IsWindowEnabled(control);
}

bool UiWindow::IsChecked(int id) const {
    HWND control = Control(id);
    return control != nullptr && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool UiWindow::HasFocus(int id) const {
    HWND control = Control(id);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    return control != nullptr &&
           GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &thread) &&
           thread.hwndFocus == control;
}

GuiScript::GuiScript(DWORD timeoutMs) : timeout_(timeoutMs), lastActivity_(GetTickCount()) {
    if (activeScript != nullptr) {
        ADD_FAILURE() << "one GuiScript per thread at a time";
        return;
    }
    activeScript = this;
    hook_ = SetWindowsHookExA(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId());
    timer_ = SetTimer(nullptr, 0, kTickMs, Tick);
    EXPECT_NE(hook_, nullptr);
    EXPECT_NE(timer_, 0u);
    watchdog_ = std::thread([this] { Watchdog(); });
}

GuiScript::~GuiScript() {
    if (activeScript != this) return;
    {
        std::lock_guard guard(watchdogLock_);
        stopping_ = true;
    }
    watchdogWake_.notify_one();
    watchdog_.join();
    KillTimer(nullptr, timer_);
    UnhookWindowsHookEx(hook_);
    activeScript = nullptr;
    if (!failed_) {
        for (const Step& step : steps_) {
            ADD_FAILURE() << "GUI script ended before " << Describe(step.query) << " appeared";
        }
    }
}

GuiScript& GuiScript::OnWindow(WindowQuery query, std::function<void(UiWindow&)> action) {
    steps_.push_back({std::move(query), std::move(action)});
    stepsLeft_ = steps_.size();
    lastActivity_ = GetTickCount();
    return *this;
}

GuiScript& GuiScript::AnswerMessageBox(int button, std::string caption) {
    return OnWindow({"#32770", std::move(caption), button}, [this, button](UiWindow& box) {
        auto focus = focusAtActivation_.find(box.Handle());
        boxes_.push_back({box.Text(0xFFFF), box.Caption(), IconStyleOf(box.Handle()),
                          focus != focusAtActivation_.end() ? focus->second : nullptr,
                          GetWindow(box.Handle(), GW_OWNER)});
        box.Click(button);
    });
}

LRESULT CALLBACK GuiScript::WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeScript != nullptr) {
        activeScript->focusAtActivation_[reinterpret_cast<HWND>(wParam)] = GetFocus();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK GuiScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeScript != nullptr) activeScript->RunDueStep();
}

void GuiScript::FailOnAnyWindow() {
    strict_ = true;
    shownBeforeStrict_ = ProcessWindows();
}

void GuiScript::RunDueStep() {
    DWORD now = GetTickCount();
    lastActivity_ = now;
    if (failed_) {
        // Nothing more is scripted: whatever opens is closed so the test can go on.
        CloseProcessWindows();
        return;
    }
    if (steps_.empty()) {
        if (!strict_) return;
        std::vector<HWND> shown = ProcessWindows();
        bool unexpected = std::any_of(shown.begin(), shown.end(), [this](HWND window) {
            return std::find(shownBeforeStrict_.begin(), shownBeforeStrict_.end(), window) ==
                   shownBeforeStrict_.end();
        });
        if (unexpected) Fail("unexpected window");
        return;
    }
    Step& due = steps_.front();
    if (due.waitingSince == 0) due.waitingSince = now;
    for (HWND window : ProcessWindows()) {
        if (!Matches(window, due.query)) continue;
        // Taken off first: the action may open a window whose loop runs the next step.
        Step step = std::move(due);
        steps_.pop_front();
        stepsLeft_ = steps_.size();
        UiWindow found(window);
        step.action(found);
        return;
    }
    if (now - due.waitingSince > timeout_) {
        Fail("no " + Describe(due.query) + " within " + std::to_string(timeout_) + " ms");
    }
}

void GuiScript::Fail(const std::string& why) {
    ADD_FAILURE() << "GUI script: " << why << "; the windows:\n"
                  << DescribeProcessWindows();
    failed_ = true;
    steps_.clear();
    stepsLeft_ = 0;
    CloseProcessWindows();
}

void GuiScript::Watchdog() {
    std::unique_lock guard(watchdogLock_);
    while (!watchdogWake_.wait_for(guard, std::chrono::milliseconds(200),
                                   [this] { return stopping_; })) {
        if (stepsLeft_ == 0 || GetTickCount() - lastActivity_ <= timeout_ + kStallGrace) continue;
        std::fprintf(stderr,
                     "GUI script: the test thread stopped pumping messages for %lu ms with "
                     "%zu step(s) waiting; ending the test program\n",
                     static_cast<unsigned long>(timeout_ + kStallGrace), stepsLeft_.load());
        std::fflush(stderr);
        std::_Exit(3);
    }
}

LRESULT DropFiles(HWND target, const std::vector<std::string>& paths, POINT point) {
    std::size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (memory == nullptr) {
        ADD_FAILURE() << "no memory for a drop";
        return 0;
    }
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = point;
    drop->fNC = FALSE;
    drop->fWide = FALSE;
    char* name = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const std::string& path : paths) {
        std::memcpy(name, path.c_str(), path.size() + 1);
        name += path.size() + 1;
    }
    GlobalUnlock(memory);
    return SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

std::string DescribeProcessWindows() {
    std::string text;
    for (HWND window : ProcessWindows()) {
        text += "  " + ClassOf(window) + " '" + TextOf(window) + "'";
        if (!IsWindowEnabled(window)) text += " (disabled)";
        text += "\n";
    }
    return text.empty() ? "  (none)\n" : text;
}

}  // namespace test
