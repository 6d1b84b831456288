// ZEKO.EXE driven as a user drives it: ZEKO.CFG in a scratch folder, the real settings sheet,
// files dropped on the list, 変換 and the worker's questions answered in the real dialogs.
// Then every file under the scratch and output folders must be as expected, byte for byte,
// and nothing temporary may be left anywhere.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>
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

// A short Japanese text (kanji, kana, punctuation, ASCII, Shift_JIS trail bytes 0x5C) with
// lines ending in CR LF, LF and CR, in each input code (UTF-16LE with its byte-order mark),
// each detected as its own code; a newline other than KeepNewline ends every line.
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
        for (char c : newline == KeepNewline ? line[4] : kEndings[newline])
            bytes += code == Unicode ? std::string{c, '\0'} : std::string(1, c);
    }
    return bytes;
}

const test::WindowQuery kMain = {"#32770", "Morvane", IDC_MAIN_FILE_LIST};
const test::WindowQuery kNameClash = {"#32770", "エラー", IDC_CLASH_NEW_NAME};
const test::WindowQuery kCannotConvert = {"#32770", "エラー", IDC_UNCONVERTIBLE_COPY};
const test::WindowQuery kDetectionFailed = {"#32770", "文字コード自動判別失敗", IDC_DETECT_SHIFT_JIS};
const int kCodeButtons[] = {IDC_OUT_JIS, IDC_OUT_SHIFT_JIS, IDC_OUT_EUC, IDC_OUT_UNICODE,
                            IDC_OUT_KEEP_CODE};

// A click on a control of a settings page (output, input, general), or the text typed into it.
struct SheetAction { int page, control; const char* text = nullptr; };
// Files as they are or are to be: relative path ('\' between names) → bytes.
using Tree = std::map<std::string, std::string>;

class Scenario {
public:
    explicit Scenario(DWORD timeoutMs = test::GuiScript::kDefaultTimeout) : script(timeoutMs) {}
    ~Scenario() {
        platform::ChangeDirectory(start_.c_str());  // the run moves the process out of the scratch folder
        for (auto [root, expected] : {std::pair{dir_ / "src", &sources}, {output, &outputs}}) {
            Tree found;
            test::WalkFiles(root, [&](const std::string& relative, const std::string& path) {
                found[relative] = test::ReadBytes(path);
            });
            for (const Tree* side : {&found, expected})
                for (const auto& [path, bytes] : *side)
                    EXPECT_TRUE(found.contains(path) && expected->contains(path) &&
                                found[path] == expected->at(path))
                        << root << ": " << path << " is extra, missing or changed";
        }
        for (const std::string& root : {dir_.Path(), output})
            for (const std::string& left : test::LeftoverFiles(root))
                ADD_FAILURE() << "left behind in " << root << ": " << left;
        EXPECT_TRUE(test::TemporaryFiles(start_).empty()) << "in the process's own directory";
        test::RemoveTree(output);
    }
    // A file of the user's, expected unchanged; its full path.
    std::string Source(const std::string& relative, std::string_view bytes, bool inOutput = false) {
        std::string path = test::Join(inOutput ? output : dir_ / "src", relative);
        std::string folder = path.substr(0, LastSeparator(path.c_str()) - path.c_str());
        EXPECT_TRUE(CreateDirectoryPath(folder.data())) << folder;
        test::WriteBytes(path, bytes);
        (inOutput ? outputs : sources)[relative] = bytes;
        return path;
    }
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
    // Drops the paths on the list, names the folder (typed, or dropped on the window), 変換.
    void Convert(const std::vector<std::string>& paths, const std::string& folder, bool drop = false) {
        script.OnWindow(kMain, [=](UiWindow& main) {
            test::DropFiles(main.Control(IDC_MAIN_FILE_LIST), paths);
            if (drop) test::DropFiles(main.Handle(), {folder});
            else main.SetText(IDC_MAIN_OUTPUT_FOLDER, folder);
            main.Click(IDC_MAIN_CONVERT);
        });
    }
    // Selects the choice and presses 実行 or すべてこの設定 (only the choice when it is 中止).
    // Each click returns once the worker has handled it, so the dialog is hidden by the next step.
    void Decide(const test::WindowQuery& dialog, int choice, bool forAll = false,
                std::function<void(UiWindow&)> inspect = {}) {
        script.OnWindow(dialog, [=](UiWindow& w) {
            if (inspect) inspect(w);
            SendMessageA(w.Control(choice), BM_CLICK, 0, 0);
            int ends = forAll ? IDC_DECISION_ALL : IDC_DECISION_EXECUTE;
            if (choice != IDC_DECISION_STOP) SendMessageA(w.Control(ends), BM_CLICK, 0, 0);
        });
    }
    void Summary(const std::string& counts, const std::string& files = "", char leftOut = '0') {
        script.OnWindow({"#32770", "変換の結果", IDC_SUMMARY_FILES}, [=](UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_SUMMARY_COUNTS), "変換 " + counts + "、拡張子で除外 " + leftOut);
            if (!files.empty()) { EXPECT_EQ(w.Text(IDC_SUMMARY_FILES), files); }
            w.Click(IDOK);
        });
    }
    // Exits once the steps are done, running the program as WinMain would; what it saved.
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
    std::string start_ = test::CurrentDirectory();
    Settings saved_;
};

// A tree of every input code, with folders whose names hold the trail byte 0x5C, a file of no
// text extension and bin.txt, no text, dropped as one folder with a file beside it.  The
// engine's and the batch run's tables cover code × newline and placement; here each code,
// newline and placement button reaches a run (UTF-16 in place takes two passes, whose
// intermediate file must go too), the affix typed on the general page reaches the names, and
// bin.txt may be copied only where that keeps something.
TEST(Acceptance, EachOutputSettingOfTheSheetReachesTheRun) {
    const std::pair<const char*, CharCode> tree[] = {
        {"tree\\a.txt", ShiftJis}, {"tree\\u.txt", Unicode}, {"tree\\表示\\b.txt", EucJp},
        {"tree\\表示\\深い\\c.htm", Jis}, {"ソフト.txt", EucJp}};
    const std::string binary("PK\x03\x04\x14\x00\x00\x00\x08\x00\r\n\x80\xFF", 14);
    const int newlineButtons[] = {IDC_OUT_CRLF, IDC_OUT_CR, IDC_OUT_LF, IDC_OUT_KEEP_NEWLINE};
    // Typed (a folder the program must create), dropped on the window, or in place.
    const int places[] = {IDC_MAIN_OUTPUT_FOLDER, IDC_MAIN_FILE_LIST, IDC_NO_OUTPUT_BACKUP,
                          IDC_NO_OUTPUT_REPLACE, IDC_NO_OUTPUT_UNIQUE};
    for (int code = Jis; code <= Keep; ++code) {
        SCOPED_TRACE(code);
        // Keeping both would disable 変換; UTF-16 with CR has no other test.
        int newline = std::array{KeepNewline, CrLf, Lf, Cr, CrLf}[code], place = places[code];
        bool inPlace = code >= EucJp, backup = place == IDC_NO_OUTPUT_BACKUP;
        bool copy = code == Jis || code == Keep;
        auto affixed = [&](std::string path) {
            const char* last = LastSeparator(path.c_str());
            return backup ? path.insert(path.rfind('.'), "_bak")
                          : path.insert(last ? last - path.c_str() + 1 : 0, "Z_");
        };
        Scenario s;
        Tree& made = inPlace ? s.sources : s.outputs;
        for (const auto& [path, in] : tree) {
            s.Source(path, Sample(in));
            if (backup) s.sources[affixed(path)] = Sample(in);
            made[place == IDC_NO_OUTPUT_UNIQUE ? affixed(path) : path] =
                Sample(code == Keep ? in : CharCode(code), NewlineCode(newline));
        }
        std::string bin = s.Source("tree\\bin.txt", binary);
        if (copy) made[inPlace ? affixed("tree\\bin.txt") : "tree\\bin.txt"] = binary;
        s.Source("tree\\skip.bin", Sample(ShiftJis));
        std::vector<SheetAction> actions = {{0, kCodeButtons[code]}, {0, newlineButtons[newline]},
                                            {2, IDC_FOLDER_ALL}};
        if (inPlace) actions.push_back({2, place});
        if (backup) actions.insert(actions.end(), {{2, IDC_AFFIX_END}, {2, IDC_AFFIX_TEXT, "_bak"}});
        s.ChangeSettings(actions);
        if (place == IDC_MAIN_FILE_LIST) platform::MakeDirectory(s.output.c_str());
        std::string folder = inPlace ? "" : s.output;
        s.Convert({s.dir_ / "src\\tree", s.dir_ / "src\\ソフト.txt"}, folder, place == IDC_MAIN_FILE_LIST);
        if (code == Jis) s.script.AnswerMessageBox(IDYES, "出力先の不在");
        s.Decide(kCannotConvert, copy ? IDC_UNCONVERTIBLE_COPY : IDC_UNCONVERTIBLE_IGNORE, false,
                 [&](UiWindow& w) {
                     EXPECT_EQ(w.Text(IDC_DECISION_PATH), bin);
                     EXPECT_EQ(w.IsEnabled(IDC_UNCONVERTIBLE_COPY), place != IDC_NO_OUTPUT_REPLACE);
                 });
        s.Summary(copy ? "5、コピー 1、無視 0、失敗 0" : "5、コピー 0、無視 1、失敗 0",
                  bin + (copy ? "\r\n　変換せずにコピーしました\r\n"
                              : "\r\n　正しい変換が行えないので無視しました\r\n"), '1');
        const Settings& saved = s.Run();
        EXPECT_EQ(saved.outputCode, code);
        EXPECT_EQ(saved.newline, newline);
        EXPECT_EQ(saved.folderMode, AllDepths);
        EXPECT_EQ(std::string(saved.outputFolder), folder);
        EXPECT_EQ(saved.affixPosition, backup ? Suffix : Prefix);
        EXPECT_EQ(std::string(saved.affixText), backup ? "_bak" : "Z_");
    }
}

// Runs in one session into an output folder that holds a.txt and b.txt already.  Each dialog
// opens on its first choice or the settings' code, then on the last choice; for all settles
// the rest of the run without a dialog, and the next run asks again.
TEST(Acceptance, EachQuestionIsSettledAsAnsweredForOneFileOrForAllUntilTheNextRun) {
    Scenario s;
    // "のテキスト" in EUC-JP, half-width katakana in Shift_JIS; A4 is no UTF-8 lead byte.
    const std::string text("\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\r\n");
    std::vector<std::string> dropped = {s.Source("1.txt", text), s.Source("2.txt", text),
                                        s.Source("a.txt", Sample(ShiftJis)), s.Source("b.txt", Sample(Jis))};
    for (const char* name : {"a.txt", "b.txt"}) s.Source(name, "an earlier output\r\n", true);
    auto opensOn = [](int id) { return [id](UiWindow& w) { EXPECT_TRUE(w.IsChecked(id)); }; };
    s.ChangeSettings({{0, IDC_OUT_JIS}, {0, IDC_OUT_LF}});
    s.Convert(dropped, s.output);
    s.Decide(kDetectionFailed, IDC_DETECT_SHIFT_JIS, true, [&](UiWindow& w) {
        EXPECT_EQ(w.Text(IDC_DECISION_PATH), dropped[0]);
        EXPECT_TRUE(w.IsChecked(IDC_DETECT_EUC) && w.IsEnabled(IDC_DETECT_COPY));
        EXPECT_FALSE(w.IsEnabled(IDC_DETECT_UTF8));
    });
    for (std::string name : {"新しい名前.txt", "b2.txt"}) {
        bool second = name == "b2.txt";
        s.Decide(kNameClash, IDC_CLASH_RENAME, false, [&, name, second](UiWindow& w) {
            EXPECT_EQ(w.Text(IDC_DECISION_PATH), test::Join(s.output, second ? "b.txt" : "a.txt"));
            opensOn(second ? IDC_CLASH_RENAME : IDC_CLASH_UNIQUE)(w);
            SendMessageA(w.Control(IDC_CLASH_RENAME), BM_CLICK, 0, 0);
            w.SetText(IDC_CLASH_NEW_NAME, name);
        });
        s.outputs[name] = Sample(Jis, Lf);
    }
    s.script.OnWindow(kMain, [&](UiWindow&) {  // 2.txt as kana
        EXPECT_EQ(test::ReadBytes(test::Join(s.output, "2.txt")),
                  "\x1B\x28\x49\x24\x4E\x25\x46\x25\x2D\x25\x39\x25\x48\x1B\x28\x42\n");
    });
    // The same files again (the list ignores the repeated drop), all in the way now, with
    // Shift_JIS the input code.
    s.ChangeSettings({{1, IDC_PRESET_WINDOWS}});
    s.Convert(dropped, s.output);
    s.Decide(kNameClash, IDC_CLASH_OVERWRITE, true, opensOn(IDC_CLASH_RENAME));
    s.Decide(kDetectionFailed, IDC_DETECT_COPY, true, opensOn(IDC_DETECT_SHIFT_JIS));
    s.Summary("2、コピー 2、無視 0、失敗 0");
    s.outputs["1.txt"] = s.outputs["2.txt"] = text;
    s.outputs["a.txt"] = s.outputs["b.txt"] = Sample(Jis, Lf);
    s.Convert(dropped, s.output);
    s.Decide(kNameClash, IDC_CLASH_SKIP, true, opensOn(IDC_CLASH_OVERWRITE));
    s.Summary("0、コピー 0、無視 4、失敗 0");
    s.Convert(dropped, s.output);  // stopped at once
    s.Decide(kNameClash, IDC_DECISION_STOP, false, opensOn(IDC_CLASH_SKIP));
    EXPECT_EQ(s.Run().inputCode, ShiftJis);
}

// The user stops a large file, a file cannot be read, the disk fills up mid-file: the file is
// rolled back, and the answers say whether the next one is tried.
TEST(Acceptance, AFileCutShortIsRolledBackAndTheAnswersDecideWhatFollows) {
    enum Cut { kStop, kReadError, kDiskFull };
    for (Cut cut : {kStop, kReadError, kDiskFull}) {
        SCOPED_TRACE(cut);
        std::string disk = cut == kDiskFull ? test::SmallDisk() : "", filler = disk + "\\accept-filler";
        if (cut == kDiskFull && disk.empty()) GTEST_SKIP() << "no small disk";
        Scenario s(20000);
        if (!disk.empty()) s.output = disk + "\\accept";
        platform::MakeDirectory(s.output.c_str());
        // 61 MB, for the run to be caught in it on a busy machine; the process's memory, which
        // opens but cannot be read; 34 000 bytes, more than the 8 KiB left on the small disk.
        const std::string plain = test::Repeat("plain text line\r\n", 2000);
        std::vector<std::string> files = {
            cut == kStop        ? s.Source("a.txt", test::Repeat(Sample(ShiftJis), 1200000))
            : cut == kReadError ? "Z:\\proc\\self\\mem"
                                : s.Source("a.txt", plain)};
        if (cut == kDiskFull) files.push_back(s.Source("b.txt", plain));
        files.push_back(s.Source("z.txt", Sample(Jis)));
        if (!disk.empty()) test::FillDisk(filler, 8192);
        // To UTF-16 through the code page, the slowest conversion.
        s.ChangeSettings({{0, cut == kStop ? IDC_OUT_UNICODE : IDC_OUT_EUC}, {0, IDC_OUT_LF}});
        s.Convert(files, s.output, cut == kStop);
        if (cut == kStop) {  // once the output is shown, so is the pair being converted
            s.script.OnWindow({"#32770", "ファイルを変換中...", IDC_PROGRESS_OUTPUT,
                               test::Join(s.output, "a.txt")}, [&](UiWindow& w) {
                EXPECT_EQ(w.Text(IDC_PROGRESS_INPUT), files[0]);
                w.Click(IDC_PROGRESS_STOP);
            });
        } else if (cut == kReadError) {
            s.script.AnswerMessageBox(IDYES, "ファイル操作の異常");  // yes stops the run
        } else {  // the first file is given up and the run goes on; room is made for the second
            s.script.AnswerMessageBox(IDCANCEL, "ディスクフル").AnswerMessageBox(IDYES, "変換継続の確認");
            s.script.OnWindow({"#32770", "ディスクフル"}, [&](UiWindow& w) {
                platform::Remove(filler.c_str());
                SendMessageA(w.Handle(), WM_COMMAND, IDRETRY, 0);
            });
            s.Summary("2、コピー 0、無視 0、失敗 1");
            s.outputs["b.txt"] = test::Repeat("plain text line\n", 2000);
            s.outputs["z.txt"] = Sample(EucJp, Lf);
        }
        s.Run();
        if (!disk.empty()) platform::Remove(filler.c_str());
        const auto& boxes = s.script.MessageBoxes();
        EXPECT_EQ(boxes.size(), cut == kStop ? 0u : cut == kReadError ? 1u : 2u);
        if (!boxes.empty()) {
            EXPECT_EQ(boxes.back().text, cut == kDiskFull ? "このまま変換作業を続けますか？"
                                         : files[0] + "\nファイル操作で何らかの異常が発生しました！ "
                                           "このファイルは飛ばしますが、一旦変換作業全体を中断しますか？");
        }
    }
}

}  // namespace
