// Whole runs that convert: a mixed tree of every input code into a mirrored output
// folder, to every output code and newline; and conversion in place, without an output
// folder, in each of the ways the settings offer.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "acceptance_harness.h"
#include "framework/platform.h"
#include "resources/resource_ids.h"

namespace {

using accept::kAsWritten;
using accept::Sample;

const char* const kCodeNames[] = {"JIS", "Shift_JIS", "EUC-JP", "UTF-16", "keep"};
const char* const kNewlineNames[] = {"CR LF", "CR", "LF", "keep"};

// The tree dropped as one folder: every input code, folders whose names hold the trail
// byte 0x5C, and a file whose extension is not a text one.
struct TreeFile {
    const char* path;
    CharCode code;
};
const TreeFile kTree[] = {
    {"tree\\a.txt", ShiftJis},
    {"tree\\u.txt", Unicode},
    {"tree\\表示\\b.txt", EucJp},
    {"tree\\表示\\深い\\c.htm", Jis},
};

TEST(Acceptance, ConvertsAMixedTreeIntoAMirroredOutputFolderToEveryCodeAndNewline) {
    const CharCode codes[] = {Jis, ShiftJis, EucJp, Unicode, Keep};
    const NewlineCode newlines[] = {CrLf, Cr, Lf, KeepNewline};
    int run = 0;
    for (CharCode code : codes) {
        for (NewlineCode newline : newlines) {
            // Keeping both changes nothing, so 変換 stays disabled (the main window's tests).
            if (code == Keep && newline == KeepNewline) continue;
            SCOPED_TRACE(std::string(kCodeNames[code]) + ", " + kNewlineNames[newline]);
            accept::Scenario s;
            for (const TreeFile& file : kTree) {
                s.Source(file.path, Sample(file.code, kAsWritten));
                s.ExpectOutput(file.path, Sample(code == Keep ? file.code : code, newline));
            }
            s.Source("tree\\skip.bin", Sample(ShiftJis, kAsWritten));
            std::string dropped = s.Source("ソフト.txt", Sample(EucJp, kAsWritten));
            s.ExpectOutput("ソフト.txt", Sample(code == Keep ? EucJp : code, newline));

            s.ChangeSettings({{accept::kOutputPage, accept::CodeButton(code)},
                              {accept::kOutputPage, accept::NewlineButton(newline)},
                              {accept::kGeneralPage, IDC_FOLDER_ALL}});
            // Every other run drops the folder on the window; the rest type a folder that
            // does not exist yet and let the program create it.
            bool drop = ++run % 2 == 0;
            if (drop) platform::MakeDirectory(s.OutputFolder().c_str());
            s.Convert({s.SourcePath("tree"), dropped}, s.OutputFolder(),
                      drop ? accept::FolderEntry::Dropped : accept::FolderEntry::Typed);
            if (!drop) s.Script().AnswerMessageBox(IDYES, "出力先の不在");
            s.Run();

            const Settings& saved = s.Saved();
            EXPECT_EQ(saved.outputCode, code);
            EXPECT_EQ(saved.newline, newline);
            EXPECT_EQ(saved.folderMode, AllDepths);
            EXPECT_EQ(saved.mirrorFolders, 1);
            EXPECT_EQ(std::string(saved.outputFolder), s.OutputFolder());
        }
    }
}

// No output folder: the general page says what happens to the source file.  Its
// neighbours are the user's and stay as they are.
struct InPlace {
    const char* name;
    NoOutputAction action;
    CharCode code;                            // converted to, with LF line ends
    bool suffix;                              // the affix "_bak" at the end, else "Z_" first
    const char* existing;                     // a file of the user's already there, or null
    std::vector<std::pair<const char*, std::optional<std::string>>> changed;
};

TEST(Acceptance, ConvertsInPlaceWithoutBackupWithBackupAndUnderUniqueNames) {
    const int kActionButtons[] = {IDC_NO_OUTPUT_DO_NOT_CONVERT, IDC_NO_OUTPUT_REPLACE,
                                  IDC_NO_OUTPUT_BACKUP, IDC_NO_OUTPUT_UNIQUE};
    const std::string sjis = Sample(ShiftJis, kAsWritten);
    const std::string euc = Sample(EucJp, Lf);
    const std::string users = "the user's own file\r\n";
    const InPlace cases[] = {
        {"replace", ReplaceOriginal, EucJp, false, nullptr, {{"docs\\a.txt", euc}}},
        // Two passes: the intermediate file goes beside the output and must go away too.
        {"replace, to UTF-16", ReplaceOriginal, Unicode, false, nullptr,
         {{"docs\\a.txt", Sample(Unicode, Lf)}}},
        // The backup takes the unique name the affix gives; a taken one is numbered.
        {"backup with a suffix", ReplaceWithBackup, EucJp, true, nullptr,
         {{"docs\\a.txt", euc}, {"docs\\a_bak.txt", sjis}}},
        {"backup beside an earlier one", ReplaceWithBackup, EucJp, true, "docs\\a_bak.txt",
         {{"docs\\a.txt", euc}, {"docs\\a_bak(2).txt", sjis}}},
        {"unique name with the default prefix", NewUniqueFile, EucJp, false, nullptr,
         {{"docs\\Z_a.txt", euc}}},
        {"unique name beside a taken one", NewUniqueFile, EucJp, false, "docs\\Z_a.txt",
         {{"docs\\Z_a(2).txt", euc}}},
    };
    for (const InPlace& c : cases) {
        SCOPED_TRACE(c.name);
        accept::Scenario s;
        std::string a = s.Source("docs\\a.txt", sjis);
        s.Source("docs\\b.txt", Sample(Jis, kAsWritten));
        if (c.existing != nullptr) s.Source(c.existing, users);
        for (const auto& [path, bytes] : c.changed) s.ExpectSource(path, bytes);

        std::vector<accept::SheetAction> actions = {
            {accept::kOutputPage, accept::CodeButton(c.code)},
            {accept::kOutputPage, IDC_OUT_LF},
            {accept::kGeneralPage, kActionButtons[c.action]}};
        if (c.suffix) {
            actions.push_back({accept::kGeneralPage, IDC_AFFIX_END});
            actions.push_back({accept::kGeneralPage, IDC_AFFIX_TEXT, "_bak"});
        }
        s.ChangeSettings(actions);
        s.Convert({a}, "");
        s.Run();

        const Settings& saved = s.Saved();
        EXPECT_EQ(saved.outputCode, c.code);
        EXPECT_EQ(saved.newline, Lf);
        EXPECT_EQ(saved.noOutputAction, c.action);
        EXPECT_EQ(saved.affixPosition, c.suffix ? Suffix : Prefix);
        EXPECT_EQ(std::string(saved.affixText), c.suffix ? "_bak" : "Z_");
        EXPECT_EQ(std::string(saved.outputFolder), "");
    }
}

}  // namespace
