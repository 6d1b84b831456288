// Strings back to back in one double-NUL-terminated buffer, with a table of their start
// offsets: the extension list of the settings and the path lists of a conversion run.
// Allocation never raises: an operation that runs out of memory returns false and leaves
// the list as it was, so that a failed copy or load cannot empty a list the user made.
#pragma once

#include <cstdint>
#include <memory>

class StringList {
public:
    StringList() = default;
    ~StringList() { Clear(); }
    StringList(const StringList&) = delete;
    StringList& operator=(const StringList&) = delete;

    // An empty text is accepted and not stored.
    bool Add(const char* text);
    // count -1: up to the first empty string of the array; otherwise exactly count entries.
    // Stops at the first failed Add.
    bool AddAll(const char* const* texts, std::int32_t count);
    // A copy of other with the same capacities.
    bool Assign(const StringList& other);
    // Takes over a buffer of size bytes holding strings each ended by a NUL; the list ends
    // at the first empty string, which must lie inside the buffer.  The buffer is freed
    // when it cannot be taken over.
    bool Adopt(std::unique_ptr<char[]> buffer, std::uint32_t size);
    // The index of the first entry equal to text, ignoring the case of ASCII letters,
    // searching from start towards the end (forward) or the beginning; -1 when none is.
    std::int32_t Find(const char* text, std::int32_t start, bool forward) const;
    void Clear();

    std::int32_t Count() const { return count_; }
    const char* operator[](std::int32_t index) const { return text_ + offsets_[index]; }
    // The strings with their NULs and the final NUL (UsedLength() + 1 bytes); nullptr for
    // an empty list.
    const char* Text() const { return text_; }
    std::uint32_t UsedLength() const { return used_; }
    std::uint32_t Capacity() const { return capacity_; }
    std::uint32_t TableCapacity() const { return tableCapacity_; }

private:
    void Swap(StringList& other);

    char* text_ = nullptr;
    std::uint32_t capacity_ = 0;
    std::uint32_t used_ = 0;
    std::uint32_t* offsets_ = nullptr;
    std::uint32_t tableCapacity_ = 0;
    std::int32_t count_ = 0;
};
