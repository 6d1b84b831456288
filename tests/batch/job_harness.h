// A conversion job whose per-file operations a test calls one by one, with the settings
// and the asker the test gives it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "batch/conversion_job.h"
#include "settings/settings.h"
#include "support/scripted_asker.h"
#include "support/temp_dir.h"

namespace test {

// What the detector answers for every file.
inline CharCode detected = Plain;
inline int detections = 0;

inline CharCode ScriptedDetect(FileHandle&, RunningFlag*) {
    ++detections;
    return detected;
}

class TestJob : public ConversionJob {
public:
    explicit TestJob(Detector detect = ScriptedDetect) : ConversionJob(detect) {}

    using ConversionJob::CopyFile;
    using ConversionJob::DecideCannotConvert;
    using ConversionJob::DecideInputCode;
    using ConversionJob::Finish;
    using ConversionJob::KeepsRunning;
    using ConversionJob::Place;
    using ConversionJob::RollBack;
    using ConversionJob::TempFileFailed;
    using ConversionJob::UniqueName;
    using ConversionJob::UniqueNameOrAsk;

    FileHandle& Input() { return input_; }
    FileHandle& Output() { return output_; }
    const char* PendingPath() const { return pendingPath_; }
    const char* BackupPath() const { return backupPath_; }
    // What a conversion would do: the whole text into the output.
    void Write(const std::string& text) { output_.Write(text.data(), static_cast<std::uint32_t>(text.size())); }
};

}  // namespace test
