// The main window's output folder: the Convert command's checks, the write probe, folder
// drops and the picker.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "framework/platform.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "support/gui_script.h"
#include "support/shortcut.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

namespace {

struct Box {
    const char *text, *caption;
    UINT icon;
};
constexpr Box kNotAbsolute = {"出力先パスには絶対パスを使用して下さい！", "パス名のエラー",
                              MB_ICONWARNING},
              kBadCharacters = {"パス名には以下の文字は使えません！\n        : , ; * ? \" < > |",
                                "パス名のエラー", MB_ICONWARNING},
              kNoDrive = {"出力先のドライブが存在しません！", "ドライブエラー", MB_ICONERROR},
              kNoMedium = {"出力先のドライブにディスクが装着されていません！", "ドライブエラー",
                           MB_ICONERROR},
              kNotFolder = {"出力先がフォルダではありません！", "出力先のエラー", MB_ICONERROR},
              kCreateMissing = {"出力先パスが存在しません。作成しますか？", "出力先の不在",
                                MB_ICONINFORMATION},
              kNotWritable = {"出力先に書き込むことが出来ません！　書き込み可能な場所を選んで下さい。",
                              "書き込み出来ません", MB_ICONERROR};

// The real main window; a run that would start is counted instead.
struct CountingMainWindow : MainWindow {
    using MainWindow::MainWindow;
    int runs = 0;
    void StartRun() override { ++runs; }
};

const test::WindowQuery kMain = {"#32770", "Morvane", IDC_MAIN_OUTPUT_FOLDER};
constexpr int kPickerTitleControl = 14146;  // in the shell's template

class OutputFolderTest : public ::testing::Test {
protected:
    // A listed row makes Convert possible, even without a folder.
    void SetUp() override {
        settings.outputCode = ShiftJis;
        settings.noOutputAction = NewUniqueFile;
        test::WriteBytes(inputs / "input.txt", "text");
    }
    // Runs the window through the script's steps, then exits.
    void Run(test::GuiScript& script) {
        script.OnWindow(kMain, [](test::UiWindow& w) { w.Click(IDC_MAIN_EXIT); });
        EXPECT_EQ(window.RunModal(nullptr), IDCANCEL);
    }

    test::TempDir dir;
    test::TempDir inputs;
    Settings settings;
    CountingMainWindow window{settings};
    HWND mainHandle = nullptr;
};

// Types the folder, presses Convert and answers each message box with the next answer;
// the boxes seen, the runs started and what is left in a folder are checked.
TEST_F(OutputFolderTest, ConvertChecksTheFolderAndStartsTheRunOnlyWhenItIsWritable) {
    const std::string start = test::CurrentDirectory();
    for (const char* folder : {"out", "a", "p2", "p3", "p4", "p4\\DUMMY", "f"})
        ASSERT_TRUE(platform::MakeDirectory((dir / folder).c_str()));
    // The probe must never open a file the user has: a DUMMY already there is left alone
    // and another name is probed.
    const char* const userFiles[] = {"p2\\DUMMY", "p2\\DUMMY1", "p2\\DUMMY2", "p3\\dummy",
                                     "f\\out.txt"};
    for (const char* file : userFiles) test::WriteBytes(dir / file, file);
    std::string forward = dir / "out";
    for (char& c : forward) c = c == '\\' ? '/' : c;
    char unmapped = 'D';
    while (unmapped <= 'Z' && (GetLogicalDrives() & (1u << (unmapped - 'A'))) != 0) ++unmapped;
    ASSERT_LE(unmapped, 'Z') << "every drive letter is mapped";

    struct Case {
        std::string typed;
        std::vector<int> answers;
        std::vector<Box> boxes;
        int runs;
        std::string listed = {};  // a folder whose names are then checked
        std::vector<std::string> names = {};
    };
    std::vector<Case> cases = {
        {"", {}, {}, 1}, {"docs\\out", {IDOK}, {kNotAbsolute}, 0},
        {"\\\\server\\share", {IDOK}, {kNotAbsolute}, 0}, {"C:out", {IDOK}, {kNotAbsolute}, 0},
        {"C:\\a:b", {IDOK}, {kBadCharacters}, 0}, {"C:\\表示|ソ", {IDOK}, {kBadCharacters}, 0},
        {std::string(1, unmapped) + ":\\out", {IDOK}, {kNoDrive}, 0},
        {dir / "out", {}, {}, 1, dir / "out"}, {forward, {}, {}, 1, dir / "out"},
        {dir / "a\\b\\c", {IDNO}, {kCreateMissing}, 0, dir / "a"},
        {dir / "a\\b\\c", {IDYES}, {kCreateMissing}, 1, dir / "a\\b\\c"},
        // The lookup misses an existing folder written with a final separator.
        {dir / "out\\", {IDYES}, {kCreateMissing}, 1, dir / "out"},
        {dir / "f\\out.txt", {IDOK}, {kNotFolder}, 0, dir / "f", {"out.txt"}},
        // Then the folder cannot be entered, and the check fails instead of probing
        // wherever the process happens to be.
        {dir / "f\\out.txt\\", {IDYES, IDOK}, {kCreateMissing, kNotWritable}, 0, dir / "f",
         {"out.txt"}},
        {dir / "p2", {}, {}, 1, dir / "p2", {"DUMMY", "DUMMY1", "DUMMY2"}},
        {dir / "p3", {}, {}, 1, dir / "p3", {"dummy"}},
        {dir / "p4", {}, {}, 1, dir / "p4", {"DUMMY"}},
        // A drive root skips the lookup and is probed.
        {"c:\\", {}, {}, 1, "C:\\", test::ListNames("C:\\")},
    };
    // tools/wine.sh gives the test prefix an optical drive N: without a disc; ctest mounts
    // a read-only file system with tools/small-disk.sh and names its drive.
    std::string missing;
    if (GetDriveTypeA("N:\\") == DRIVE_CDROM) {
        for (const char* typed : {"N:\\out", "n:\\"})
            cases.push_back({typed, {IDOK}, {kNoMedium}, 0});
    } else {
        missing += "N: is no empty optical drive (tools/wine.sh maps one). ";
    }
    const char* mapped = std::getenv("ZEKO_READ_ONLY_DISK");
    const std::string disk = mapped ? mapped : "";
    if (!disk.empty() && test::Exists(disk + "\\read-only-disk.ok")) {
        for (const std::string& typed : {disk + "\\", disk + "\\out"})
            cases.push_back({typed, {IDOK}, {kNotWritable}, 0, disk + "\\out", {"DUMMY"}});
    } else {
        missing += "No read-only file system (ctest mounts one; mounting needs root).";
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        window.runs = 0;
        HWND edit = nullptr;
        test::GuiScript script;
        script.OnWindow(kMain, [&](test::UiWindow& w) {
            mainHandle = w.Handle();
            edit = w.Control(IDC_MAIN_OUTPUT_FOLDER);
            test::DropFiles(w.Control(IDC_MAIN_FILE_LIST), {inputs / "input.txt"});
            w.SetText(IDC_MAIN_OUTPUT_FOLDER, c.typed);
            EXPECT_TRUE(w.IsEnabled(IDC_MAIN_CONVERT));
            w.Click(IDC_MAIN_CONVERT);
        });
        for (int answer : c.answers) script.AnswerMessageBox(answer);
        Run(script);
        // Whatever the checks said, the typed text is what the settings keep.
        EXPECT_EQ(std::string(settings.outputFolder), c.typed);
        const std::vector<test::MessageBoxSeen>& boxes = script.MessageBoxes();
        ASSERT_EQ(boxes.size(), c.boxes.size());
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const Box& b = c.boxes[i];
            EXPECT_EQ(std::tie(boxes[i].text, boxes[i].caption, boxes[i].icon, boxes[i].owner),
                      std::make_tuple(b.text, b.caption, b.icon, mainHandle));
            // The name check focuses the box first.
            EXPECT_TRUE(b.text != kBadCharacters.text || boxes[i].focusBefore == edit);
        }
        EXPECT_EQ(window.runs, c.runs);
        EXPECT_TRUE(c.runs == 0 || c.typed.empty() || test::IsFolder(c.typed));
        // The process has left the folder, and the probe is gone.
        EXPECT_EQ(test::CurrentDirectory(), start);
        if (!c.listed.empty()) {
            EXPECT_EQ(test::ListNames(c.listed), c.names);
        }
    }
    for (const char* file : userFiles) EXPECT_EQ(test::ReadBytes(dir / file), file);
    if (!missing.empty()) GTEST_SKIP() << missing;
    EXPECT_EQ(test::ReadBytes(disk + "\\out\\DUMMY"), "a file of the user\r\n");
}

// Drops on the window outside the list: the first folder, or shortcut to one, is taken,
// and the Convert button follows the folder box.  A single folder is the acceptance test's.
TEST_F(OutputFolderTest, ADroppedFolderOrShortcutToOneBecomesTheOutputFolder) {
    for (const char* folder : {"first", "second"})
        ASSERT_TRUE(platform::MakeDirectory((dir / folder).c_str()));
    test::WriteBytes(dir / "a.txt", "a");
    test::MakeShortcut(dir / "folder.LNK", dir / "first");
    test::MakeShortcut(dir / "file.lnk", dir / "a.txt");
    test::MakeShortcut(dir / "outer.lnk", dir / "folder.LNK");  // one level of shortcut only
    const struct {
        std::vector<std::string> dropped;
        std::string expected;  // empty: nothing is taken
    } cases[] = {{{dir / "a.txt", dir / "second", dir / "first"}, dir / "second"},
                 {{dir / "missing", dir / "a.txt"}, ""}, {{dir / "folder.LNK"}, dir / "first"},
                 {{dir / "file.lnk", dir / "outer.lnk", dir / "second"}, dir / "second"}};
    settings.noOutputAction = DoNotConvert;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        bool convert = false;
        test::GuiScript script;
        script.OnWindow(kMain, [&](test::UiWindow& w) {
            test::DropFiles(w.Control(IDC_MAIN_FILE_LIST), {inputs / "input.txt"});
            w.SetText(IDC_MAIN_OUTPUT_FOLDER, "");
            EXPECT_FALSE(w.IsEnabled(IDC_MAIN_CONVERT));
            SendMessageA(w.Control(IDC_MAIN_CONVERT), BM_CLICK, 0, 0);  // a click sent anyway
            EXPECT_EQ(window.runs, 0);
            test::DropFiles(w.Handle(), c.dropped);
            convert = w.IsEnabled(IDC_MAIN_CONVERT);
        });
        Run(script);
        EXPECT_EQ(std::string(settings.outputFolder), c.expected);  // as the box showed it
        EXPECT_EQ(convert, !c.expected.empty());
    }
}

// The shell's picker, as far as it can be driven: Wine's opens on the desktop folder.
TEST_F(OutputFolderTest, ThePickerReplacesTheTypedFolderOnlyWhenAFolderIsChosen) {
    char desktop[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop), S_OK);
    for (int button : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(button);
        test::GuiScript script;
        script.OnWindow(kMain, [&](test::UiWindow& w) {
            mainHandle = w.Handle();
            w.SetText(IDC_MAIN_OUTPUT_FOLDER, "C:\\typed");
            w.Click(IDC_MAIN_BROWSE);
        });
        // The main window is disabled while the picker is up, so only the picker matches.
        script.OnWindow({"#32770", "", IDCANCEL}, [&](test::UiWindow& picker) {
            EXPECT_EQ(GetWindow(picker.Handle(), GW_OWNER), mainHandle);
            EXPECT_EQ(picker.Text(kPickerTitleControl), "出力先フォルダを選択して下さい");
            picker.Click(button);
        });
        Run(script);
        EXPECT_EQ(std::string(settings.outputFolder), button == IDOK ? desktop : "C:\\typed");
    }
}

}  // namespace
