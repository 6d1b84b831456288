// The main window's file list with real drops on the real template: the extension rule,
// shortcuts, duplicates, the context menu, deletions, the Convert button that follows
// them, and the clean-the-list question after the settings change.  Rows are read the
// way the conversion job reads them: the item parameter as the row's full path.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/platform.h"
#include "framework/window.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "support/allocation_failure.h"
#include "support/gui_script.h"
#include "support/shortcut.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

namespace {

struct Row {
    std::string name;
    std::string extension;
    std::string location;
    std::string path;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << "{" << row.name << " | " << row.extension << " | " << row.location << " | "
               << row.path << "}";
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

class FileListTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Create(nullptr, SW_SHOW));
        list = GetDlgItem(window.Handle(), IDC_MAIN_FILE_LIST);
        folder = dir.Path() + "\\";
    }
    void TearDown() override {
        DestroyWindow(window.Handle());
        EXPECT_EQ(WindowRegistry::Global().Count(), 0);
    }

    void Drop(const std::vector<std::string>& paths) { test::DropFiles(list, paths); }
    std::vector<std::string> InDir(const std::vector<std::string>& names) const {
        std::vector<std::string> paths;
        for (const std::string& name : names) paths.push_back(dir / name);
        return paths;
    }
    Row FileRow(const std::string& name, const std::string& extension,
                const std::string& file) const {
        return {name, extension, folder, dir / file};
    }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            Row row;
            for (int column = 0; column < 3; ++column) {
                char text[platform::kPathBuffer] = {};
                LVITEMA item = {};
                item.mask = LVIF_TEXT | LVIF_PARAM;
                item.iItem = i;
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = sizeof text;
                EXPECT_TRUE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
                (column == 0 ? row.name : column == 1 ? row.extension : row.location) = item.pszText;
                if (column == 0) row.path = reinterpret_cast<const char*>(item.lParam);
            }
            rows.push_back(row);
        }
        return rows;
    }

    // Output settings under which a listed row makes Convert possible.
    void AllowConvert() {
        settings.outputCode = ShiftJis;
        SetDlgItemTextA(window.Handle(), IDC_MAIN_OUTPUT_FOLDER, "C:\\out");
    }
    bool ConvertEnabled() const {
        return IsWindowEnabled(GetDlgItem(window.Handle(), IDC_MAIN_CONVERT));
    }
    void Select(int row) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }

    test::TempDir dir;
    std::string folder;
    Settings settings;
    MainWindow window{settings};
    HWND list = nullptr;
};

TEST_F(FileListTest, HasItsThreeColumns) {
    const struct {
        const char* header;
        int width;
        int format;
    } columns[] = {{"ファイル名", 120, LVCFMT_LEFT}, {"拡張子", 55, LVCFMT_RIGHT},
                   {"場所", 250, LVCFMT_LEFT}};
    for (int i = 0; i < 3; ++i) {
        char text[32] = {};
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(text, columns[i].header);
        EXPECT_EQ(column.cx, columns[i].width) << i;
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[i].format) << i;
    }
}

TEST_F(FileListTest, TakesDroppedPathsByTheExtensionRuleSortedByName) {
    for (const char* file : {"a.txt", "b.HTML", "README", "archive.tar.gz", "data.bin", ".profile"})
        test::WriteBytes(dir / file, "text");
    for (const char* name : {"docs", "my.docs"})
        ASSERT_TRUE(platform::MakeDirectory((dir / name).c_str()));
    const std::vector<std::string> dropped = InDir(
        {"my.docs", "docs", ".profile", "data.bin", "archive.tar.gz", "README", "b.HTML", "a.txt"});

    const Row a = FileRow("a", "txt", "a.txt");
    const Row b = FileRow("b", "HTML", "b.HTML");
    const Row readme = FileRow("README", "<none>", "README");
    const Row docs = FileRow("docs", "<folder>", "docs");
    const Row myDocs = FileRow("my.docs", "<folder>", "my.docs");
    const Row archive = FileRow("archive.tar", "gz", "archive.tar.gz");
    const Row data = FileRow("data", "bin", "data.bin");
    const Row profile = FileRow("", "profile", ".profile");
    const struct {
        const char* rule;
        std::uint8_t anyExtension;
        std::uint8_t folderMode;
        std::vector<Row> rows;
    } cases[] = {
        {"defaults", 0, LimitedDepth, {a, b, docs, myDocs, readme}},
        {"folders ignored", 0, IgnoreFolders, {a, b, readme}},
        {"any extension", 1, IgnoreFolders, {profile, a, archive, b, data, docs, myDocs, readme}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        settings.anyExtension = c.anyExtension;
        settings.folderMode = c.folderMode;
        Drop(dropped);
        EXPECT_EQ(Rows(), c.rows);
        EXPECT_TRUE(window.ListNotEmpty());
        window.FileList().DeleteAllEntries();
    }
}

TEST_F(FileListTest, FollowsShortcutsToTheirEnd) {
    test::WriteBytes(dir / "x.txt", "text");
    ASSERT_TRUE(platform::MakeDirectory((dir / "sub").c_str()));
    test::MakeShortcut(dir / "to-file.lnk", dir / "x.txt");
    test::MakeShortcut(dir / "to-folder.lnk", dir / "sub");
    test::MakeShortcut(dir / "to-link.lnk", dir / "to-file.lnk");
    test::WriteBytes(dir / "broken.lnk", "not a shortcut");
    // Two shortcuts that point at each other.
    test::MakeShortcut(dir / "loop-b.lnk", dir / "x.txt");
    test::MakeShortcut(dir / "loop-a.lnk", dir / "loop-b.lnk");
    test::MakeShortcut(dir / "loop-b.lnk", dir / "loop-a.lnk");
    const std::vector<std::string> shortcuts = {"to-file.lnk", "to-folder.lnk", "to-link.lnk",
                                                "broken.lnk", "loop-a.lnk", "loop-b.lnk"};
    std::vector<std::string> before;
    for (const std::string& name : shortcuts) before.push_back(test::ReadBytes(dir / name));

    const Row x = FileRow("x", "txt", "x.txt");
    const struct {
        std::vector<std::string> dropped;
        std::uint8_t anyExtension;
        std::vector<Row> rows;
    } cases[] = {
        {{"to-file.lnk"}, 0, {x}},
        {{"to-folder.lnk"}, 0, {FileRow("sub", "<folder>", "sub")}},
        {{"to-link.lnk"}, 0, {x}},
        {{"x.txt", "to-file.lnk", "to-link.lnk"}, 0, {x}},
        {{"broken.lnk"}, 0, {}},
        {{"broken.lnk"}, 1, {FileRow("broken", "lnk", "broken.lnk")}},
        {{"loop-a.lnk"}, 0, {}},
        // After an even number of steps the chain is back at its start.
        {{"loop-a.lnk"}, 1, {FileRow("loop-a", "lnk", "loop-a.lnk")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dropped.front() + (c.anyExtension ? " (any extension)" : ""));
        settings.anyExtension = c.anyExtension;
        Drop(InDir(c.dropped));
        EXPECT_EQ(Rows(), c.rows);
        window.FileList().DeleteAllEntries();
    }
    for (std::size_t i = 0; i < shortcuts.size(); ++i)
        EXPECT_EQ(test::ReadBytes(dir / shortcuts[i]), before[i]) << shortcuts[i];
}

TEST_F(FileListTest, TheSamePathGivesOneRowWhateverItsCase) {
    for (const char* file : {"a.txt", "ア.txt", "ヂ.txt"}) test::WriteBytes(dir / file, "text");
    Drop(InDir({"a.txt", "a.txt"}));
    Drop(InDir({"a.txt"}));
    Drop({folder + "A.TXT"});
    EXPECT_EQ(Rows(), std::vector<Row>{FileRow("a", "txt", "a.txt")});
    // Trail bytes 41 and 61 are no letters: two different names.
    Drop(InDir({"ア.txt", "ヂ.txt"}));
    EXPECT_EQ(Rows().size(), 3u);
}

// A name or folder cut short in its column is whole in the row's tip.
TEST_F(FileListTest, ARowsTipIsItsFullPath) {
    const std::string path = folder + std::string(120, 'n') + ".txt";
    test::WriteBytes(path, "text");
    Drop({path});
    char text[INFOTIPSIZE] = "offered by the control";
    NMLVGETINFOTIPA tip = {};
    tip.hdr = {list, IDC_MAIN_FILE_LIST, LVN_GETINFOTIPA};
    tip.pszText = text;
    tip.cchTextMax = sizeof text;
    tip.iItem = 0;
    SendMessageA(window.Handle(), WM_NOTIFY, IDC_MAIN_FILE_LIST, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(std::string(text), path);
}

TEST_F(FileListTest, TakesADriveRootAndTellsWhatItCannotTake) {
    Drop({"C:\\"});
    EXPECT_EQ(Rows(), (std::vector<Row>{{"", "<folder>", "C:\\", "C:\\"}}));
    window.FileList().DeleteAllEntries();

    // A path too long for the buffer would come back cut short: here it would then name
    // another file that exists.
    std::string kept = folder + std::string(platform::kMaxPath - folder.size() - 4, 'k') + ".txt";
    ASSERT_EQ(kept.size(), platform::kMaxPath);
    test::WriteBytes(kept, "text");
    settings.anyExtension = 1;
    test::GuiScript script;
    script.AnswerMessageBox(IDOK);
    Drop({dir / "missing.txt", kept + ".bak", dir / "x?.txt", ""});
    EXPECT_EQ(Rows(), std::vector<Row>{});
    EXPECT_FALSE(window.ListNotEmpty());
    platform::Remove(kept.c_str());
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    const test::MessageBoxSeen& box = script.MessageBoxes()[0];
    EXPECT_EQ(box.caption, "ファイル名のエラー");
    // Each with what is wrong; the path too long comes back cut short, and says so.
    for (const std::string& line :
         {"次のファイルはリストに加えられませんでした。\n\n" + dir / "missing.txt" +
              "\n　見つからないか、読み取れません。\n",
          std::string("…\n　パス名が長すぎます。\n"),
          dir / "x?.txt" + "\n　この名前は扱えません（この環境の文字コードにない文字を含んでいます）。\n"})
        EXPECT_NE(box.text.find(line), std::string::npos) << line;
}

TEST_F(FileListTest, AbandonsTheDropWhenARowCannotBeMade) {
    for (const char* file : {"a.txt", "b.txt", "c.txt"}) test::WriteBytes(dir / file, "text");
    test::GuiScript script;
    script.AnswerMessageBox(IDOK);
    {
        test::FailingAllocations failing(1);
        Drop(InDir({"a.txt", "b.txt", "c.txt"}));
    }
    EXPECT_EQ(Rows(), std::vector<Row>{FileRow("a", "txt", "a.txt")});
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    const test::MessageBoxSeen& box = script.MessageBoxes()[0];
    EXPECT_EQ(box.text, "メモリが足りません！");
    EXPECT_EQ(box.caption, "メモリ不足");
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(box.owner, window.Handle()) << "owned by the list, whose top-level is the window";
}

TEST_F(FileListTest, ContextMenuOnlyWithRowsAndDeleteOnlyWithASelection) {
    {
        test::GuiScript script;
        script.FailOnAnyWindow();
        SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(20, 20));
        Pump();
    }
    for (const char* file : {"a.txt", "b.txt", "c.txt"}) test::WriteBytes(dir / file, "text");
    AllowConvert();
    Drop(InDir({"a.txt", "b.txt", "c.txt"}));
    ASSERT_TRUE(ConvertEnabled());

    const struct {
        const char* situation;
        int selected;  // -1: none
        bool deleteEnabled;
        char key;
        std::vector<std::string> left;
    } cases[] = {
        {"one row selected", 1, true, 'd', {"a", "c"}},
        {"nothing selected", -1, false, 'a', {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        if (c.selected >= 0) Select(c.selected);
        test::GuiScript script;
        script.OnWindow({"#32768", "", 0}, [&c](test::UiWindow& menu) {
            auto popup = reinterpret_cast<HMENU>(SendMessageA(menu.Handle(), MN_GETHMENU, 0, 0));
            ASSERT_NE(popup, nullptr);
            EXPECT_EQ((GetMenuState(popup, ID_DELETE, MF_BYCOMMAND) & MF_GRAYED) == 0,
                      c.deleteEnabled);
            EXPECT_EQ(GetMenuState(popup, ID_DELETE_ALL, MF_BYCOMMAND) & MF_GRAYED, 0u);
            PostMessageA(menu.Handle(), WM_CHAR, c.key, 0);
        });
        RECT bounds;
        GetWindowRect(list, &bounds);
        SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                     MAKELPARAM(bounds.left + 10, bounds.top + 30));
        Pump();
        EXPECT_TRUE(script.Finished());
        std::vector<std::string> names;
        for (const Row& row : Rows()) names.push_back(row.name);
        EXPECT_EQ(names, c.left);
        EXPECT_EQ(window.ListNotEmpty(), !c.left.empty());
        EXPECT_EQ(ConvertEnabled(), !c.left.empty());
    }
}

TEST_F(FileListTest, DeletingTheLastSelectedRowsDisablesConvert) {
    for (const char* file : {"a.txt", "b.txt"}) test::WriteBytes(dir / file, "text");
    AllowConvert();
    Drop(InDir({"a.txt", "b.txt"}));
    Select(0);
    SendMessageA(list, WM_COMMAND, ID_DELETE, 0);
    EXPECT_TRUE(window.ListNotEmpty());
    EXPECT_TRUE(ConvertEnabled());
    Select(0);
    SendMessageA(list, WM_COMMAND, ID_DELETE, 0);
    EXPECT_FALSE(window.ListNotEmpty());
    EXPECT_FALSE(ConvertEnabled());
}

TEST_F(FileListTest, ConvertFollowsRowsFolderAndOutputSettings) {
    test::WriteBytes(dir / "a.txt", "text");
    const struct {
        const char* situation;
        std::uint8_t outputCode, newline, widenKana, noOutputAction;
        const char* folderText;
        bool rows;
        bool enabled;
    } cases[] = {
        {"folder and rows", ShiftJis, KeepNewline, 0, DoNotConvert, "C:\\out", true, true},
        {"no rows", ShiftJis, KeepNewline, 0, DoNotConvert, "C:\\out", false, false},
        {"no folder, nothing to do without", ShiftJis, CrLf, 0, DoNotConvert, "", true, false},
        {"a blank counts as a folder", EucJp, CrLf, 0, DoNotConvert, " ", true, true},
        {"no folder, replace originals", Jis, Lf, 0, ReplaceOriginal, "", true, true},
        {"no folder, unique names", Unicode, Cr, 0, NewUniqueFile, "", true, true},
        {"keep code, newlines change", Keep, CrLf, 0, DoNotConvert, "C:\\out", true, true},
        {"keep newlines, code changes", Jis, KeepNewline, 0, DoNotConvert, "C:\\out", true, true},
        {"keep both, widen katakana", Keep, KeepNewline, 1, DoNotConvert, "C:\\out", true, true},
        {"keep both, nothing changes", Keep, KeepNewline, 0, DoNotConvert, "C:\\out", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        settings.outputCode = c.outputCode;
        settings.newline = c.newline;
        settings.widenKana = c.widenKana;
        settings.noOutputAction = c.noOutputAction;
        // The edit's change notification refreshes the button, as typing does.
        SetDlgItemTextA(window.Handle(), IDC_MAIN_OUTPUT_FOLDER, "x");
        SetDlgItemTextA(window.Handle(), IDC_MAIN_OUTPUT_FOLDER, c.folderText);
        if (c.rows) Drop(InDir({"a.txt"}));
        EXPECT_EQ(ConvertEnabled(), c.enabled);
        EXPECT_EQ(window.OutputPossible(),
                  c.noOutputAction != DoNotConvert || c.folderText[0] != '\0');
        window.FileList().DeleteAllEntries();
        EXPECT_FALSE(ConvertEnabled());
    }
}

TEST_F(FileListTest, ClosingTheWindowLeavesTheFolderTextInSettings) {
    // The modeless window's own end: the exit command takes the text, then the rows go.
    test::WriteBytes(dir / "a.txt", "text");
    Drop(InDir({"a.txt"}));
    SetDlgItemTextA(window.Handle(), IDC_MAIN_OUTPUT_FOLDER, "E:\\出力");
    SendMessageA(window.Handle(), WM_COMMAND, IDC_MAIN_EXIT, 0);
    EXPECT_STREQ(settings.outputFolder, "E:\\出力");
    EXPECT_EQ(Rows(), std::vector<Row>{});
    EXPECT_EQ(WindowRegistry::Global().Find(list), nullptr) << "the list is no longer subclassed";
}

class RecheckTest : public FileListTest {
protected:
    // Lists a text file and a .bin file, taken while every extension was accepted.
    void ListTextAndBinary() {
        test::WriteBytes(dir / "a.txt", "text");
        test::WriteBytes(dir / "data.bin", "bytes");
        ASSERT_TRUE(platform::MakeDirectory((dir / "docs").c_str()));
        settings.anyExtension = 1;
        Drop(InDir({"a.txt", "data.bin", "docs"}));
        ASSERT_EQ(Rows().size(), 3u);
    }
    // Lists one .bin file, taken while every extension was accepted, ready to convert.
    void ListOnlyBinaryConvertible() {
        test::WriteBytes(dir / "data.bin", "bytes");
        AllowConvert();
        settings.anyExtension = 1;
        Drop(InDir({"data.bin"}));
        ASSERT_TRUE(ConvertEnabled());
    }
    // The settings command's last step; answer 0: no question may come.
    void Recheck(const MainWindow::ExtensionRule& before, int answer) {
        test::GuiScript script;
        if (answer == 0) {
            script.FailOnAnyWindow();
        } else {
            script.AnswerMessageBox(answer, "確認");
        }
        window.RecheckListAfterSettings(before);
        if (answer == 0) return;
        ASSERT_EQ(script.MessageBoxes().size(), 1u);
        const test::MessageBoxSeen& box = script.MessageBoxes()[0];
        EXPECT_EQ(box.text, "テキストファイル以外のファイルをリストから削除しますか？");
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_EQ(box.owner, window.Handle());
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Row& row : Rows()) names.push_back(row.name);
        return names;
    }
};

TEST_F(RecheckTest, AsksWhenTheRestrictionComesBackAndAgainAfterANo) {
    ListTextAndBinary();
    settings.anyExtension = 0;
    Recheck({true, false}, IDNO);
    EXPECT_FALSE(window.ListFiltered());
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "data", "docs"}));

    Recheck({false, false}, IDYES);  // asked again: the list is still unfiltered
    EXPECT_TRUE(window.ListFiltered());
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "docs"}));

    settings.folderMode = IgnoreFolders;
    Recheck({false, false}, IDYES);  // folders are ignored from now on
    EXPECT_EQ(Names(), std::vector<std::string>{"a"});
}

TEST_F(RecheckTest, DoesNotAskWhenTheRowsAreKnownToPass) {
    ListTextAndBinary();
    Recheck({false, false}, 0);  // every extension is still accepted
    EXPECT_FALSE(window.ListFiltered());

    window.FileList().DeleteAllEntries();
    settings.anyExtension = 0;
    Recheck({true, false}, 0);  // nothing listed
    EXPECT_TRUE(window.ListFiltered());

    settings.anyExtension = 1;
    Drop(InDir({"a.txt", "docs"}));
    settings.anyExtension = 0;
    Recheck({false, false}, 0);  // only the extension list may have changed
    settings.folderMode = IgnoreFolders;
    Recheck({false, true}, 0);  // folders were ignored before already
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "docs"}));
    EXPECT_TRUE(window.ListFiltered());
}

TEST_F(RecheckTest, RemovingTheOnlyRowDisablesConvert) {
    ListOnlyBinaryConvertible();
    settings.anyExtension = 0;
    Recheck({true, false}, IDYES);
    EXPECT_EQ(Rows(), std::vector<Row>{});
    EXPECT_FALSE(window.ListNotEmpty());
    EXPECT_FALSE(ConvertEnabled());
}

// The Settings button end to end: the real sheet, then the question about the list.
class SettingsCommandTest : public RecheckTest {
protected:
    // Presses Settings; change acts on the sheet, which then closes with close (IDOK or
    // IDCANCEL); answer 0: no question may follow.
    void RunSettings(std::function<void(test::UiWindow&)> change, int close, int answer) {
        test::GuiScript script;
        script.OnWindow(kSheet, [&](test::UiWindow& sheet) {
            change(sheet);
            sheet.Click(close);
        });
        if (answer != 0) script.AnswerMessageBox(answer, "確認");
        HWND button = GetDlgItem(window.Handle(), IDC_MAIN_SETTINGS);
        SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_SETTINGS, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        if (answer != 0) {
            ASSERT_EQ(script.MessageBoxes().size(), 1u);
            EXPECT_EQ(script.MessageBoxes()[0].text,
                      "テキストファイル以外のファイルをリストから削除しますか？");
            EXPECT_EQ(script.MessageBoxes()[0].owner, window.Handle());
        } else {
            EXPECT_TRUE(script.MessageBoxes().empty());
        }
    }
    static void RestrictExtensions(test::UiWindow& sheet) {
        SendMessageA(sheet.Handle(), PSM_SETCURSEL, 3, 0);
        sheet.Click(IDC_EXT_ANY);
    }
    static void NoChange(test::UiWindow&) {}

    const test::WindowQuery kSheet{"#32770", "設定", 0};
};

TEST_F(SettingsCommandTest, RestrictingExtensionsAgainAsksUntilTheListIsCleaned) {
    ListTextAndBinary();
    RunSettings(RestrictExtensions, IDOK, IDNO);
    EXPECT_EQ(settings.anyExtension, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "data", "docs"}));
    EXPECT_FALSE(window.ListFiltered());

    RunSettings(NoChange, IDOK, IDYES);  // declined before, so asked again
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "docs"}));
    EXPECT_TRUE(window.ListFiltered());

    RunSettings(NoChange, IDOK, 0);
    RunSettings(RestrictExtensions, IDCANCEL, 0);
    EXPECT_EQ(settings.anyExtension, 0);
}

TEST_F(SettingsCommandTest, CleaningAwayTheOnlyRowDisablesConvert) {
    ListOnlyBinaryConvertible();
    RunSettings(RestrictExtensions, IDOK, IDYES);
    EXPECT_EQ(Rows(), std::vector<Row>{});
    EXPECT_FALSE(ConvertEnabled());
}

TEST_F(SettingsCommandTest, ConvertFollowsTheOutputSettingsChosenOnTheSheet) {
    test::WriteBytes(dir / "a.txt", "text");
    Drop(InDir({"a.txt"}));
    ASSERT_FALSE(ConvertEnabled()) << "no folder, and the defaults change nothing";
    auto choose = [](test::UiWindow& sheet) {
        // Clicked at once: a posted click would reach the page only after it was left.
        SendMessageA(sheet.Control(IDC_PRESET_WINDOWS), BM_CLICK, 0, 0);
        SendMessageA(sheet.Handle(), PSM_SETCURSEL, 2, 0);
        SendMessageA(sheet.Control(IDC_NO_OUTPUT_UNIQUE), BM_CLICK, 0, 0);
    };
    RunSettings(choose, IDCANCEL, 0);
    EXPECT_FALSE(ConvertEnabled()) << "cancelled";
    RunSettings(choose, IDOK, 0);
    EXPECT_EQ(settings.outputCode, ShiftJis);
    EXPECT_EQ(settings.noOutputAction, NewUniqueFile);
    EXPECT_TRUE(window.OutputPossible());
    EXPECT_TRUE(ConvertEnabled());
}

}  // namespace
