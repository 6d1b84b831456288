// Whole runs of the batch core over real folders.  Afterwards every file under the tree must
// be exactly as expected, byte for byte: a source is its old self unless meant to be replaced,
// each converted text stands where its placement puts it, and nothing else is there (no
// temporary file, no half-written output); natively files keep their mode bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "batch/batch_run.h"
#include "batch/placement.h"
#include "framework/path.h"
#include "settings/settings.h"
#include "support/allocation_failure.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_view_literals;

// The texts the cases write and expect, by letter.
std::string Content(char letter) {
    switch (letter) {
    case 'S': return test::Repeat("漢字のテキスト\r\n", 640);  // more than an output block
    case 'E':  // S in EUC-JP with LF
        return test::Repeat("\xB4\xC1\xBB\xFA\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\n", 640);
    case 'U':  // S in UTF-16LE
        return test::Repeat("\x22\x6F\x57\x5B\x6E\x30\xC6\x30\xAD\x30"
                            "\xB9\x30\xC8\x30\r\0\n\0"sv, 640);
    case 'P':  // Shift_JIS whose output outgrows it before a byte that no text holds
        return "漢" + test::Repeat("\xB1", 9000) + "\xFF";
    case 'X': return test::Repeat("\x01\x02\x03\xFF"sv, 2560);  // no text at all
    case 'A': return "\xB0\xA1\r\n";  // Shift_JIS kana, or an EUC-JP kanji
    case 'u': return "\xC2\xB1\xC2\xB0\r\n";  // "±°" in UTF-8, and as A; as such e
    case 'e': return "\xA1\xDE\xA1\xEB\n";  case 'O': return "old\n";
    default: return "";  // 'F', a FIFO, reads as empty
    }
}

// The case's options, global because the run takes a plain function as detector.
std::string options;
bool Has(std::string_view word) {
    return (" " + options + " ").find(" " + std::string(word) + " ") != std::string::npos;
}

// What befalls a.txt as its code is detected.
CharCode Detect(FileHandle& input, RunningFlag* running, bool* wellFormedUtf8) {
    if (std::string_view(input.FullPath()).ends_with("a.txt")) {
        if (Has("stopfail")) running->store(0);  // the stop button, then an I/O error
        if (Has("stopfail") || Has("readerror")) input.Write("x", 1);  // opened read-only
        if (Has("nomemory")) throw std::bad_alloc();
        if (Has("thrown")) throw 0.5;  // no error type at all
    }
    return BatchRun::DetectCode(input, running, wellFormedUtf8);
}

// Answers the run's questions from "Question=answer" words, in the order they must come; a
// '!' after the answer presses stop while the question is up.  A question is named by its
// call, its SkipReason (with the error code in brackets) or "Full" for the engine's full disk.
// The progress must count the files one by one and read a converted file whole.
class Script : public RunQuestions, public RunProgress, public Asker {
public:
    Script(const char* words, RunningFlag* running) : words_(words), running_(running) {}

    std::string Rest() { return std::getline(words_ >> std::ws, rest_) ? rest_ : ""; }
    bool NameClash(const char*, ClashChoice* choice, char* newPath) override {
        std::strcpy(newPath, newName.c_str());
        return Choose("Clash", {"unique", "new", "overwrite", "skip"}, choice);
    }
    bool Undecided(const char*, bool utf8, UndecidedChoice* choice) override {
        return Choose(utf8 ? "Undecided(utf8)" : "Undecided", {"sjis", "euc", "copy", "skip", "utf8"},
                      choice);
    }
    bool Unconvertible(const char*, UnconvertibleChoice* choice) override {
        return Choose("Unconvertible", {"skip", "copy"}, choice);
    }
    RetryAnswer MissingInput(const char*) override { return Retry("Missing"); }
    RetryAnswer InputUnusable(const char*) override { return Retry("InputUnusable"); }
    RetryAnswer OutputUnusable(const char*) override { return Retry("OutputUnusable"); }
    bool GoOnAfterSkip(SkipReason reason, const char*, std::uint32_t error) override {
        static const char* const kReasons[] = {
            "OutputNameTooLong", "TempFileFailed", "OutputPathTooLong", "InputPathTooLong",
            "FolderPathTooLong", "NotAFile", "NameNotInCodePage", "DiskFull", "FileError"};
        std::string question = kReasons[static_cast<int>(reason)];
        return Take(error ? question + "(" + std::to_string(error) + ")" : question, {"on"}) == 0;
    }
    void Kept(const char*, const char* keptIn) override { Take("Kept", {}), kept = keptIn; }
    void OutOfMemory() override { Take("OutOfMemory", {}); }
    Asker& EngineAsker() override { return *this; }
    int Ask(const Question&) override {
        return Take("Full", {"retry"}) ? question::kAnswerCancel
                                       : (platform::Remove(filler.c_str()), question::kAnswerRetry);
    }
    void Checking() override {}
    void Converting() override {}
    void ShowPair(const char* input, const char*) override {
        if (input == vanishing) platform::Remove(input);
    }
    void FileNumber(std::int32_t number, std::int32_t total) override {
        EXPECT_TRUE(number == ++number_ && number <= total) << number << " of " << total;
        percent_ = -1;
    }
    void FilePercent(std::int32_t percent) override {
        EXPECT_TRUE(percent > percent_ && percent <= 100) << percent << " after " << percent_;
        percent_ = percent;
    }
    void Done(const char*, const char*, FileOutcome outcome) override {
        if (outcome == FileOutcome::Converted) { EXPECT_EQ(percent_, 100); }
    }

    // The name typed for Clash=new; deleted to make room before Full=retry is answered;
    // deleted when the run turns to it; where the run said it kept a text.
    std::string newName, filler, vanishing, kept;

private:
    // The answer's place among answers; -1 for any other word (meaning "stop").
    int Take(const std::string& question, std::initializer_list<std::string_view> answers) {
        std::string step;
        if (!(words_ >> step)) return ADD_FAILURE() << "unexpected question " << question, -1;
        if (step.ends_with('!')) running_->store(0), step.pop_back();
        std::size_t equals = std::min(step.find('='), step.size());
        EXPECT_EQ(step.substr(0, equals), question);
        std::string_view answer = std::string_view(step).substr(std::min(equals + 1, step.size()));
        const auto* found = std::find(answers.begin(), answers.end(), answer);
        return found == answers.end() ? -1 : static_cast<int>(found - answers.begin());
    }
    template <typename Choice>
    bool Choose(const char* question, std::initializer_list<std::string_view> answers, Choice* choice) {
        *choice = static_cast<Choice>(Take(question, answers));
        return static_cast<int>(*choice) >= 0;
    }
    RetryAnswer Retry(const char* question) {
        int answer = Take(question, {"retry", "skip"});
        return answer < 0 ? RetryAnswer::Stop : static_cast<RetryAnswer>(answer);
    }

    std::istringstream words_;
    std::string rest_;
    RunningFlag* running_;
    std::int32_t number_ = 0, percent_ = -1;
};

// Files by their path below the root (with '/') and the letter of their text; "path=L ..."
// changes them, L '-' removing the path.
using Files = std::map<std::string, char>;
void Apply(Files* files, std::string_view changes) {
    std::istringstream words{std::string(changes)};
    for (std::string word; words >> word;) {
        std::string path = word.substr(0, word.find('='));
        if (word.back() == '-') files->erase(path); else (*files)[path] = word.back();
    }
}

struct Case {
    const char* name;
    // Where outputs go (flat or mirror into out/; replace, backup or unique in place), the
    // walk (a walk case drops src and src/d of a tree of its own, natively with links to
    // itself and to the root; all, ignore, any) and a twist (see Detect; unicode: every
    // input taken as UTF-16LE; vanish: a.txt deleted once listed; fulldisk: the tree on
    // the small disk, filled but for a page; nomemlist: memory runs out while listing).
    const char* options;
    const char* before;   // changes to src/a.txt=S src/d/b.txt=S
    const char* script;   // the questions, in order, and their answers
    const char* after;    // what the run changes ("kept": E where the run says it kept it)
    const char* counts;   // converted, copied, skipped, failed, left out by extension
    const char* summary;  // each file not converted: "name:outcome:decision", in order
};

const char kWalkTree[] = "src/a.txt=S src/C.TXT=S src/noext=S src/x.bin=S src/.dot.txt=S "
                         "src/.hid/c.txt=S src/d/b.txt=S src/d/e/f.txt=S side.txt=S";

const Case kCases[] = {
    // UTF-16LE input is not detected.
    {"Unicode", "flat unicode", "src/a.txt=U src/d/b.txt=U", "", "out/a.txt=E out/b.txt=E", "20000", ""},
    // What an earlier run made beside its source is no source; a prefixed name alone is one.
    {"EarlierBackups", "backup", "src/d/Z_b.txt=O src/d/Z_b(3).txt=O src/d/Z_c.txt=S", "",
     "src/a.txt=E src/Z_a.txt=S src/d/b.txt=E src/d/Z_b(2).txt=S src/d/Z_c.txt=E src/d/Z_Z_c.txt=S",
     "30200", "Z_b(3).txt:Skipped:EarlierOutput Z_b.txt:Skipped:EarlierOutput"},
    {"EarlierOutputs", "unique", "src/d/Z_b.txt=E src/d/Z_d.txt=S", "",
     "src/Z_a.txt=E src/d/Z_b(2).txt=E src/d/Z_Z_d.txt=E", "30100", "Z_b.txt:Skipped:EarlierOutput"},
    // '?' stands where the code page has no character for the name: it cannot be opened.
    {"NameNotInCodePage", "flat", "src/d/c?.txt=S", "NameNotInCodePage=on", "out/a.txt=E out/b.txt=E",
     "20000", "c?.txt:Skipped:Skip"},
    {"ClashStop", "flat", "out/a.txt=O", "Clash=stop", "", "00000", "a.txt:Stopped:NameClash"},
    {"NewNameTaken", "flat", "out/a.txt=O out/typed.txt=O", "Clash=new Kept", "kept=E out/b.txt=E",
     "10010", "a.txt:Failed:NameClash"},
    {"PartlyConvertedCopied", "mirror", "src/a.txt=P", "Unconvertible=copy", "out/a.txt=P out/d/b.txt=E",
     "11000", "a.txt:Copied:Unconvertible"},
    {"PartlyConvertedStop", "replace", "src/a.txt=P", "Unconvertible=stop", "", "00000",
     "a.txt:Stopped:Unconvertible"},
    {"UndecidedUtf8", "flat", "src/a.txt=u", "Undecided(utf8)=utf8", "out/a.txt=e out/b.txt=E", "20000", ""},
    {"UndecidedSkip", "replace", "src/a.txt=A", "Undecided=skip", "src/d/b.txt=E", "10100",
     "a.txt:Skipped:Undecided"},
    // Failures and stops roll the file back; the answer says whether the run goes on.
    {"BackupNoMemory", "backup nomemory", "", "FileError(8)=stop", "", "00010", "a.txt:Failed:Skip"},
    {"UniqueThrown", "unique thrown", "", "FileError(31)=on", "src/d/Z_b.txt=E", "10010", "a.txt:Failed:Skip"},
    {"StopThenReadError", "replace stopfail", "", "", "", "00010", "a.txt:Failed:None"},
    {"StopDuringClash", "flat", "out/a.txt=O", "Clash=overwrite!", "", "00000", "a.txt:Stopped:NameClash"},
    {"StopDuringSkipQuestion", "backup readerror", "", "FileError(5)=on!", "", "00010", "a.txt:Failed:Skip"},
    // A missing row is noted while the rows are listed, before any file is converted.
    {"MissingRetried", "flat", "src/a.txt=-", "Missing=retry Missing=skip", "out/b.txt=E", "10000",
     "a.txt:Skipped:MissingInput"},
    {"MissingStop", "flat", "src/a.txt=-", "Missing=stop", "", "00000", ""},
    {"MissingNotedFirst", "flat", "src/d/b.txt=- src/a.txt=X", "Missing=skip Unconvertible=skip", "",
     "00100", "d:Skipped:MissingInput a.txt:Skipped:Unconvertible"},
    {"InputVanished", "flat vanish", "", "InputUnusable=retry InputUnusable=skip", "src/a.txt=- out/b.txt=E",
     "10100", "a.txt:Skipped:InputUnusable"},
    {"OutputFolderIsAFile", "mirror", "out/d=O", "OutputUnusable=retry OutputUnusable=skip", "out/a.txt=E",
     "10100", "b.txt:Skipped:OutputUnusable"},
    {"Fifo", "flat", "src/a.txt=F", "NotAFile=on", "out/b.txt=E", "10100", "a.txt:Skipped:Skip"},
    {"NoMemoryListing", "flat nomemlist", "", "OutOfMemory", "", "00000", ""},
    {"FullDiskStop", "backup fulldisk", "", "Full=retry!", "", "00000", "a.txt:Stopped:None"},
    {"FullDiskCopy", "replace fulldisk", "src/a.txt=X", "Unconvertible=copy DiskFull(112)=stop", "", "00010",
     "a.txt:Failed:Skip"},
    // Which files a walk takes, each once, though src's walk may reach src/d again.
    {"AllLevelsFlat", "walk flat all", "", "", "out/a.txt=E out/C.TXT=E out/noext=E out/b.txt=E out/f.txt=E",
     "50001", ""},
    {"AnyExtension", "walk mirror any", "", "",
     "out/src/a.txt=E out/src/C.TXT=E out/src/noext=E out/src/x.bin=E out/d/b.txt=E", "50000", ""},
    {"FoldersIgnored", "walk mirror ignore", "", "", "", "00000", ""},
};

class RunCase : public ::testing::TestWithParam<Case> {
protected:
    ~RunCase() override {
        if (!disk_.empty()) test::RemoveTree(root_), platform::Remove(test::Join(disk_, "filler").c_str());
    }
    std::string At(std::string relative) const {
        std::replace(relative.begin(), relative.end(), '/', platform::kSeparator);
        return test::Join(root_, relative);
    }

    test::TempDir dir_;
    std::string root_ = dir_.Path();
    std::string disk_;
};

TEST_P(RunCase, LeavesEveryFileAsExpected) {
    const Case& c = GetParam();
    options = c.options;
#ifdef _WIN32
    if (std::string_view(c.before).ends_with("=F")) GTEST_SKIP() << "no FIFOs";
    if (std::string_view(c.before).find('?') != std::string_view::npos) GTEST_SKIP() << "no '?' in names";
#endif
    if (Has("fulldisk")) {
        disk_ = test::SmallDisk();
        if (disk_.empty()) GTEST_SKIP() << "no small disk (ctest mounts one as root)";
        root_ = test::Join(disk_, "work");
        test::RemoveTree(root_);
        ASSERT_TRUE(platform::MakeDirectory(root_.c_str()));
    }
    Files before;
    Apply(&before, Has("walk") ? kWalkTree : "src/a.txt=S src/d/b.txt=S");
    Apply(&before, c.before);
    for (const auto& [path, letter] : before) {
        std::string folder = At(path);
        folder.resize(folder.rfind(platform::kSeparator));
        ASSERT_TRUE(CreateDirectoryPath(folder.data()));
#ifndef _WIN32
        if (letter == 'F') { ASSERT_EQ(mkfifo(At(path).c_str(), 0640), 0); continue; }
#endif
        test::WriteBytes(At(path), Content(letter));
#ifndef _WIN32
        chmod(At(path).c_str(), 0640);
    }
    if (Has("walk")) {
        ASSERT_EQ(symlink(".", At("src/s1").c_str()) | symlink(".", At("src/s2").c_str()) |
                      symlink("..", At("src/loop").c_str()), 0);
#endif
    }
    Settings settings;
    settings.outputCode = EucJp;
    settings.newline = Lf;
    if (Has("flat") || Has("mirror")) std::strcpy(settings.outputFolder, At("out").c_str());
    settings.mirrorFolders = Has("mirror");
    settings.noOutputAction = Has("replace") ? ReplaceOriginal : Has("backup") ? ReplaceWithBackup
                              : Has("unique") ? NewUniqueFile : DoNotConvert;
    settings.folderMode = Has("all") ? AllDepths : Has("ignore") ? IgnoreFolders : LimitedDepth;
    settings.anyExtension = Has("any");
    if (Has("unicode")) settings.inputCode = Unicode;
    RunningFlag running{1};
    Script script(c.script, &running);
    script.newName = At("out/typed.txt");
    if (Has("vanish")) script.vanishing = At("src/a.txt");
    if (Has("fulldisk")) test::FillDisk(script.filler = test::Join(disk_, "filler"), 4096);

    StringList rows;
    for (const char* row : {Has("walk") ? "src" : "src/a.txt", "src/d"})
        ASSERT_TRUE(rows.Add(At(row).c_str()));
    std::string current = test::CurrentDirectory();
    BatchRun run(Detect);
    run.Configure(settings, script, script, &running);
    std::optional<test::FailingAllocations> noMemory;
    if (Has("nomemlist")) noMemory.emplace(0);
    run.Run(rows);
    noMemory.reset();
    EXPECT_EQ(test::CurrentDirectory(), current);
    EXPECT_TRUE(test::TemporaryFiles(current).empty()) << "in the process's own directory";
    EXPECT_EQ(script.Rest(), "") << "expected questions not asked";
#ifndef _WIN32
    for (const char* link : {"src/s1", "src/s2", "src/loop"}) unlink(At(link).c_str());
#endif

    const RunCounts& n = run.Counts();
    const RunSummary& notes = run.Summary();
    std::string counts, summary;
    for (auto count : {n.converted, n.copied, n.skipped, n.failed, notes.leftOutByExtension})
        counts += std::to_string(count);
    EXPECT_EQ(counts, c.counts);
    for (std::int32_t i = 0; i < notes.Count(); ++i) {
        static const char* const kOutcomes[] = {"Converted", "Copied", "Skipped", "Failed", "Stopped"};
        static const char* const kDecisions[] = {
            "None", "NameClash", "Undecided", "Unconvertible", "MissingInput", "InputUnusable",
            "OutputUnusable", "Skip", "EarlierOutput"};
        std::string path = notes.Path(i);
        summary += std::string(summary.empty() ? "" : " ") + path.substr(path.find_last_of("/\\") + 1) +
                   ":" + kOutcomes[static_cast<int>(notes.Note(i).outcome)] + ":" +
                   kDecisions[static_cast<int>(notes.Note(i).decision)];
    }
    EXPECT_EQ(summary, c.summary);

    Files expected = before, found;
    Apply(&expected, c.after);
    auto relative = [&](std::string path) {
        path.erase(0, root_.size() + 1);
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    };
    if (expected.erase("kept")) expected[relative(script.kept)] = 'E';
    test::WalkFiles(root_, [&](const std::string&, const std::string& path) {
        std::string name = relative(path), bytes = test::ReadBytes(path);
        found[name] = '?';
        for (char letter : "SEUPXAueOF"sv)
            if (Content(letter) == bytes) found[name] = letter;
#ifndef _WIN32
        struct stat info {};
        if (before.contains(name) && stat(path.c_str(), &info) == 0) {
            EXPECT_EQ(info.st_mode & 0777, 0640u) << name << " lost its mode";
        }
#endif
    });
    EXPECT_EQ(found, expected);
}

INSTANTIATE_TEST_SUITE_P(Runs, RunCase, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The naming rule read backwards: which name a generated one came from.
TEST(NameBeforeNaming, TakesOffTheAffixAndTheNumberWhereTheRulePutsThem) {
    const struct {
        AffixPosition position;
        const char *affix, *name, *original;  // nullptr: no generated name
    } cases[] = {
        {Prefix, "Z_", "Z_a.txt", "a.txt"}, {Prefix, "Z_", "Z_a(2).txt", "a.txt"},
        {Prefix, "", "a.txt", nullptr},
        {Prefix, "Z_", "Z_a(1).txt", "a(1).txt"}, {Prefix, "Z_", "Z_a(02).txt", "a(02).txt"},
        {Prefix, "Z_", "a.txt", nullptr}, {Prefix, "Z_", "z_a.txt", nullptr}, {Prefix, "Z_", "Z_a(12)", "a"},
        {Suffix, "_old", "a_old.txt", "a.txt"}, {Suffix, "_old", "a_old(3).txt", "a.txt"},
        {Suffix, "_old", "a.txt", nullptr}, {Prefix, "", "a(2).txt", "a.txt"},
        {Suffix, "A", "\x83\x41.txt", nullptr},  // "ア" ends in the byte of "A"
        {Suffix, "A", "\x83\x40" "A.txt", "\x83\x40.txt"},
    };
    for (const auto& c : cases) {
        Settings settings;
        settings.affixPosition = c.position;
        std::strcpy(settings.affixText, c.affix);
        char original[platform::kPathBuffer] = {};
        EXPECT_EQ(Placement::NameBeforeNaming(settings, c.name, original), c.original != nullptr) << c.name;
        if (c.original) { EXPECT_STREQ(original, c.original) << c.name; }
    }
}

}  // namespace
