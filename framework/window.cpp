#include "framework/window.h"

#include <algorithm>
#include <new>

#include "framework/application.h"

namespace {

thread_local ModalLoop* innermostLoop = nullptr;

}  // namespace

ModalLoop::ModalLoop(const Window* dialog) : dialog_(dialog), outer_(innermostLoop) {
    innermostLoop = this;
}

ModalLoop::~ModalLoop() { innermostLoop = outer_; }

void ModalLoop::RethrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
}

void ModalLoop::Fail(HWND source) {
    ModalLoop* loop = innermostLoop;
    FatalCheck(loop != nullptr);
    if (!loop->failure_) loop->failure_ = std::current_exception();
    if (loop->dialog_ == nullptr) {
        PostQuitMessage(1);
    } else if (HWND dialog = loop->dialog_->Handle()) {
        EndDialog(dialog, 0);
    } else {
        // A sheet whose window the library has not reported yet: the page that failed
        // lies inside it.
        EndDialog(GetAncestor(source, GA_ROOT), 0);
    }
}

WindowRegistry& WindowRegistry::Global() {
    // Never destroyed: window objects with static storage leave it while the process exits.
    static WindowRegistry* registry = new WindowRegistry;
    return *registry;
}

int WindowRegistry::Register(Window* window) {
    std::unique_lock guard(lock_);
    int index = IndexOfLocked(window);
    if (index < 0) {
        if (count_ == static_cast<int>(slots_.size())) {
            bool grown = true;
            try {
                slots_.resize(slots_.size() + kGrowth, nullptr);
            } catch (const std::bad_alloc&) {
                grown = false;
            }
            if (!grown) {
                // The fatal box pumps messages, which come back here for the lock.
                guard.unlock();
                FatalCheck(false);
            }
        }
        index = static_cast<int>(std::find(slots_.begin(), slots_.end(), nullptr) - slots_.begin());
        slots_[index] = window;
        ++count_;
    }
    if (window->handle_ == nullptr) {
        auto mine = PendingOfThisThreadLocked();
        if (mine != pending_.end()) {
            mine->window = window;
        } else {
            pending_.push_back({GetCurrentThreadId(), window});
        }
    }
    return index;
}

int WindowRegistry::Unregister(Window* window) {
    std::lock_guard guard(lock_);
    DropPendingLocked(window);
    int index = IndexOfLocked(window);
    if (index < 0) return -1;
    slots_[index] = nullptr;
    --count_;
    window->handle_ = nullptr;
    return index;
}

Window* WindowRegistry::Find(HWND handle) const {
    std::lock_guard guard(lock_);
    return FindLocked(handle);
}

Window* WindowRegistry::FindOrBind(HWND handle) {
    std::lock_guard guard(lock_);
    if (Window* window = FindLocked(handle)) return window;
    auto mine = PendingOfThisThreadLocked();
    if (mine == pending_.end()) return nullptr;
    Window* window = mine->window;
    pending_.erase(mine);
    window->handle_ = handle;
    return window;
}

int WindowRegistry::IndexOf(const Window* window) const {
    std::lock_guard guard(lock_);
    return IndexOfLocked(window);
}

int WindowRegistry::Capacity() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(slots_.size());
}

int WindowRegistry::Count() const {
    std::lock_guard guard(lock_);
    return count_;
}

int WindowRegistry::IndexOfLocked(const Window* window) const {
    auto slot = std::find(slots_.begin(), slots_.end(), window);
    return slot == slots_.end() ? -1 : static_cast<int>(slot - slots_.begin());
}

Window* WindowRegistry::FindLocked(HWND handle) const {
    if (handle == nullptr) return nullptr;
    auto slot = std::find_if(slots_.begin(), slots_.end(),
                             [handle](const Window* w) { return w && w->handle_ == handle; });
    return slot == slots_.end() ? nullptr : *slot;
}

std::vector<WindowRegistry::Pending>::iterator WindowRegistry::PendingOfThisThreadLocked() {
    DWORD thread = GetCurrentThreadId();
    return std::find_if(pending_.begin(), pending_.end(),
                        [thread](const Pending& p) { return p.threadId == thread; });
}

void WindowRegistry::DropPendingLocked(const Window* window) {
    std::erase_if(pending_, [window](const Pending& p) { return p.window == window; });
}

LRESULT Window::Dispatch(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRegistry& registry = WindowRegistry::Global();
    Window* window = registry.FindOrBind(handle);
    if (window == nullptr) return 0;
    LRESULT result = 0;
    try {
        result = window->WindowProc(message, wParam, lParam);
    } catch (...) {
        ModalLoop::Fail(handle);
    }
    if (message == WM_NCDESTROY) {
        window->Unsubclass();
        registry.Unregister(window);
        Application* application = Application::Current();
        if (application != nullptr && application->MainWindow() == window) PostQuitMessage(0);
    }
    return result;
}

LRESULT CALLBACK SharedWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    return Window::Dispatch(handle, message, wParam, lParam);
}

INT_PTR CALLBACK SharedDialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    return static_cast<INT_PTR>(Window::Dispatch(handle, message, wParam, lParam));
}

Window::~Window() {
    if (!Unsubclass()) WindowRegistry::Global().Unregister(this);
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsSubclassed()) return CallPreviousProc(message, wParam, lParam);
    return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT Window::CallPreviousProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(previousProc_, handle_, message, wParam, lParam);
}

bool Window::Create(Window* parent, int showCommand) {
    if (handle_ != nullptr) return false;
    Application* application = Application::Current();
    CreateParams params{0,
                        application != nullptr ? application->ClassName() : "",
                        title_,
                        WS_OVERLAPPEDWINDOW,
                        CW_USEDEFAULT,
                        CW_USEDEFAULT,
                        CW_USEDEFAULT,
                        CW_USEDEFAULT,
                        parent != nullptr ? parent->Handle() : nullptr,
                        nullptr,
                        ModuleInstance(),
                        nullptr};
    PreCreate(params);
    return CreateBound(
        [&params] {
            return CreateWindowExA(params.exStyle, params.className, params.title, params.style,
                                   params.x, params.y, params.width, params.height,
                                   params.parent, params.menu, params.instance, params.param);
        },
        showCommand);
}

bool Window::CreateBound(const std::function<HWND()>& create, int showCommand) {
    if (handle_ != nullptr) return false;
    WindowRegistry& registry = WindowRegistry::Global();
    registry.Register(this);
    HWND handle = create();
    if (handle != nullptr && handle_ != handle) {
        // A class whose procedure is not ours never binds the object.
        DestroyWindow(handle);
        handle = nullptr;
    }
    if (handle == nullptr) {
        registry.Unregister(this);
        return false;
    }
    ShowWindow(handle, showCommand);
    UpdateWindow(handle);
    return true;
}

void Window::PreCreate(CreateParams&) {}

bool Window::Subclass(HWND handle) {
    if (handle == nullptr || handle_ != nullptr) return false;
    WindowRegistry& registry = WindowRegistry::Global();
    handle_ = handle;
    registry.Register(this);
    auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SharedWindowProc)));
    if (previous == nullptr) {
        registry.Unregister(this);
        return false;
    }
    previousProc_ = previous;
    return true;
}

bool Window::Unsubclass() {
    if (previousProc_ == nullptr) return false;
    SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
    previousProc_ = nullptr;
    WindowRegistry::Global().Unregister(this);
    return true;
}

Window* Window::ParentObject() const {
    return WindowRegistry::Global().Find(ParentHandle());
}

HWND Window::ParentHandle() const { return handle_ != nullptr ? GetParent(handle_) : nullptr; }
