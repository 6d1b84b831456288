// The worker thread's start and cooperative stop, with the forced-stop question answered
// through real message boxes.  The tests shorten the wait slice; the program waits 10 s.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/worker_thread.h"
#include "support/gui_script.h"

namespace {

class TestWorker : public WorkerThread {
public:
    // Returns at once, polls the running flag as the conversion job does, or never looks.
    enum Kind { kShort, kPolling, kStuck };
    explicit TestWorker(Kind kind) : kind_(kind) {}
    ~TestWorker() override { Stop(); }

protected:
    DWORD ThreadMain() override {
        while (kind_ == kStuck || (kind_ == kPolling && Running() != 0)) Sleep(1);
        return kind_ == kShort ? 3 : 7;
    }

private:
    Kind kind_;
};

// Stops the started worker; the exit code of its thread.
DWORD ExitCodeAfterStop(WorkerThread& worker) {
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), worker.Handle(), GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    EXPECT_TRUE(worker.Stop());
    EXPECT_EQ(worker.Handle(), nullptr);
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

TEST(WorkerThreadTest, AWorkThatEndsInTimeIsNeverQuestioned) {
    test::GuiScript script;
    script.FailOnAnyWindow();
    TestWorker polling(TestWorker::kPolling), finished(TestWorker::kShort);
    EXPECT_FALSE(polling.Stop()) << "never started";
    ASSERT_TRUE(polling.Start());
    EXPECT_EQ(polling.Running(), 1);
    EXPECT_FALSE(polling.Start()) << "one thread at a time";
    EXPECT_EQ(ExitCodeAfterStop(polling), 7u);
    EXPECT_EQ(polling.Running(), 0);
    EXPECT_FALSE(polling.Stop()) << "the second Stop";
    ASSERT_TRUE(polling.Start()) << "started again, stopped by the destructor";
    ASSERT_TRUE(finished.Start());
    EXPECT_EQ(ExitCodeAfterStop(finished), 3u);
}

TEST(WorkerThreadTest, AStuckWorkIsQuestionedAgainOnRetryAndKilledOnCancel) {
    TestWorker worker(TestWorker::kStuck);
    worker.SetWaitSlice(50);
    ASSERT_TRUE(worker.Start());
    test::GuiScript script;
    script.AnswerMessageBox(IDRETRY).AnswerMessageBox(IDCANCEL);
    DWORD started = GetTickCount();
    EXPECT_EQ(ExitCodeAfterStop(worker), 1u);
    EXPECT_GE(GetTickCount() - started, 2 * 50 - 10u) << "a slice before each question";
    ASSERT_EQ(script.MessageBoxes().size(), 2u);
    for (const test::MessageBoxSeen& box : script.MessageBoxes()) {
        EXPECT_EQ(box.text + "|" + box.caption, "スレッドからの応答がありません。強制終了させますか？|エラー");
        EXPECT_TRUE(box.icon == MB_ICONERROR && box.owner == nullptr);
    }
}

}  // namespace
