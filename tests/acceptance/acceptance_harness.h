// The whole program driven as a user drives it: ZEKO.EXE's start-up with ZEKO.CFG in a
// scratch folder, settings changed through the real settings sheet, files dropped on the
// list, the output folder typed or dropped, 変換 pressed and the run's questions answered.
// Afterwards every file under the scratch folder is compared with what the scenario
// expects, byte for byte, and nothing temporary may be left anywhere.
//
//     accept::Scenario s;
//     std::string a = s.Source("a.txt", accept::Sample(ShiftJis, accept::kAsWritten));
//     s.ChangeSettings({{accept::kOutputPage, IDC_OUT_EUC}});
//     s.Convert({a}, s.OutputFolder());
//     s.ExpectOutput("a.txt", accept::Sample(EucJp, accept::kAsWritten));
//     s.Run();
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/codes.h"
#include "settings/settings.h"
#include "support/gui_script.h"
#include "support/temp_dir.h"

namespace accept {

// The newline argument of Sample that keeps the sample's own mixed line ends.
inline constexpr NewlineCode kAsWritten = KeepNewline;

// A short Japanese text (kanji, kana, punctuation, ASCII, Shift_JIS trail bytes 0x5C)
// whose lines end in CR LF, LF and CR, in one code (Jis, ShiftJis, EucJp, or Unicode as
// UTF-16LE with its byte-order mark) with every line end written as newline.  The forms
// are the ones the program reads and writes; each is detected as its own code.
std::string Sample(CharCode code, NewlineCode newline);

// The windows of a run.
extern const test::WindowQuery kMain;
extern const test::WindowQuery kSheet;
extern const test::WindowQuery kNameClash;
extern const test::WindowQuery kCannotConvert;
extern const test::WindowQuery kDetectionFailed;
extern const test::WindowQuery kConverting;
extern const test::WindowQuery kSummary;

enum Page { kOutputPage, kInputPage, kGeneralPage, kExtensionsPage };

// What the user does on one page of the settings sheet: a click on the control, or the
// text typed into it when text is given.
struct SheetAction {
    Page page;
    int control;
    const char* text = nullptr;
};

// The output code page's buttons for a code (Keep included) and for a newline.
int CodeButton(CharCode code);
int NewlineButton(NewlineCode newline);

// Clicks a button of a decision dialog and returns when the worker thread has handled the
// click: a dialog that this ends is then hidden, so the next step cannot take it for the
// dialog of the next file.  Only for clicks that open no window of their own.
void Press(const test::UiWindow& dialog, int id);

// How the output folder reaches the main window.
enum class FolderEntry { Typed, Dropped };

// Files as they are: relative path ('\' between names) → bytes; folders only through
// files.
using Tree = std::map<std::string, std::string>;
Tree ReadTree(const std::string& root);

class Scenario {
public:
    explicit Scenario(DWORD timeoutMs = test::GuiScript::kDefaultTimeout);
    // Checks the source and output trees against what is expected, that nothing temporary
    // is left, and that the process is back in its own directory.
    ~Scenario();
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    // The scratch trees: sources to drop, and the output folder (absent until the run or
    // Existing makes it).
    std::string SourcePath(const std::string& relative) const;
    std::string OutputFolder() const { return output_; }
    // Puts the output folder elsewhere (on another drive); it is checked and removed at
    // the end like the scratch folder.
    void MoveOutputFolder(const std::string& folder) { output_ = folder; }
    std::string OutputPath(const std::string& relative) const;

    // A file of the user's under the sources (expected unchanged); its full path.
    std::string Source(const std::string& relative, std::string_view bytes);
    // A file of the user's already in the output folder (expected unchanged).
    void Existing(const std::string& relative, std::string_view bytes);
    // What the run is expected to leave; nullopt: no file there.
    void ExpectSource(const std::string& relative, std::optional<std::string> bytes);
    void ExpectOutput(const std::string& relative, std::optional<std::string> bytes);

    // Script steps, in the order the user takes them: open the sheet from the main window,
    // act on its pages and press OK; then drop the paths on the list, name the folder
    // (nothing when empty) and press 変換.
    void ChangeSettings(const std::vector<SheetAction>& actions);
    void Convert(const std::vector<std::string>& paths, const std::string& folder,
                 FolderEntry entry = FolderEntry::Typed);
    // Answers a decision dialog: looks at it with inspect (when given), selects the choice,
    // then presses 実行 or すべてこの設定.
    void Decide(const test::WindowQuery& dialog, int choice, bool forAll = false,
                std::function<void(test::UiWindow&)> inspect = {});
    // The summary at the end of a run that left files unconverted: checks its counts line
    // (and whatever inspect looks at), then closes it.
    void Summary(const std::string& counts, std::function<void(test::UiWindow&)> inspect = {});
    test::GuiScript& Script() { return script_; }

    // Adds the Exit step and runs the program as WinMain would; expects exit code 0 and
    // every step taken.
    void Run();

    // What the program saved in ZEKO.CFG at exit.
    const Settings& Saved();
    const std::vector<test::MessageBoxSeen>& MessageBoxes() const {
        return script_.MessageBoxes();
    }

private:
    test::TempDir dir_;
    std::string start_;  // the process's directory before the run moved it
    std::string sources_;
    std::string output_;
    std::string config_;
    Tree expectedSources_;
    Tree expectedOutputs_;
    test::GuiScript script_;
    Settings saved_;
};

}  // namespace accept
