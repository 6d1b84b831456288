#include "acceptance_harness.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>

#include "framework/path.h"
#include "framework/platform.h"
#include "resources/resource_ids.h"
#include "settings/config_store.h"
#include "support/program.h"

namespace accept {
namespace {

using namespace std::string_view_literals;

// One line of the sample in JIS, Shift_JIS, EUC-JP and UTF-16LE (indexed by CharCode),
// and the line end the sample gives it.
struct SampleLine {
    std::string_view text[4];
    std::string_view ending;
};

const SampleLine kSample[] = {
    // The EUC-JP form's first pair is open to both codes; 字 and the line end decide it.
    {{"\x1B\x24\x42\x34\x41\x3B\x7A\x1B\x28\x42"sv, "漢字"sv, "\xB4\xC1\xBB\xFA"sv,
      "\x22\x6F\x57\x5B"sv},
     "\r\n"sv},
    {{"\x1B\x24\x42\x24\x4E\x25\x46\x25\x2D\x25\x39\x25\x48\x21\x22\x1B\x28\x42"
      "ABC 123\x1B\x24\x42\x21\x23\x1B\x28\x42"sv,
      "のテキスト、ABC 123。"sv,
      "\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\xA1\xA2"
      "ABC 123\xA1\xA3"sv,
      "\x6E\x30\xC6\x30\xAD\x30\xB9\x30\xC8\x30\x01\x30\x41\x00\x42\x00\x43\x00\x20\x00"
      "\x31\x00\x32\x00\x33\x00\x02\x30"sv},
     "\n"sv},
    {{"\x1B\x24\x42\x49\x3D\x3C\x28\x25\x3D\x25\x55\x25\x48\x1B\x28\x42"sv, "表示ソフト"sv,
      "\xC9\xBD\xBC\xA8\xA5\xBD\xA5\xD5\xA5\xC8"sv, "\x68\x88\x3A\x79\xBD\x30\xD5\x30\xC8\x30"sv},
     "\r"sv},
    {{"Zeko 1.03a"sv, "Zeko 1.03a"sv, "Zeko 1.03a"sv,
      "Z\0e\0k\0o\0 \0\x31\0.\0\x30\0\x33\0\x61\0"sv},
     "\r\n"sv},
};

constexpr std::string_view kEndings[] = {"\r\n"sv, "\r"sv, "\n"sv};

const int kCodeButtons[] = {IDC_OUT_JIS, IDC_OUT_SHIFT_JIS, IDC_OUT_EUC, IDC_OUT_UNICODE,
                            IDC_OUT_KEEP_CODE};
const int kNewlineButtons[] = {IDC_OUT_CRLF, IDC_OUT_CR, IDC_OUT_LF, IDC_OUT_KEEP_NEWLINE};

std::string CurrentDirectory() {
    char path[platform::kPathBuffer] = {};
    platform::CurrentDirectory(sizeof path, path);
    return path;
}

// Writes the file, making its folders first.
void WriteFile(const std::string& path, std::string_view bytes) {
    std::string folder = path.substr(0, LastSeparator(path.c_str()) - path.c_str());
    ASSERT_TRUE(CreateDirectoryPath(folder.data())) << folder;
    test::WriteBytes(path, bytes);
}

// Names each difference instead of printing two maps of binary text.
void ExpectTree(const std::string& root, const Tree& expected, const char* what) {
    Tree actual = ReadTree(root);
    for (const auto& [path, bytes] : expected) {
        auto found = actual.find(path);
        if (found == actual.end()) {
            ADD_FAILURE() << what << ": " << path << " is missing";
        } else if (found->second != bytes) {
            ADD_FAILURE() << what << ": " << path << " holds " << found->second.size()
                          << " bytes other than the " << bytes.size() << " expected";
        }
    }
    for (const auto& entry : actual)
        if (!expected.contains(entry.first))
            ADD_FAILURE() << what << ": " << entry.first << " should not be there";
}

void Expect(Tree& tree, const std::string& relative, std::optional<std::string> bytes) {
    if (bytes) {
        tree[relative] = std::move(*bytes);
    } else {
        tree.erase(relative);
    }
}

void ShowPage(test::UiWindow& sheet, Page page) {
    SendMessageA(sheet.Handle(), PSM_SETCURSEL, page, 0);
}

}  // namespace

const test::WindowQuery kMain = {"#32770", "Morvane", IDC_MAIN_FILE_LIST};
const test::WindowQuery kSheet = {"#32770", "設定", 0};
const test::WindowQuery kNameClash = {"#32770", "エラー", IDC_CLASH_NEW_NAME};
const test::WindowQuery kCannotConvert = {"#32770", "エラー", IDC_UNCONVERTIBLE_COPY};
const test::WindowQuery kDetectionFailed = {"#32770", "文字コード自動判別失敗",
                                            IDC_DETECT_SHIFT_JIS};
const test::WindowQuery kConverting = {"#32770", "ファイルを変換中...", IDC_PROGRESS_INPUT};
const test::WindowQuery kSummary = {"#32770", "変換の結果", IDC_SUMMARY_FILES};

std::string Sample(CharCode code, NewlineCode newline) {
    std::string bytes = code == Unicode ? "\xFF\xFE" : "";
    for (const SampleLine& line : kSample) {
        bytes += line.text[code];
        std::string_view ending = newline == KeepNewline ? line.ending : kEndings[newline];
        for (char c : ending) {
            bytes += c;
            if (code == Unicode) bytes += '\0';
        }
    }
    return bytes;
}

void Press(const test::UiWindow& dialog, int id) {
    SendMessageA(dialog.Control(id), BM_CLICK, 0, 0);
}

int CodeButton(CharCode code) { return kCodeButtons[code]; }
int NewlineButton(NewlineCode newline) { return kNewlineButtons[newline]; }

Tree ReadTree(const std::string& root) {
    Tree tree;
    test::WalkFiles(root, [&tree](const std::string& relative, const std::string& path) {
        tree[relative] = test::ReadBytes(path);
    });
    return tree;
}

Scenario::Scenario(DWORD timeoutMs)
    : start_(CurrentDirectory()),
      sources_(dir_ / "src"),
      output_(dir_ / "out"),
      config_(dir_ / ConfigStore::kFileName),
      script_(timeoutMs) {
    platform::MakeDirectory(sources_.c_str());
}

Scenario::~Scenario() {
    // The Convert command's checks and the folder walk move the process; the scratch
    // folder cannot be removed while it is the current directory.
    platform::ChangeDirectory(start_.c_str());
    ExpectTree(sources_, expectedSources_, "sources");
    ExpectTree(output_, expectedOutputs_, "output folder");
    for (const std::string& root : {dir_.Path(), output_})
        for (const std::string& left : test::LeftoverFiles(root))
            ADD_FAILURE() << "left behind in " << root << ": " << left;
    EXPECT_TRUE(test::TemporaryFiles(start_).empty()) << "in the process's own directory";
    test::RemoveTree(output_);
}

std::string Scenario::SourcePath(const std::string& relative) const {
    return test::Join(sources_, relative);
}

std::string Scenario::OutputPath(const std::string& relative) const {
    return test::Join(output_, relative);
}

std::string Scenario::Source(const std::string& relative, std::string_view bytes) {
    std::string path = SourcePath(relative);
    WriteFile(path, bytes);
    expectedSources_[relative] = bytes;
    return path;
}

void Scenario::Existing(const std::string& relative, std::string_view bytes) {
    WriteFile(OutputPath(relative), bytes);
    expectedOutputs_[relative] = bytes;
}

void Scenario::ExpectSource(const std::string& relative, std::optional<std::string> bytes) {
    Expect(expectedSources_, relative, std::move(bytes));
}

void Scenario::ExpectOutput(const std::string& relative, std::optional<std::string> bytes) {
    Expect(expectedOutputs_, relative, std::move(bytes));
}

void Scenario::ChangeSettings(const std::vector<SheetAction>& actions) {
    script_.OnWindow(kMain, [](test::UiWindow& main) { main.Click(IDC_MAIN_SETTINGS); });
    // One step per page, so each page's clicks are handled before the page is left and
    // its controls are read.
    for (std::size_t first = 0; first < actions.size();) {
        std::size_t end = first;
        while (end < actions.size() && actions[end].page == actions[first].page) ++end;
        std::vector<SheetAction> onPage(actions.begin() + first, actions.begin() + end);
        script_.OnWindow(kSheet, [onPage](test::UiWindow& sheet) {
            ShowPage(sheet, onPage.front().page);
            for (const SheetAction& action : onPage) {
                if (action.text != nullptr) {
                    sheet.SetText(action.control, action.text);
                } else {
                    sheet.Click(action.control);
                }
            }
        });
        first = end;
    }
    script_.OnWindow(kSheet, [](test::UiWindow& sheet) { sheet.Click(IDOK); });
}

void Scenario::Convert(const std::vector<std::string>& paths, const std::string& folder,
                       FolderEntry entry) {
    script_.OnWindow(kMain, [paths, folder, entry](test::UiWindow& main) {
        test::DropFiles(main.Control(IDC_MAIN_FILE_LIST), paths);
        if (entry == FolderEntry::Dropped) {
            test::DropFiles(main.Handle(), {folder});
        } else {
            main.SetText(IDC_MAIN_OUTPUT_FOLDER, folder);
        }
        EXPECT_EQ(main.Text(IDC_MAIN_OUTPUT_FOLDER), folder);
        EXPECT_TRUE(main.IsEnabled(IDC_MAIN_CONVERT));
        main.Click(IDC_MAIN_CONVERT);
    });
}

void Scenario::Decide(const test::WindowQuery& dialog, int choice, bool forAll,
                      std::function<void(test::UiWindow&)> inspect) {
    script_.OnWindow(dialog, [choice, forAll, inspect](test::UiWindow& w) {
        if (inspect) inspect(w);
        Press(w, choice);
        Press(w, forAll ? IDC_DECISION_ALL : IDC_DECISION_EXECUTE);
    });
}

void Scenario::Summary(const std::string& counts,
                       std::function<void(test::UiWindow&)> inspect) {
    script_.OnWindow(kSummary, [counts, inspect](test::UiWindow& w) {
        EXPECT_EQ(w.Text(IDC_SUMMARY_COUNTS), counts);
        if (inspect) inspect(w);
        w.Click(IDOK);
    });
}

void Scenario::Run() {
    // Found only when the run is over: the progress dialog disables the main window.
    script_.OnWindow(kMain, [](test::UiWindow& main) { main.Click(IDC_MAIN_EXIT); });
    EXPECT_EQ(test::RunProgram(dir_.Path() + "\\"), 0);
    EXPECT_TRUE(script_.Finished()) << "steps left when the program ended";
}

const Settings& Scenario::Saved() {
    ConfigStore store;
    RegisterSettings(&saved_, &store);
    EXPECT_TRUE(store.Load(config_.c_str()));
    return saved_;
}

}  // namespace accept
