// The main window's file list, dropped on for real; rows are read as the conversion job
// reads them, the item parameter being the row's full path.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
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

// "name|extension|location|path", the path being the item parameter.
using Row = std::string;

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

class FileListTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Create(nullptr, SW_SHOW));
        list = GetDlgItem(window.Handle(), IDC_MAIN_FILE_LIST);
    }
    void TearDown() override {
        DestroyWindow(window.Handle());
        EXPECT_EQ(WindowRegistry::Global().Count(), 0);
    }

    void Write(const std::vector<std::string>& names) {
        for (const std::string& name : names) test::WriteBytes(dir / name, "text");
    }
    void Drop(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) paths.push_back(dir / name);
        test::DropFiles(list, paths);
    }
    Row FileRow(const std::string& name, const std::string& extension, const std::string& file) {
        return name + "|" + extension + "|" + dir.Path() + "\\|" + dir / file;
    }
    std::vector<Row> Rows() const {
        std::vector<Row> rows(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            for (int column = 0; column < 3; ++column) {
                char text[platform::kPathBuffer] = {};
                LVITEMA item = {};
                item.mask = LVIF_TEXT | LVIF_PARAM;
                item.iItem = i;
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = sizeof text;
                EXPECT_TRUE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
                rows[i] += std::string(text) + "|";
                if (column == 2) rows[i] += reinterpret_cast<const char*>(item.lParam);
            }
        }
        return rows;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Row& row : Rows()) names.push_back(row.substr(0, row.find('|')));
        return names;
    }
    bool ConvertEnabled() const {
        return IsWindowEnabled(GetDlgItem(window.Handle(), IDC_MAIN_CONVERT));
    }

    test::TempDir dir;
    Settings settings;
    MainWindow window{settings};
    HWND list = nullptr;
};

// Each drop is made twice: a path already listed never gives a second row.
TEST_F(FileListTest, TakesDroppedPathsByTheRuleFollowingShortcutsOnceEach) {
    Write({"a.txt", "b.HTML", "README", "archive.tar.gz", "data.bin", ".profile", "x.txt",
           "ア.txt", "ヂ.txt"});
    for (const char* name : {"docs", "my.docs", "sub"})
        ASSERT_TRUE(platform::MakeDirectory((dir / name).c_str()));
    test::WriteBytes(dir / "broken.lnk", "not a shortcut");
    // loop-b is made again once loop-a exists: then the two point at each other.
    for (auto [link, to] : {std::pair{"to-file.lnk", "x.txt"}, {"to-folder.lnk", "sub"},
                            {"to-link.lnk", "to-file.lnk"}, {"loop-b.lnk", "x.txt"},
                            {"loop-a.lnk", "loop-b.lnk"}, {"loop-b.lnk", "loop-a.lnk"}})
        test::MakeShortcut(dir / link, dir / to);
    const std::vector<std::string> links = {"to-file.lnk", "to-folder.lnk", "to-link.lnk",
                                            "broken.lnk", "loop-a.lnk", "loop-b.lnk"};
    std::vector<std::string> before;
    for (const std::string& name : links) before.push_back(test::ReadBytes(dir / name));

    const std::vector<std::string> all = {"my.docs", "docs", ".profile", "data.bin",
                                          "archive.tar.gz", "README", "b.HTML", "a.txt"};
    const Row a = FileRow("a", "txt", "a.txt"), b = FileRow("b", "HTML", "b.HTML"),
              readme = FileRow("README", "<none>", "README"),
              docs = FileRow("docs", "<folder>", "docs"),
              myDocs = FileRow("my.docs", "<folder>", "my.docs"), x = FileRow("x", "txt", "x.txt");
    const struct {
        std::vector<std::string> dropped;
        std::uint8_t anyExtension, folderMode;
        std::vector<Row> rows;
    } cases[] = {
        {all, 0, LimitedDepth, {a, b, docs, myDocs, readme}},
        {all, 0, IgnoreFolders, {a, b, readme}},
        {all, 1, IgnoreFolders,
         {FileRow("", "profile", ".profile"), a, FileRow("archive.tar", "gz", "archive.tar.gz"), b,
          FileRow("data", "bin", "data.bin"), docs, myDocs, readme}},
        {{"a.txt", "A.TXT"}, 0, LimitedDepth, {a}},
        // Trail bytes 41 and 61 are no letters: two different names.
        {{"ア.txt", "ヂ.txt"}, 0, LimitedDepth,
         {FileRow("ア", "txt", "ア.txt"), FileRow("ヂ", "txt", "ヂ.txt")}},
        {{"to-file.lnk"}, 0, LimitedDepth, {x}},
        {{"to-folder.lnk"}, 0, LimitedDepth, {FileRow("sub", "<folder>", "sub")}},
        {{"x.txt", "to-file.lnk", "to-link.lnk"}, 0, LimitedDepth, {x}},
        {{"broken.lnk"}, 0, LimitedDepth, {}}, {{"loop-a.lnk"}, 0, LimitedDepth, {}},
        {{"broken.lnk"}, 1, LimitedDepth, {FileRow("broken", "lnk", "broken.lnk")}},
        // After an even number of steps the chain is back at its start.
        {{"loop-a.lnk"}, 1, LimitedDepth, {FileRow("loop-a", "lnk", "loop-a.lnk")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        settings.anyExtension = c.anyExtension;
        settings.folderMode = c.folderMode;
        Drop(c.dropped);
        Drop(c.dropped);
        EXPECT_EQ(Rows(), c.rows);
        EXPECT_EQ(window.ListNotEmpty(), !c.rows.empty());
        window.FileList().DeleteAllEntries();
    }
    for (std::size_t i = 0; i < links.size(); ++i)
        EXPECT_EQ(test::ReadBytes(dir / links[i]), before[i]) << links[i];
}

TEST_F(FileListTest, TakesADriveRootAndTellsWhatItCannotTake) {
    test::DropFiles(list, {"C:\\"});
    EXPECT_EQ(Rows(), std::vector<Row>{"|<folder>|C:\\|C:\\"});
    window.FileList().DeleteAllEntries();

    // Cut short to fit the buffer, this path would name another file that exists.
    const std::string folder = dir.Path() + "\\";
    std::string kept = folder + std::string(platform::kMaxPath - folder.size() - 4, 'k') + ".txt";
    ASSERT_EQ(kept.size(), platform::kMaxPath);
    test::WriteBytes(kept, "text");
    settings.anyExtension = 1;
    test::GuiScript script;
    script.AnswerMessageBox(IDOK);
    test::DropFiles(list, {dir / "missing.txt", kept + ".bak", dir / "x?.txt", ""});
    EXPECT_EQ(Rows(), std::vector<Row>{});
    EXPECT_FALSE(window.ListNotEmpty());
    platform::Remove(kept.c_str());
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    const test::MessageBoxSeen& box = script.MessageBoxes()[0];
    EXPECT_EQ(box.caption, "ファイル名のエラー");
    for (const std::string& line :
         {"次のファイルはリストに加えられませんでした。\n\n" + dir / "missing.txt" +
              "\n　見つからないか、読み取れません。\n",
          std::string("…\n　パス名が長すぎます。\n"),
          dir / "x?.txt" + "\n　この名前は扱えません（この環境の文字コードにない文字を含んでいます）。\n"})
        EXPECT_NE(box.text.find(line), std::string::npos) << line;

    // A name or folder cut short in its column is whole in the row's tip.
    const std::string path = folder + std::string(120, 'n') + ".txt";
    test::WriteBytes(path, "text");
    test::DropFiles(list, {path});
    char text[INFOTIPSIZE] = "offered by the control";
    NMLVGETINFOTIPA tip = {};
    tip.hdr = {list, IDC_MAIN_FILE_LIST, LVN_GETINFOTIPA};
    tip.pszText = text;
    tip.cchTextMax = sizeof text;
    SendMessageA(window.Handle(), WM_NOTIFY, IDC_MAIN_FILE_LIST, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(std::string(text), path);
}

TEST_F(FileListTest, AbandonsTheDropWhenARowCannotBeMade) {
    Write({"a.txt", "b.txt", "c.txt"});
    test::GuiScript script;
    script.AnswerMessageBox(IDOK);
    {
        test::FailingAllocations failing(1);
        Drop({"a.txt", "b.txt", "c.txt"});
    }
    EXPECT_EQ(Rows(), std::vector<Row>{FileRow("a", "txt", "a.txt")});
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    const test::MessageBoxSeen& box = script.MessageBoxes()[0];
    // Owned by the list's top-level window.
    EXPECT_EQ(std::tie(box.text, box.caption, box.icon, box.owner),
              std::make_tuple("メモリが足りません！", "メモリ不足",
                              static_cast<UINT>(MB_ICONERROR), window.Handle()));
}

TEST_F(FileListTest, TheContextMenuDeletesTheSelectionOrEveryRowAndConvertFollows) {
    {
        test::GuiScript script;
        script.FailOnAnyWindow();  // no menu over an empty list
        SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(20, 20));
        Pump();
    }
    Write({"a.txt", "b.txt", "c.txt"});
    settings.outputCode = ShiftJis;
    SetDlgItemTextA(window.Handle(), IDC_MAIN_OUTPUT_FOLDER, "C:\\out");
    const struct {
        std::vector<int> selected;
        char key;
        std::vector<std::string> left;
    } cases[] = {{{1}, 'd', {"a", "c"}}, {{0, 1, 2}, 'd', {}}, {{}, 'a', {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected.size());
        Drop({"a.txt", "b.txt", "c.txt"});
        ASSERT_TRUE(ConvertEnabled());
        for (int row : c.selected) {
            LVITEMA item = {};
            item.stateMask = item.state = LVIS_SELECTED;
            SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        }
        test::GuiScript script;
        script.OnWindow({"#32768", "", 0}, [&c](test::UiWindow& menu) {
            auto popup = reinterpret_cast<HMENU>(SendMessageA(menu.Handle(), MN_GETHMENU, 0, 0));
            ASSERT_NE(popup, nullptr);
            EXPECT_EQ((GetMenuState(popup, ID_DELETE, MF_BYCOMMAND) & MF_GRAYED) == 0,
                      !c.selected.empty());
            EXPECT_EQ(GetMenuState(popup, ID_DELETE_ALL, MF_BYCOMMAND) & MF_GRAYED, 0u);
            PostMessageA(menu.Handle(), WM_CHAR, c.key, 0);
        });
        RECT r;
        GetWindowRect(list, &r);
        SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                     MAKELPARAM(r.left + 10, r.top + 30));
        Pump();
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(Names(), c.left);
        EXPECT_EQ(window.ListNotEmpty(), !c.left.empty());
        EXPECT_EQ(ConvertEnabled(), !c.left.empty());
    }
}

TEST_F(FileListTest, ConvertFollowsRowsFolderAndOutputSettings) {
    Write({"a.txt"});
    const struct {
        std::uint8_t outputCode, newline, widenKana, noOutputAction;
        const char* folderText;
        bool enabled;
    } cases[] = {
        {EucJp, CrLf, 0, DoNotConvert, " ", true}, {Jis, Lf, 0, ReplaceOriginal, "", true},
        {Keep, CrLf, 0, DoNotConvert, "C:\\out", true},
        {Keep, KeepNewline, 1, DoNotConvert, "C:\\out", true},
        {Keep, KeepNewline, 0, DoNotConvert, "C:\\out", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        settings.outputCode = c.outputCode;
        settings.newline = c.newline;
        settings.widenKana = c.widenKana;
        settings.noOutputAction = c.noOutputAction;
        // The edit's change notification refreshes the button, as typing does.
        SetDlgItemTextA(window.Handle(), IDC_MAIN_OUTPUT_FOLDER, "x");
        SetDlgItemTextA(window.Handle(), IDC_MAIN_OUTPUT_FOLDER, c.folderText);
        EXPECT_FALSE(ConvertEnabled()) << "no rows";
        Drop({"a.txt"});
        EXPECT_EQ(ConvertEnabled(), c.enabled);
        window.FileList().DeleteAllEntries();
        EXPECT_FALSE(ConvertEnabled());
    }
}

// The Settings button end to end: the real sheet, then the question about the rows that
// the extension rule now refuses, asked only while they are not known to pass.
TEST_F(FileListTest, AfterTheSettingsSheetConvertFollowsAndNonTextRowsGoWhenTheUserSaysSo) {
    using Click = std::pair<int, int>;  // a page of the sheet and a button on it
    const Click any = {3, IDC_EXT_ANY}, ignoreFolders = {2, IDC_FOLDER_IGNORE},
                windows = {0, IDC_PRESET_WINDOWS}, unique = {2, IDC_NO_OUTPUT_UNIQUE};
    // answer 0: no question may come.
    auto settingsCommand = [&](std::vector<Click> clicks, int close, int answer,
                               std::vector<std::string> names, bool filtered) {
        test::GuiScript script;
        script.OnWindow({"#32770", "設定", 0}, [&](test::UiWindow& sheet) {
            // Clicked at once: a posted click would reach the page only after it was left.
            for (const Click& click : clicks) {
                SendMessageA(sheet.Handle(), PSM_SETCURSEL, click.first, 0);
                SendMessageA(sheet.Control(click.second), BM_CLICK, 0, 0);
            }
            sheet.Click(close);
        });
        if (answer != 0) script.AnswerMessageBox(answer, "確認");
        else script.FailOnAnyWindow();
        SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_SETTINGS, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window.Handle(), IDC_MAIN_SETTINGS)));
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(Names(), names);
        EXPECT_EQ(window.ListFiltered(), filtered);
        ASSERT_EQ(script.MessageBoxes().size(), answer != 0 ? 1u : 0u);
        if (answer == 0) return;
        const test::MessageBoxSeen& box = script.MessageBoxes()[0];
        EXPECT_EQ(std::tie(box.text, box.icon, box.owner),
                  std::make_tuple("テキストファイル以外のファイルをリストから削除しますか？",
                                  static_cast<UINT>(MB_ICONINFORMATION), window.Handle()));
    };
    Write({"a.txt", "data.bin"});
    ASSERT_TRUE(platform::MakeDirectory((dir / "docs").c_str()));
    settings.anyExtension = 1;
    Drop({"a.txt", "data.bin", "docs"});
    const std::vector<std::string> all = {"a", "data", "docs"};
    settingsCommand({}, IDOK, 0, all, false);  // every extension is still accepted
    settingsCommand({any, ignoreFolders}, IDCANCEL, 0, all, false);
    EXPECT_EQ(settings.anyExtension, 1);
    settingsCommand({any}, IDOK, IDNO, all, false);
    settingsCommand({}, IDOK, IDYES, {"a", "docs"}, true);  // declined before: asked again
    settingsCommand({}, IDOK, 0, {"a", "docs"}, true);  // only the extension list may change
    settingsCommand({ignoreFolders}, IDOK, IDYES, {"a"}, true);
    settingsCommand({}, IDOK, 0, {"a"}, true);  // folders were ignored before already
    EXPECT_FALSE(ConvertEnabled()) << "no folder, and the defaults change nothing";
    settingsCommand({windows, unique}, IDOK, 0, {"a"}, true);
    EXPECT_EQ(settings.outputCode, ShiftJis);
    EXPECT_EQ(settings.noOutputAction, NewUniqueFile);
    EXPECT_TRUE(ConvertEnabled());

    settingsCommand({any}, IDOK, 0, {"a"}, false);
    window.FileList().DeleteAllEntries();
    settingsCommand({any}, IDOK, 0, {}, true);  // nothing listed
    settingsCommand({any}, IDOK, 0, {}, false);
    Drop({"data.bin"});
    ASSERT_TRUE(ConvertEnabled());
    settingsCommand({any}, IDOK, IDYES, {}, true);
    EXPECT_FALSE(window.ListNotEmpty());
    EXPECT_FALSE(ConvertEnabled());
}

}  // namespace
