// The output folder of the main window, on the program's own template: the Convert
// command's checks with their messages, the write probe, folder drops and the picker.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/platform.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "support/gui_script.h"
#include "support/shortcut.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

namespace {

constexpr char kNotAbsolute[] = "出力先パスには絶対パスを使用して下さい！";
constexpr char kBadCharacters[] = "パス名には以下の文字は使えません！\n        : , ; * ? \" < > |";
constexpr char kNoDrive[] = "出力先のドライブが存在しません！";
constexpr char kNoMedium[] = "出力先のドライブにディスクが装着されていません！";
constexpr char kNotFolder[] = "出力先がフォルダではありません！";
constexpr char kCreateMissing[] = "出力先パスが存在しません。作成しますか？";
constexpr char kNotWritable[] =
    "出力先に書き込むことが出来ません！　書き込み可能な場所を選んで下さい。";

// The real main window; a run that would start is counted instead.
class CountingMainWindow : public MainWindow {
public:
    using MainWindow::MainWindow;
    int runs = 0;

protected:
    void StartRun() override { ++runs; }
};

// The picker's title line in the shell's template.
constexpr int kPickerTitleControl = 14146;

const test::WindowQuery kMain = {"#32770", "Morvane", IDC_MAIN_OUTPUT_FOLDER};

std::string CurrentDirectory() {
    char path[platform::kPathBuffer];
    platform::CurrentDirectory(sizeof path, path);
    return path;
}

class OutputFolderTest : public ::testing::Test {
protected:
    // Output settings under which a listed row and a folder make Convert possible.
    void SetUp() override {
        settings.outputCode = ShiftJis;
        test::WriteBytes(inputs / "input.txt", "text");
    }
    // Types the folder, presses Convert, answers each message box with the next answer,
    // and closes the window.  The boxes seen.
    std::vector<test::MessageBoxSeen> Convert(const std::string& typed,
                                              std::vector<int> answers = {}) {
        test::GuiScript script;
        script.OnWindow(kMain, [&](test::UiWindow& w) {
            mainHandle_ = w.Handle();
            editHandle_ = w.Control(IDC_MAIN_OUTPUT_FOLDER);
            test::DropFiles(w.Control(IDC_MAIN_FILE_LIST), {inputs / "input.txt"});
            w.SetText(IDC_MAIN_OUTPUT_FOLDER, typed);
            EXPECT_TRUE(w.IsEnabled(IDC_MAIN_CONVERT));
            w.Click(IDC_MAIN_CONVERT);
        });
        for (int answer : answers) script.AnswerMessageBox(answer);
        script.OnWindow(kMain, [](test::UiWindow& w) { w.Click(IDC_MAIN_EXIT); });
        EXPECT_EQ(window.RunModal(nullptr), IDCANCEL);
        // Whatever the checks said, the typed text is what the settings keep.
        EXPECT_EQ(std::string(settings.outputFolder), typed);
        return script.MessageBoxes();
    }

    void ExpectOneBox(const std::vector<test::MessageBoxSeen>& boxes, const char* text,
                      const char* caption, UINT icon, const std::string& why) {
        ASSERT_EQ(boxes.size(), 1u) << why;
        EXPECT_EQ(boxes[0].text, text) << why;
        EXPECT_EQ(boxes[0].caption, caption) << why;
        EXPECT_EQ(boxes[0].icon, icon) << why;
        EXPECT_EQ(boxes[0].owner, mainHandle_) << why;
        EXPECT_EQ(window.runs, 0) << why;
    }

    std::string start_ = CurrentDirectory();
    test::TempDir dir;
    test::TempDir inputs;
    Settings settings;
    CountingMainWindow window{settings};
    HWND mainHandle_ = nullptr;
    HWND editHandle_ = nullptr;
};

TEST_F(OutputFolderTest, AnEmptyFolderStartsTheRunWithoutAnyCheck) {
    settings.noOutputAction = NewUniqueFile;
    EXPECT_TRUE(Convert("").empty());
    EXPECT_EQ(window.runs, 1);
}

TEST_F(OutputFolderTest, RefusesFoldersThatAreNotAbsoluteDrivePaths) {
    for (const char* typed : {"docs\\out", "\\out", "\\\\server\\share", "C:out", "1:\\out"}) {
        window.runs = 0;
        ExpectOneBox(Convert(typed, {IDOK}), kNotAbsolute, "パス名のエラー", MB_ICONWARNING,
                     typed);
    }
}

TEST_F(OutputFolderTest, RefusesReservedCharactersAfterTheDrivePartWithTheFocusOnTheBox) {
    for (const char* typed : {"C:\\out;2", "C:\\o*t", "C:\\a:b", "C:\\表示|ソ"}) {
        window.runs = 0;
        auto boxes = Convert(typed, {IDOK});
        ExpectOneBox(boxes, kBadCharacters, "パス名のエラー", MB_ICONWARNING, typed);
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes[0].focusBefore, editHandle_) << typed;
    }
}

TEST_F(OutputFolderTest, AcceptsAnExistingFolderWrittenWithEitherSeparator) {
    ASSERT_TRUE(platform::MakeDirectory((dir / "out").c_str()));
    std::string forward = dir / "out";
    for (char& c : forward) {
        if (c == '\\') c = '/';
    }
    for (const std::string& typed : {dir / "out", forward}) {
        window.runs = 0;
        EXPECT_TRUE(Convert(typed).empty()) << typed;
        EXPECT_EQ(window.runs, 1) << typed;
        // The process has left the folder, and the probe is gone.
        EXPECT_EQ(CurrentDirectory(), start_);
        EXPECT_TRUE(test::ListNames(dir / "out").empty()) << typed;
    }
}

TEST_F(OutputFolderTest, RefusesADriveLetterThatIsNotMapped) {
    DWORD drives = GetLogicalDrives();
    char letter = 'D';
    while (letter <= 'Z' && (drives & (1u << (letter - 'A'))) != 0) ++letter;
    ASSERT_LE(letter, 'Z') << "every drive letter is mapped";
    std::string typed = std::string(1, letter) + ":\\out";
    ExpectOneBox(Convert(typed, {IDOK}), kNoDrive, "ドライブエラー", MB_ICONERROR, typed);
}

// tools/wine.sh gives the test prefix an optical drive N: without a disc.
TEST_F(OutputFolderTest, RefusesADriveWithoutAMedium) {
    if (GetDriveTypeA("N:\\") != DRIVE_CDROM) {
        GTEST_SKIP() << "N: is no empty optical drive in this prefix (tools/wine.sh maps one "
                        "when it starts the server)";
    }
    for (const char* typed : {"N:\\out", "n:\\"}) {
        window.runs = 0;
        ExpectOneBox(Convert(typed, {IDOK}), kNoMedium, "ドライブエラー", MB_ICONERROR, typed);
    }
}

TEST_F(OutputFolderTest, AsksBeforeCreatingAMissingFolderAndItsParents) {
    ASSERT_TRUE(platform::MakeDirectory((dir / "a").c_str()));
    std::string typed = dir / "a\\b\\c";

    ExpectOneBox(Convert(typed, {IDNO}), kCreateMissing, "出力先の不在", MB_ICONINFORMATION,
                 "answered No");
    EXPECT_EQ(test::ListNames(dir / "a"), std::vector<std::string>{});

    auto boxes = Convert(typed, {IDYES});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kCreateMissing);
    EXPECT_EQ(window.runs, 1);
    EXPECT_EQ(platform::Attributes(typed.c_str()) & platform::kAttributeDirectory,
              platform::kAttributeDirectory);
    EXPECT_TRUE(test::ListNames(typed).empty());
}

TEST_F(OutputFolderTest, AnExistingFolderWithATrailingSeparatorIsAskedForAndThenUsed) {
    ASSERT_TRUE(platform::MakeDirectory((dir / "out").c_str()));
    auto boxes = Convert(dir / "out\\", {IDYES});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kCreateMissing);
    EXPECT_EQ(window.runs, 1);
    EXPECT_TRUE(test::ListNames(dir / "out").empty());
}

TEST_F(OutputFolderTest, AFileIsNotTakenForTheFolderAndStaysAsItWas) {
    test::WriteBytes(dir / "out.txt", "user's text\r\n");
    ExpectOneBox(Convert(dir / "out.txt", {IDOK}), kNotFolder, "出力先のエラー", MB_ICONERROR,
                 "a file");
    // Written with a separator the lookup misses it; the folder then cannot be entered,
    // and the check fails instead of probing wherever the process happens to be.
    window.runs = 0;
    auto boxes = Convert(dir / "out.txt\\", {IDYES, IDOK});
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, kCreateMissing);
    EXPECT_EQ(boxes[1].text, kNotWritable);
    EXPECT_EQ(window.runs, 0);
    EXPECT_EQ(test::ReadBytes(dir / "out.txt"), "user's text\r\n");
    EXPECT_EQ(test::ListNames(dir.Path()), std::vector<std::string>{"out.txt"});
}

// The probe must never open a file the user has: a DUMMY already there is left alone
// and another name is probed.
TEST_F(OutputFolderTest, TheWriteProbeLeavesTheUsersFilesAndFoldersAlone) {
    const std::vector<std::vector<std::string>> cases = {
        {"DUMMY"}, {"DUMMY", "DUMMY1", "DUMMY2"}, {"dummy"}};
    for (const auto& names : cases) {
        test::TempDir out;
        for (const std::string& name : names) test::WriteBytes(out / name, "keep " + name);
        window.runs = 0;
        EXPECT_TRUE(Convert(out.Path()).empty()) << names.size();
        EXPECT_EQ(window.runs, 1) << names.size();
        EXPECT_EQ(test::ListNames(out.Path()), names);
        for (const std::string& name : names) {
            EXPECT_EQ(test::ReadBytes(out / name), "keep " + name);
        }
    }
    test::TempDir out;
    ASSERT_TRUE(platform::MakeDirectory((out / "DUMMY").c_str()));
    window.runs = 0;
    EXPECT_TRUE(Convert(out.Path()).empty());
    EXPECT_EQ(window.runs, 1);
    EXPECT_EQ(test::ListNames(out.Path()), std::vector<std::string>{"DUMMY"});
}

TEST_F(OutputFolderTest, ADriveRootSkipsTheLookupAndIsProbed) {
    auto before = test::ListNames("C:\\");
    EXPECT_TRUE(Convert("c:\\").empty());
    EXPECT_EQ(window.runs, 1);
    EXPECT_EQ(test::ListNames("C:\\"), before);
}

// A read-only file system mapped as a drive: ctest mounts one with
// tools/small-disk.sh and names the drive in ZEKO_READ_ONLY_DISK.
TEST_F(OutputFolderTest, AFolderOnAReadOnlyDiskIsNotWritable) {
    const char* disk = std::getenv("ZEKO_READ_ONLY_DISK");
    if (!disk || !test::Exists(std::string(disk) + "\\read-only-disk.ok")) {
        GTEST_SKIP() << "no read-only file system (ctest mounts one with "
                        "tools/small-disk.sh; mounting needs root)";
    }
    for (const std::string& typed : {std::string(disk) + "\\", std::string(disk) + "\\out"}) {
        window.runs = 0;
        ExpectOneBox(Convert(typed, {IDOK}), kNotWritable, "書き込み出来ません", MB_ICONERROR,
                     typed);
    }
    EXPECT_EQ(test::ListNames(std::string(disk) + "\\out"), std::vector<std::string>{"DUMMY"});
    EXPECT_EQ(test::ReadBytes(std::string(disk) + "\\out\\DUMMY"), "a file of the user\r\n");
}

// Drops on the window outside the list: the first folder, or shortcut to a folder, is
// taken, and the Convert button follows the folder box.
TEST_F(OutputFolderTest, ADroppedFolderOrShortcutToOneBecomesTheOutputFolder) {
    ASSERT_TRUE(platform::MakeDirectory((dir / "first").c_str()));
    ASSERT_TRUE(platform::MakeDirectory((dir / "second").c_str()));
    test::WriteBytes(dir / "a.txt", "a");
    test::WriteBytes(dir / "b.txt", "b");
    test::MakeShortcut(dir / "folder.LNK", dir / "first");
    test::MakeShortcut(dir / "file.lnk", dir / "a.txt");
    test::MakeShortcut(dir / "outer.lnk", dir / "folder.LNK");
    struct Case {
        std::vector<std::string> dropped;
        std::string expected;  // empty: nothing is taken
    };
    const Case cases[] = {
        {{dir / "a.txt", dir / "b.txt", dir / "first"}, dir / "first"},
        {{dir / "second", dir / "first"}, dir / "second"},
        {{dir / "a.txt", dir / "b.txt"}, ""},
        {{dir / "missing", dir / "a.txt"}, ""},
        {{dir / "folder.LNK"}, dir / "first"},
        {{dir / "file.lnk", dir / "outer.lnk", dir / "second"}, dir / "second"},
        {{dir / "outer.lnk"}, ""},  // one level of shortcut only
    };
    settings.noOutputAction = DoNotConvert;
    for (const Case& c : cases) {
        std::string shown;
        bool convertBefore = true;
        bool convertAfter = false;
        test::GuiScript script;
        script.OnWindow(kMain, [&](test::UiWindow& w) {
            test::DropFiles(w.Control(IDC_MAIN_FILE_LIST), {inputs / "input.txt"});
            w.SetText(IDC_MAIN_OUTPUT_FOLDER, "");
            convertBefore = w.IsEnabled(IDC_MAIN_CONVERT);
            test::DropFiles(w.Handle(), c.dropped);
            shown = w.Text(IDC_MAIN_OUTPUT_FOLDER);
            convertAfter = w.IsEnabled(IDC_MAIN_CONVERT);
            w.Click(IDC_MAIN_EXIT);
        });
        window.RunModal(nullptr);
        SCOPED_TRACE(c.dropped[0]);
        EXPECT_EQ(shown, c.expected);
        EXPECT_EQ(std::string(settings.outputFolder), c.expected);
        EXPECT_FALSE(convertBefore);
        EXPECT_EQ(convertAfter, !c.expected.empty());
    }
}

// The shell's picker, as far as it can be driven: Wine's opens on the desktop folder.
TEST_F(OutputFolderTest, ThePickerReplacesTheTypedFolderOnlyWhenAFolderIsChosen) {
    char desktop[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop), S_OK);
    const struct {
        int button;
        std::string expected;
    } cases[] = {{IDCANCEL, "C:\\typed"}, {IDOK, desktop}};
    for (const auto& c : cases) {
        std::string title;
        HWND owner = nullptr;
        std::string shown;
        test::GuiScript script;
        script.OnWindow(kMain, [&](test::UiWindow& w) {
            mainHandle_ = w.Handle();
            w.SetText(IDC_MAIN_OUTPUT_FOLDER, "C:\\typed");
            w.Click(IDC_MAIN_BROWSE);
        });
        // The main window is disabled while the picker is up, so only the picker matches.
        script.OnWindow({"#32770", "", IDCANCEL}, [&](test::UiWindow& picker) {
            owner = GetWindow(picker.Handle(), GW_OWNER);
            title = picker.Text(kPickerTitleControl);
            picker.Click(c.button);
        });
        script.OnWindow(kMain, [&](test::UiWindow& w) {
            shown = w.Text(IDC_MAIN_OUTPUT_FOLDER);
            w.Click(IDC_MAIN_EXIT);
        });
        window.RunModal(nullptr);
        EXPECT_EQ(title, "出力先フォルダを選択して下さい");
        EXPECT_EQ(owner, mainHandle_);
        EXPECT_EQ(shown, c.expected) << c.button;
        EXPECT_EQ(std::string(settings.outputFolder), c.expected) << c.button;
    }
}

}  // namespace
