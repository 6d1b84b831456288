// The job's per-file decisions through the real dialogs: name clashes in placement, the
// undecidable code and the unconvertible file, each with what it leaves on disk.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job_harness.h"
#include "support/gui_script.h"

namespace {

using test::TemporaryFiles;

const test::WindowQuery kClash = {"#32770", "エラー", IDC_CLASH_NEW_NAME};
const test::WindowQuery kCannotConvert = {"#32770", "エラー", IDC_UNCONVERTIBLE_COPY};
const test::WindowQuery kDetection = {"#32770", "文字コード自動判別失敗", IDC_DETECT_EUC};

constexpr const char* kSource = "入力の内容\r\n";
constexpr const char* kOld = "old output\n";
constexpr const char* kConverted = "converted\n";

std::function<void(test::UiWindow&)> Choose(int radio, int button = IDC_DECISION_EXECUTE) {
    return [radio, button](test::UiWindow& w) {
        w.Click(radio);
        w.Click(button);
    };
}

class DecisionsTest : public ::testing::Test {
protected:
    DecisionsTest() {
        settings.affixPosition = Suffix;
        std::strcpy(settings.affixText, "Z_");
        out = dir / "out";
        platform::MakeDirectory(out.c_str());
        std::strcpy(settings.outputFolder, out.c_str());
        input = dir / "a.txt";
        output = out + "\\a.txt";
        test::WriteBytes(input, kSource);
        job.Configure(nullptr, &asker, &settings);
        job.PrepareRun();
        job.Running() = 1;
        test::detected = Plain;
        test::detections = 0;
    }
    ~DecisionsTest() override { EXPECT_TRUE(asker.Exhausted()); }

    void ExpectNothingLeftBehind() {
        EXPECT_EQ(test::ReadBytes(input), kSource);
        EXPECT_TRUE(TemporaryFiles(out).empty());
        EXPECT_TRUE(TemporaryFiles(dir.Path()).empty());
        EXPECT_FALSE(job.Input().IsOpen() || job.Output().IsOpen());
    }

    test::TempDir dir;
    std::string out, input, output;
    Settings settings;
    test::ScriptedAsker asker;
    test::TestJob job;
};

TEST_F(DecisionsTest, OverwriteForAllKeepsTheOldOutputUntilTheEndAndIsAskedAgainNextRun) {
    test::WriteBytes(output, kOld);
    {
        test::GuiScript script;
        script.OnWindow(kClash, Choose(IDC_CLASH_OVERWRITE, IDC_DECISION_ALL));
        ASSERT_TRUE(job.Place(input.c_str(), output.c_str()));
    }
    for (int file = 0; file < 2; ++file) {
        if (file == 1) {
            test::GuiScript quiet;
            quiet.FailOnAnyWindow();
            ASSERT_TRUE(job.Place(input.c_str(), output.c_str())) << "overwritten for all";
        }
        EXPECT_EQ(TemporaryFiles(out).size(), 1u);
        job.Write(kConverted + std::to_string(file));
        EXPECT_EQ(test::ReadBytes(output), file == 0 ? kOld : kConverted + std::string("0"))
            << "the old output is readable while the new one is written";
        job.Finish(true, input.c_str(), output.c_str());
        EXPECT_EQ(test::ReadBytes(output), kConverted + std::to_string(file));
    }

    // The next run asks again, offering the choice made.
    job.PrepareRun();
    test::GuiScript script;
    script.OnWindow(kClash, [](test::UiWindow& w) {
        EXPECT_TRUE(w.IsChecked(IDC_CLASH_OVERWRITE));
        w.Click(IDC_DECISION_STOP);
    });
    EXPECT_FALSE(job.Place(input.c_str(), output.c_str()));
    EXPECT_FALSE(job.KeepsRunning());
    EXPECT_EQ(test::ListNames(out), std::vector<std::string>{"a.txt"});
    ExpectNothingLeftBehind();
}

TEST_F(DecisionsTest, EachClashChoicePlacesTheOutputItsOwnWay) {
    const struct {
        int radio;
        bool placed;
        const char* written;  // the output's name in the output folder
    } cases[] = {
        {IDC_CLASH_UNIQUE, true, "aZ_.txt"},
        {IDC_CLASH_RENAME, true, "新.txt"},
        {IDC_CLASH_SKIP, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radio);
        test::WriteBytes(output, kOld);
        test::GuiScript script;
        script.OnWindow(kClash, [&](test::UiWindow& w) {
            w.Click(c.radio);
            if (c.radio == IDC_CLASH_RENAME) w.SetText(IDC_CLASH_NEW_NAME, "新.txt");
            w.Click(IDC_DECISION_EXECUTE);
        });
        EXPECT_EQ(job.Place(input.c_str(), output.c_str()), c.placed);
        EXPECT_TRUE(job.KeepsRunning());
        if (c.placed) {
            EXPECT_STREQ(job.Output().FullPath(), (out + "\\" + c.written).c_str());
            job.Write(kConverted);
            job.Finish(true, input.c_str(), output.c_str());
            EXPECT_EQ(test::ReadBytes(out + "\\" + c.written), kConverted);
            test::RemoveTree(out + "\\" + c.written);
        }
        EXPECT_EQ(test::ReadBytes(output), kOld);
        EXPECT_EQ(test::ListNames(out), std::vector<std::string>{"a.txt"});
        ExpectNothingLeftBehind();
    }
}

TEST_F(DecisionsTest, AnUndecidableCodeIsSettledByTheDialog) {
    test::detected = Ambiguous;
    const struct {
        int radio;
        int button;
        std::int32_t result;
        bool running;
    } cases[] = {
        {IDC_DETECT_SHIFT_JIS, IDC_DECISION_EXECUTE, ShiftJis, true},
        {IDC_DETECT_EUC, IDC_DECISION_EXECUTE, EucJp, true},
        {IDC_DETECT_COPY, IDC_DECISION_EXECUTE, SettledCopied, true},
        {IDC_DETECT_IGNORE, IDC_DECISION_EXECUTE, SettledIgnored, true},
        {IDC_DETECT_EUC, IDC_DECISION_STOP, SettledStopped, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radio);
        job.Running() = 1;
        ASSERT_TRUE(job.Place(input.c_str(), output.c_str()));
        job.Write("half");
        test::GuiScript script;
        script.OnWindow(kDetection, [&](test::UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_DECISION_PATH), input);
            Choose(c.radio, c.button)(w);
        });
        EXPECT_EQ(job.DecideInputCode(), c.result);
        EXPECT_EQ(job.KeepsRunning(), c.running);
        bool commit = c.result == SettledCopied;
        job.Finish(commit, input.c_str(), output.c_str());
        if (commit) {
            EXPECT_EQ(test::ReadBytes(output), kSource);
            test::RemoveTree(output);
        }
        ExpectNothingLeftBehind();
    }
}

TEST_F(DecisionsTest, DetectionIsSkippedForUnicodeAndDecisiveResultsAreTaken) {
    settings.inputCode = Unicode;
    test::detected = Ambiguous;
    ASSERT_TRUE(job.Place(input.c_str(), output.c_str()));
    test::GuiScript quiet;
    quiet.FailOnAnyWindow();
    EXPECT_EQ(job.DecideInputCode(), Unicode);
    EXPECT_EQ(test::detections, 0);
    settings.inputCode = ShiftJis;
    for (CharCode code : {Jis, ShiftJis, EucJp, Unicode, Plain, NotText}) {
        test::detected = code;
        EXPECT_EQ(job.DecideInputCode(), code);
    }
    job.Finish(false, input.c_str(), output.c_str());
    ExpectNothingLeftBehind();
}

TEST_F(DecisionsTest, TheProgramsDetectorTellsTheCodeOfTheOpenInput) {
    test::TestJob real(ConversionJob::DetectCode);
    real.Configure(nullptr, &asker, &settings);
    real.Running() = 1;
    settings.inputCode = ShiftJis;
    const struct {
        const char* bytes;
        CharCode code;
    } cases[] = {{"\x82\xa0", ShiftJis}, {"abc", Plain}, {"a\x1b$Bb", Jis}};
    for (const auto& c : cases) {
        test::WriteBytes(input, c.bytes);
        ASSERT_TRUE(real.Place(input.c_str(), output.c_str()));
        EXPECT_EQ(real.DecideInputCode(), c.code) << c.bytes;
        real.Finish(false, input.c_str(), output.c_str());
    }
    test::WriteBytes(input, kSource);
}

TEST_F(DecisionsTest, AnUnconvertibleFileIsIgnoredCopiedOrStopsTheRun) {
    const struct {
        int radio;
        int button;
        bool commit;
        bool running;
    } cases[] = {
        {IDC_UNCONVERTIBLE_IGNORE, IDC_DECISION_EXECUTE, false, true},
        {IDC_UNCONVERTIBLE_COPY, IDC_DECISION_EXECUTE, true, true},
        {IDC_UNCONVERTIBLE_COPY, IDC_DECISION_STOP, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radio);
        job.Running() = 1;
        ASSERT_TRUE(job.Place(input.c_str(), output.c_str()));
        job.Write("partial conversion");
        test::GuiScript script;
        script.OnWindow(kCannotConvert, Choose(c.radio, c.button));
        EXPECT_EQ(job.DecideCannotConvert(), c.commit);
        EXPECT_EQ(job.KeepsRunning(), c.running);
        job.Finish(c.commit, input.c_str(), output.c_str());
        if (c.commit) {
            EXPECT_EQ(test::ReadBytes(output), kSource);
            test::RemoveTree(output);
        }
        ExpectNothingLeftBehind();
    }
}

// In place without a copy: the copy is not offered, and an ignored file is as it was.
TEST_F(DecisionsTest, IgnoringInPlaceLeavesTheSourceExactlyAsItWas) {
    settings.outputFolder[0] = '\0';
    settings.noOutputAction = ReplaceOriginal;
    job.PrepareRun();
    test::detected = Ambiguous;
    ASSERT_TRUE(job.Place(input.c_str(), input.c_str()));
    job.Write("half");
    test::GuiScript script;
    script.OnWindow(kDetection, [](test::UiWindow& w) {
        EXPECT_FALSE(w.IsEnabled(IDC_DETECT_COPY));
        Choose(IDC_DETECT_IGNORE)(w);
    });
    EXPECT_EQ(job.DecideInputCode(), SettledIgnored);
    job.Finish(false, input.c_str(), input.c_str());
    EXPECT_EQ(test::ListNames(dir.Path()), (std::vector<std::string>{"a.txt", "out"}));
    ExpectNothingLeftBehind();
}

}  // namespace
