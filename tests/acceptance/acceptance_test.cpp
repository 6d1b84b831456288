// ZEKO.EXE driven end to end as a user drives it: ZEKO.CFG in a scratch folder, settings
// changed on the real settings sheet, files dropped on the list, the output folder typed
// or dropped, 変換 pressed and the worker's questions answered in the real dialogs.  Then
// every file under the scratch and output folders must be as the scenario expects, byte
// for byte (a file that failed or was stopped is its old self), and nothing temporary may
// be left anywhere.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/codes.h"
#include "framework/path.h"
#include "framework/platform.h"
#include "resources/resource_ids.h"
#include "settings/config_store.h"
#include "settings/settings.h"
#include "support/gui_script.h"
#include "support/program.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_view_literals;
using test::UiWindow;

// A short Japanese text (kanji, kana, punctuation, ASCII, Shift_JIS trail bytes 0x5C)
// whose lines end in CR LF, LF and CR, in Jis, ShiftJis, EucJp or Unicode (UTF-16LE with
// its byte-order mark); a newline other than KeepNewline ends every line.  Each form is
// detected as its own code.
std::string Sample(CharCode code, NewlineCode newline = KeepNewline) {
    static const std::string_view kLines[][5] = {  // the four codes, then the line end
        // The EUC-JP form's first pair is open to both codes; 字 and the line end decide it.
        {"\x1B\x24\x42\x34\x41\x3B\x7A\x1B\x28\x42"sv, "漢字"sv, "\xB4\xC1\xBB\xFA"sv,
         "\x22\x6F\x57\x5B"sv, "\r\n"sv},
        {"\x1B\x24\x42\x24\x4E\x25\x46\x25\x2D\x25\x39\x25\x48\x21\x22\x1B\x28\x42"
         "ABC 123\x1B\x24\x42\x21\x23\x1B\x28\x42"sv,
         "のテキスト、ABC 123。"sv,
         "\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\xA1\xA2" "ABC 123\xA1\xA3"sv,
         "\x6E\x30\xC6\x30\xAD\x30\xB9\x30\xC8\x30\x01\x30\x41\x00\x42\x00\x43\x00\x20\x00"
         "\x31\x00\x32\x00\x33\x00\x02\x30"sv, "\n"sv},
        {"\x1B\x24\x42\x49\x3D\x3C\x28\x25\x3D\x25\x55\x25\x48\x1B\x28\x42"sv, "表示ソフト"sv,
         "\xC9\xBD\xBC\xA8\xA5\xBD\xA5\xD5\xA5\xC8"sv, "\x68\x88\x3A\x79\xBD\x30\xD5\x30\xC8\x30"sv,
         "\r"sv},
        {"Zeko 1.03a"sv, "Zeko 1.03a"sv, "Zeko 1.03a"sv,
         "Z\0e\0k\0o\0 \0\x31\0.\0\x30\0\x33\0\x61\0"sv, "\r\n"sv},
    };
    static const std::string_view kEndings[] = {"\r\n"sv, "\r"sv, "\n"sv};
    std::string bytes = code == Unicode ? "\xFF\xFE" : "";
    for (const auto& line : kLines) {
        bytes += line[code];
        for (char c : newline == KeepNewline ? line[4] : kEndings[newline]) {
            bytes += c;
            if (code == Unicode) bytes += '\0';
        }
    }
    return bytes;
}

const test::WindowQuery kMain = {"#32770", "Morvane", IDC_MAIN_FILE_LIST};
const test::WindowQuery kNameClash = {"#32770", "エラー", IDC_CLASH_NEW_NAME};
const test::WindowQuery kCannotConvert = {"#32770", "エラー", IDC_UNCONVERTIBLE_COPY};
const test::WindowQuery kDetectionFailed = {"#32770", "文字コード自動判別失敗",
                                            IDC_DETECT_SHIFT_JIS};
const int kCodeButtons[] = {IDC_OUT_JIS, IDC_OUT_SHIFT_JIS, IDC_OUT_EUC, IDC_OUT_UNICODE,
                            IDC_OUT_KEEP_CODE};
const int kNewlineButtons[] = {IDC_OUT_CRLF, IDC_OUT_CR, IDC_OUT_LF, IDC_OUT_KEEP_NEWLINE};

// A click on a control of a settings page (output, input, general), or the text typed
// into it when text is given.
struct SheetAction {
    int page;
    int control;
    const char* text = nullptr;
};

// Files as they are or are to be: relative path ('\' between names) → bytes.
using Tree = std::map<std::string, std::string>;

class Scenario {
public:
    explicit Scenario(DWORD timeoutMs = test::GuiScript::kDefaultTimeout) : script(timeoutMs) {
        platform::CurrentDirectory(sizeof start_, start_);
    }
    ~Scenario() {
        // The run moves the process; the scratch folder cannot go while it is current.
        platform::ChangeDirectory(start_);
        for (auto [root, expected] : {std::pair{dir_ / "src", &sources}, {output, &outputs}}) {
            Tree found;
            test::WalkFiles(root, [&](const std::string& relative, const std::string& path) {
                found[relative] = test::ReadBytes(path);
            });
            for (const auto& [path, bytes] : found)
                if (!expected->contains(path)) ADD_FAILURE() << root << ": " << path << " is extra";
            for (const auto& [path, bytes] : *expected)
                if (!found.contains(path) || found[path] != bytes)
                    ADD_FAILURE() << root << ": " << path << " is missing or changed";
        }
        for (const std::string& root : {dir_.Path(), output})
            for (const std::string& left : test::LeftoverFiles(root))
                ADD_FAILURE() << "left behind in " << root << ": " << left;
        EXPECT_TRUE(test::TemporaryFiles(start_).empty()) << "in the process's own directory";
        test::RemoveTree(output);
    }

    // A file of the user's, expected unchanged; its full path.
    std::string Source(const std::string& relative, std::string_view bytes,
                       bool inOutput = false) {
        std::string path = test::Join(inOutput ? output : dir_ / "src", relative);
        std::string folder = path.substr(0, LastSeparator(path.c_str()) - path.c_str());
        EXPECT_TRUE(CreateDirectoryPath(folder.data())) << folder;
        test::WriteBytes(path, bytes);
        (inOutput ? outputs : sources)[relative] = bytes;
        return path;
    }
    // Opens the sheet from the main window, acts on its pages and presses OK.
    void ChangeSettings(const std::vector<SheetAction>& actions) {
        script.OnWindow(kMain, [](UiWindow& main) { main.Click(IDC_MAIN_SETTINGS); });
        for (const SheetAction& a : actions) {
            script.OnWindow({"#32770", "設定"}, [a](UiWindow& sheet) {
                SendMessageA(sheet.Handle(), PSM_SETCURSEL, a.page, 0);
                a.text ? sheet.SetText(a.control, a.text) : sheet.Click(a.control);
            });
        }
        script.OnWindow({"#32770", "設定"}, [](UiWindow& sheet) { sheet.Click(IDOK); });
    }
    // Drops the paths on the list, names the folder (typed, or dropped on the window) and
    // presses 変換.
    void Convert(const std::vector<std::string>& paths, const std::string& folder,
                 bool drop = false) {
        script.OnWindow(kMain, [=](UiWindow& main) {
            test::DropFiles(main.Control(IDC_MAIN_FILE_LIST), paths);
            if (drop) {
                test::DropFiles(main.Handle(), {folder});
            } else {
                main.SetText(IDC_MAIN_OUTPUT_FOLDER, folder);
            }
            EXPECT_EQ(main.Text(IDC_MAIN_OUTPUT_FOLDER), folder);
            main.Click(IDC_MAIN_CONVERT);
        });
    }
    // Looks at a decision dialog, selects the choice and presses 実行 or すべてこの設定 (only
    // the choice when it is 中止).  Each click returns once the worker has handled it, so
    // a dialog this ends is hidden before the next step looks for the next one.
    void Decide(const test::WindowQuery& dialog, int choice, bool forAll = false,
                std::function<void(UiWindow&)> inspect = {}) {
        script.OnWindow(dialog, [=](UiWindow& w) {
            if (inspect) inspect(w);
            SendMessageA(w.Control(choice), BM_CLICK, 0, 0);
            if (choice == IDC_DECISION_STOP) return;
            int ends = forAll ? IDC_DECISION_ALL : IDC_DECISION_EXECUTE;
            SendMessageA(w.Control(ends), BM_CLICK, 0, 0);
        });
    }
    // The summary of a run that left files unconverted: its counts and file list.
    void Summary(const std::string& counts, const std::string& files = "") {
        script.OnWindow({"#32770", "変換の結果", IDC_SUMMARY_FILES}, [=](UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_SUMMARY_COUNTS), "変換 " + counts + "、拡張子で除外 0");
            if (!files.empty()) { EXPECT_EQ(w.Text(IDC_SUMMARY_FILES), files); }
            w.Click(IDOK);
        });
    }
    // Exits once the steps are done, running the program as WinMain would; what it saved
    // in ZEKO.CFG.
    const Settings& Run() {
        script.OnWindow(kMain, [](UiWindow& main) { main.Click(IDC_MAIN_EXIT); });
        EXPECT_EQ(test::RunProgram(dir_.Path() + "\\"), 0);
        EXPECT_TRUE(script.Finished()) << "steps left when the program ended";
        ConfigStore store;
        RegisterSettings(&saved_, &store);
        EXPECT_TRUE(store.Load((dir_ / ConfigStore::kFileName).c_str()));
        return saved_;
    }

    test::GuiScript script;
    test::TempDir dir_;
    std::string output = dir_ / "out";  // absent until the run or Source makes it
    Tree sources, outputs;              // what the run is to leave

private:
    char start_[platform::kPathBuffer] = {};  // the process's directory before the run
    Settings saved_;
};

// A tree of every input code, with folders whose names hold the trail byte 0x5C and a
// file whose extension is no text one, dropped as one folder with a file beside it.
TEST(Acceptance, ConvertsAMixedTreeIntoAMirroredOutputFolderToEveryCodeAndNewline) {
    const std::pair<const char*, CharCode> tree[] = {
        {"tree\\a.txt", ShiftJis}, {"tree\\u.txt", Unicode}, {"tree\\表示\\b.txt", EucJp},
        {"tree\\表示\\深い\\c.htm", Jis}, {"ソフト.txt", EucJp}};
    for (int code = Jis; code <= Keep; ++code) {
        // Keeping both changes nothing, so 変換 stays disabled (the main window's tests).
        for (int newline = CrLf; newline <= (code == Keep ? Lf : KeepNewline); ++newline) {
            SCOPED_TRACE(std::to_string(code) + ", newline " + std::to_string(newline));
            Scenario s;
            for (const auto& [path, in] : tree) {
                s.Source(path, Sample(in));
                s.outputs[path] = Sample(code == Keep ? in : CharCode(code), NewlineCode(newline));
            }
            s.Source("tree\\skip.bin", Sample(ShiftJis));
            s.ChangeSettings({{0, kCodeButtons[code]}, {0, kNewlineButtons[newline]},
                              {2, IDC_FOLDER_ALL}});
            // Every other run drops the folder on the window; the rest type a folder that
            // does not exist yet and let the program create it.
            bool drop = (code + newline) % 2 == 0;
            if (drop) platform::MakeDirectory(s.output.c_str());
            s.Convert({s.dir_ / "src\\tree", s.dir_ / "src\\ソフト.txt"}, s.output, drop);
            if (!drop) s.script.AnswerMessageBox(IDYES, "出力先の不在");
            const Settings& saved = s.Run();
            EXPECT_EQ(saved.outputCode, code);
            EXPECT_EQ(saved.newline, newline);
            EXPECT_EQ(saved.folderMode, AllDepths);
            EXPECT_EQ(std::string(saved.outputFolder), s.output);
        }
    }
}

// No output folder: the general page says what becomes of the source (UTF-16 takes two
// passes, whose intermediate file must go too).  Beside a.txt lies bin.txt, no text at
// all, which may be copied only where that keeps something.
TEST(Acceptance, ConvertsInPlaceWithoutBackupWithBackupAndUnderUniqueNames) {
    const std::string binary("PK\x03\x04\x14\x00\x00\x00\x08\x00\r\n\x80\xFF", 14);
    const struct {
        int button;
        CharCode code;        // converted to, with LF line ends
        bool suffix;          // the affix "_bak" at the end, else "Z_" first
        const char* made[2];  // the converted text, and the backup or the copy of bin.txt
    } cases[] = {
        {IDC_NO_OUTPUT_REPLACE, Unicode, false, {"a.txt", nullptr}},
        {IDC_NO_OUTPUT_BACKUP, EucJp, true, {"a.txt", "a_bak(2).txt"}},
        {IDC_NO_OUTPUT_UNIQUE, EucJp, false, {"Z_a.txt", "Z_bin.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        Scenario s;
        std::string a = s.Source("a.txt", Sample(ShiftJis)), bin = s.Source("bin.txt", binary);
        s.Source("a_bak.txt", "the user's own file\r\n");
        s.sources[c.made[0]] = Sample(c.code, Lf);
        bool copy = c.button == IDC_NO_OUTPUT_UNIQUE;
        if (c.made[1]) s.sources[c.made[1]] = copy ? binary : Sample(ShiftJis);
        std::vector<SheetAction> actions = {{0, kCodeButtons[c.code]}, {0, IDC_OUT_LF},
                                            {2, c.button}};
        if (c.suffix) {
            actions.insert(actions.end(), {{2, IDC_AFFIX_END}, {2, IDC_AFFIX_TEXT, "_bak"}});
        }
        s.ChangeSettings(actions);
        s.Convert({a, bin}, "");
        s.Decide(kCannotConvert, copy ? IDC_UNCONVERTIBLE_COPY : IDC_UNCONVERTIBLE_IGNORE, false,
                 [&](UiWindow& w) {
                     EXPECT_EQ(w.Text(IDC_DECISION_PATH), bin);
                     EXPECT_EQ(w.IsEnabled(IDC_UNCONVERTIBLE_COPY),
                               c.button != IDC_NO_OUTPUT_REPLACE);
                 });
        s.Summary(copy ? "1、コピー 1、無視 0、失敗 0" : "1、コピー 0、無視 1、失敗 0",
                  bin + (copy ? "\r\n　変換せずにコピーしました\r\n"
                              : "\r\n　正しい変換が行えないので無視しました\r\n"));
        const Settings& saved = s.Run();
        EXPECT_EQ(saved.affixPosition, c.suffix ? Suffix : Prefix);
        EXPECT_EQ(std::string(saved.affixText), c.suffix ? "_bak" : "Z_");
    }
}

// Runs in one session into an output folder that holds a.txt and b.txt already.  Each
// dialog opens on its first choice or the settings' code, then on the last choice; for
// all settles the rest of the run without a dialog, and the next run asks again.
TEST(Acceptance, EachQuestionIsSettledAsAnsweredForOneFileOrForAllUntilTheNextRun) {
    Scenario s;
    // Both codes could have written these ("のテキスト" in EUC-JP is half-width katakana
    // in Shift_JIS); A4 is no UTF-8 lead byte.
    const std::string text("\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\r\n");
    std::vector<std::string> dropped = {s.Source("1.txt", text), s.Source("2.txt", text),
                                        s.Source("a.txt", Sample(ShiftJis)),
                                        s.Source("b.txt", Sample(Jis))};
    s.Source("a.txt", "an earlier output\r\n", true);
    s.Source("b.txt", "an earlier output\r\n", true);
    s.ChangeSettings({{0, IDC_OUT_JIS}, {0, IDC_OUT_LF}});
    s.Convert(dropped, s.output);
    s.Decide(kDetectionFailed, IDC_DETECT_SHIFT_JIS, true, [&](UiWindow& w) {
        EXPECT_EQ(w.Text(IDC_DECISION_PATH), dropped[0]);
        EXPECT_TRUE(w.IsChecked(IDC_DETECT_EUC));
        EXPECT_TRUE(w.IsEnabled(IDC_DETECT_COPY));
        EXPECT_FALSE(w.IsEnabled(IDC_DETECT_UTF8));
    });
    for (const char* name : {"新しい名前.txt", "b2.txt"}) {
        s.Decide(kNameClash, IDC_CLASH_RENAME, false, [&, name](UiWindow& w) {
            bool second = name[0] == 'b';
            EXPECT_EQ(w.Text(IDC_DECISION_PATH), test::Join(s.output, second ? "b.txt" : "a.txt"));
            EXPECT_TRUE(w.IsChecked(second ? IDC_CLASH_RENAME : IDC_CLASH_UNIQUE));
            SendMessageA(w.Control(IDC_CLASH_RENAME), BM_CLICK, 0, 0);
            w.SetText(IDC_CLASH_NEW_NAME, name);
        });
        s.outputs[name] = Sample(Jis, Lf);
    }
    s.script.OnWindow(kMain, [&](UiWindow&) {
        EXPECT_EQ(test::ReadBytes(test::Join(s.output, "2.txt")),  // as kana
                  "\x1B\x28\x49\x24\x4E\x25\x46\x25\x2D\x25\x39\x25\x48\x1B\x28\x42\n");
    });
    // The same files again (the list keeps its rows and ignores the repeated drop), all in
    // the way now, with Shift_JIS the input code.
    s.ChangeSettings({{1, IDC_PRESET_WINDOWS}});
    s.Convert(dropped, s.output);
    s.Decide(kNameClash, IDC_CLASH_OVERWRITE, true,
             [](UiWindow& w) { EXPECT_TRUE(w.IsChecked(IDC_CLASH_RENAME)); });
    s.Decide(kDetectionFailed, IDC_DETECT_COPY, true,
             [](UiWindow& w) { EXPECT_TRUE(w.IsChecked(IDC_DETECT_SHIFT_JIS)); });
    s.Summary("2、コピー 2、無視 0、失敗 0");
    s.outputs["1.txt"] = s.outputs["2.txt"] = text;
    s.outputs["a.txt"] = s.outputs["b.txt"] = Sample(Jis, Lf);
    s.Convert(dropped, s.output);
    s.Decide(kNameClash, IDC_CLASH_SKIP, true,
             [](UiWindow& w) { EXPECT_TRUE(w.IsChecked(IDC_CLASH_OVERWRITE)); });
    s.Summary("0、コピー 0、無視 4、失敗 0");
    s.Convert(dropped, s.output);  // stopped at once
    s.Decide(kNameClash, IDC_DECISION_STOP, false,
             [](UiWindow& w) { EXPECT_TRUE(w.IsChecked(IDC_CLASH_SKIP)); });
    EXPECT_EQ(s.Run().inputCode, ShiftJis);
}

// The user stops a large file, the disk fills up mid-file, a file cannot be read: the
// file is rolled back, and the answers say whether the next one is tried.
TEST(Acceptance, AFileCutShortIsRolledBackAndTheAnswersDecideWhatFollows) {
    enum Cut { kStop, kReadError, kDiskFullRetry, kDiskFullGoOn };
    for (Cut cut : {kStop, kReadError, kDiskFullRetry, kDiskFullGoOn}) {
        SCOPED_TRACE(cut);
        std::string disk = cut >= kDiskFullRetry ? test::SmallDisk() : "";
        std::string filler = disk + "\\accept-filler";
        if (cut >= kDiskFullRetry && disk.empty()) GTEST_SKIP() << "no small disk";
        Scenario s(20000);
        if (!disk.empty()) s.output = disk + "\\accept";
        platform::MakeDirectory(s.output.c_str());
        // 61 MB, for the run to be caught in it on a busy machine; 34 000 bytes, more than
        // the 8 KiB left on the small disk; the process's memory, which opens but cannot be
        // read.
        std::string first =
            cut == kStop        ? s.Source("a.txt", test::Repeat(Sample(ShiftJis), 1200000))
            : cut == kReadError ? "Z:\\proc\\self\\mem"
                                : s.Source("a.txt", test::Repeat("plain text line\r\n", 2000));
        std::string second = s.Source("z.txt", Sample(Jis));
        if (!disk.empty()) test::FillDisk(filler, 8192);
        // To UTF-16 through the code page, the slowest conversion.
        s.ChangeSettings({{0, cut == kStop ? IDC_OUT_UNICODE : IDC_OUT_EUC}, {0, IDC_OUT_LF}});
        s.Convert({first, second}, s.output, cut == kStop);
        if (cut == kStop) {
            // The worker shows the input, then the output: once the output is there, so is
            // the pair it converts.
            test::WindowQuery converting = {"#32770", "ファイルを変換中...", IDC_PROGRESS_OUTPUT,
                                            test::Join(s.output, "a.txt")};
            s.script.OnWindow(converting, [&](UiWindow& w) {
                EXPECT_EQ(w.Text(IDC_PROGRESS_INPUT), first);
                w.Click(IDC_PROGRESS_STOP);
            });
        } else if (cut == kReadError) {
            // Yes to this one stops the run.
            s.script.AnswerMessageBox(IDYES, "ファイル操作の異常");
        } else if (cut == kDiskFullRetry) {
            s.script.OnWindow({"#32770", "ディスクフル"}, [&](UiWindow& w) {
                platform::Remove(filler.c_str());
                SendMessageA(w.Handle(), WM_COMMAND, IDRETRY, 0);
            });
            s.outputs["a.txt"] = test::Repeat("plain text line\n", 2000);
        } else {
            s.script.AnswerMessageBox(IDCANCEL, "ディスクフル")
                .AnswerMessageBox(IDYES, "変換継続の確認");
            s.Summary("1、コピー 0、無視 0、失敗 1");
        }
        if (cut >= kDiskFullRetry) s.outputs["z.txt"] = Sample(EucJp, Lf);
        s.Run();
        if (!disk.empty()) platform::Remove(filler.c_str());
        const auto& boxes = s.script.MessageBoxes();
        EXPECT_EQ(boxes.size(), cut == kReadError ? 1u : cut == kDiskFullGoOn ? 2u : 0u);
        if (!boxes.empty()) {
            EXPECT_EQ(boxes.back().text,
                      cut == kDiskFullGoOn ? "このまま変換作業を続けますか？"
                                           : first + "\nファイル操作で何らかの異常が発生しました！ "
                                                     "このファイルは飛ばしますが、一旦変換作業全体"
                                                     "を中断しますか？");
        }
    }
}

}  // namespace
