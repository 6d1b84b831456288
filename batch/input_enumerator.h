// The first phase of a conversion run: the dropped paths become pairs of paths, each
// file to read and the path its converted text is proposed to get.  Folders are expanded
// down to the depth the settings allow, files are filtered by extension, and each output
// path is formed from the output folder.  Where the run names its texts beside their
// sources, a file that such a run made (a backup, or a text under a generated name, with
// the file it came from beside it) is left out: converting it would make backups of
// backups.  No folder is entered twice: links to folders
// are not followed inside a walk, and every folder entered is known by its identity, so
// a loop or a folder reached by two names cannot list its files again.
#pragma once

#include <cstdint>
#include <vector>

#include "batch/run_questions.h"
#include "engine/codes.h"
#include "framework/directory_cursor.h"
#include "framework/platform.h"
#include "framework/string_list.h"

struct Settings;

class InputEnumerator {
public:
    static constexpr const char* kNoExtension = "<none>";

    InputEnumerator() = default;
    InputEnumerator(const InputEnumerator&) = delete;
    InputEnumerator& operator=(const InputEnumerator&) = delete;

    // Walks the full paths of rows.  Does nothing when the running flag is already clear;
    // clears it when the user stops or memory runs out.  The process's current directory
    // is the same afterwards.
    void Collect(RunQuestions& questions, RunningFlag* running, const StringList& rows,
                 const Settings& settings);
    // Copies the next pair into the two buffers (kPathBuffer bytes each).
    bool Next(char* input, char* output);

    std::int32_t Count() const { return count_; }
    // The files left out as made by an earlier run, and how many for their extension.
    const StringList& EarlierOutputs() const { return earlierOutputs_; }
    std::int32_t LeftOutByExtension() const { return leftOutByExtension_; }

private:
    bool Running() const { return running_->load(std::memory_order_relaxed) != 0; }
    void Stop() { running_->store(0, std::memory_order_relaxed); }

    void WalkRow(const char* path);
    void WalkFolder(int depth);
    void TakeFile(const char* path);
    bool IsEarlierOutput(const char* path) const;
    // The extension rule; a file it refuses is counted.
    bool Accepts(const char* name);
    bool MayEnter(int depth) const;
    void SkipOverlong(const char* folder, const char* name, bool isFolder);
    // A path that lost characters to the code page is skipped with its own question,
    // which blames the name rather than the output.
    bool SkipsName(const char* path);
    // Records the folder the cursor is in; false when it was entered before.
    bool FirstVisit();
    void OutOfMemory();

    RunQuestions* questions_ = nullptr;
    RunningFlag* running_ = nullptr;
    const Settings* settings_ = nullptr;
    const StringList* extensions_ = nullptr;
    StringList inputs_;
    StringList outputs_;
    std::int32_t count_ = 0;
    std::int32_t next_ = 0;
    StringList earlierOutputs_;
    std::int32_t leftOutByExtension_ = 0;
    // Room for the separator that normalising may add to a folder of 260 characters.
    char outputFolder_[platform::kPathBuffer + 1] = {};
    std::size_t nameOffset_ = 0;
    DirectoryCursor cursor_;
    std::vector<platform::FileIdentity> visited_;
};
