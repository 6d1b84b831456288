// zekocli run as a separate process: its commands, exit codes and batch protocol.  Its
// standard input is never a console here, so every question gets the safe answer; after
// every test no temporary file may be left, and a file that was not converted must keep
// its bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <time.h>
#endif

#include "../engine/engine_harness.h"
#include "framework/platform.h"
#include "run_program.h"
#include "settings/config_store.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace {

using test::Hex;

constexpr int kConverted = 0, kCannotConvert = 1, kUsage = 2, kIoError = 3;
constexpr char kPrecious[] = "precious\n";
constexpr auto npos = std::string::npos;

#if defined(_WIN32)
constexpr char kUnwritable[] = "";
#else
// Even root cannot make a file here, so an intermediate file in the current directory fails.
constexpr char kUnwritable[] = "/proc";
#endif

class Zekocli : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(test::LeftoverFiles(dir.Path()), std::vector<std::string>{});
    }
    // text with each @NAME (up to a space, '|' or the end) made the path of NAME in the
    // test's folder ('/' between names), and @dev a file that is none: the null device;
    // natively a FIFO without a writer, which a plain open waits on.
    std::string Expand(std::string text) {
        for (std::size_t at; (at = text.find('@')) != npos;) {
            std::size_t end = std::min(text.find_first_of(" |\r", at), text.size());
            std::string name = text.substr(at + 1, end - at - 1), path = dir.Path();
#if defined(_WIN32)
            if (name == "dev") path = "NUL";
#else
            if (name == "dev") mkfifo((dir / "dev").c_str(), 0600);
#endif
            for (std::size_t from = 0, to; path != "NUL" && from <= name.size(); from = to + 1)
                path = test::Join(path, name.substr(from, (to = std::min(name.find('/', from), name.size())) - from));
            text.replace(at, end - at, path);
        }
        return text;
    }
    std::vector<std::string> Words(const std::string& line) {
        std::vector<std::string> words;
        std::istringstream in(Expand(line));
        for (std::string word; in >> word;) words.push_back(word);
        return words;
    }
    test::Run Cli(const std::string& line, const std::string& stdinPath = {}) {
        return test::RunProgram(ZEKOCLI, Words(line), stdinPath, kUnwritable);
    }
    std::string File(const std::string& name, const std::string& bytes) {
        std::string path = dir / name;
        test::WriteBytes(path, bytes);
        return path;
    }
    test::TempDir dir;
};

TEST_F(Zekocli, HelpAndUsageErrors) {
    test::Run help = Cli("--help");
    EXPECT_EQ(help.exitCode, kConverted);
    EXPECT_EQ(help.out.rfind("Usage:\n", 0), 0u);
    EXPECT_EQ(Cli("--version").out, "zekocli 1.03a\n");
    std::string in = File("in", "abc");
    for (const char* line :
         {"", "frobnicate", "detect", "detect -v", "convert @in @out", "convert --to utf16 @in",
          "convert --to sjis --newline @in @out", "convert --to sjis --from ambiguous @in",
          "convert --to sjis --widen @in", "convert --to sjis --recursive @in",
          "convert --to sjis --in-place --unique @in", "convert --to sjis --in-place --depth 0 @in",
          "convert --to sjis --output-folder", "convert --to sjis @in @out @more",
          "convert --to sjis --backup @in @out", "convert --to sjis --in-place", "batch @in @in"}) {
        test::Run run = Cli(line);
        EXPECT_EQ(run.exitCode, kUsage) << line;
        EXPECT_NE(run.err.find("zekocli --help"), npos);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(test::Exists(dir / "out"));
    EXPECT_EQ(test::ReadBytes(in), "abc");
}

// Every kind of answer, and with -v where it fell and the newlines of the whole file: the
// Shift_JIS byte lies in the second block, after a CR LF across the blocks' border.
TEST_F(Zekocli, DetectTellsWhatEachFileIsAndWhy) {
    const struct {
        std::string bytes;
        const char* code;
        const char* decided;  // OFFSET<TAB>BYTES<TAB>WHY
        const char* newlines;  // CR LF, LF, CR
    } cases[] = {
        {Hex("1B 24 42 24 22 1B 28 42 0A"), "Jis", "0\t1B 24 42\tescape", "010"},
        {std::string(65535, 'a') + Hex("0D 0A 82 A0"), "ShiftJis", "65537\t82\tonly Shift_JIS",
         "100"},
        {Hex("41 0D A4 A2 FD"), "EucJp", "4\tFD\tonly EUC-JP", "001"},
        {Hex("FF FE 0D 00 0A 00 0A 0D"), "Unicode", "0\tFF FE\tbyte-order mark", "100"},
        {Hex("0A") + test::Repeat(Hex("E3 81 82"), 17), "Utf8",
         "46\tE3 81 82\tenough three-byte characters", "010"},
        {Hex("C3 A9 E3 81 82"), "Utf8", "5\t-\tUTF-8 to the end", "000"},
        {Hex("41 0D 0A 42 0D"), "Plain", "5\t-\tonly ASCII", "101"},
        {Hex("41 8E"), "NotText", "1\t8E\tnot text", "000"},
        {Hex("C3 A9"), "Ambiguous", "2\t-\tboth Shift_JIS and EUC-JP, well-formed UTF-8", "000"},
        {Hex("A4 A2"), "Ambiguous", "2\t-\tboth Shift_JIS and EUC-JP, not UTF-8", "000"},
    };
    std::string files, plain, verbose;
    for (const auto& c : cases) {
        std::string name = std::to_string(&c - cases);
        File(name, c.bytes);
        files += " @" + name;
        plain += dir / name + "\t" + c.code + "\n";
        verbose += dir / name + "\t" + c.code + "\n\tdecided at " + c.decided +
                   "\n\tnewlines\tCR LF " + c.newlines[0] + "\tLF " + c.newlines[1] + "\tCR " +
                   c.newlines[2] + "\n";
    }
    test::Run run = Cli("detect -v" + files);
    EXPECT_EQ(run.exitCode, kConverted);
    EXPECT_EQ(run.out, verbose);
    // Files that cannot be read are told, and the others still detected.
    run = Cli("detect @missing.txt @dev" + files);
    EXPECT_EQ(run.exitCode, kIoError);
    EXPECT_EQ(run.out, plain);
    EXPECT_NE(run.err.find("missing.txt: no such file\n"), npos) << run.err;
    EXPECT_NE(run.err.find(": not a regular file\n"), npos);
}

// OUT holds a text of the user's before every case, and only a complete text replaces it
// or reaches standard output.  Standard input is held in the temporary folder, here the
// test's own, so that a spool left behind is seen.
TEST_F(Zekocli, ConvertWritesOnlyCompleteTexts) {
#if defined(_WIN32)
    _putenv_s("TMP", dir.Path().c_str());
#else
    setenv("TMPDIR", dir.Path().c_str(), 1);
#endif
    std::string sjis = File("sjis", Hex("82 A0 0D 0A B1")), amb = File("amb", Hex("A4 A2"));
    File("bad", Hex("61 62 63 81 20 64"));
    File("notext", Hex("41 00 42"));
    File("utf16", Hex("FF FE 42 30 0D 00"));
    // The character that cannot be written comes after the first blocks of output.
    std::string emojiText = test::Repeat("a", 70000) + Hex("0A F0 9F 98 80");
    std::string emoji = File("emoji", emojiText), none;
    const struct {
        const char* line;   // after "convert"
        std::string input;  // standard input
        int exitCode;
        std::string output;  // on standard output
        std::string out = kPrecious;
        const char* told = "";
    } cases[] = {
        {"--to unicode --newline lf @sjis @out", none, kConverted, "",
         Hex("FF FE 42 30 0A 00 71 FF"), ": 1 converted, 0 copied"},
        {"--to euc --widen-kana", sjis, kConverted, Hex("A4 A2 0D 0A A5 A2")},
        {"--to utf8 --bom - @out", sjis, kConverted, "", Hex("EF BB BF E3 81 82 0D 0A EF BD B1")},
        {"--from sjis --to keep --newline cr @sjis", none, kConverted, Hex("82 A0 0D B1")},
        {"--from sjis --to euc - -", dir / "bad", kCannotConvert, ""},
        {"--to sjis @notext @out", none, kCannotConvert, ""},
        {"--to sjis", amb, kCannotConvert, "", kPrecious, ": 0 converted, 0 copied, 1 skipped"},
        {"--from euc --to unicode @amb @out", none, kConverted, "", Hex("FF FE 42 30")},
        {"--to sjis --on-undecidable euc - @out", amb, kConverted, "", Hex("82 A0")},
        {"--to sjis @utf16 @out", none, kConverted, "", Hex("82 A0 0D")},
        {"--to sjis --from utf8", emoji, kCannotConvert, "", kPrecious,
         ": U+1F600 on line 2 cannot be written in ShiftJis\n"},
        {"--to sjis --from utf8 - @out", emoji, kCannotConvert, ""},
        {"--to sjis --from utf8 --on-unconvertible copy @emoji", none, kConverted, emojiText,
         kPrecious, ": 0 converted, 1 copied"},
        {"--to sjis @missing", none, kIoError, "", kPrecious, ": no such file"},
        {"--to sjis @dev @out", none, kIoError, ""},
        {"--to euc @out @out", none, kIoError, "", kPrecious, "the output is the input"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        test::WriteBytes(dir / "out", kPrecious);
        test::Run run = Cli(std::string("convert ") + c.line, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.out, c.output);
        EXPECT_EQ(test::ReadBytes(dir / "out"), c.out);
        EXPECT_NE(run.err.find(c.told), npos) << run.err;
    }
    // Names relative to the current directory replace as full ones do.
    test::Run relative =
        test::RunProgram(ZEKOCLI, Words("convert --to euc sjis out"), {}, dir.Path());
    EXPECT_EQ(relative.exitCode, kConverted) << relative.err;
    EXPECT_EQ(test::ReadBytes(dir / "out"), Hex("A4 A2 0D 0A 8E B1"));
}

TEST_F(Zekocli, ConvertKeepsOutOnAFullDiskWithoutAsking) {
    std::string disk = test::SmallDisk();
    if (disk.empty()) GTEST_SKIP() << "no small disk mounted";
    std::string keep = test::Join(disk, "keep.txt");
    test::WriteBytes(keep, kPrecious);
    File("big", test::Repeat(Hex("82 A0 0D 0A"), 40000));
    test::Run full = Cli("convert --to euc @big " + keep);
    EXPECT_EQ(full.exitCode, kIoError);
    EXPECT_NE(full.err.find("disk full (error 112)"), npos) << full.err;
    EXPECT_EQ(full.err.find("Free some space"), npos) << "nobody at a console to ask";
    EXPECT_EQ(test::ReadBytes(keep), kPrecious);
    EXPECT_EQ(test::LeftoverFiles(disk), std::vector<std::string>{});
    platform::Remove(keep.c_str());
}

// Each row starts from the same tree; afterwards every file under it is as listed.
TEST_F(Zekocli, ManyFilesArePlacedAsTheWindowProgramPlacesThem) {
    const char* kEuc = "A4 A2 0D 0A";
    const struct {
        const char* line;  // after "convert", in the test's folder
        int exitCode;
        const char* told;  // on standard error
        std::vector<std::pair<std::string, const char*>> changed;  // name, hex
    } cases[] = {
        {"--to euc --output-folder out src", kConverted,
         "src: a folder; passed over (--recursive walks it)", {}},
        {"--to euc --output-folder out --recursive --mirror src", kCannotConvert,
         "amb.txt: cannot convert: detected Ambiguous",
         {{"out/src/a.txt", kEuc}, {"out/src/sub/c.txt", kEuc}}},
        {"--to euc --output-folder out --depth 1 --extensions dat,.txt --on-undecidable sjis src",
         kIoError, "a.txt: the output exists; it is not replaced",
         {{"out/b.dat", "A4 A2"}, {"out/amb.txt", "8E A4 8E A2"}}},
        {"--to euc --output-folder out --on-clash overwrite src/a.txt", kConverted,
         "a.txt: the output exists; replaced", {{"out/a.txt", kEuc}}},
        {"--to euc --output-folder out --on-clash unique src/a.txt", kConverted,
         "written under a new name", {{"out/Z_a.txt", kEuc}}},
        {"--to utf8 --in-place --backup src/a.txt src/bad.txt src/none.txt", kIoError,
         "none.txt: no such file", {{"src/a.txt", "E3 81 82 0D 0A"}, {"src/Z_a.txt", "82 A0 0D 0A"}}},
        {"--to utf8 --unique --on-unconvertible copy src/bad.txt", kConverted,
         "bad.txt: cannot convert: detected NotText; copied unchanged", {{"src/Z_bad.txt", "41 00"}}},
        {"--settings zeko.cfg --newline lf --on-clash unique src", kCannotConvert, ": 2 converted",
         {{"out/x_a.txt", "A4 A2 0A"}, {"out/b.dat", "A4 A2"}}},
        {"--settings missing.cfg src", kUsage, "not a settings file", {}},
    };
    // The window program's choices: every file of the folder itself into out, named
    // x_NAME on a clash.
    Settings saved;
    saved.outputCode = EucJp;
    saved.anyExtension = 1;
    saved.folderMode = LimitedDepth;
    saved.mirrorFolders = 0;
    saved.affixText[0] = 'x';
    std::snprintf(saved.outputFolder, sizeof saved.outputFolder, "%s", (dir / "out").c_str());
    ConfigStore store;
    RegisterSettings(&saved, &store);
    ASSERT_TRUE(store.Save((dir / "zeko.cfg").c_str()));
    const std::map<std::string, std::string> tree = {
        {"src/a.txt", Hex("82 A0 0D 0A")}, {"src/b.dat", Hex("82 A0")}, {"src/amb.txt", Hex("A4 A2")},
        {"src/bad.txt", Hex("41 00")}, {"src/sub/c.txt", Hex("82 A0 0D 0A")}, {"out/a.txt", kPrecious},
        {"zeko.cfg", test::ReadBytes(dir / "zeko.cfg")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        test::RemoveTree(dir / "src");
        test::RemoveTree(dir / "out");
        std::map<std::string, std::string> expected = tree, found;
        for (const auto& [name, bytes] : tree) {
            std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
            test::WriteBytes(dir / name, bytes);
        }
        for (const auto& [name, hex] : c.changed) expected[name] = Hex(hex);
        test::Run run =
            test::RunProgram(ZEKOCLI, Words(std::string("convert ") + c.line), {}, dir.Path());
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(c.told), npos) << run.err;
        test::WalkFiles(dir.Path(), [&](std::string name, const std::string& path) {
            std::replace(name.begin(), name.end(), '\\', '/');
            found[name] = test::ReadBytes(path);
        });
        EXPECT_EQ(found, expected);
    }
}

TEST_F(Zekocli, BatchRunsEveryCaseAndReportsEach) {
    File("sjis.txt", Hex("82 A0 0D 0A"));
    File("notext.txt", Hex("00"));
    platform::MakeDirectory((dir / "folder").c_str());
    const std::string kMalformed = "-|error|malformed case";
    // A case ('|' for TAB) and what is printed for it after IN and OUT.
    const std::pair<std::string, std::string> cases[] = {
        {"@sjis.txt|@out/made/o1|3|2|0|auto", "ShiftJis|ok"},
        {"@sjis.txt|@out/o2|4|3|0|2\r", "EucJp|fail"},  // the given code fails; CR LF
        {"@sjis.txt|@out/o2|8|3|0|8", "Utf8|fail"},
        {"", ""},  // a blank line is skipped
        {"@notext.txt|@out/o3|1|0|0|auto", "NotText|skip"},
        {"@missing.txt|@out/o4|1|0|0|1", "-|error|cannot open the input (error 2)"},
        {"@sjis.txt|@out/o5|1|0|0|4", kMalformed},  // Keep is no input code
        {"@sjis.txt|@out/o5|5|0|0|auto", kMalformed},
        {"@sjis.txt|@out/o5|1|0", kMalformed},
        {"no tabs here", kMalformed},
        {std::string("@sjis.txt\0junk|@out/o5|1|0|0|1", 30), kMalformed},
        {"-|@out/o5|1|0|0|1", kMalformed},
        {"@sjis.txt|@out/made/o1|1|0|0|1", "-|error|the output exists; it is not replaced"},
        {"@sjis.txt|@sjis.txt|1|0|0|1", "-|error|the output is the input"},
        {"@sjis.txt|@list.txt|1|0|0|1", "-|error|the output is the list"},
        {"@sjis.txt|@folder|1|0|0|1", "-|error|the output is a folder"},
        {"@sjis.txt|@dev|1|0|0|1", "-|error|the output is not a regular file"},
        {"@sjis.txt|@out/o5|0|2|1|1", "ShiftJis|ok"},  // the last, without a line end
    };
    std::string list, expected;
    for (const auto& [line, result] : cases) {
        std::string text = Expand(line);
        list += (list.empty() ? "" : "\n") + text;
        if (text.empty()) continue;
        std::size_t tab = text.find('|');
        std::string in = text.substr(0, tab), out = tab == npos ? "" : text.substr(tab + 1);
        expected += in.c_str() + ("|" + out.substr(0, out.find('|'))) + "|" + result + "\n";
    }
    std::replace(list.begin(), list.end(), '|', '\t');
    std::replace(expected.begin(), expected.end(), '|', '\t');
    test::WriteBytes(dir / "list.txt", list);
    for (const char* line : {"batch @list.txt", "batch"}) {
        SCOPED_TRACE(line);
        test::Run run = Cli(line, line[5] ? "" : dir / "list.txt");
        EXPECT_EQ(run.exitCode, kIoError) << "the highest status of any case";
        EXPECT_EQ(run.out, expected);
        EXPECT_NE(run.err.find("zekocli: 2 converted, 0 copied, 15 skipped, 0 failed\n"), npos)
            << run.err;
        EXPECT_EQ(test::ReadBytes(Expand("@out/made/o1")), Hex("FF FE 42 30 0A 00"));
        EXPECT_EQ(test::ReadBytes(Expand("@out/o5")), Hex("1B 24 42 24 22 1B 28 42 0A"));
        EXPECT_EQ(test::ListNames(dir / "out"), (std::vector<std::string>{"made", "o5"}));
        EXPECT_EQ(test::ReadBytes(dir / "list.txt"), list);
        test::RemoveTree(dir / "out");
    }
    test::Run noList = Cli("batch @none.txt");
    EXPECT_EQ(noList.exitCode, kIoError);
    EXPECT_EQ(noList.out, "");
}

#if !defined(_WIN32)
// A kill at any moment leaves the user's text complete under its own name, the original
// or the converted one, and a converted file's original under its backup's name.  The
// temporary files a kill leaves are counted and removed, not forbidden.
TEST_F(Zekocli, ConvertInPlaceSurvivesSigkillAtAnyMoment) {
    // 日本語のテキスト、ｶﾀｶﾅ。 CR LF in Shift_JIS, about 10 MB.
    std::string original = test::Repeat(
        Hex("93 FA 96 7B 8C EA 82 CC 83 65 83 4C 83 58 83 67 81 41 B6 C0 B6 C5 81 42 0D 0A"),
        400000);
    std::string converted = test::Convert(original, {ShiftJis, EucJp, KeepNewline}).output;
    std::string big = File("big.txt", original);
    const std::string inPlace = "convert --to euc --in-place " + big;
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    ASSERT_EQ(Cli(inPlace).exitCode, kConverted);
    clock_gettime(CLOCK_MONOTONIC, &end);
    auto whole = static_cast<std::uint32_t>((end.tv_sec - start.tv_sec) * 1000000 +
                                            (end.tv_nsec - start.tv_nsec) / 1000);
    ASSERT_EQ(test::ReadBytes(big), converted);
    std::mt19937 random(20261207);
    // Somewhat beyond one run, whose time varies with the machine's load, so that the
    // moment of the commit is covered.
    std::uniform_int_distribution<std::uint32_t> delay(0, whole + whole / 2);
    int killed = 0, kept = 0, temps = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        bool backup = round % 2 == 1;
        test::WriteBytes(big, original);
        killed += test::RunKilled(ZEKOCLI, Words(inPlace + (backup ? " --backup" : "")),
                                  delay(random));
        std::string now = test::ReadBytes(big);
        EXPECT_TRUE(now == original || now == converted);
        kept += now == original;
        bool backedUp = false;
        for (const std::string& name : test::ListNames(dir.Path())) {
            if (name == "big.txt") continue;
            std::string path = dir / name;
            if (name.rfind("ZEKO~", 0) == 0) {
                ++temps;
            } else {
                EXPECT_EQ(name, "Z_big.txt");
                EXPECT_TRUE(test::ReadBytes(path) == original) << name;
                backedUp = true;
            }
            platform::Remove(path.c_str());
        }
        EXPECT_TRUE(!backup || backedUp || now == original) << "the original is lost";
    }
    std::printf("one run %u us; 50 rounds: %d killed, %d kept the original, %d temporary "
                "files left\n", whole, killed, kept, temps);
}
#endif

}  // namespace
