// Whole runs that convert: a mixed tree of every input code into a mirrored output
// folder, to every output code and newline.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
