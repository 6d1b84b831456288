// zekocli run as a separate process: its commands, exit codes and batch protocol.  Its
// standard input is never a terminal here, so a full disk is answered with Cancel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../engine/engine_harness.h"
#include "run_program.h"
#include "support/temp_dir.h"

namespace {

using test::Hex;

constexpr int kConverted = 0, kCannotConvert = 1, kUsage = 2, kIoError = 3;

class Zekocli : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(test::IntermediateFiles("."), std::vector<std::string>{});
    }
    test::Run Cli(std::vector<std::string> args, const std::string& stdinPath = {}) {
        return test::RunProgram(ZEKOCLI, args, stdinPath);
    }
    std::string File(const std::string& name, const std::string& bytes) {
        std::string path = dir / name;
        test::WriteBytes(path, bytes);
        return path;
    }
    test::TempDir dir;
};

TEST_F(Zekocli, HelpAndUsageErrors) {
    test::Run help = Cli({"--help"});
    EXPECT_EQ(help.exitCode, kConverted);
    EXPECT_EQ(help.out.rfind("Usage:\n", 0), 0u);
    std::string in = File("in.txt", "abc");
    const std::vector<std::string> usageErrors[] = {
        {},
        {"frobnicate"},
        {"detect"},
        {"convert", in, dir / "out"},                       // no --to
        {"convert", "--to", "utf8", in, dir / "out"},
        {"convert", "--to", "sjis", "--newline", in, dir / "out"},
        {"convert", "--to", "sjis", "--from", "ambiguous", in, dir / "out"},
        {"convert", "--to", "sjis", "--widen", in, dir / "out"},
        {"convert", "--to", "sjis", in},
        {"convert", "--to", "sjis", in, dir / "out", dir / "more"},
        {"batch", in, in},
    };
    for (const std::vector<std::string>& args : usageErrors) {
        test::Run run = Cli(args);
        EXPECT_EQ(run.exitCode, kUsage) << (args.empty() ? "" : args[0]) << " " << args.size();
        EXPECT_NE(run.err.find("zekocli --help"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(test::Exists(dir / "out"));
}

TEST_F(Zekocli, DetectPrintsOneLinePerFile) {
    struct Case {
        const char* name;
        const char* bytes;  // hex
        const char* code;
    };
    const Case cases[] = {
        {"jis.txt", "1B 24 42 24 22 1B 28 42", "Jis"}, {"sjis.txt", "82 A0", "ShiftJis"},
        {"euc.txt", "A4 A2 FD", "EucJp"},               {"utf16.txt", "FF FE 42 30", "Unicode"},
        {"plain.txt", "41 0D 0A", "Plain"},             {"empty.txt", "", "Plain"},
        {"binary.txt", "41 00", "NotText"},             {"both.txt", "A4 A2", "Ambiguous"},
    };
    std::vector<std::string> args{"detect"};
    std::string expected;
    for (const Case& c : cases) {
        args.push_back(File(c.name, Hex(c.bytes)));
        expected += args.back() + "\t" + c.code + "\n";
    }
    test::Run run = Cli(args);
    EXPECT_EQ(run.exitCode, kConverted);
    EXPECT_EQ(run.out, expected);

    args.insert(args.begin() + 1, dir / "missing.txt");
    run = Cli(args);
    EXPECT_EQ(run.exitCode, kIoError);
    EXPECT_EQ(run.out, expected) << "the other files are still detected";
    EXPECT_NE(run.err.find("missing.txt"), std::string::npos);
}

TEST_F(Zekocli, ConvertExitCodes) {
    std::string sjis = File("sjis.txt", Hex("82 A0 0D 0A B1"));
    std::string out = dir / "out.txt";
    struct Case {
        std::vector<std::string> options;
        std::string input;
        int exitCode;
        const char* output;  // hex; nullptr: no output file
    };
    const Case cases[] = {
        {{"--to", "unicode", "--newline", "lf"}, sjis, kConverted, "FF FE 42 30 0A 00 71 FF"},
        {{"--to", "euc", "--widen-kana"}, sjis, kConverted, "A4 A2 0D 0A A5 A2"},
        {{"--from", "sjis", "--to", "keep", "--newline", "cr"}, sjis, kConverted, "82 A0 0D B1"},
        {{"--from", "euc", "--to", "sjis"}, sjis, kCannotConvert, ""},
        {{"--to", "sjis"}, File("notext.txt", Hex("41 00 42")), kCannotConvert, nullptr},
        {{"--to", "sjis"}, File("ambiguous.txt", Hex("A4 A2")), kCannotConvert, nullptr},
        {{"--from", "euc", "--to", "unicode"}, dir / "ambiguous.txt", kConverted, "FF FE 42 30"},
        {{"--to", "sjis"}, File("utf16.txt", Hex("FF FE 42 30 0D 00")), kConverted, "82 A0 0D"},
        {{"--to", "sjis"}, dir / "missing.txt", kIoError, nullptr},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"convert"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.input);
        args.push_back(out);
        SCOPED_TRACE(testing::Message() << c.options[1] << " " << c.input);
        test::Run run = Cli(args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.empty(), c.exitCode == kConverted) << run.err;
        EXPECT_EQ(test::Exists(out), c.output != nullptr);
        if (c.output && test::Exists(out)) {
            EXPECT_EQ(test::ReadBytes(out), Hex(c.output));
        }
        platform::Remove(out.c_str());
    }
}

TEST_F(Zekocli, ConvertRefusesToWriteOverItsInputAndReportsIoErrors) {
    std::string text = Hex("82 A0 0D 0A");
    std::string in = File("in.txt", text);
    test::Run same = Cli({"convert", "--to", "euc", in, in});
    EXPECT_EQ(same.exitCode, kIoError);
    EXPECT_EQ(test::ReadBytes(in), text);
    test::Run noFolder = Cli({"convert", "--to", "euc", in, test::Join(dir / "none", "out.txt")});
    EXPECT_EQ(noFolder.exitCode, kIoError);
    EXPECT_NE(noFolder.err.find("cannot create the output"), std::string::npos);
#if !defined(_WIN32)
    // Nobody at a terminal can free space: the disk-full question is answered Cancel.
    test::Run full = Cli({"convert", "--to", "euc", in, "/dev/full"});
    EXPECT_EQ(full.exitCode, kIoError);
    EXPECT_NE(full.err.find("disk full (error 112)"), std::string::npos);
#endif
    EXPECT_EQ(test::ReadBytes(in), text);
}

TEST_F(Zekocli, BatchRunsEveryCaseAndReportsEach) {
    std::string sjis = File("sjis.txt", Hex("82 A0 0D 0A"));
    std::string notText = File("notext.txt", Hex("00"));
    std::string o1 = dir / "o1", o2 = dir / "o2", o3 = dir / "o3", o4 = dir / "o4", o5 = dir / "o5";
    std::string missing = dir / "missing.txt";
    std::string list =
        sjis + "\t" + o1 + "\t3\t2\t0\tauto\n" +                  // detected, converted
        sjis + "\t" + o2 + "\t4\t3\t0\t2\r\n" +                   // given code: fails
        "\n" +                                                     // blank lines are skipped
        notText + "\t" + o3 + "\t1\t0\t0\tauto\n" +               // skipped
        missing + "\t" + o4 + "\t1\t0\t0\t1\n" +                  // I/O error
        sjis + "\t" + o5 + "\t1\t0\t0\t4\n" +                     // Keep is no input code
        sjis + "\t" + o5 + "\t5\t0\t0\tauto\n" +
        sjis + "\t" + o5 + "\t1\t0\n" +
        "no tabs here\n" +
        sjis + "\t" + o5 + "\t0\t2\t1\t1";                        // no final line end
    std::string expected =
        sjis + "\t" + o1 + "\tShiftJis\tok\n" +
        sjis + "\t" + o2 + "\tEucJp\tfail\n" +
        notText + "\t" + o3 + "\tNotText\tskip\n" +
        missing + "\t" + o4 + "\tShiftJis\terror\tcannot open the input (error 2)\n" +
        sjis + "\t" + o5 + "\t-\terror\tmalformed case\n" +
        sjis + "\t" + o5 + "\t-\terror\tmalformed case\n" +
        sjis + "\t" + o5 + "\t-\terror\tmalformed case\n" +
        "no tabs here\t\t-\terror\tmalformed case\n" +
        sjis + "\t" + o5 + "\tShiftJis\tok\n";
    std::string listPath = File("list.txt", list);
    for (bool fromStdin : {false, true}) {
        SCOPED_TRACE(fromStdin ? "standard input" : "list file");
        test::Run run = fromStdin ? Cli({"batch"}, listPath) : Cli({"batch", listPath});
        EXPECT_EQ(run.exitCode, kConverted);
        EXPECT_EQ(run.out, expected);
        EXPECT_EQ(test::ReadBytes(o1), Hex("FF FE 42 30 0A 00"));
        EXPECT_EQ(test::ReadBytes(o2), "") << "a failed case keeps what the engine wrote";
        EXPECT_FALSE(test::Exists(o3)) << "a skipped case makes no output";
        EXPECT_FALSE(test::Exists(o4));
        EXPECT_EQ(test::ReadBytes(o5), Hex("1B 24 42 24 22 1B 28 42 0A"));
        for (const std::string& path : {o1, o2, o5}) platform::Remove(path.c_str());
    }
    test::Run noList = Cli({"batch", dir / "none.txt"});
    EXPECT_EQ(noList.exitCode, kIoError);
    EXPECT_EQ(noList.out, "");
}

}  // namespace
