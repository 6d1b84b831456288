// The walk over the file list's rows: folder modes and depth, the extension filter, the
// output paths, and the questions about missing rows and overlong names.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "batch/input_enumerator.h"
#include "row_list.h"
#include "settings/settings.h"
#include "support/allocation_failure.h"
#include "support/scripted_asker.h"
#include "support/temp_dir.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string CurrentDirectory() {
    char buffer[platform::kPathBuffer] = {};
    platform::CurrentDirectory(sizeof buffer, buffer);
    return buffer;
}

// The walk moves the process into the folders it lists; each test starts where the
// previous one did, so its scratch folder is made in the same place.
class InputEnumeratorTest : public ::testing::Test {
protected:
    InputEnumeratorTest() {
        EXPECT_NE(rows.Handle(), nullptr);
        settings.anyExtension = 0;
        settings.folderMode = AllDepths;
        settings.mirrorFolders = 0;
        settings.extensions.Clear();
        for (const char* extension : {"txt", "<none>"}) settings.extensions.Add(extension);
        // docs\{a.txt b.TXT c.doc README .profile sub\{a.txt d.txt deep\e.txt}}
        docs = dir / "docs";
        for (const std::string& folder : {docs, docs + "\\sub", docs + "\\sub\\deep"})
            platform::MakeDirectory(folder.c_str());
        for (const char* name : {"a.txt", "b.TXT", "c.doc", "README", ".profile", "sub\\a.txt",
                                 "sub\\d.txt", "sub\\deep\\e.txt"})
            test::WriteBytes(docs + "\\" + name, "x");
    }

    ~InputEnumeratorTest() override { platform::ChangeDirectory(saved.c_str()); }

    Pairs Collect(const char* outputFolder = "") {
        enumerator.Collect(asker, &running, rows.Handle(), settings, outputFolder,
                           settings.extensions);
        Pairs pairs;
        char input[platform::kPathBuffer], output[platform::kPathBuffer];
        while (enumerator.Next(input, output)) pairs.emplace_back(input, output);
        return pairs;
    }
    // The inputs relative to the scratch folder, sorted (the system lists a folder in an
    // order of its own).
    std::vector<std::string> Inputs(const Pairs& pairs) const {
        std::vector<std::string> names;
        for (const auto& pair : pairs) names.push_back(pair.first.substr(dir.Path().size() + 1));
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string saved = CurrentDirectory();
    test::TempDir dir;
    std::string docs;
    test::RowList rows;
    Settings settings;
    test::ScriptedAsker asker;
    RunningFlag running{1};
    InputEnumerator enumerator;
};

TEST_F(InputEnumeratorTest, FolderModesAndDepthLimitChooseTheLevelsTaken) {
    const std::vector<std::string> top = {"docs\\README", "docs\\a.txt", "docs\\b.TXT"};
    std::vector<std::string> two = top;
    two.insert(two.end(), {"docs\\sub\\a.txt", "docs\\sub\\d.txt"});
    std::vector<std::string> all = two;
    all.insert(all.end(), "docs\\sub\\deep\\e.txt");
    std::sort(two.begin(), two.end());
    std::sort(all.begin(), all.end());
    const struct {
        FolderMode mode;
        std::uint8_t limit;
        std::vector<std::string> taken;
    } cases[] = {
        {LimitedDepth, 1, top},
        {LimitedDepth, 2, two},
        {LimitedDepth, 3, all},
        {AllDepths, 1, all},
        {IgnoreFolders, 5, {"lone.txt"}},
    };
    test::WriteBytes(dir / "lone.txt", "x");
    rows.Add(docs);
    rows.Add(dir / "lone.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << " limit " << int(c.limit));
        settings.folderMode = c.mode;
        settings.depthLimit = c.limit;
        std::vector<std::string> expected = c.taken;
        if (c.mode != IgnoreFolders) expected.push_back("lone.txt");
        std::sort(expected.begin(), expected.end());
        Pairs pairs = Collect();
        EXPECT_EQ(Inputs(pairs), expected);
        for (const auto& pair : pairs) EXPECT_EQ(pair.first, pair.second) << "no output folder";
        EXPECT_EQ(running, 1);
    }
    EXPECT_TRUE(asker.Asked().empty());
}

TEST_F(InputEnumeratorTest, ExtensionFilterIgnoresCaseAndKnowsNamesWithoutOne) {
    // "b." cannot be created (the system drops the final dot), but a row may name it.
    test::WriteBytes(dir / "b", "x");
    for (const char* name : {"a.TXT", "README", "a.doc", "b."}) {
        test::WriteBytes(dir / name, "x");
        rows.Add(dir / name);
    }
    EXPECT_EQ(Inputs(Collect()), (std::vector<std::string>{"README", "a.TXT"}));
    settings.anyExtension = 1;
    EXPECT_EQ(Inputs(Collect()), (std::vector<std::string>{"README", "a.TXT", "a.doc", "b."}));
}

TEST_F(InputEnumeratorTest, DotNamesInsideFoldersAreNeverTaken) {
    settings.extensions.Add("profile");
    rows.Add(docs + "\\.profile");
    rows.Add(docs);
    std::vector<std::string> taken = Inputs(Collect());
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "docs\\.profile"), 1)
        << "taken once: dropped directly, never from the folder";
}

TEST_F(InputEnumeratorTest, OutputPathsMirrorTheDroppedFolderOrLieSideBySide) {
    settings.folderMode = LimitedDepth;
    settings.depthLimit = 2;
    rows.Add(docs);
    const struct {
        const char* folder;
        std::uint8_t mirror;
        const char* a;
        const char* subA;
    } cases[] = {
        {"D:/out", 1, "D:\\out\\docs\\a.txt", "D:\\out\\docs\\sub\\a.txt"},
        {"D:/out/", 1, "D:\\out\\docs\\a.txt", "D:\\out\\docs\\sub\\a.txt"},
        {"D:\\out", 0, "D:\\out\\a.txt", "D:\\out\\a.txt"},
        {"D:\\表", 0, "D:\\表\\a.txt", "D:\\表\\a.txt"},  // 表 ends in 0x5C
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        settings.mirrorFolders = c.mirror;
        Pairs pairs = Collect(c.folder);
        auto output = [&](const std::string& input) {
            for (const auto& pair : pairs)
                if (pair.first == input) return pair.second;
            return std::string("(not taken)");
        };
        EXPECT_EQ(output(docs + "\\a.txt"), c.a);
        EXPECT_EQ(output(docs + "\\sub\\a.txt"), c.subA)
            << "same-named files may share an output path; placement settles it";
    }
}

TEST_F(InputEnumeratorTest, AnOutputPathOverTheLimitIsAskedAboutAndSkipped) {
    // The normalised folder and "n.txt" make 260 characters; with "ab.txt" 261.
    test::WriteBytes(dir / "n.txt", "x");
    test::WriteBytes(dir / "ab.txt", "x");
    const struct {
        std::string row;
        int answer;  // 0: no question
        bool taken;
        int running;
    } cases[] = {
        {dir / "n.txt", 0, true, 1},
        {dir / "ab.txt", question::kAnswerYes, false, 1},
        {dir / "ab.txt", question::kAnswerNo, false, 0},
    };
    std::string folder = "D:\\" + std::string(platform::kMaxPath - 3 - 5 - 1, 'o');
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        test::RowList one;
        one.Add(c.row);
        test::ScriptedAsker ask;
        if (c.answer != 0) ask.Answer(c.answer);
        running = 1;
        enumerator.Collect(ask, &running, one.Handle(), settings, folder.c_str(),
                           settings.extensions);
        EXPECT_EQ(enumerator.Count(), c.taken ? 1 : 0);
        EXPECT_EQ(running, c.running);
        if (c.answer == 0) continue;
        ASSERT_EQ(ask.Asked().size(), 1u);
        EXPECT_EQ(ask.Asked()[0].text,
                  c.row + "\n出力ファイル名が長すぎます！　このファイルは飛ばします。\n"
                          "変換作業を続けますか？");
        EXPECT_EQ(ask.Asked()[0].caption, "ファイル名の長さのエラー");
        EXPECT_EQ(ask.Asked()[0].style, question::kYesNo | question::kIconError);
    }
}

TEST_F(InputEnumeratorTest, AMissingRowIsAskedAboutUntilIgnoredOrAborted) {
    std::string missing = dir / "gone.txt";
    test::WriteBytes(dir / "here.txt", "x");
    rows.Add(missing);
    rows.Add(dir / "here.txt");
    const struct {
        std::vector<int> answers;
        std::size_t taken;
        int running;
    } cases[] = {
        {{question::kAnswerIgnore}, 1, 1},
        {{question::kAnswerRetry, question::kAnswerRetry, question::kAnswerIgnore}, 1, 1},
        {{question::kAnswerAbort}, 0, 0},
        {{0}, 0, 0},  // the box could not be shown
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answers.size());
        test::ScriptedAsker ask;
        for (int answer : c.answers) ask.Answer(answer);
        running = 1;
        enumerator.Collect(ask, &running, rows.Handle(), settings, "", settings.extensions);
        EXPECT_EQ(enumerator.Count(), static_cast<std::int32_t>(c.taken));
        EXPECT_EQ(running, c.running);
        EXPECT_TRUE(ask.Exhausted());
        ASSERT_EQ(ask.Asked().size(), c.answers.size());
        EXPECT_EQ(ask.Asked()[0].text, missing + "\n上記のファイルが見つかりません。無視しますか？");
        EXPECT_EQ(ask.Asked()[0].caption, "ファイルが見つかりません");
        EXPECT_EQ(ask.Asked()[0].style, question::kAbortRetryIgnore | question::kIconError |
                                            question::kDefaultButton3);
    }
}

// A dropped drive root cannot be found by the listing call, yet it is walked like any
// folder; mirrored paths start below the root.  The small disk's root is the drive here.
TEST_F(InputEnumeratorTest, ADroppedDriveRootIsWalkedLikeAFolder) {
    std::string disk = test::SmallDisk();
    if (disk.empty()) GTEST_SKIP() << "no small disk mounted as a drive";
    std::string root = disk + "\\";
    settings.folderMode = LimitedDepth;
    settings.depthLimit = 1;
    settings.mirrorFolders = 1;
    settings.extensions.Add("ok");
    rows.Add(root);
    EXPECT_EQ(Collect("D:\\out"), (Pairs{{root + "small-disk.ok", "D:\\out\\small-disk.ok"}}));
    EXPECT_TRUE(asker.Asked().empty());
}

TEST_F(InputEnumeratorTest, AClearedFlagCollectsNothingAndKeepsTheLastLists) {
    rows.Add(docs);
    Pairs first = Collect();
    ASSERT_FALSE(first.empty());
    running = 0;
    EXPECT_TRUE(Collect().empty()) << "Next has already handed out every pair";
    EXPECT_EQ(enumerator.Count(), static_cast<std::int32_t>(first.size()));
}

TEST_F(InputEnumeratorTest, RunningOutOfMemoryStopsTheRunWithItsMessage) {
    rows.Add(docs);
    asker.Answer(question::kAnswerOk);
    {
        test::FailingAllocations none(0);
        Collect();
    }
    EXPECT_EQ(running, 0);
    EXPECT_EQ(enumerator.Count(), 0);
    ASSERT_EQ(asker.Asked().size(), 1u);
    EXPECT_EQ(asker.Asked()[0].caption, "メモリが足りません！");
    EXPECT_EQ(asker.Asked()[0].text,
              "作業を行うだけのメモリが足りなくなりました。\n"
              "他のアプリケーションなどを終了するか、\n"
              "なるべくならシステムを再起動するかしてください。");
    EXPECT_EQ(asker.Asked()[0].style, question::kOk | question::kIconError);
}

TEST_F(InputEnumeratorTest, AFileWhosePathWouldExceedTheLimitIsSkippedWithAQuestion) {
    // Folders of up to 250 characters can be entered; a name that makes 261 cannot be
    // joined to the deepest one.
    std::string top = dir / std::string(40, 'f'), deep = top;
    ASSERT_TRUE(platform::MakeDirectory(top.c_str()));
    while (deep.size() < 240) {
        deep += "\\" + std::string(std::min<std::size_t>(40, 248 - deep.size()), 'f');
        ASSERT_TRUE(platform::MakeDirectory(deep.c_str())) << deep;
    }
    std::string longName = std::string(platform::kMaxPath - deep.size() - 4, 'L') + ".txt";
    test::WriteBytes(deep + "\\s.txt", "x");
    char current[platform::kPathBuffer];
    platform::CurrentDirectory(sizeof current, current);
    ASSERT_TRUE(platform::ChangeDirectory(deep.c_str()));
    platform::FileId made = platform::Open(longName.c_str(), platform::kGenericWrite, 0,
                                           platform::kCreateAlways, platform::kAttributeNormal);
    if (made != platform::kInvalidFile) platform::Close(made);
    platform::ChangeDirectory(current);
    if (made == platform::kInvalidFile) GTEST_SKIP() << "the system refuses a path this long";

    rows.Add(top);
    asker.Answer(question::kAnswerYes);
    Pairs pairs = Collect();
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].first, deep + "\\s.txt");
    EXPECT_EQ(running, 1);
    ASSERT_EQ(asker.Asked().size(), 1u);
    EXPECT_EQ(asker.Asked()[0].text,
              deep + "\\" + longName +
                  "\n入力ファイルのパス名が長すぎます！　このファイルは飛ばします。\n"
                  "変換作業を続けますか？");
    EXPECT_EQ(asker.Asked()[0].caption, "ファイル名の長さのエラー");

    platform::ChangeDirectory(deep.c_str());
    platform::Remove(longName.c_str());
    platform::ChangeDirectory(current);
}

}  // namespace
