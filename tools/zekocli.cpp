// zekocli: the conversion engine and the code detector on the command line, for scripts,
// benchmarks and conformance checks.  Results go to standard output and messages, in
// English, to standard error; both end their lines with LF on every platform.
#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "engine/code_detector.h"
#include "engine/conversion_engine.h"
#include "framework/file_handle.h"
#include "framework/platform.h"
#include "tools/console_asker.h"

namespace {

enum ExitCode : int { kExitConverted = 0, kExitCannotConvert = 1, kExitUsage = 2, kExitIo = 3 };

constexpr char kUsage[] =
    "Usage:\n"
    "  zekocli detect FILE...\n"
    "  zekocli convert [--from CODE] --to CODE [--newline NL] [--widen-kana] IN OUT\n"
    "  zekocli batch [LIST]\n"
    "  zekocli --help\n"
    "\n"
    "detect   prints FILE<TAB>NAME for each file, NAME being Jis, ShiftJis, EucJp,\n"
    "         Unicode, Plain, NotText or Ambiguous.\n"
    "convert  converts IN into OUT (created or replaced).\n"
    "           --from auto|jis|sjis|euc|unicode|plain  input code; auto (the default)\n"
    "                                                   detects it\n"
    "           --to jis|sjis|euc|unicode|keep          output code; keep is the input's\n"
    "           --newline crlf|cr|lf|keep               line ends (default keep)\n"
    "           --widen-kana                            half-width katakana to full-width\n"
    "batch    runs the cases of LIST (standard input when absent), one per line:\n"
    "           IN<TAB>OUT<TAB>OUTCODE<TAB>NEWLINE<TAB>WIDEN<TAB>INPUT\n"
    "         OUTCODE 0-4 (Jis ShiftJis EucJp Unicode Keep), NEWLINE 0-3 (CrLf Cr Lf\n"
    "         Keep), WIDEN 0 or 1, INPUT 0-3, 5 (Plain) or auto; and prints for each\n"
    "           IN<TAB>OUT<TAB>DETECTED<TAB>STATUS[<TAB>REASON]\n"
    "         STATUS is ok, fail (cannot convert; OUT keeps what was written), skip\n"
    "         (NotText or Ambiguous; no OUT is made) or error (REASON says why).\n"
    "\n"
    "Exit status: 0 converted (detect, batch: every file or case was handled),\n"
    "1 cannot convert, 2 usage error, 3 I/O error.\n"
    "Conversions to and from UTF-16 pass through a file U*.tmp in the current directory.\n"
    "On a full disk a user at a terminal is asked whether to retry; otherwise the\n"
    "conversion ends with an I/O error.\n";

constexpr const char* kCodeNames[] = {"Jis",   "ShiftJis", "EucJp",   "Unicode",
                                      "Keep",  "Plain",    "NotText", "Ambiguous"};
constexpr std::int32_t kAuto = -1;  // detect the input code

struct Choice {
    std::string_view word;
    std::int32_t value;
};

constexpr Choice kFromWords[] = {{"auto", kAuto}, {"jis", Jis},         {"sjis", ShiftJis},
                                 {"euc", EucJp},  {"unicode", Unicode}, {"plain", Plain}};
constexpr Choice kToWords[] = {
    {"jis", Jis}, {"sjis", ShiftJis}, {"euc", EucJp}, {"unicode", Unicode}, {"keep", Keep}};
constexpr Choice kNewlineWords[] = {{"crlf", CrLf}, {"cr", Cr}, {"lf", Lf}, {"keep", KeepNewline}};
// The batch fields hold the numbers of the settings record.
constexpr Choice kInputNumbers[] = {{"0", Jis},     {"1", ShiftJis}, {"2", EucJp},
                                    {"3", Unicode}, {"5", Plain},    {"auto", kAuto}};
constexpr Choice kOutputNumbers[] = {
    {"0", Jis}, {"1", ShiftJis}, {"2", EucJp}, {"3", Unicode}, {"4", Keep}};
constexpr Choice kNewlineNumbers[] = {{"0", CrLf}, {"1", Cr}, {"2", Lf}, {"3", KeepNewline}};
constexpr Choice kWidenNumbers[] = {{"0", 0}, {"1", 1}};

bool Pick(std::span<const Choice> choices, std::string_view word, std::int32_t* value) {
    for (const Choice& choice : choices) {
        if (choice.word == word) {
            *value = choice.value;
            return true;
        }
    }
    return false;
}

struct ValueOption {
    std::string_view name;
    std::span<const Choice> words;
    std::int32_t ConvertOptions::*field;
};
constexpr ValueOption kValueOptions[] = {{"--from", kFromWords, &ConvertOptions::inputCode},
                                         {"--to", kToWords, &ConvertOptions::outputCode},
                                         {"--newline", kNewlineWords, &ConvertOptions::newline}};

enum class Status { Ok, Fail, Skip, Error };
constexpr const char* kStatusNames[] = {"ok", "fail", "skip", "error"};

struct Outcome {
    Status status;
    std::int32_t code;   // detected or given input code; kAuto when not known
    std::string reason;  // for Error
};

Outcome Failed(std::int32_t code, const char* what, std::uint32_t error) {
    return {Status::Error, code, std::string(what) + " (error " + std::to_string(error) + ")"};
}

// Opened without access, so the input's sharing does not refuse it; a name that names
// nothing yet is no open file, and costs no open.
bool IsSameFile(const FileHandle& input, const std::string& path) {
    if (platform::Attributes(path.c_str()) == platform::kInvalidAttributes) return false;
    FileHandle probe;
    return probe.Open(path.c_str(), 0,
                      platform::kShareRead | platform::kShareWrite | platform::kShareDelete,
                      platform::kOpenExisting, 0) &&
           platform::SameFile(input.Handle(), probe.Handle());
}

// One engine and one running flag for the whole process, as the program has one per run.
class Converter {
public:
    explicit Converter(bool interactive) : asker_(interactive) {}

    Outcome Run(const std::string& in, const std::string& out, ConvertOptions options) {
        std::int32_t code = options.inputCode;
        try {
            FileHandle input;
            if (!input.Open(in.c_str(), platform::kGenericRead, platform::kShareRead,
                            platform::kOpenExisting, platform::kFlagSequentialScan))
                return Failed(code, "cannot open the input", platform::LastError());
            if (code == kAuto) {
                code = CodeDetector().Detect(input, &running_);
                if (code == NotText || code == Ambiguous) return {Status::Skip, code, {}};
                if (platform::Seek(input.Handle(), 0, platform::kFileBegin) != 0)
                    return Failed(code, "cannot rewind the input", platform::LastError());
            }
            // Creating the output would empty the input first.
            if (IsSameFile(input, out)) return {Status::Error, code, "the output is the input"};
            FileHandle output;
            if (!output.Open(out.c_str(), platform::kGenericWrite, 0, platform::kCreateAlways,
                             platform::kAttributeNormal))
                return Failed(code, "cannot create the output", platform::LastError());
            bool converted = engine_.Convert(asker_, &running_, input, output, options.outputCode,
                                             options.newline, code, options.widenKana);
            return {converted ? Status::Ok : Status::Fail, code, {}};
        } catch (std::int32_t) {
            return Failed(code, "read error", FileHandle::RaisedError());
        } catch (std::uint32_t error) {
            return Failed(code, error == platform::kErrorDiskFull ? "disk full" : "I/O error",
                          error);
        }
    }

private:
    ConsoleAsker asker_;
    ConversionEngine engine_;
    RunningFlag running_{1};
};

const char* CodeName(std::int32_t code) { return code == kAuto ? "-" : kCodeNames[code]; }

int UsageError(const std::string& message) {
    std::fprintf(stderr, "zekocli: %s\nTry 'zekocli --help'.\n", message.c_str());
    return kExitUsage;
}

int Detect(const std::vector<std::string>& files) {
    if (files.empty()) return UsageError("detect needs at least one FILE");
    RunningFlag running{1};
    int status = kExitConverted;
    for (const std::string& file : files) {
        FileHandle input;
        try {
            if (!input.Open(file.c_str(), platform::kGenericRead, platform::kShareRead,
                            platform::kOpenExisting, platform::kFlagSequentialScan)) {
                std::fprintf(stderr, "zekocli: %s: cannot open (error %u)\n", file.c_str(),
                             static_cast<unsigned>(platform::LastError()));
                status = kExitIo;
                continue;
            }
            std::printf("%s\t%s\n", file.c_str(), kCodeNames[CodeDetector().Detect(input, &running)]);
        } catch (std::int32_t) {
            std::fprintf(stderr, "zekocli: %s: read error (error %u)\n", file.c_str(),
                         static_cast<unsigned>(FileHandle::RaisedError()));
            status = kExitIo;
        } catch (std::uint32_t error) {
            std::fprintf(stderr, "zekocli: %s: I/O error (error %u)\n", file.c_str(),
                         static_cast<unsigned>(error));
            status = kExitIo;
        }
    }
    return status;
}

int Convert(const std::vector<std::string>& args) {
    ConvertOptions options{kAuto, KeepNewline, kAuto, 0};
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto option = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                   [&](const ValueOption& o) { return o.name == arg; });
        if (option != std::end(kValueOptions)) {
            if (i + 1 == args.size() || !Pick(option->words, args[i + 1], &(options.*option->field)))
                return UsageError("missing or unknown value for " + arg);
            ++i;
        } else if (arg == "--widen-kana") {
            options.widenKana = 1;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option " + arg);
        } else {
            files.push_back(arg);
        }
    }
    if (options.outputCode == kAuto) return UsageError("convert needs --to");
    if (files.size() != 2) return UsageError("convert needs IN and OUT");

    Converter converter(ConsoleAsker::StdinIsTerminal());
    Outcome outcome = converter.Run(files[0], files[1], options);
    const char* in = files[0].c_str();
    switch (outcome.status) {
    case Status::Ok: return kExitConverted;
    case Status::Fail:
        std::fprintf(stderr, "zekocli: %s: cannot convert from %s\n", in, CodeName(outcome.code));
        return kExitCannotConvert;
    case Status::Skip:
        std::fprintf(stderr, "zekocli: %s: cannot convert: detected %s\n", in,
                     CodeName(outcome.code));
        return kExitCannotConvert;
    case Status::Error: break;
    }
    std::fprintf(stderr, "zekocli: %s: %s\n", in, outcome.reason.c_str());
    return kExitIo;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

// A line without its line end (LF or CR LF); false at the end of the input.
bool ReadLine(std::FILE* file, std::string* line) {
    line->clear();
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') *line += static_cast<char>(c);
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return c != EOF || !line->empty();
}

int Batch(const std::vector<std::string>& args) {
    if (args.size() > 1) return UsageError("batch takes at most one LIST");
    std::FILE* list = stdin;
    if (!args.empty()) {
        list = std::fopen(args[0].c_str(), "rb");
        if (!list) {
            std::fprintf(stderr, "zekocli: %s: cannot open the list\n", args[0].c_str());
            return kExitIo;
        }
    }
    // Standard input carrying the list cannot also carry answers.
    Converter converter(list != stdin && ConsoleAsker::StdinIsTerminal());
    std::string line;
    while (ReadLine(list, &line)) {
        if (line.empty()) continue;
        std::vector<std::string> fields = Split(line);
        fields.resize(std::max<std::size_t>(fields.size(), 2));
        ConvertOptions options{};
        Outcome outcome{Status::Error, kAuto, "malformed case"};
        if (fields.size() == 6 && Pick(kOutputNumbers, fields[2], &options.outputCode) &&
            Pick(kNewlineNumbers, fields[3], &options.newline) &&
            Pick(kWidenNumbers, fields[4], &options.widenKana) &&
            Pick(kInputNumbers, fields[5], &options.inputCode))
            outcome = converter.Run(fields[0], fields[1], options);
        std::printf("%s\t%s\t%s\t%s", fields[0].c_str(), fields[1].c_str(),
                    CodeName(outcome.code), kStatusNames[static_cast<int>(outcome.status)]);
        if (outcome.status == Status::Error) std::printf("\t%s", outcome.reason.c_str());
        std::printf("\n");
        std::fflush(stdout);  // a driver may wait for each answer before the next case
    }
    bool readable = !std::ferror(list);
    if (list != stdin) std::fclose(list);
    if (!readable) {
        std::fprintf(stderr, "zekocli: cannot read the list\n");
        return kExitIo;
    }
    return kExitConverted;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // LF line ends and bytes as they stand, as on every other platform.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::string command = argc > 1 ? argv[1] : "";
    std::vector<std::string> args(argv + (argc > 1 ? 2 : 1), argv + argc);
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return kExitConverted;
    }
    if (command == "detect") return Detect(args);
    if (command == "convert") return Convert(args);
    if (command == "batch") return Batch(args);
    return UsageError(command.empty() ? "no command given" : "unknown command " + command);
}
