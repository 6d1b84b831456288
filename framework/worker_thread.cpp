#include "framework/worker_thread.h"

#include "framework/message_box_asker.h"

namespace {

// Waits up to the slice for the thread to end, answering meanwhile the messages other
// threads send to this one: a worker blocked in a call to a window of this thread (a
// caption, a list-view read) gets its answer, sees the cleared flag and ends, where a bare
// wait would hold both threads until the question comes up.
bool WaitAnsweringSent(HANDLE thread, DWORD slice) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD left = elapsed < slice ? slice - elapsed : 0;
        DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

WorkerThread::~WorkerThread() { Stop(); }

bool WorkerThread::Start() {
    // A second thread would orphan the first, which Stop could then never end.
    if (handle_ != nullptr) return false;
    running_ = 1;
    handle_ = CreateThread(nullptr, 0, ThreadEntry, this, 0, nullptr);
    return handle_ != nullptr;
}

bool WorkerThread::Stop() {
    if (handle_ == nullptr) return false;
    running_ = 0;
    MessageBoxAsker asker;
    while (!WaitAnsweringSent(handle_, waitSlice_)) {
        int answer = asker.Ask({"スレッドからの応答がありません。強制終了させますか？", "エラー",
                                question::kRetryCancel | question::kIconError});
        if (answer != question::kAnswerRetry) {
            TerminateThread(handle_, 1);
            WaitForSingleObject(handle_, INFINITE);
            break;
        }
    }
    bool closed = CloseHandle(handle_) != FALSE;
    handle_ = nullptr;
    return closed;
}

DWORD WorkerThread::ThreadMain() { return 0; }

DWORD WINAPI WorkerThread::ThreadEntry(void* self) {
    return static_cast<WorkerThread*>(self)->ThreadMain();
}
