// Where each output goes, under every action for files without an output folder, and
// what a failed file leaves: always the source as it was, under its own name, and no
// temporary file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "job_harness.h"

namespace {

using test::TemporaryFiles;

constexpr const char* kSource = "元の内容\r\nline two\r\n";
constexpr const char* kConverted = "converted text\n";

// Holds a file open as another program would, until destroyed.
class HeldFile {
public:
    HeldFile(const std::string& path, std::uint32_t access, std::uint32_t share)
        : file_(platform::Open(path.c_str(), access, share, platform::kOpenExisting,
                               platform::kAttributeNormal)) {
        EXPECT_NE(file_, platform::kInvalidFile) << path;
    }
    ~HeldFile() {
        if (file_ != platform::kInvalidFile) platform::Close(file_);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    platform::FileId file_;
};

class PlacementTest : public ::testing::Test {
protected:
    PlacementTest() {
        settings.affixPosition = Suffix;
        std::strcpy(settings.affixText, "Z_");
        settings.noOutputAction = NewUniqueFile;
        job.Configure(nullptr, &asker, &settings);
        job.Running() = 1;
        source = dir / "a.txt";
        test::WriteBytes(source, kSource);
    }
    ~PlacementTest() override {
        EXPECT_TRUE(asker.Exhausted()) << "a scripted answer was not asked for";
    }

    // The source is as it was and nothing temporary is left, in its folder or the
    // process's current directory (where the engine makes its intermediate file).
    void ExpectSourceUntouchedAndNoTemporaries(const std::string& folder) {
        EXPECT_EQ(test::ReadBytes(source), kSource);
        EXPECT_TRUE(TemporaryFiles(folder).empty()) << TemporaryFiles(folder)[0];
        EXPECT_TRUE(TemporaryFiles(".").empty());
        EXPECT_FALSE(job.Input().IsOpen() || job.Output().IsOpen());
    }

    test::TempDir dir;
    std::string source;
    Settings settings;
    test::ScriptedAsker asker;
    test::TestJob job;
};

TEST_F(PlacementTest, UniqueNamesCarryTheAffixAndTheFirstFreeNumber) {
    const struct {
        AffixPosition position;
        const char* affix;
        const char* name;
        std::vector<const char*> taken;
        const char* expected;
    } cases[] = {
        {Prefix, "Z_", "a.txt", {}, "Z_a.txt"},
        {Prefix, "Z_", "a.txt", {"Z_a.txt"}, "Z_a(2).txt"},
        {Prefix, "Z_", "a.txt", {"Z_a.txt", "Z_a(2).txt"}, "Z_a(3).txt"},
        {Suffix, "Z_", "a.txt", {}, "aZ_.txt"},
        {Suffix, "Z_", "a.txt", {"aZ_.txt"}, "aZ_(2).txt"},
        {Suffix, "", "a.txt", {}, "a(2).txt"},
        {Suffix, "_old", "README", {}, "README_old"},
        {Prefix, "", "表.txt", {"表.txt", "表(2).txt"}, "表(3).txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        test::TempDir folder;
        test::WriteBytes(folder / c.name, "x");
        for (const char* name : c.taken) test::WriteBytes(folder / name, "x");
        settings.affixPosition = c.position;
        std::strcpy(settings.affixText, c.affix);
        char unique[platform::kPathBuffer];
        ASSERT_TRUE(job.UniqueName(unique, (folder / c.name).c_str()));
        EXPECT_EQ(unique, folder / c.expected);
    }
}

TEST_F(PlacementTest, AnAffixedNameOfExactly260IsAcceptedAnd261AskedAbout) {
    std::string folder = dir.Path() + "\\";
    auto pathOf = [&](std::size_t length) {  // the affixed name will be this long
        return folder + std::string(length - folder.size() - 4 - 2, 'n') + ".txt";
    };
    char unique[platform::kPathBuffer];
    ASSERT_TRUE(job.UniqueNameOrAsk(unique, pathOf(260).c_str(), "shown"));
    EXPECT_EQ(std::strlen(unique), 260u);
    EXPECT_TRUE(asker.Asked().empty());

    for (int answer : {question::kAnswerYes, question::kAnswerNo}) {
        asker.Answer(answer);
        job.Running() = 1;
        EXPECT_FALSE(job.UniqueNameOrAsk(unique, pathOf(261).c_str(), "shown"));
        EXPECT_EQ(job.KeepsRunning(), answer == question::kAnswerYes);
    }
    ASSERT_EQ(asker.Asked().size(), 2u);
    EXPECT_EQ(asker.Asked()[0].text,
              "shown\n変換後のファイル名が長くなりすぎて、ファイルが作成できません！"
              "　このファイルを飛ばします。\nこのまま変換を続けますか？");
    EXPECT_EQ(asker.Asked()[0].caption, "自動ファイル名変換エラー");
    EXPECT_EQ(asker.Asked()[0].style, question::kYesNo | question::kIconError);

    // A run stopped while numbering fails without a question.
    test::WriteBytes(dir / "aZ_.txt", "x");
    job.Running() = 0;
    EXPECT_FALSE(job.UniqueNameOrAsk(unique, source.c_str(), "shown"));
    EXPECT_EQ(asker.Asked().size(), 2u);
}

TEST_F(PlacementTest, NewUniqueFileLeavesTheSourceAndNumbersEachRun) {
    for (const char* expected : {"aZ_.txt", "aZ_(2).txt"}) {
        ASSERT_TRUE(job.Place(source.c_str(), source.c_str()));
        EXPECT_STREQ(job.Output().FullPath(), (dir / expected).c_str());
        job.Write(kConverted);
        job.Finish(true, source.c_str(), source.c_str());
        EXPECT_EQ(test::ReadBytes(dir / expected), kConverted);
    }
    ExpectSourceUntouchedAndNoTemporaries(dir.Path());
}

TEST_F(PlacementTest, ReplacingInPlaceCommitsOrLeavesTheSourceAsItWas) {
    const struct {
        NoOutputAction action;
        bool success;
        std::vector<std::string> names;  // afterwards
    } cases[] = {
        {ReplaceOriginal, true, {"a.txt"}},
        {ReplaceOriginal, false, {"a.txt"}},
        {ReplaceWithBackup, true, {"a.txt", "aZ_.txt"}},
        {ReplaceWithBackup, false, {"a.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.action) << " " << c.success);
        test::WriteBytes(source, kSource);
        settings.noOutputAction = c.action;
        ASSERT_TRUE(job.Place(source.c_str(), source.c_str()));
        if (c.action == ReplaceOriginal) {
            EXPECT_EQ(TemporaryFiles(dir.Path()).size(), 1u) << "converting into a Z….TMP";
            EXPECT_STREQ(job.Output().FullPath(), job.PendingPath());
            EXPECT_EQ(test::ReadBytes(source), kSource) << "the source stays until the end";
        } else {
            EXPECT_STREQ(job.Input().FullPath(), (dir / "aZ_.txt").c_str());
            EXPECT_STREQ(job.Output().FullPath(), source.c_str());
        }
        job.Write(kConverted);
        job.Finish(c.success, source.c_str(), source.c_str());
        EXPECT_EQ(test::ListNames(dir.Path()), c.names);
        if (c.success) {
            EXPECT_EQ(test::ReadBytes(source), kConverted);
            if (c.action == ReplaceWithBackup) {
                EXPECT_EQ(test::ReadBytes(dir / "aZ_.txt"), kSource);
            }
            test::RemoveTree(dir / "aZ_.txt");
        } else {
            ExpectSourceUntouchedAndNoTemporaries(dir.Path());
        }
    }
    EXPECT_TRUE(asker.Asked().empty());
}

TEST_F(PlacementTest, AnOutputFolderGetsTheOutputAndItsFoldersDirectly) {
    std::string out = dir / "out";
    std::strcpy(settings.outputFolder, out.c_str());
    std::string output = out + "\\docs\\sub\\a.txt";
    ASSERT_TRUE(job.Place(source.c_str(), output.c_str()));
    job.Write(kConverted);
    job.Finish(true, source.c_str(), output.c_str());
    EXPECT_EQ(test::ReadBytes(output), kConverted);
    ExpectSourceUntouchedAndNoTemporaries(dir.Path());
    EXPECT_TRUE(asker.Asked().empty());
}

// The target is held open by another program, so it cannot be replaced: the converted
// text stays in the temporary file, and the user is told where it is.
TEST_F(PlacementTest, AFailedReplacementTellsWhereTheConvertedTextIs) {
    settings.noOutputAction = ReplaceOriginal;
    ASSERT_TRUE(job.Place(source.c_str(), source.c_str()));
    std::string temporary = job.PendingPath();
    job.Write(kConverted);
    asker.Answer(question::kAnswerOk);
    {
        HeldFile held(source, platform::kGenericRead, platform::kShareRead);
        job.Finish(true, source.c_str(), source.c_str());
    }
    EXPECT_EQ(test::ReadBytes(source), kSource);
    EXPECT_EQ(test::ReadBytes(temporary), kConverted);
    ASSERT_EQ(asker.Asked().size(), 1u);
    EXPECT_EQ(asker.Asked()[0].text, source +
                                         "\n変換したファイルでこのファイルを置き換えられませんでした。\n"
                                         "変換後の内容は次のファイルに残っています。\n" +
                                         temporary);
    EXPECT_EQ(asker.Asked()[0].caption, "ファイルの置き換えエラー");
    EXPECT_EQ(asker.Asked()[0].style, question::kOk | question::kIconError);
}

// The backup is held open by another program, so it cannot be moved back: the user is
// told where the original text is.
TEST_F(PlacementTest, ABackupThatCannotBeMovedBackIsReported) {
    settings.noOutputAction = ReplaceWithBackup;
    ASSERT_TRUE(job.Place(source.c_str(), source.c_str()));
    std::string backup = dir / "aZ_.txt";
    job.Write("partial");
    asker.Answer(question::kAnswerOk);
    {
        HeldFile held(backup, platform::kGenericRead, platform::kShareRead);
        job.Finish(false, source.c_str(), source.c_str());
    }
    EXPECT_EQ(test::ReadBytes(backup), kSource);
    EXPECT_FALSE(test::Exists(source)) << "the partial output is gone";
    ASSERT_EQ(asker.Asked().size(), 1u);
    EXPECT_EQ(asker.Asked()[0].text, source +
                                         "\n元のファイルを元の名前に戻せませんでした。\n"
                                         "元のファイルの内容は次のファイルに残っています。\n" +
                                         backup);
    EXPECT_EQ(asker.Asked()[0].caption, "ファイルの復元エラー");
}

// Another program writes the source without sharing, so the job cannot read it.
TEST_F(PlacementTest, AnInputThatCannotBeOpenedAndIsIgnoredLeavesNothing) {
    const struct {
        const char* outputFolder;
        NoOutputAction action;
        int answer;
    } cases[] = {
        {"out", DoNotConvert, question::kAnswerIgnore},
        {"", ReplaceOriginal, question::kAnswerIgnore},
        {"", ReplaceWithBackup, question::kAnswerIgnore},
        {"", NewUniqueFile, question::kAnswerAbort},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.outputFolder << int(c.action));
        std::string out = c.outputFolder[0] ? dir / c.outputFolder : "";
        std::strcpy(settings.outputFolder, out.c_str());
        settings.noOutputAction = c.action;
        std::string output = out.empty() ? source : out + "\\a.txt";
        job.Running() = 1;
        test::ScriptedAsker ask{question::kAnswerRetry, c.answer};
        job.Configure(nullptr, &ask, &settings);
        {
            HeldFile held(source, platform::kGenericWrite,
                          platform::kShareRead | platform::kShareWrite | platform::kShareDelete);
            EXPECT_FALSE(job.Place(source.c_str(), output.c_str()));
        }
        EXPECT_EQ(job.KeepsRunning(), c.answer == question::kAnswerIgnore);
        ASSERT_EQ(ask.Asked().size(), 2u);
        EXPECT_EQ(ask.Asked()[0].caption, "ファイルオープンエラー");
        EXPECT_EQ(ask.Asked()[0].style, question::kAbortRetryIgnore | question::kIconError |
                                            question::kDefaultButton2);
        std::vector<std::string> names = {"a.txt"};
        if (!out.empty()) {
            names.push_back("out");
            EXPECT_TRUE(test::ListNames(out).empty());
        }
        EXPECT_EQ(test::ListNames(dir.Path()), names);
        if (!out.empty()) test::RemoveTree(out);
        ExpectSourceUntouchedAndNoTemporaries(dir.Path());
    }
}

TEST_F(PlacementTest, AnOutputThatCannotBeCreatedIsAskedAboutAndLeavesNothing) {
    // A file stands where the output's folder should be.
    test::WriteBytes(dir / "blocker", "mine");
    std::strcpy(settings.outputFolder, (dir / "blocker").c_str());
    std::string output = dir / "blocker\\a.txt";
    for (int answer : {question::kAnswerIgnore, question::kAnswerAbort}) {
        job.Running() = 1;
        asker.Answer(question::kAnswerRetry);
        asker.Answer(answer);
        EXPECT_FALSE(job.Place(source.c_str(), output.c_str()));
        EXPECT_EQ(job.KeepsRunning(), answer == question::kAnswerIgnore);
    }
    ASSERT_EQ(asker.Asked().size(), 4u);
    EXPECT_EQ(asker.Asked()[0].text, output +
                                         "\n出力ファイルの作成で何らかの異常がおきました。\n"
                                         "このファイルを無視しますか？　再試行しますか？\n"
                                         "それとも変換処理全体を中止しますか？");
    EXPECT_EQ(asker.Asked()[0].caption, "出力ファイルの作成エラー");
    EXPECT_EQ(asker.Asked()[0].style, question::kAbortRetryIgnore | question::kIconError |
                                          question::kDefaultButton3);
    EXPECT_EQ(test::ReadBytes(dir / "blocker"), "mine");
    ExpectSourceUntouchedAndNoTemporaries(dir.Path());
}

TEST_F(PlacementTest, ACopyAfterAPartialConversionIsTheInputByteForByte) {
    for (std::size_t size : {0u, 1023u, 1024u, 2048u, 5000u}) {
        SCOPED_TRACE(size);
        std::string text;
        for (std::size_t i = 0; i < size; ++i) text += static_cast<char>(i * 7 % 256);
        test::WriteBytes(source, text);
        ASSERT_TRUE(job.Place(source.c_str(), source.c_str()));
        job.Write(std::string(6000, '#'));
        char buffer[100];
        job.Input().Read(buffer, sizeof buffer);
        EXPECT_TRUE(job.CopyFile());
        std::string output = job.Output().FullPath();
        job.Finish(true, source.c_str(), source.c_str());
        EXPECT_EQ(test::ReadBytes(output), text);
        test::RemoveTree(output);
    }
    job.Running() = 0;
    ASSERT_TRUE(job.Place(source.c_str(), source.c_str()));
    EXPECT_FALSE(job.CopyFile()) << "a stopped run copies nothing";
    job.Finish(false, source.c_str(), source.c_str());
}

}  // namespace

namespace {

// A full disk, on the small real file system ctest mounts (drive X: under Wine): the
// copy fails part-way and the file is rolled back.
TEST_F(PlacementTest, ACopyOntoAFullDiskIsRolledBackAndTheSourceKept) {
    std::string disk = test::SmallDisk();
    if (disk.empty())
        GTEST_SKIP() << "no small file system (tools/small-disk.sh mounts one as root)";
    std::string work = test::Join(disk, "batch");
    test::RemoveTree(work);
    ASSERT_TRUE(platform::MakeDirectory(work.c_str()));
    std::string text(200 * 1024, 'x');
    test::WriteBytes(source, text);
    // In place on the full disk, and from elsewhere into an output folder on it.
    std::string inPlace = test::Join(work, "in-place.txt");
    test::WriteBytes(inPlace, std::string(8 * 1024, 'y'));
    std::string filler = test::Join(work, "filler");
    platform::FileId fill = platform::Open(filler.c_str(), platform::kGenericWrite, 0,
                                           platform::kCreateAlways, platform::kAttributeNormal);
    std::string block(4096, 'f');
    std::uint32_t written = 4096;
    for (int i = 0; i < 64 && written == 4096 &&
                    platform::Write(fill, block.data(), 4096, &written);
         ++i) {
    }
    platform::Close(fill);

    const struct {
        std::string input;
        std::string outputFolder;
        NoOutputAction action;
    } cases[] = {
        {inPlace, "", ReplaceOriginal},
        {source, test::Join(work, "out"), DoNotConvert},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::string before = test::ReadBytes(c.input);
        std::strcpy(settings.outputFolder, c.outputFolder.c_str());
        settings.noOutputAction = c.action;
        std::string output =
            c.outputFolder.empty() ? c.input : test::Join(c.outputFolder, "a.txt");
        ASSERT_TRUE(job.Place(c.input.c_str(), output.c_str()));
        EXPECT_ANY_THROW(job.CopyFile());
        job.RollBack();
        EXPECT_EQ(test::ReadBytes(c.input), before);
        EXPECT_TRUE(TemporaryFiles(work).empty());
        if (!c.outputFolder.empty()) {
            EXPECT_TRUE(test::ListNames(c.outputFolder).empty());
        }
    }
    test::RemoveTree(work);
}

}  // namespace
