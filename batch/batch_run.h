// A conversion run over dropped files and folders, the same for every front end: the
// paths become pairs (enumeration), each pair is placed, its code decided, converted, and
// committed or rolled back.  Questions go to RunQuestions, progress to RunProgress; a
// raised error of any kind costs only the file it happened in.
#pragma once

#include <cstdint>

#include "batch/input_enumerator.h"
#include "batch/placement.h"
#include "batch/run_questions.h"
#include "batch/run_summary.h"
#include "engine/codes.h"
#include "engine/conversion_engine.h"
#include "framework/file_handle.h"
#include "framework/string_list.h"

struct Settings;

// The files of a run by how they ended.
struct RunCounts {
    std::int32_t converted = 0;
    std::int32_t copied = 0;
    std::int32_t skipped = 0;
    std::int32_t failed = 0;
};

class BatchRun : private ConversionEngine::ReadObserver {
public:
    // Tells the character code of the open input file from its current position.
    // wellFormedUtf8: whether the input, read to its end, is well-formed UTF-8 (what the
    // question about an Ambiguous file offers).
    using Detector = CharCode (*)(FileHandle& input, RunningFlag* running, bool* wellFormedUtf8);
    // The program's detector: a CodeDetector for each file.
    static CharCode DetectCode(FileHandle& input, RunningFlag* running, bool* wellFormedUtf8);
    // SetInputCode's value for "detect".
    static constexpr std::int32_t kDetect = -1;

    explicit BatchRun(Detector detect = DetectCode) : detect_(detect) {
        engine_.SetReadObserver(this);
    }
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // settings: read, never changed, for the whole run.
    void Configure(const Settings& settings, RunQuestions& questions, RunProgress& progress,
                   RunningFlag* running);
    // Every input is taken to be in code, without detection (kDetect: detect, except that
    // a UTF-16 input code in the settings is always taken as given).
    void SetInputCode(std::int32_t code) { inputCode_ = code; }

    // Lists the inputs under rows (full paths) and converts them one by one, until the
    // running flag is cleared.  The counts start afresh.
    void Run(const StringList& rows);
    // One pair, from placement to commit or roll-back.  openInput: the input already
    // open (a spooled stream), adopted by the pair; input then only names it.
    FileOutcome ConvertPair(const char* input, const char* output,
                            FileHandle* openInput = nullptr);
    // An open input into an open output, decided and converted as a pair is, but neither
    // placed nor committed: the caller owns both files and their fate (a stream written
    // out only once complete).  name: the input's name in the questions.
    FileOutcome ConvertOpen(const char* name, FileHandle& input, FileHandle& output);

    // While the current file is asked about as unconvertible: the first character of its
    // UTF-8 or UTF-16 text that the output code cannot hold, and its line.  False for
    // other codes, when there is none, or when the input cannot be read again.
    bool FindUnwritable(ConversionEngine::Unwritable* found);

    const RunCounts& Counts() const { return counts_; }
    // The files of the last run that were not converted, and why.
    const RunSummary& Summary() const { return summary_; }
    // Whether the last run went through all its files, neither stopped nor cut short.
    bool Completed() const { return completed_; }
    // The code the last pair was read in, as given, detected (NotText and Ambiguous
    // included) or chosen for an Ambiguous file; kDetect when it was never looked at.
    std::int32_t LastInputCode() const { return lastInputCode_; }

private:
    bool KeepsRunning() const { return running_->load(std::memory_order_relaxed) != 0; }
    void StopRun() { running_->store(0, std::memory_order_relaxed); }
    // Runs convert on the pair of input, turning a raised error into its question.
    template <typename Convert>
    FileOutcome Guarded(const char* input, const char* output, Convert convert);
    FileOutcome ConvertPlaced(const char* input, const char* output, FileHandle* openInput);
    FileOutcome ConvertFile();
    // A CharCode, or -1 with outcome set when a decision has dealt with the file.
    std::int32_t DecideInputCode(FileOutcome* outcome);
    FileOutcome DecideUnconvertible();
    // The input's bytes unchanged into the output, replacing whatever was written.
    FileOutcome CopyFile();
    void Count(FileOutcome outcome);
    // The engine's reads of the current input, told to the progress as a percentage.
    void Read(std::uint32_t bytes) override;

    Detector detect_;
    std::int32_t inputCode_ = kDetect;
    std::int32_t lastInputCode_ = kDetect;
    const Settings* settings_ = nullptr;
    NotingQuestions noting_;
    RunQuestions* questions_ = &noting_;
    RunProgress* progress_ = nullptr;
    RunningFlag* running_ = nullptr;
    RunCounts counts_;
    RunSummary summary_;
    bool completed_ = false;
    std::uint64_t inputSize_ = 0;
    std::uint64_t inputRead_ = 0;
    std::int32_t percent_ = 0;
    ConversionEngine engine_;
    InputEnumerator enumerator_;
    Placement placement_;
    FileTransaction file_;
    // The pair being converted: file_'s, or ConvertOpen's.
    const char* inputName_ = nullptr;
    FileHandle* input_ = nullptr;
    FileHandle* output_ = nullptr;
};
