#include "engine/conversion_engine.h"

#include <cstdio>

#include "framework/platform.h"

using E = ConversionEngine;

// Rows are the input code, columns the output code (Keep uses the same-code converter).
// Rows and columns of codes that are no input or no output are empty.  The flag marks
// the converters that write line ends as 16-bit units; those through the code page
// translate newlines on the Shift_JIS side.
const ConversionEngine::ConverterEntry ConversionEngine::kConverters[Utf8 + 1][Utf8 + 1] = {
    {{&E::JisToJis, false},
     {&E::JisToShiftJis, false},
     {&E::JisToEuc, false},
     {&E::IntoUnicode<&E::JisToShiftJis, kana::FormUtf16>, false},
     {&E::JisToJis, false},
     {}, {}, {},
     {&E::IntoUnicode<&E::JisToShiftJis, kana::FormUtf8>, false}},
    {{&E::ShiftJisToJis, false},
     {&E::ShiftJisToShiftJis, false},
     {&E::ShiftJisToEuc, false},
     {&E::IntoUnicode<&E::ShiftJisToShiftJis, kana::FormUtf16>, false},
     {&E::ShiftJisToShiftJis, false},
     {}, {}, {},
     {&E::IntoUnicode<&E::ShiftJisToShiftJis, kana::FormUtf8>, false}},
    {{&E::EucToJis, false},
     {&E::EucToShiftJis, false},
     {&E::EucToEuc, false},
     {&E::IntoUnicode<&E::EucToShiftJis, kana::FormUtf16>, false},
     {&E::EucToEuc, false},
     {}, {}, {},
     {&E::IntoUnicode<&E::EucToShiftJis, kana::FormUtf8>, false}},
    {{&E::FromUnicode<&E::Utf16Source, &E::ShiftJisToJis>, false},
     {&E::FromUnicode<&E::Utf16Source, &E::ShiftJisToShiftJis>, false},
     {&E::FromUnicode<&E::Utf16Source, &E::ShiftJisToEuc>, false},
     {&E::UnicodeToUnicode, true},
     {&E::UnicodeToUnicode, true},
     {}, {}, {},
     {&E::UnicodeToUtf8, false}},
    {},
    {{&E::PlainCopy, false},
     {&E::PlainCopy, false},
     {&E::PlainCopy, false},
     {&E::PlainToUnicode, true},
     {&E::PlainCopy, false},
     {}, {}, {},
     {&E::PlainToUtf8, false}},
    {},
    {},
    {{&E::FromUnicode<&E::Utf8Source, &E::ShiftJisToJis>, false},
     {&E::FromUnicode<&E::Utf8Source, &E::ShiftJisToShiftJis>, false},
     {&E::FromUnicode<&E::Utf8Source, &E::ShiftJisToEuc>, false},
     {&E::Utf8ToUnicode, true},
     {&E::Utf8ToUtf8, false},
     {}, {}, {},
     {&E::Utf8ToUtf8, false}},
};

// [writes units][newline]; the Keep column copies the CR or LF it is given.
const ConversionEngine::NewlineWriter ConversionEngine::kNewlineWriters[2][4] = {
    {&ConversionEngine::WriteCrLfBytes, &ConversionEngine::WriteCrBytes,
     &ConversionEngine::WriteLfBytes, &ConversionEngine::PutByte},
    {&ConversionEngine::WriteCrLfUnits, &ConversionEngine::WriteCrUnits,
     &ConversionEngine::WriteLfUnits, &ConversionEngine::PutUnit},
};

bool ConversionEngine::Convert(Asker& asker, RunningFlag* running, FileHandle& input,
                               FileHandle& output, std::int32_t outputCode,
                               std::int32_t newline, std::int32_t inputCode,
                               std::int32_t widenKana) {
    // The codes come from a settings file that may hold any value: nothing outside the
    // tables' ranges may index them.
    if (outputCode < Jis || outputCode > Utf8 || inputCode < Jis || inputCode > Utf8 ||
        newline < CrLf || newline > KeepNewline || (widenKana != 0 && widenKana != 1))
        return false;
    const ConverterEntry& entry = kConverters[inputCode][outputCode];
    if (!entry.run) return false;
    Begin(asker, running, input, output, {outputCode, newline, inputCode, widenKana},
          entry.writesUnits);
    // Units are read two bytes at a time, so an odd size cannot be UTF-16.
    if (inputCode == Unicode && (platform::SizeLow(input.Handle()) & 1)) return false;
    if (!(this->*entry.run)()) return false;
    Flush();
    return true;
}

void ConversionEngine::Begin(Asker& asker, RunningFlag* running, FileHandle& input,
                             FileHandle& output, const ConvertOptions& options,
                             bool writesUnits) {
    asker_ = &asker;
    running_ = running;
    input_ = &input;
    output_ = &output;
    options_ = options;
    source_ = nullptr;
    sink_ = nullptr;
    stageFailed_ = false;
    newlineWriter_ = kNewlineWriters[writesUnits ? 1 : 0][options.newline];
    outputCount_ = 0;
    // "The current block is used up and was a full one": the first read loads a block.
    inputCount_ = kInputBlock;
    inputPosition_ = kInputBlock;
}

bool ConversionEngine::RefillBlock() {
    if (source_) {
        inputCount_ = (this->*source_)(inputArea_ + kReserve);
    } else {
        // A short block was the last one; a file whose size is a multiple of the block
        // size ends with a read that returns nothing.
        if (inputCount_ != kInputBlock) return false;
        inputCount_ = ReadInput(inputArea_ + kReserve, kInputBlock);
    }
    inputPosition_ = 0;
    return inputCount_ != 0;
}

std::int32_t ConversionEngine::ReadInput(unsigned char* bytes, std::int32_t size) {
    const std::uint32_t read = input_->Read(bytes, static_cast<std::uint32_t>(size));
    if (observer_ && read != 0) observer_->Read(read);
    return static_cast<std::int32_t>(read);
}

void ConversionEngine::Flush() {
    if (outputCount_ == 0) return;
    WriteBlock();
    outputCount_ = 0;
}

void ConversionEngine::WriteBlock() {
    if (sink_) {
        (this->*sink_)();
    } else {
        WriteBytes(outputBuffer_, outputCount_);
    }
}

// A full disk first takes part of a block and reports success, and only the next call
// fails; so the remainder is written until the whole block is out.  When no further
// byte goes, the user may free space and retry the missing part, or give up.
void ConversionEngine::WriteBytes(const unsigned char* bytes, std::int32_t size) {
    const auto count = static_cast<std::uint32_t>(size);
    std::uint32_t done = 0;
    while (done < count) {
        std::uint32_t error = platform::kErrorDiskFull;
        try {
            std::uint32_t written = output_->Write(bytes + done, count - done);
            done += written;
            if (written != 0) continue;
        } catch (std::int32_t) {
            error = FileHandle::RaisedError();
        }
        if (error != platform::kErrorDiskFull || AskDiskFull() != question::kAnswerRetry)
            throw error;
    }
}

int ConversionEngine::AskDiskFull() {
    char drive = output_->FullPath()[0];
    if (drive >= 'a' && drive <= 'z') drive = static_cast<char>(drive - 'a' + 'A');
    char text[512];
    std::snprintf(text, sizeof text,
                  "%c ドライブが一杯です。いくつかファイルを消してもらえれば変換を続けられます。\n"
                  "変換を続ける場合は「再試行」を、変換を中断する場合は「キャンセル」を押して下さい。",
                  drive);
    return asker_->Ask({text, "ディスクフル",
                        question::kRetryCancel | question::kIconWarning |
                            question::kDefaultButton2});
}

void ConversionEngine::WriteCrLfBytes(int) {
    PutByte('\r');
    PutByte('\n');
}
void ConversionEngine::WriteCrBytes(int) { PutByte('\r'); }
void ConversionEngine::WriteLfBytes(int) { PutByte('\n'); }
void ConversionEngine::WriteCrLfUnits(int) {
    PutUnit('\r');
    PutUnit('\n');
}
void ConversionEngine::WriteCrUnits(int) { PutUnit('\r'); }
void ConversionEngine::WriteLfUnits(int) { PutUnit('\n'); }
