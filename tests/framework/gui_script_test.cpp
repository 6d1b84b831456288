// The GUI test driver must fail a test, never let it pass silently, when a scripted window
// does not come, a step never runs or a window shows that a strict script forbids.
#include <windows.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support/gui_script.h"

namespace {

TEST(GuiScriptTest, WindowsThatNeverComeOrShouldNotComeFailTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            test::GuiScript script(200);
            script.OnWindow({"#32770", "来ない窓"}, [](test::UiWindow&) {});
            MessageBoxA(nullptr, "待っています", "別の箱", MB_OK);
        },
        "no a window of class '#32770' captioned '来ない窓' within 200 ms; the windows:\n"
        "  #32770 '別の箱'");
    EXPECT_NONFATAL_FAILURE(
        {
            test::GuiScript script;
            script.AnswerMessageBox(IDOK, "質問");
        },
        "GUI script ended before a window of class '#32770' captioned '質問' with control 1");
    EXPECT_NONFATAL_FAILURE(
        {
            test::GuiScript script;
            script.FailOnAnyWindow();
            MessageBoxA(nullptr, "想定外", "警告", MB_OK | MB_ICONWARNING);
        },
        "unexpected window");
}

}  // namespace
