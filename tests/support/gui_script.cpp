#include "support/gui_script.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace test {
namespace {

thread_local GuiScript* activeScript = nullptr;

// How long beyond its own timeout a step may wait with the thread not pumping at all
// (blocked, or a deadlock) before the program is ended.
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
    if (process == GetCurrentProcessId() && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// The visible (not helper) top-level windows of this process, topmost first.
std::vector<HWND> ProcessWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// So that the modal loops showing them return: this thread's are destroyed, another
// thread's can only be asked to close.
void CloseProcessWindows() {
    for (HWND window : ProcessWindows()) {
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) DestroyWindow(window);
        else PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

struct ChildSearch {
    bool (*matches)(HWND, int);
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<ChildSearch*>(search);
    if (s->matches(window, s->id)) s->found = window;
    return s->found == nullptr;  // on to the next child until one matches
}

HWND FirstChild(HWND window, bool (*matches)(HWND, int), int id = 0) {
    ChildSearch search{matches, id};
    EnumChildWindows(window, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindControl(HWND window, int id) {
    if (HWND direct = GetDlgItem(window, id)) return direct;
    return FirstChild(window, [](HWND child, int wanted) {
        return GetDlgCtrlID(child) == wanted && IsWindowVisible(child);
    }, id);
}

// A message box shows one of the system's icons; which one tells its MB_ICON style.
UINT IconStyleOf(HWND box) {
    HWND icon = FirstChild(box, [](HWND child, int) {
        return (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    });
    auto shown = icon != nullptr ? reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0))
                                 : nullptr;
    const std::pair<LPCSTR, UINT> icons[] = {{IDI_HAND, MB_ICONERROR}, {IDI_EXCLAMATION, MB_ICONWARNING},
                                             {IDI_ASTERISK, MB_ICONINFORMATION}, {IDI_QUESTION, MB_ICONQUESTION}};
    for (const auto& [resource, style] : icons) {
        if (shown != nullptr && shown == LoadIconA(nullptr, resource)) return style;
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
    if (control == nullptr) ADD_FAILURE() << "no control " << id << " in '" << TextOf(handle_) << "'";
    return control;
}

std::string UiWindow::Text(int id) const {
    HWND control = Control(id);
    return control != nullptr ? TextOf(control) : std::string();
}

void UiWindow::SetText(int id, std::string_view text) const {
    std::string copy(text);
    if (HWND control = Control(id)) SendMessageA(control, WM_SETTEXT, 0, LPARAM(copy.c_str()));
}

void UiWindow::Click(int id) const {
    if (HWND control = Control(id)) PostMessageA(control, BM_CLICK, 0, 0);
}

void UiWindow::Command(int id) const {
    HWND control = Control(id);
    PostMessageA(control != nullptr ? GetParent(control) : handle_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
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
    return control != nullptr && GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &thread) &&
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
    for (const Step& step : steps_) {
        if (!failed_) ADD_FAILURE() << "GUI script ended before " << Describe(step.query) << " appeared";
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
        boxes_.push_back({box.Text(0xFFFF), TextOf(box.Handle()), IconStyleOf(box.Handle()),
                          focus != focusAtActivation_.end() ? focus->second : nullptr,
                          GetWindow(box.Handle(), GW_OWNER)});
        box.Click(button);
    });
}

LRESULT CALLBACK GuiScript::WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeScript != nullptr)
        activeScript->focusAtActivation_[reinterpret_cast<HWND>(wParam)] = GetFocus();
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
    if (failed_) return CloseProcessWindows();  // nothing more is scripted: let the test go on
    if (steps_.empty()) {
        for (HWND window : strict_ ? ProcessWindows() : std::vector<HWND>()) {
            if (std::ranges::find(shownBeforeStrict_, window) == shownBeforeStrict_.end())
                return Fail("unexpected window");
        }
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
        return step.action(found);
    }
    if (now - due.waitingSince > timeout_)
        Fail("no " + Describe(due.query) + " within " + std::to_string(timeout_) + " ms");
}

void GuiScript::Fail(const std::string& why) {
    std::string windows;  // "class 'caption'" lines
    for (HWND window : ProcessWindows())
        windows += "  " + ClassOf(window) + " '" + TextOf(window) +
                   (IsWindowEnabled(window) ? "'\n" : "' (disabled)\n");
    ADD_FAILURE() << "GUI script: " << why << "; the windows:\n" << (windows.empty() ? "  (none)\n" : windows);
    failed_ = true;
    steps_.clear();
    stepsLeft_ = 0;
    CloseProcessWindows();
}

void GuiScript::Watchdog() {
    std::unique_lock guard(watchdogLock_);
    while (!watchdogWake_.wait_for(guard, std::chrono::milliseconds(200), [this] { return stopping_; })) {
        if (stepsLeft_ == 0 || GetTickCount() - lastActivity_ <= timeout_ + kStallGrace) continue;
        std::fprintf(stderr, "GUI script: the test thread stopped pumping messages for %lu ms with %zu step(s) "
                     "waiting; ending the test program\n", static_cast<unsigned long>(timeout_ + kStallGrace),
                     stepsLeft_.load());
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
    *drop = {sizeof(DROPFILES), point, FALSE, FALSE};
    char* name = reinterpret_cast<char*>(drop + 1);
    for (const std::string& path : paths) name = std::copy_n(path.c_str(), path.size() + 1, name);
    GlobalUnlock(memory);
    return SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

}  // namespace test
