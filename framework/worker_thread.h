// One piece of work on a thread of its own, stopped cooperatively: Stop clears the running
// flag that the work polls and waits for the thread in slices; when a slice ends with the
// thread still alive, the user chooses between waiting longer and killing it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

class WorkerThread {
public:
    static constexpr DWORD kWaitSlice = 10000;

    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    // Stops the thread first, so the object outlives it.  A derived class whose work uses
    // the derived members calls Stop in its own destructor, before they are gone.
    virtual ~WorkerThread();

    // Sets the running flag and starts ThreadMain on a new thread; false when no thread
    // could be created or one is already started and not yet stopped.
    bool Start();
    // The result of closing the thread's handle; false when no thread was started.
    bool Stop();

    // Nonzero while the work should go on; the work reads it and may clear it to end early.
    std::atomic<std::int32_t>& Running() { return running_; }
    HANDLE Handle() const { return handle_; }
    // Tests shorten the wait; the program always waits 10 seconds between questions.
    void SetWaitSlice(DWORD milliseconds) { waitSlice_ = milliseconds; }

protected:
    // The work; its result is the thread's exit code.
    virtual DWORD ThreadMain();

private:
    static DWORD WINAPI ThreadEntry(void* self);

    HANDLE handle_ = nullptr;
    std::atomic<std::int32_t> running_{0};
    DWORD waitSlice_ = kWaitSlice;
};
