// Whole runs of the batch core over real folders.  Each case builds a tree, runs, and
// then requires every file under it to be exactly as expected, byte for byte: a source
// is its old self unless it was meant to be replaced, each converted text stands where
// its placement puts it, and nothing else is there (no temporary file, no half-written
// output).  Natively every file present before the run also keeps its mode bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "batch/batch_run.h"
#include "batch/placement.h"
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
    case 'k': return "\x8E\xB0\x8E\xA1\n";  // A read as Shift_JIS
    case 'j': return "\xB0\xA1\n";          // A read as EUC-JP
    case 'u': return "\xC2\xB1\xC2\xB0\r\n";  // "±°" in UTF-8, and as A
    case 'e': return "\xA1\xDE\xA1\xEB\n";     // u read as UTF-8
    case 'O': return "old\n";
    default: return "";  // 'F', a FIFO, reads as empty
    }
}

char Letter(const std::string& bytes) {
    for (char letter : "SEUPXAkjueOF"sv)
        if (Content(letter) == bytes) return letter;
    return '?';
}

// What happens to a.txt besides its bytes and the answers.
enum class Twist {
    None,
    ReadError,        // an I/O call on the open input fails
    NoMemory,         // detecting its code raises std::bad_alloc
    Thrown,           // ... raises what is no error type at all
    StopAndFail,      // the stop button is pressed, then an I/O call on it fails
    Unicode,          // every input is taken as UTF-16LE
    Vanish,           // it is deleted once listed
    FullDisk,         // the tree lies on the small disk, filled but for a page
    NoMemoryListing,  // memory runs out while the inputs are listed
};

// The run takes a plain function as detector, so the case's twist is global.
Twist twist = Twist::None;

CharCode Detect(FileHandle& input, RunningFlag* running, bool* wellFormedUtf8) {
    if (std::string_view(input.FullPath()).ends_with("a.txt")) {
        switch (twist) {
        case Twist::StopAndFail: running->store(0); [[fallthrough]];
        case Twist::ReadError: input.Write("x", 1); break;  // the input is open read-only
        case Twist::NoMemory: throw std::bad_alloc();
        case Twist::Thrown: throw 0.5;
        default: break;
        }
    }
    return BatchRun::DetectCode(input, running, wellFormedUtf8);
}

// Answers the run's questions from a script of "Question=answer" words, in the order the
// questions must come; a '!' after the answer presses the stop button while the question
// is up.  A question is named by its call, by its SkipReason (with the error code in
// brackets when there is one), or "Full" for the engine's full-disk question.
class Script : public RunQuestions, public RunProgress, public Asker {
public:
    Script(const char* words, RunningFlag* running) : words_(words), running_(running) {}

    std::string Rest() {
        std::string rest;
        std::getline(words_ >> std::ws, rest);
        return rest;
    }

    bool NameClash(const char*, ClashChoice* choice, char* newPath) override {
        std::strcpy(newPath, newName.c_str());
        return Choose(Take("Clash", {"unique", "new", "overwrite", "skip"}), choice);
    }
    bool Undecided(const char*, bool wellFormedUtf8, UndecidedChoice* choice) override {
        return Choose(Take(wellFormedUtf8 ? "Undecided(utf8)" : "Undecided",
                           {"sjis", "euc", "copy", "skip", "utf8"}),
                      choice);
    }
    bool Unconvertible(const char*, UnconvertibleChoice* choice) override {
        return Choose(Take("Unconvertible", {"skip", "copy"}), choice);
    }
    RetryAnswer MissingInput(const char*) override { return Retry("Missing"); }
    RetryAnswer InputUnusable(const char*) override { return Retry("InputUnusable"); }
    RetryAnswer OutputUnusable(const char*) override { return Retry("OutputUnusable"); }
    bool GoOnAfterSkip(SkipReason reason, const char*, std::uint32_t error) override {
        static const char* const kReasons[] = {"OutputNameTooLong", "TempFileFailed",
                                               "OutputPathTooLong", "InputPathTooLong",
                                               "FolderPathTooLong", "NotAFile",
                                               "NameNotInCodePage", "DiskFull",
                                               "FileError"};
        std::string question = kReasons[static_cast<int>(reason)];
        if (error != 0) question += "(" + std::to_string(error) + ")";
        return Take(question, {"on"}) == 0;
    }
    void Kept(const char*, const char* keptIn) override {
        Take("Kept", {});
        kept = keptIn;
    }
    void OutOfMemory() override { Take("OutOfMemory", {}); }
    Asker& EngineAsker() override { return *this; }
    int Ask(const Question&) override {
        if (Take("Full", {"retry"}) != 0) return question::kAnswerCancel;
        platform::Remove(filler.c_str());
        return question::kAnswerRetry;
    }

    void Checking() override {}
    void Converting() override {}
    void ShowPair(const char* input, const char*) override {
        if (input == vanishing) platform::Remove(input);
    }
    // The numbers count the listed files one by one; a converted file was read whole.
    void FileNumber(std::int32_t number, std::int32_t total) override {
        EXPECT_EQ(number, ++number_);
        EXPECT_LE(number, total);
        percent_ = -1;
    }
    void FilePercent(std::int32_t percent) override {
        EXPECT_GT(percent, percent_);
        EXPECT_LE(percent, 100);
        percent_ = percent;
    }
    void Done(const char*, const char*, FileOutcome outcome) override {
        if (outcome == FileOutcome::Converted) {
            EXPECT_EQ(percent_, 100);
        }
    }

    std::string newName;    // the name typed for Clash=new
    std::string filler;     // deleted to make room before Full=retry is answered
    std::string vanishing;  // deleted when the run turns to it
    std::string kept;       // where the run said it kept a text

private:
    // The answer's place among answers; -1 for any other word (meaning "stop").
    int Take(const std::string& question, std::initializer_list<std::string_view> answers) {
        std::string step;
        if (!(words_ >> step)) {
            ADD_FAILURE() << "unexpected question " << question;
            return -1;
        }
        if (step.ends_with('!')) {
            running_->store(0);
            step.pop_back();
        }
        std::size_t equals = std::min(step.find('='), step.size());
        EXPECT_EQ(step.substr(0, equals), question);
        std::string_view answer = std::string_view(step).substr(std::min(equals + 1, step.size()));
        const auto* found = std::find(answers.begin(), answers.end(), answer);
        return found == answers.end() ? -1 : static_cast<int>(found - answers.begin());
    }
    template <typename Choice>
    static bool Choose(int answer, Choice* choice) {
        *choice = static_cast<Choice>(answer);
        return answer >= 0;
    }
    RetryAnswer Retry(const char* question) {
        int answer = Take(question, {"retry", "skip"});
        return answer == 0   ? RetryAnswer::Retry
               : answer == 1 ? RetryAnswer::Skip
                             : RetryAnswer::Stop;
    }

    std::istringstream words_;
    RunningFlag* running_;
    std::int32_t number_ = 0;
    std::int32_t percent_ = -1;
};

// Files by their path below the root (with '/') and the letter of their text.
using Files = std::map<std::string, char>;

// Applies "path=L ..." to files; L '-' removes the path.
void Apply(Files* files, std::string_view changes) {
    std::istringstream words{std::string(changes)};
    for (std::string word; words >> word;) {
        std::string path = word.substr(0, word.find('='));
        if (word.back() == '-') {
            files->erase(path);
        } else {
            (*files)[path] = word.back();
        }
    }
}

std::string CurrentDirectory() {
    char buffer[platform::kPathBuffer] = {};
    platform::CurrentDirectory(sizeof buffer, buffer);
    return buffer;
}

class RunTest : public ::testing::Test {
protected:
    RunTest() {
        settings.outputCode = EucJp;
        settings.newline = Lf;
        twist = Twist::None;
    }
    ~RunTest() override {
        if (disk_.empty()) return;
        test::RemoveTree(root);
        platform::Remove(test::Join(disk_, "filler").c_str());
    }

    // The tree moves to the small disk; false when there is none.
    bool UseSmallDisk() {
        disk_ = test::SmallDisk();
        if (disk_.empty()) return false;
        root = test::Join(disk_, "work");
        test::RemoveTree(root);
        return platform::MakeDirectory(root.c_str());
    }
    std::string At(std::string relative) const {
        std::replace(relative.begin(), relative.end(), '/', platform::kSeparator);
        return test::Join(root, relative);
    }
    std::string Relative(std::string path) const {
        path.erase(0, root.size() + 1);
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    }

    void Build(const Files& files) {
        for (const auto& [path, letter] : files) {
            for (std::size_t slash = path.find('/'); slash != std::string::npos;
                 slash = path.find('/', slash + 1))
                platform::MakeDirectory(At(path.substr(0, slash)).c_str());
#ifndef _WIN32
            if (letter == 'F') {
                ASSERT_EQ(mkfifo(At(path).c_str(), 0640), 0);
                continue;
            }
#endif
            test::WriteBytes(At(path), Content(letter));
#ifndef _WIN32
            chmod(At(path).c_str(), 0640);
#endif
        }
        before_ = files;
    }

    void Run(std::initializer_list<const char*> rows, Script& script) {
        StringList list;
        for (const char* row : rows) ASSERT_TRUE(list.Add(At(row).c_str()));
        std::string current = CurrentDirectory();
        BatchRun run(Detect);
        run.Configure(settings, script, script, &running);
        if (twist == Twist::NoMemoryListing) {
            test::FailingAllocations none(0);
            run.Run(list);
        } else {
            run.Run(list);
        }
        counts = run.Counts();
        // Each file not converted is in the summary as "name:outcome:decision".
        const RunSummary& notes = run.Summary();
        summary.clear();
        for (std::int32_t i = 0; i < notes.Count(); ++i) {
            const char* path = notes.Path(i);
            const char* name = std::max(std::strrchr(path, '/'), std::strrchr(path, '\\'));
            static const char* const kOutcomes[] = {"Converted", "Copied", "Skipped", "Failed",
                                                    "Stopped"};
            static const char* const kDecisions[] = {
                "None",          "NameClash",      "Undecided", "Unconvertible", "MissingInput",
                "InputUnusable", "OutputUnusable", "Skip",      "EarlierOutput"};
            summary += std::string(summary.empty() ? "" : " ") + (name ? name + 1 : path) + ":" +
                       kOutcomes[static_cast<int>(notes.Note(i).outcome)] + ":" +
                       kDecisions[static_cast<int>(notes.Note(i).decision)];
        }
        leftOutByExtension = notes.leftOutByExtension;
        EXPECT_EQ(CurrentDirectory(), current);
        EXPECT_EQ(script.Rest(), "") << "expected questions not asked";
    }

    void ExpectTree(const Files& expected) {
        Files found;
        test::WalkFiles(root, [&](const std::string& relative, const std::string& path) {
            std::string name = Relative(path);
            found[name] = Letter(test::ReadBytes(path));
            auto wanted = expected.find(name);
            if (wanted == expected.end()) {
                ADD_FAILURE() << relative << " (" << found[name] << ") should not be there";
            } else if (wanted->second != found[name]) {
                ADD_FAILURE() << relative << " holds " << found[name] << ", not " << wanted->second;
            }
#ifndef _WIN32
            struct stat info {};
            if (before_.contains(name) && stat(path.c_str(), &info) == 0) {
                EXPECT_EQ(info.st_mode & 0777, 0640u) << relative << " lost its mode";
            }
#endif
        });
        for (const auto& [path, letter] : expected)
            if (!found.contains(path)) ADD_FAILURE() << path << " (" << letter << ") is missing";
    }

    test::TempDir dir;
    std::string root = dir.Path();
    Settings settings;
    RunningFlag running{1};
    RunCounts counts;
    std::string summary;
    std::int32_t leftOutByExtension = 0;

private:
    std::string disk_;
    Files before_;
};

enum class Mode { Flat, Mirror, Replace, Backup, Unique };

struct Case {
    const char* name;
    Mode mode;
    Twist twist;
    const char* before;  // changes to src/a.txt=S src/d/b.txt=S
    const char* script;  // the questions, in order, and their answers
    const char* after;   // what the run changes ("kept": E where the run says it kept it)
    RunCounts counts;
};

const Case kCases[] = {
    // Converted: the backup takes the first free number; UTF-16LE input is not detected.
    {"Backup", Mode::Backup, Twist::None, "src/Z_a.txt=O", "",
     "src/a.txt=E src/Z_a(2).txt=S src/d/b.txt=E src/d/Z_b.txt=S", {2, 0, 0, 0}},
    {"Unicode", Mode::Flat, Twist::Unicode, "src/a.txt=U src/d/b.txt=U", "",
     "out/a.txt=E out/b.txt=E", {2, 0, 0, 0}},
    // What an earlier run made beside its source is no source; a prefixed name without
    // its source beside it is one.
    {"EarlierBackups", Mode::Backup, Twist::None,
     "src/d/Z_b.txt=O src/d/Z_b(3).txt=O src/d/Z_c.txt=S", "",
     "src/a.txt=E src/Z_a.txt=S src/d/b.txt=E src/d/Z_b(2).txt=S src/d/Z_c.txt=E "
     "src/d/Z_Z_c.txt=S",
     {3, 0, 2, 0}},
    {"EarlierOutputs", Mode::Unique, Twist::None, "src/d/Z_b.txt=E src/d/Z_d.txt=S", "",
     "src/Z_a.txt=E src/d/Z_b(2).txt=E src/d/Z_Z_d.txt=E", {3, 0, 1, 0}},
    // '?' stands where the system could not write a character of the name in its code
    // page: the name cannot be opened, and the question says so.
    {"NameNotInCodePage", Mode::Flat, Twist::None, "src/d/c?.txt=S", "NameNotInCodePage=on",
     "out/a.txt=E out/b.txt=E", {2, 0, 0, 0}},
    // An output in the way.
    {"ClashUnique", Mode::Flat, Twist::None, "out/a.txt=O", "Clash=unique",
     "out/Z_a.txt=E out/b.txt=E", {2, 0, 0, 0}},
    {"ClashNewName", Mode::Flat, Twist::None, "out/a.txt=O", "Clash=new",
     "out/typed.txt=E out/b.txt=E", {2, 0, 0, 0}},
    {"ClashOverwrite", Mode::Flat, Twist::None, "out/a.txt=O", "Clash=overwrite",
     "out/a.txt=E out/b.txt=E", {2, 0, 0, 0}},
    {"ClashSkip", Mode::Flat, Twist::None, "out/a.txt=O", "Clash=skip", "out/b.txt=E",
     {1, 0, 1, 0}},
    {"ClashStop", Mode::Flat, Twist::None, "out/a.txt=O", "Clash=stop", "", {0, 0, 0, 0}},
    {"NewNameTaken", Mode::Flat, Twist::None, "out/a.txt=O out/typed.txt=O",
     "Clash=new Kept", "kept=E out/b.txt=E", {1, 0, 0, 1}},
    // Texts that need a decision.
    {"NotTextSkipped", Mode::Flat, Twist::None, "src/a.txt=X", "Unconvertible=skip",
     "out/b.txt=E", {1, 0, 1, 0}},
    {"PartlyConvertedCopied", Mode::Mirror, Twist::None, "src/a.txt=P", "Unconvertible=copy",
     "out/a.txt=P out/d/b.txt=E", {1, 1, 0, 0}},
    {"PartlyConvertedStop", Mode::Replace, Twist::None, "src/a.txt=P", "Unconvertible=stop", "",
     {0, 0, 0, 0}},
    {"UndecidedSjis", Mode::Flat, Twist::None, "src/a.txt=A", "Undecided=sjis",
     "out/a.txt=k out/b.txt=E", {2, 0, 0, 0}},
    {"UndecidedEuc", Mode::Flat, Twist::None, "src/a.txt=A", "Undecided=euc",
     "out/a.txt=j out/b.txt=E", {2, 0, 0, 0}},
    {"UndecidedUtf8", Mode::Flat, Twist::None, "src/a.txt=u", "Undecided(utf8)=utf8",
     "out/a.txt=e out/b.txt=E", {2, 0, 0, 0}},
    {"UndecidedCopy", Mode::Unique, Twist::None, "src/a.txt=A", "Undecided=copy",
     "src/Z_a.txt=A src/d/Z_b.txt=E", {1, 1, 0, 0}},
    {"UndecidedSkip", Mode::Replace, Twist::None, "src/a.txt=A", "Undecided=skip",
     "src/d/b.txt=E", {1, 0, 1, 0}},
    // Failures and stops roll the file back; the answer says whether the run goes on.
    {"BackupNoMemory", Mode::Backup, Twist::NoMemory, "", "FileError(8)=stop", "", {0, 0, 0, 1}},
    {"UniqueThrown", Mode::Unique, Twist::Thrown, "", "FileError(31)=on", "src/d/Z_b.txt=E",
     {1, 0, 0, 1}},
    {"StopThenReadError", Mode::Replace, Twist::StopAndFail, "", "", "", {0, 0, 0, 1}},
    {"StopDuringClash", Mode::Flat, Twist::None, "out/a.txt=O", "Clash=overwrite!", "",
     {0, 0, 0, 0}},
    {"StopDuringSkipQuestion", Mode::Backup, Twist::ReadError, "", "FileError(5)=on!", "",
     {0, 0, 0, 1}},
    // Inputs and outputs that cannot be used.
    {"MissingRetried", Mode::Flat, Twist::None, "src/a.txt=-", "Missing=retry Missing=skip",
     "out/b.txt=E", {1, 0, 0, 0}},
    {"MissingStop", Mode::Flat, Twist::None, "src/a.txt=-", "Missing=stop", "", {0, 0, 0, 0}},
    {"InputVanished", Mode::Flat, Twist::Vanish, "", "InputUnusable=retry InputUnusable=skip",
     "src/a.txt=- out/b.txt=E", {1, 0, 1, 0}},
    {"OutputFolderIsAFile", Mode::Mirror, Twist::None, "out/d=O",
     "OutputUnusable=retry OutputUnusable=skip", "out/a.txt=E", {1, 0, 1, 0}},
    {"Fifo", Mode::Flat, Twist::None, "src/a.txt=F", "NotAFile=on", "out/b.txt=E", {1, 0, 1, 0}},
    {"NoMemoryListing", Mode::Flat, Twist::NoMemoryListing, "", "OutOfMemory", "", {0, 0, 0, 0}},
    // A full disk.
    {"FullDiskStop", Mode::Backup, Twist::FullDisk, "", "Full=retry!", "", {0, 0, 0, 0}},
    {"FullDiskCopy", Mode::Replace, Twist::FullDisk, "src/a.txt=X",
     "Unconvertible=copy DiskFull(112)=stop", "", {0, 0, 0, 1}},
};

std::vector<int> Tally(const RunCounts& counts) {
    return {counts.converted, counts.copied, counts.skipped, counts.failed};
}

class FileCase : public RunTest, public ::testing::WithParamInterface<Case> {};

TEST_P(FileCase, LeavesEveryFileAsExpected) {
    const Case& c = GetParam();
#ifdef _WIN32
    if (std::string_view(c.before).ends_with("=F")) GTEST_SKIP() << "no FIFOs";
    if (std::string_view(c.before).find('?') != std::string_view::npos)
        GTEST_SKIP() << "'?' is in no name";
#endif
    twist = c.twist;
    if (twist == Twist::FullDisk && !UseSmallDisk())
        GTEST_SKIP() << "no small disk (ctest mounts one as root)";
    Files before = {{"src/a.txt", 'S'}, {"src/d/b.txt", 'S'}};
    Apply(&before, c.before);
    Build(before);
    switch (c.mode) {
    case Mode::Flat:
    case Mode::Mirror:
        std::strcpy(settings.outputFolder, At("out").c_str());
        settings.mirrorFolders = c.mode == Mode::Mirror;
        break;
    case Mode::Replace: settings.noOutputAction = ReplaceOriginal; break;
    case Mode::Backup: settings.noOutputAction = ReplaceWithBackup; break;
    case Mode::Unique: settings.noOutputAction = NewUniqueFile; break;
    }
    Script script(c.script, &running);
    script.newName = At("out/typed.txt");
    if (twist == Twist::Unicode) settings.inputCode = Unicode;
    if (twist == Twist::Vanish) script.vanishing = At("src/a.txt");
    if (twist == Twist::FullDisk) {
        script.filler = test::Join(test::SmallDisk(), "filler");
        test::FillDisk(script.filler, 4096);
    }
    Run({"src/a.txt", "src/d"}, script);
    Files after = before;
    Apply(&after, c.after);
    if (after.erase("kept")) after[Relative(script.kept)] = 'E';
    ExpectTree(after);
    EXPECT_EQ(Tally(counts), Tally(c.counts));
}

INSTANTIATE_TEST_SUITE_P(Runs, FileCase, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every file that is not converted is accounted for, with what decided it: the missing
// one while the inputs are listed, the others in the order they are converted.
TEST_F(RunTest, SummarisesEveryFileNotConverted) {
    Files before;
    Apply(&before, "src/a.txt=S src/b.txt=S src/c.txt=A src/e.txt=A src/x.txt=X src/f.txt=S "
                   "src/g.bin=S out/f.txt=O");
    Build(before);
    std::strcpy(settings.outputFolder, At("out").c_str());
    twist = Twist::ReadError;  // for a.txt
    Script script("Missing=skip FileError(5)=on Undecided=copy Undecided=skip "
                  "Unconvertible=skip Clash=skip",
                  &running);
    Run({"src/a.txt", "src/b.txt", "src/c.txt", "src/e.txt", "src/x.txt", "src/f.txt",
         "src/g.bin", "src/missing.txt"},
        script);
    EXPECT_EQ(summary,
              "missing.txt:Skipped:MissingInput a.txt:Failed:Skip c.txt:Copied:Undecided "
              "e.txt:Skipped:Undecided x.txt:Skipped:Unconvertible f.txt:Skipped:NameClash");
    EXPECT_EQ(leftOutByExtension, 1);
}

// The naming rule read backwards: which name a generated one came from.
TEST(NameBeforeNaming, TakesOffTheAffixAndTheNumberWhereTheRulePutsThem) {
    const struct {
        AffixPosition position;
        const char* affix;
        const char* name;
        const char* original;  // nullptr: no generated name
    } cases[] = {
        {Prefix, "Z_", "Z_a.txt", "a.txt"},      {Prefix, "Z_", "Z_a(2).txt", "a.txt"},
        {Prefix, "Z_", "Z_a(12)", "a"},          {Prefix, "Z_", "Z_a(1).txt", "a(1).txt"},
        {Prefix, "Z_", "Z_a(02).txt", "a(02).txt"}, {Prefix, "Z_", "a.txt", nullptr},
        {Prefix, "Z_", "z_a.txt", nullptr},      {Suffix, "_old", "a_old.txt", "a.txt"},
        {Suffix, "_old", "a_old(3).txt", "a.txt"}, {Suffix, "_old", "a.txt", nullptr},
        {Suffix, "A", "\x83\x41.txt", nullptr},  // "ア" ends in the byte of "A"
        {Suffix, "A", "\x83\x40" "A.txt", "\x83\x40.txt"},
        {Prefix, "", "a(2).txt", "a.txt"},      {Prefix, "", "a.txt", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings settings;
        settings.affixPosition = c.position;
        std::strcpy(settings.affixText, c.affix);
        char original[platform::kPathBuffer] = {};
        EXPECT_EQ(Placement::NameBeforeNaming(settings, c.name, original), c.original != nullptr);
        if (c.original) {
            EXPECT_STREQ(original, c.original);
        }
    }
}

// Which files a walk takes.  The rows are src and src/d, which src's walk may reach
// again; natively src also holds links to itself and to the root, where side.txt lies.
struct Walk {
    const char* name;
    FolderMode folderMode;
    std::uint8_t depthLimit;
    bool mirror;
    bool anyExtension;
    const char* outputs;
};

const Walk kWalks[] = {
    {"AllLevelsFlat", AllDepths, 1, false, false,
     "out/a.txt=E out/C.TXT=E out/noext=E out/b.txt=E out/f.txt=E"},
    {"AnyExtension", LimitedDepth, 1, true, true,
     "out/src/a.txt=E out/src/C.TXT=E out/src/noext=E out/src/x.bin=E out/d/b.txt=E"},
    {"FoldersIgnored", IgnoreFolders, 1, true, false, ""},
};

class WalkCase : public RunTest, public ::testing::WithParamInterface<Walk> {};

TEST_P(WalkCase, TakesEachFileOnce) {
    const Walk& w = GetParam();
    Files before;
    Apply(&before, "src/a.txt=S src/C.TXT=S src/noext=S src/x.bin=S src/.dot.txt=S "
                   "src/.hid/c.txt=S src/d/b.txt=S src/d/e/f.txt=S side.txt=S");
    Build(before);
#ifndef _WIN32
    ASSERT_EQ(symlink(".", At("src/s1").c_str()) | symlink(".", At("src/s2").c_str()) |
                  symlink("..", At("src/loop").c_str()),
              0);
#endif
    std::strcpy(settings.outputFolder, At("out").c_str());
    settings.folderMode = w.folderMode;
    settings.depthLimit = w.depthLimit;
    settings.mirrorFolders = w.mirror;
    settings.anyExtension = w.anyExtension;
    Script script("", &running);
    Run({"src", "src/d"}, script);
#ifndef _WIN32
    for (const char* link : {"src/s1", "src/s2", "src/loop"}) unlink(At(link).c_str());
#endif
    Files after = before;
    Apply(&after, w.outputs);
    ExpectTree(after);
}

INSTANTIATE_TEST_SUITE_P(Walks, WalkCase, ::testing::ValuesIn(kWalks),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
