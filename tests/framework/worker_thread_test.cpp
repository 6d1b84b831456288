// The worker thread's start and cooperative stop, with the forced-stop question answered
// through real message boxes.  The tests shorten the wait slice; the program waits 10 s.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/worker_thread.h"
#include "support/gui_script.h"

namespace {

constexpr DWORD kShortSlice = 50;

// Polls the running flag as the conversion job does.
class PollingWorker : public WorkerThread {
public:
    ~PollingWorker() override { Stop(); }

protected:
    DWORD ThreadMain() override {
        while (Running() != 0) Sleep(1);
        return 7;
    }
};

// Never looks at the flag.
class StuckWorker : public WorkerThread {
public:
    ~StuckWorker() override { Stop(); }

protected:
    DWORD ThreadMain() override {
        for (;;) Sleep(5);
    }
};

// Ends by itself at once.
class ShortWorker : public WorkerThread {
public:
    ~ShortWorker() override { Stop(); }

protected:
    DWORD ThreadMain() override { return 3; }
};

HANDLE Duplicate(HANDLE thread) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return copy;
}

DWORD ExitCodeOf(HANDLE thread) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

TEST(WorkerThreadTest, AWorkThatEndsInTimeIsNeverQuestioned) {
    test::GuiScript script;
    script.FailOnAnyWindow();
    PollingWorker worker;
    ASSERT_TRUE(worker.Start());
    EXPECT_EQ(worker.Running(), 1);
    EXPECT_NE(worker.Handle(), nullptr);
    HANDLE thread = Duplicate(worker.Handle());
    EXPECT_FALSE(worker.Start()) << "one thread at a time";
    EXPECT_TRUE(worker.Stop());
    EXPECT_EQ(worker.Running(), 0);
    EXPECT_EQ(worker.Handle(), nullptr);
    EXPECT_EQ(ExitCodeOf(thread), 7u);
    EXPECT_FALSE(worker.Stop()) << "the second Stop";

    // The object can be started again.
    ASSERT_TRUE(worker.Start());
    EXPECT_TRUE(worker.Stop());
}

TEST(WorkerThreadTest, StopWithoutAStartReturnsFalseAndShowsNothing) {
    test::GuiScript script;
    script.FailOnAnyWindow();
    ShortWorker worker;
    EXPECT_FALSE(worker.Stop());
}

TEST(WorkerThreadTest, DestroyingAnObjectWhoseWorkReturnedAsksNothing) {
    test::GuiScript script;
    script.FailOnAnyWindow();
    HANDLE thread = nullptr;
    {
        ShortWorker worker;
        ASSERT_TRUE(worker.Start());
        thread = Duplicate(worker.Handle());
        WaitForSingleObject(thread, INFINITE);
    }
    EXPECT_EQ(ExitCodeOf(thread), 3u);
}

TEST(WorkerThreadTest, AStuckWorkIsQuestionedAgainOnRetryAndKilledOnCancel) {
    StuckWorker worker;
    worker.SetWaitSlice(kShortSlice);
    ASSERT_TRUE(worker.Start());
    HANDLE thread = Duplicate(worker.Handle());
    test::GuiScript script;
    script.AnswerMessageBox(IDRETRY).AnswerMessageBox(IDCANCEL);
    DWORD started = GetTickCount();
    EXPECT_TRUE(worker.Stop());
    EXPECT_GE(GetTickCount() - started, 2 * kShortSlice - 10) << "a slice before each question";
    EXPECT_EQ(ExitCodeOf(thread), 1u);
    EXPECT_EQ(worker.Handle(), nullptr);
    ASSERT_EQ(script.MessageBoxes().size(), 2u);
    for (const test::MessageBoxSeen& box : script.MessageBoxes()) {
        EXPECT_EQ(box.text, "スレッドからの応答がありません。強制終了させますか？");
        EXPECT_EQ(box.caption, "エラー");
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(box.owner, nullptr);
    }
}

}  // namespace
