// The first phase of a conversion run: the rows of the file list become pairs of paths,
// each file to read and the path its converted text is proposed to get.  Folders are
// expanded down to the depth the settings allow, files are filtered by extension, and
// each output path is formed from the output folder.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/codes.h"
#include "framework/directory_cursor.h"
#include "framework/platform.h"
#include "framework/question.h"
#include "framework/string_list.h"

struct Settings;

class InputEnumerator {
public:
    static constexpr const char* kNoExtension = "<none>";

    InputEnumerator() = default;
    InputEnumerator(const InputEnumerator&) = delete;
    InputEnumerator& operator=(const InputEnumerator&) = delete;

    // Reads the list view's rows (each row's item parameter is its full path as char*) and
    // walks them.  Does nothing when the running flag is already clear; clears it when the
    // user stops or memory runs out.
    void Collect(Asker& asker, RunningFlag* running, HWND fileList, const Settings& settings,
                 const char* outputFolder, const StringList& extensions);
    // Copies the next pair into the two buffers (kPathBuffer bytes each).
    bool Next(char* input, char* output);

    std::int32_t Count() const { return count_; }

private:
    bool Running() const { return running_->load(std::memory_order_relaxed) != 0; }
    void Stop() { running_->store(0, std::memory_order_relaxed); }

    void WalkRow(const char* path);
    void WalkFolder(int depth);
    void TakeFile(const char* path);
    bool Accepts(const char* name) const;
    bool MayEnter(int depth) const;
    void SkipOverlong(const char* folder, const char* name, bool isFolder);
    void OutOfMemory();

    Asker* asker_ = nullptr;
    RunningFlag* running_ = nullptr;
    const Settings* settings_ = nullptr;
    const StringList* extensions_ = nullptr;
    StringList inputs_;
    StringList outputs_;
    std::int32_t count_ = 0;
    std::int32_t next_ = 0;
    // Room for the separator that normalising may add to a folder of 260 characters.
    char outputFolder_[platform::kPathBuffer + 1] = {};
    std::size_t nameOffset_ = 0;
    DirectoryCursor cursor_;
};
