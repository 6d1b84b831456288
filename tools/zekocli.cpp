// zekocli: the core's conversion run, the engine and the code detector on the command
// line, for scripts, benchmarks and conformance checks.  Results go to standard output
// and messages, in English, to standard error; both end their lines with LF on every
// platform.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "batch/batch_run.h"
#include "engine/code_detector.h"
#include "framework/file_handle.h"
#include "framework/path.h"
#include "framework/platform.h"
#include "framework/string_list.h"
#include "resources/version.h"
#include "settings/config_store.h"
#include "settings/settings.h"
#include "tools/console_asker.h"
#include "tools/console_run.h"

namespace {

constexpr char kUsage[] =
    "Usage:\n"
    "  zekocli detect [-v] FILE...\n"
    "  zekocli convert [OPTION...] [IN [OUT]]\n"
    "  zekocli convert [OPTION...] PLACEMENT [--recursive | --depth N] [--mirror]\n"
    "                  [--extensions LIST] [--on-clash WHAT] FILE...\n"
    "  zekocli batch [LIST]\n"
    "  zekocli --help | --version\n"
    "\n"
    "detect   prints FILE<TAB>NAME for each file, NAME being Jis, ShiftJis, EucJp,\n"
    "         Unicode, Utf8, Plain, NotText or Ambiguous; -v follows it with\n"
    "           <TAB>decided at OFFSET<TAB>BYTES<TAB>WHY\n"
    "           <TAB>newlines<TAB>CR LF N<TAB>LF N<TAB>CR N\n"
    "         BYTES (hex, from byte OFFSET; ... after 16) are those that decided; WHY\n"
    "         is escape, only Shift_JIS, only EUC-JP, byte-order mark, enough\n"
    "         three-byte characters (BYTES the last), not text (the last byte, or the\n"
    "         end after it); or, BYTES - at the end of the file: UTF-8 to the end,\n"
    "         only ASCII, both Shift_JIS and EUC-JP, well-formed UTF-8 (or: not\n"
    "         UTF-8).  Newlines are counted in the whole file, in UTF-16 units for\n"
    "         Unicode.\n"
    "convert  converts IN into OUT (created or replaced).  IN or OUT '-', or left\n"
    "         out, is standard input or output: zekocli convert --to euc < a > b.\n"
    "         With a PLACEMENT it converts each FILE as the window program does;\n"
    "         named folders are walked with --recursive or --depth N (N levels: 1\n"
    "         takes a folder's own files) and passed over otherwise.\n"
    "  --from auto|jis|sjis|euc|unicode|utf8|plain\n"
    "                         input code; auto (the default) detects it\n"
    "  --to jis|sjis|euc|unicode|utf8|keep\n"
    "                         output code; keep is the input's (needed unless\n"
    "                         --settings gives it)\n"
    "  --newline crlf|cr|lf|keep  line ends (default keep)\n"
    "  --widen-kana           half-width katakana to full-width\n"
    "  --bom                  UTF-8 output begins with EF BB BF\n"
    "PLACEMENT is one of:\n"
    "  --output-folder DIR    outputs in DIR under their own names (made when\n"
    "                         missing)\n"
    "  --in-place [--backup]  each FILE replaced by its conversion; --backup keeps\n"
    "                         the original as Z_FILE (Z_FILE(2)... when taken)\n"
    "  --unique               a new file Z_FILE (Z_FILE(2)...) beside each FILE\n"
    "  --settings ZEKO.CFG    the window program's saved choices (codes, line ends,\n"
    "                         widening, folder rules, affix, extensions, output\n"
    "                         folder or in-place action); options given win\n"
    "and with it:\n"
    "  --mirror               a folder walked into DIR gets its own folder there\n"
    "  --extensions LIST      only files whose extension is in LIST (commas; <none>\n"
    "                         for none; * for every file); a walk otherwise takes\n"
    "                         txt,htm,html,shtml,cgi,pl,c,cpp,h and <none>, and\n"
    "                         named files are taken whatever their extension\n"
    "  --on-clash skip|overwrite|unique\n"
    "                         an output name that exists: leave it (default),\n"
    "                         replace it, or write Z_NAME beside it\n"
    "  --on-undecidable skip|sjis|euc|utf8|copy\n"
    "                         a text Shift_JIS and EUC-JP could both have written:\n"
    "                         leave it (default), read it as the code named (utf8\n"
    "                         only where it reads as UTF-8), or copy it unchanged\n"
    "  --on-unconvertible skip|copy\n"
    "                         a text invalid in its code or holding a character the\n"
    "                         output code cannot: leave it (default) or copy it\n"
    "batch    runs the cases of LIST (standard input when absent), one per line:\n"
    "           IN<TAB>OUT<TAB>OUTCODE<TAB>NEWLINE<TAB>WIDEN<TAB>INPUT\n"
    "         OUTCODE 0-4 (Jis ShiftJis EucJp Unicode Keep) or 8 (Utf8), NEWLINE\n"
    "         0-3 (CrLf Cr Lf Keep), WIDEN 0 or 1, INPUT 0-3, 5 (Plain), 8 (Utf8) or\n"
    "         auto; and prints for each\n"
    "           IN<TAB>OUT<TAB>DETECTED<TAB>STATUS[<TAB>REASON]\n"
    "         STATUS is ok, fail (cannot convert from the given code), skip (NotText\n"
    "         or Ambiguous) or error (REASON says why).  An existing OUT is never\n"
    "         replaced; '-' is no path here.\n"
    "\n"
    "Every output is written beside its place under a temporary name (ZEKO~*.tmp)\n"
    "and takes its name only when complete; standard input is held in a temporary\n"
    "file that the system deletes, and standard output receives a text only once it\n"
    "is complete.  A file that is not converted leaves OUT or FILE as it was.\n"
    "Missing output folders are made.  Non-regular files are refused.  Each problem\n"
    "and each decision taken is told on standard error as 'zekocli: FILE: reason';\n"
    "a summary line of the files converted, copied, skipped and failed ends each\n"
    "run.\n"
    "\n"
    "Exit status: 0 every file converted, or dealt with as an --on- option said;\n"
    "1 a text cannot be converted (not text, Shift_JIS or EUC-JP undecided, invalid\n"
    "in the given code, or holding a character the output code cannot); 2 usage\n"
    "error, or a malformed batch case; 3 I/O error or refusal (an input missing,\n"
    "unreadable or not a regular file, an output that cannot be written or exists\n"
    "and is left, a full disk, OUT naming IN or LIST).  When files end differently\n"
    "the highest status wins.  On a full disk a user at a console is asked whether\n"
    "to retry; otherwise the file fails.\n";

constexpr std::int32_t kAuto = BatchRun::kDetect;
constexpr std::int32_t kUnset = -2;

struct Choice {
    std::string_view word;
    std::int32_t value;
};

constexpr Choice kFromWords[] = {{"auto", kAuto},      {"jis", Jis},   {"sjis", ShiftJis},
                                 {"euc", EucJp},       {"unicode", Unicode},
                                 {"utf8", Utf8},       {"plain", Plain}};
constexpr Choice kToWords[] = {{"jis", Jis},         {"sjis", ShiftJis}, {"euc", EucJp},
                               {"unicode", Unicode}, {"utf8", Utf8},     {"keep", Keep}};
constexpr Choice kNewlineWords[] = {{"crlf", CrLf}, {"cr", Cr}, {"lf", Lf}, {"keep", KeepNewline}};
// The batch fields hold the numbers of the settings record.
constexpr Choice kInputNumbers[] = {{"0", Jis},   {"1", ShiftJis}, {"2", EucJp}, {"3", Unicode},
                                    {"5", Plain}, {"8", Utf8},     {"auto", kAuto}};
constexpr Choice kOutputNumbers[] = {{"0", Jis},     {"1", ShiftJis}, {"2", EucJp},
                                     {"3", Unicode}, {"4", Keep},     {"8", Utf8}};
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

constexpr Choice kClashWords[] = {{"skip", static_cast<std::int32_t>(ClashChoice::DoNotConvert)},
                                  {"overwrite", static_cast<std::int32_t>(ClashChoice::Overwrite)},
                                  {"unique", static_cast<std::int32_t>(ClashChoice::UniqueName)}};
constexpr Choice kUndecidedWords[] = {
    {"skip", static_cast<std::int32_t>(UndecidedChoice::Ignore)},
    {"sjis", static_cast<std::int32_t>(UndecidedChoice::AsShiftJis)},
    {"euc", static_cast<std::int32_t>(UndecidedChoice::AsEuc)},
    {"utf8", static_cast<std::int32_t>(UndecidedChoice::AsUtf8)},
    {"copy", static_cast<std::int32_t>(UndecidedChoice::Copy)}};
constexpr Choice kUnconvertibleWords[] = {
    {"skip", static_cast<std::int32_t>(UnconvertibleChoice::Ignore)},
    {"copy", static_cast<std::int32_t>(UnconvertibleChoice::Copy)}};

// What convert was told; kUnset where the settings' choice stands.
struct ConvertArgs {
    std::int32_t inputCode = kAuto;
    std::int32_t outputCode = kUnset;
    std::int32_t newline = kUnset;
    std::int32_t clash = static_cast<std::int32_t>(ClashChoice::DoNotConvert);
    std::int32_t undecided = static_cast<std::int32_t>(UndecidedChoice::Ignore);
    std::int32_t unconvertible = static_cast<std::int32_t>(UnconvertibleChoice::Ignore);
    bool widenKana = false;
    bool bom = false;
    bool inPlace = false;
    bool backup = false;
    bool unique = false;
    bool recursive = false;
    bool mirror = false;
    std::string depth, outputFolder, extensions, settings;
    std::vector<std::string> files;
    // Whether the files are placed by the window program's rules rather than as IN OUT.
    bool ManyFiles() const {
        return inPlace || unique || !outputFolder.empty() || !settings.empty();
    }
};

struct ValueOption {
    std::string_view name;
    std::span<const Choice> words;
    std::int32_t ConvertArgs::*field;
};
constexpr ValueOption kValueOptions[] = {
    {"--from", kFromWords, &ConvertArgs::inputCode},
    {"--to", kToWords, &ConvertArgs::outputCode},
    {"--newline", kNewlineWords, &ConvertArgs::newline},
    {"--on-clash", kClashWords, &ConvertArgs::clash},
    {"--on-undecidable", kUndecidedWords, &ConvertArgs::undecided},
    {"--on-unconvertible", kUnconvertibleWords, &ConvertArgs::unconvertible}};

struct TextOption {
    std::string_view name;
    std::string ConvertArgs::*field;
};
constexpr TextOption kTextOptions[] = {{"--depth", &ConvertArgs::depth},
                                       {"--output-folder", &ConvertArgs::outputFolder},
                                       {"--extensions", &ConvertArgs::extensions},
                                       {"--settings", &ConvertArgs::settings}};

struct FlagOption {
    std::string_view name;
    bool ConvertArgs::*field;
};
constexpr FlagOption kFlagOptions[] = {{"--widen-kana", &ConvertArgs::widenKana},
                                       {"--bom", &ConvertArgs::bom},
                                       {"--in-place", &ConvertArgs::inPlace},
                                       {"--backup", &ConvertArgs::backup},
                                       {"--unique", &ConvertArgs::unique},
                                       {"--recursive", &ConvertArgs::recursive},
                                       {"--mirror", &ConvertArgs::mirror}};

template <typename Option, std::size_t N>
const Option* Find(const Option (&options)[N], std::string_view word) {
    for (const Option& option : options) {
        if (option.name == word) return &option;
    }
    return nullptr;
}

// What is wrong with the words, or "".
std::string ParseConvert(const std::vector<std::string>& words, ConvertArgs* args) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        bool last = i + 1 == words.size();
        if (const ValueOption* value = Find(kValueOptions, word)) {
            if (last || !Pick(value->words, words[i + 1], &(args->*value->field)))
                return "missing or unknown value for " + word;
            ++i;
        } else if (const TextOption* text = Find(kTextOptions, word)) {
            if (last || words[i + 1].empty()) return "missing value for " + word;
            args->*text->field = words[++i];
        } else if (const FlagOption* flag = Find(kFlagOptions, word)) {
            args->*flag->field = true;
        } else if (word.size() > 1 && word[0] == '-') {
            return "unknown option " + word;
        } else {
            args->files.push_back(word);
        }
    }
    if (args->outputCode == kUnset && args->settings.empty()) return "convert needs --to";
    if (args->inPlace + args->unique + !args->outputFolder.empty() > 1)
        return "--in-place, --unique and --output-folder exclude each other";
    if (args->backup && !args->inPlace) return "--backup needs --in-place";
    if (args->recursive && !args->depth.empty()) return "--recursive and --depth exclude each other";
    if (!args->ManyFiles()) {
        if (args->recursive || args->mirror || !args->depth.empty() || !args->extensions.empty() ||
            args->clash != static_cast<std::int32_t>(ClashChoice::DoNotConvert))
            return "--recursive, --depth, --mirror, --extensions and --on-clash need "
                   "--output-folder, --in-place, --unique or --settings";
        return args->files.size() <= 2 ? "" : "convert takes one IN and one OUT";
    }
    return args->files.empty() ? "convert needs a FILE" : "";
}

// Pairs name their outputs whole; a named output folder only makes the core ask before
// it replaces an existing OUT.
void SetPairs(Settings* settings) { std::strcpy(settings->outputFolder, "."); }

// Why out must not be written from in, or nullptr.  list: the open batch list, or
// kInvalidFile.  The probes ask no access, so the input's sharing does not refuse them.
const char* OutputRefusal(const std::string& in, const std::string& out,
                          platform::FileId list) {
    if (out == kStream) return nullptr;
    constexpr std::uint32_t kShareAll =
        platform::kShareRead | platform::kShareWrite | platform::kShareDelete;
    FileHandle output;
    if (!output.Open(out.c_str(), 0, kShareAll, platform::kOpenExisting, 0)) {
        // Where nothing stands there is nothing to ask about; a folder refuses the open
        // for want of access.
        std::uint32_t error = platform::LastError();
        if (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound)
            return nullptr;
        return IsFolder(out.c_str()) ? "the output is a folder" : nullptr;
    }
    if (!platform::IsDiskFile(output.Handle())) return "the output is not a regular file";
    if (list != platform::kInvalidFile && platform::SameFile(list, output.Handle()))
        return "the output is the list";
    FileHandle input;
    if (input.Open(in.c_str(), 0, kShareAll, platform::kOpenExisting, 0) &&
        platform::SameFile(input.Handle(), output.Handle()))
        return "the output is the input";
    return nullptr;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "zekocli: %s\nTry 'zekocli --help'.\n", message.c_str());
    return kExitUsage;
}

// The bytes shown of a decision; a run of pairs that stays open can be longer.
constexpr std::int64_t kShownBytes = 16;

// What -v reads of a file in one more pass after the detector: its newlines, and
// kShownBytes from the decision's offset on.
struct SecondLook {
    std::uint64_t crLf = 0, lf = 0, cr = 0;
    std::string decided;
};

SecondLook LookAgain(FileHandle& input, std::vector<unsigned char>& block, std::int64_t from,
                     bool utf16) {
    input.Rewind();
    SecondLook look;
    const std::int64_t to = from + kShownBytes;
    const std::size_t width = utf16 ? 2 : 1;  // blocks are even, so units never straddle
    bool afterCr = false;
    std::int64_t at = 0;
    while (const std::uint32_t count = input.Read(block.data(), CodeDetector::kBlock)) {
        if (from < at + count && to > at)
            look.decided.append(block.begin() + (std::max(from, at) - at),
                                block.begin() + (std::min(to, at + count) - at));
        for (std::size_t i = 0; i + width <= count; i += width) {
            const unsigned unit = utf16 ? block[i] | block[i + 1] << 8 : block[i];
            if (unit == '\n')
                ++(afterCr ? look.crLf : look.lf);
            else if (afterCr)
                ++look.cr;
            afterCr = unit == '\r';
        }
        at += count;
    }
    if (afterCr) ++look.cr;
    return look;
}

// The escape alone decides JIS; the rest of its sequence, intermediate bytes 0x20-0x2F
// and a final byte, is shown with it.
std::size_t EscapeLength(const std::string& bytes) {
    std::size_t n = 1;
    while (n < bytes.size() && bytes[n] >= 0x20 && bytes[n] <= 0x2F) ++n;
    return n < bytes.size() && bytes[n] >= 0x30 && bytes[n] <= 0x7E ? n + 1 : n;
}

// In the words of kUsage.  A UTF-8 decision is empty when the end decided, and starts at 0
// only for the byte-order mark.
const char* Why(CharCode code, const CodeDetector& detector) {
    switch (code) {
    case Jis: return "escape";
    case ShiftJis: return "only Shift_JIS";
    case EucJp: return "only EUC-JP";
    case Unicode: return "byte-order mark";
    case Utf8:
        if (detector.Decision().length == 0) return "UTF-8 to the end";
        return detector.Decision().offset == 0 ? "byte-order mark"
                                               : "enough three-byte characters";
    case NotText: return "not text";
    case Ambiguous:
        return detector.WellFormedUtf8() ? "both Shift_JIS and EUC-JP, well-formed UTF-8"
                                         : "both Shift_JIS and EUC-JP, not UTF-8";
    default: return "only ASCII";
    }
}

std::string VerboseLines(FileHandle& input, std::vector<unsigned char>& block, CharCode code,
                         const CodeDetector& detector) {
    const CodeDetector::Span decision = detector.Decision();
    const SecondLook look = LookAgain(input, block, decision.offset, code == Unicode);
    const std::size_t shown =
        code == Jis ? EscapeLength(look.decided)
                    : static_cast<std::size_t>(std::min(decision.length, kShownBytes));
    std::string bytes;
    for (std::size_t i = 0; i < shown; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X",
                      static_cast<unsigned char>(look.decided[i]));
        bytes += hex;
    }
    if (decision.length > kShownBytes) bytes += " ...";
    if (bytes.empty()) bytes = "-";
    return "\tdecided at " + std::to_string(decision.offset) + "\t" + bytes + "\t" +
           Why(code, detector) + "\n\tnewlines\tCR LF " + std::to_string(look.crLf) +
           "\tLF " + std::to_string(look.lf) + "\tCR " + std::to_string(look.cr) + "\n";
}

int Detect(const std::vector<std::string>& args) {
    const bool verbose = !args.empty() && args[0] == "-v";
    const std::span<const std::string> files = std::span(args).subspan(verbose ? 1 : 0);
    if (files.empty()) return UsageError("detect needs at least one FILE");
    RunningFlag running{1};
    std::vector<unsigned char> block(verbose ? CodeDetector::kBlock : 0);
    int status = kExitConverted;
    for (const std::string& file : files) {
        FileHandle input;
        std::string why;
        try {
            if (!OpenInput(file.c_str(), &input, &why)) {
                std::fprintf(stderr, "zekocli: %s: %s\n", file.c_str(), why.c_str());
                status = kExitIo;
            } else {
                CodeDetector detector;
                const CharCode code = detector.Detect(input, &running);
                const std::string details =
                    verbose ? VerboseLines(input, block, code, detector) : std::string();
                std::printf("%s\t%s\n%s", file.c_str(), CodeName(code), details.c_str());
            }
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

// The command line's choices over ZEKO.CFG's (when given) or the defaults; what is wrong
// with them, or "".
std::string MakeSettings(const ConvertArgs& args, Settings* settings) {
    if (!args.settings.empty()) {
        // Loading creates a missing file: a misspelt name must not pass for the defaults.
        const char* path = args.settings.c_str();
        ConfigStore store;
        RegisterSettings(settings, &store);
        if (platform::Attributes(path) == platform::kInvalidAttributes || IsFolder(path) ||
            !store.Load(path))
            return args.settings + ": not a settings file that can be read";
    } else {
        settings->mirrorFolders = args.mirror;
        settings->folderMode = IgnoreFolders;
        // Named files are taken whatever their names; a walk takes the usual text files.
        settings->anyExtension = !args.recursive && args.depth.empty();
    }
    if (args.outputCode != kUnset) settings->outputCode = static_cast<std::uint8_t>(args.outputCode);
    if (args.newline != kUnset) settings->newline = static_cast<std::uint8_t>(args.newline);
    if (args.widenKana) settings->widenKana = 1;
    if (args.bom) settings->utf8Mark = 1;
    if (args.mirror) settings->mirrorFolders = 1;
    if (!args.ManyFiles()) {
        SetPairs(settings);
        return "";
    }
    if (!args.outputFolder.empty()) {
        std::uint32_t length = platform::FullPathName(args.outputFolder.c_str(),
                                                      platform::kPathBuffer, settings->outputFolder);
        if (length == 0 || length > platform::kMaxPath) return "the output folder's path is too long";
    } else if (args.inPlace || args.unique) {
        settings->outputFolder[0] = '\0';
        settings->noOutputAction =
            args.unique ? NewUniqueFile : args.backup ? ReplaceWithBackup : ReplaceOriginal;
    } else if (settings->outputFolder[0] == '\0' && settings->noOutputAction == DoNotConvert) {
        return args.settings + ": names no output folder and converts nothing in place";
    }
    if (args.recursive) settings->folderMode = AllDepths;
    if (!args.depth.empty()) {
        char* end = nullptr;
        long depth = std::strtol(args.depth.c_str(), &end, 10);
        if (*end != '\0' || depth < kMinDepthLimit || depth > kMaxDepthLimit)
            return "--depth takes 1 to 122";
        settings->folderMode = LimitedDepth;
        settings->depthLimit = static_cast<std::uint8_t>(depth);
    }
    if (!args.extensions.empty()) {
        settings->anyExtension = args.extensions == "*";
        settings->extensions.Clear();
        std::string list = args.extensions + ",";
        for (std::size_t at = 0, comma; (comma = list.find(',', at)) != std::string::npos;
             at = comma + 1) {
            std::string extension = list.substr(at, comma - at);
            if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
            if (!extension.empty() && !settings->extensions.Add(extension.c_str()))
                return "out of memory";
        }
    }
    return "";
}

// Each FILE as a full path; a folder is walked only when the settings say so.
void ConvertFiles(ConsoleRun& run, const ConvertArgs& args, const Settings& settings) {
    StringList rows;
    for (const std::string& file : args.files) {
        char path[platform::kPathBuffer];
        std::uint32_t length = platform::FullPathName(file.c_str(), platform::kPathBuffer, path);
        if (length == 0 || length >= platform::kPathBuffer)
            run.Refuse(file.c_str(), "the path is too long", kExitIo);
        else if (settings.folderMode == IgnoreFolders && IsFolder(path))
            run.Refuse(file.c_str(), "a folder; passed over (--recursive walks it)", kExitConverted);
        else if (!rows.Add(path))
            run.Refuse(file.c_str(), "out of memory", kExitIo);
    }
    run.ConvertFiles(rows, args.inputCode);
}

int Convert(const std::vector<std::string>& words) {
    ConvertArgs args;
    if (std::string error = ParseConvert(words, &args); !error.empty()) return UsageError(error);
    Settings settings;
    if (std::string error = MakeSettings(args, &settings); !error.empty()) return UsageError(error);
    Decisions decisions{static_cast<ClashChoice>(args.clash),
                        static_cast<UndecidedChoice>(args.undecided),
                        static_cast<UnconvertibleChoice>(args.unconvertible)};
    std::string in = args.files.size() > 0 && !args.ManyFiles() ? args.files[0] : kStream;
    std::string out = args.files.size() > 1 && !args.ManyFiles() ? args.files[1] : kStream;
    // Standard input carrying the text cannot also carry answers.
    ConsoleRun run(settings, in != kStream && ConsoleAsker::StdinIsConsole(), decisions);
    if (args.ManyFiles()) {
        ConvertFiles(run, args, settings);
    } else if (const char* refusal = OutputRefusal(in, out, platform::kInvalidFile)) {
        run.Refuse(out.c_str(), refusal, kExitIo);
    } else {
        run.ConvertPair(in.c_str(), out.c_str(), args.inputCode, true);
    }
    run.PrintSummary();
    return run.Status();
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

platform::FileId FileOf(std::FILE* file) {
#if defined(_WIN32)
    return static_cast<platform::FileId>(_get_osfhandle(_fileno(file)));
#else
    return fileno(file);
#endif
}

const char* StatusWord(int status, std::int32_t code) {
    if (status == kExitConverted) return "ok";
    if (status != kExitCannotConvert) return "error";
    return code == NotText || code == Ambiguous ? "skip" : "fail";
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
    // Each case's line goes out in one write, when it is flushed: the runtime leaves a
    // character device (the NUL device, a console) unbuffered, a write per character.
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
    Settings settings;
    SetPairs(&settings);
    // Standard input carrying the list cannot also carry answers.
    ConsoleRun run(settings, list != stdin && ConsoleAsker::StdinIsConsole());
    std::string line;
    while (ReadLine(list, &line)) {
        if (line.empty()) continue;
        std::vector<std::string> fields = Split(line);
        fields.resize(std::max<std::size_t>(fields.size(), 2));
        const char* in = fields[0].c_str();
        const char* out = fields[1].c_str();
        std::int32_t outputCode = 0, newline = 0, widenKana = 0, inputCode = kAuto;
        // A NUL would end the path the system is given before the field ends; the streams
        // carry the list and the answers.
        bool wellFormed = fields.size() == 6 && line.find('\0') == std::string::npos &&
                          fields[0] != kStream && fields[1] != kStream &&
                          Pick(kOutputNumbers, fields[2], &outputCode) &&
                          Pick(kNewlineNumbers, fields[3], &newline) &&
                          Pick(kWidenNumbers, fields[4], &widenKana) &&
                          Pick(kInputNumbers, fields[5], &inputCode);
        const char* refusal =
            wellFormed ? OutputRefusal(fields[0], fields[1], FileOf(list)) : nullptr;
        int status = kExitUsage;
        std::int32_t code = kAuto;
        if (!wellFormed) {
            run.Refuse(in, "malformed case", status);
        } else if (refusal) {
            status = kExitIo;
            run.Refuse(out, refusal, status);
        } else {
            settings.outputCode = static_cast<std::uint8_t>(outputCode);
            settings.newline = static_cast<std::uint8_t>(newline);
            settings.widenKana = static_cast<std::uint8_t>(widenKana);
            status = run.ConvertPair(in, out, inputCode, false);
            code = run.LastInputCode();
        }
        std::printf("%s\t%s\t%s\t%s", in, out, CodeName(code), StatusWord(status, code));
        if (status >= kExitUsage) std::printf("\t%s", run.Reason().c_str());
        std::printf("\n");
        std::fflush(stdout);  // a driver may wait for each answer before the next case
    }
    bool readable = !std::ferror(list);
    if (list != stdin) std::fclose(list);
    run.PrintSummary();
    if (!readable) {
        std::fprintf(stderr, "zekocli: cannot read the list\n");
        return kExitIo;
    }
    return run.Status();
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
    if (command == "--version") {
        std::puts("zekocli " ZEKO_VERSION);
        return kExitConverted;
    }
    if (command == "detect") return Detect(args);
    if (command == "convert") return Convert(args);
    if (command == "batch") return Batch(args);
    return UsageError(command.empty() ? "no command given" : "unknown command " + command);
}
