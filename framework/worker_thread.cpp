#include "framework/worker_thread.h"

#include "framework/message_box_asker.h"

WorkerThread::~WorkerThread() { Stop(); }

bool WorkerThread::Start() {
    // A second thread would orphan the first, which Stop could then never end.
    if (handle_ != nullptr) return false;
    running_ = 1;
    handle_ = CreateThread(nullptr, 0, ThreadEntry, this, 0, &threadId_);
    return handle_ != nullptr;
}

bool WorkerThread::Stop() {
    if (handle_ == nullptr) return false;
    running_ = 0;
    // The wait dispatches no messages; the question box does, which releases a worker
    // blocked in a call to a window of this thread.
    MessageBoxAsker asker;
    while (WaitForSingleObject(handle_, waitSlice_) != WAIT_OBJECT_0) {
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
