// The window object layer: every window the program handles (dialogs, sheets, pages,
// subclassed controls) is an object derived from Window.  One window procedure serves
// them all and hands each message to the object registered for the window's handle.
//
// A window's first messages arrive before the creating call returns its handle, so the
// object is registered as pending just before the call, and the first message from a
// window no object claims binds that window to the pending object.  The conversion job
// creates dialogs on its worker thread while the interface thread handles its own, so
// the registry is locked and each thread has its own pending object: two threads creating
// windows at the same time can never swap them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

class Window;

// Both signatures of the shared procedure: as a window procedure (windows of the
// application's class, subclassed windows) and as a dialog procedure.
LRESULT CALLBACK SharedWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SharedDialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

class WindowRegistry {
public:
    static constexpr int kGrowth = 16;

    // The process's registry, used by the shared window procedure.
    static WindowRegistry& Global();

    WindowRegistry() = default;
    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    // Puts the object into the first empty slot and returns the slot's index.  An object
    // without a handle becomes the calling thread's pending object.
    int Register(Window* window);
    // Empties the object's slot and detaches it from its handle; -1 when not registered.
    int Unregister(Window* window);
    // The object attached to the handle, or none.
    Window* Find(HWND handle) const;
    // As Find; when no object claims the handle, the calling thread's pending object
    // takes it as its own.
    Window* FindOrBind(HWND handle);

    int IndexOf(const Window* window) const;
    int Capacity() const;
    int Count() const;

private:
    struct Pending {
        DWORD threadId;
        Window* window;
    };

    int IndexOfLocked(const Window* window) const;
    Window* FindLocked(HWND handle) const;
    std::vector<Pending>::iterator PendingOfThisThreadLocked();
    void DropPendingLocked(const Window* window);

    mutable std::mutex lock_;
    std::vector<Window*> slots_;  // nullptr marks an empty slot
    int count_ = 0;
    std::vector<Pending> pending_;  // at most one per thread
};

// A loop the framework runs on this thread, for as long as it runs: a modal dialog's or
// sheet's, or the application's message loop.  No exception may cross a window procedure
// (on x64 Windows the system's frames between the procedure and the loop cannot be relied
// on to pass it), so the shared procedure catches it and the innermost loop keeps it and
// ends; its runner raises it again once the loop has returned.
class ModalLoop {
public:
    // dialog: the modal dialog or sheet that EndDialog ends; none for a message loop,
    // which WM_QUIT ends.
    explicit ModalLoop(const Window* dialog);
    ~ModalLoop();
    ModalLoop(const ModalLoop&) = delete;
    ModalLoop& operator=(const ModalLoop&) = delete;

    // Raises the exception that ended the loop, if one did.
    void RethrowFailure() const;

    // In the shared procedure's catch block: the innermost loop keeps the exception (the
    // first, when more come before it returns) and is ended.  Without a loop of ours
    // nobody could report it, so the process ends with the fatal message.
    static void Fail(HWND source);

private:
    const Window* dialog_;
    ModalLoop* outer_;
    std::exception_ptr failure_;
};

// CreateWindowExA's arguments, as Window::Create fills them before PreCreate.
struct CreateParams {
    DWORD exStyle;
    const char* className;
    const char* title;
    DWORD style;
    int x;
    int y;
    int width;
    int height;
    HWND parent;
    HMENU menu;
    HINSTANCE instance;
    void* param;
};

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    // The handler of every message of the attached window.  The default passes it to the
    // subclassed procedure, or to DefWindowProcA.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A top-level window of the application's class; false when it cannot be created.
    virtual bool Create(Window* parent, int showCommand);
    virtual void PreCreate(CreateParams& params);

    // Takes over an existing window (a control of a dialog): its messages reach WindowProc
    // until Unsubclass or the window's destruction.
    bool Subclass(HWND handle);
    bool Unsubclass();

    // The object registered for the parent window, or none.
    Window* ParentObject() const;
    HWND ParentHandle() const;

    HWND Handle() const { return handle_; }
    const char* Title() const { return title_; }
    void SetTitle(const char* title) { title_ = title; }

protected:
    // Registers the object as pending around the call that creates its window, so the
    // window's first message binds it; shows and paints the window that came.  False,
    // with the object unregistered, when no window of ours came.
    bool CreateBound(const std::function<HWND()>& create, int showCommand);
    bool IsSubclassed() const { return previousProc_ != nullptr; }
    // Passes a message on to the window procedure that Subclass replaced.
    LRESULT CallPreviousProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    friend class WindowRegistry;
    friend LRESULT CALLBACK SharedWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK SharedDialogProc(HWND, UINT, WPARAM, LPARAM);

    static LRESULT Dispatch(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    const char* title_ = "ウィンドウ";
    WNDPROC previousProc_ = nullptr;
};
